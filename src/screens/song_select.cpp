// Song select: the cursor and what a change of it does, the opening
// animation, the front-end fade, the stage picture and the clear check.
#include "screens/song_select.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <string>
#include <vector>

#include "app/game.h"
#include "chart/bms_commands.h"
#include "media/display.h"
#include "library/song_search.h"
#include "media/sound.h"
#include "platform/files.h"
#include "screens/score_record.h"
#include "screens/song_select_internal.h"
#include "screens/song_select_text.h"

namespace kvx {

namespace {

constexpr float kOpeningStart = 3.0f;
constexpr int32_t kOpeningMs = 500;
constexpr uint32_t kFrontFadeMs = 200;

void WrapListCursor(Game& g) {
  int n = EntryCount(g);
  int& cursor = g.app.ListCursor;
  cursor = n > 0 ? ((cursor % n) + n) % n : 0;
}

// The course shown loses its songs. While a course is edited its songs are
// the editor's slots, which the moves on the lists to choose a song keep.
void ResetLoadedCourse(Game& g) {
  if (!g.screens.EditingCourse) g.chart.CourseSongs.clear();
  g.chart.CourseSongCount = 0;
  g.course.Header.SongCount = 0;
  g.chart.CourseMode = false;
}

}  // namespace

int EntryCount(const Game& g) { return static_cast<int>(g.library.SongList.size()); }

const SongEntry* EntryUnderCursor(const Game& g) {
  int i = g.app.ListCursor;
  if (i < 0 || i >= EntryCount(g)) return nullptr;
  return &g.library.SongList[i];
}

bool ShiftOrLane12Held(const Game& g) {
  const AppState& a = g.app;
  if (a.ButtonState[42] || a.ButtonState[54] || a.LanePressed[12 - 11]) return true;
  for (int code = 0; code < kKeyTableSize; ++code)
    if (a.ButtonState[code] && a.KeyTable[code] == 12) return true;
  return false;
}

void chexec(Game& g) {
  ResetLoadedCourse(g);
  g.screens.LastChangeTime = g.NowMs();
  ReleaseStagePicture(g);
  PlaySE(g.sound, kSeSongChange);
  g.play.QuitPlay = true;  // ends a preview play
  StopSongPreview(g);      // and its sounds, at once
  g.play.EffectiveBPM = 0;
  g.chart.NoteCount[0] = 0;
  ApplySelection(g);
}

void ApplySelection(Game& g) {
  WrapListCursor(g);
  ScreensState& s = g.screens;
  const SongEntry* entry = EntryUnderCursor(g);
  if (s.CourseModeShown && !s.EditingCourse) {
    g.chart.CourseSongs.clear();
    g.chart.CourseSongCount = 0;
    s.CourseNameShown = entry ? entry->Title : "";
  }
  SplitTitle split = SplitSongTitle(entry ? entry->Title : "");
  s.TitleMain = std::move(split.main);
  s.TitleSub = std::move(split.sub);
  if (entry) LoadScoreDat(g);
  else s.Record = ScoreRecord{};
  StartPreviewTimer(g);
}

void MoveListCursorBy(Game& g, int n) {
  if (n == 0) return;
  g.app.ListCursor += n;
  g.screens.ScrollOffset -= static_cast<float>(n);
  chexec(g);
}

void OpenSongSelect(Game& g) {
  RestartOpeningAnimation(g);
  ApplySelection(g);
}

void RestartOpeningAnimation(Game& g) {
  ScreensState& s = g.screens;
  s.OpeningValue = kOpeningStart;
  s.OpeningTarget = 1.0f;
  s.OpeningCountdown = kOpeningMs;
  s.LastDrawTime = g.NowMs();
}

void StartFrontFade(Game& g, uint8_t state) {
  g.screens.FrontFadeState = state;
  g.screens.FrontFadeStart = g.NowMs();
}

void AdvanceListAnimations(Game& g) {
  ScreensState& s = g.screens;
  const uint32_t now = g.NowMs();
  const int32_t elapsed = std::clamp<int32_t>(static_cast<int32_t>(now - s.LastDrawTime), 0, 1000);
  s.LastDrawTime = now;
  auto ease = [](float& value, float target) {
    value += (target - value) * 0.2f;
    if (std::fabs(target - value) < 0.01f) value = target;
  };
  ease(s.ScrollOffset, 0.0f);
  ease(s.OpeningValue, s.OpeningTarget);
  s.OpeningCountdown = std::max(0, s.OpeningCountdown - elapsed);
  if (s.FrontFadeState != 0 && now - s.FrontFadeStart >= kFrontFadeMs) s.FrontFadeState = 0;
  if (s.ScrollOffset != 0 || s.OpeningValue != s.OpeningTarget || s.OpeningCountdown > 0 || s.FrontFadeState != 0 ||
      g.playopt.SpShuffle)
    KeepAnimating(g);
}

void ListStopped(Game& g) { LoadStagePicture(g); }

void ReleaseStagePicture(Game& g) {
  ReleaseStageImage(g);
  g.screens.StagePictureEntry = -1;
  g.screens.StagePictureShown = false;
}

void ScanModernHeader(Game& g) {
  if (!g.settings.ModernCharts || g.app.GameState != Screen::SongList) return;
  const int i = g.app.ListCursor;
  if (i < 0 || i >= EntryCount(g)) return;
  SongEntry& e = g.library.SongList[i];
  // A chart scanned under the modern rules has its notes counted already.
  if (e.NoteCount > 0 || e.FilePath.empty() || !FileExists(e.FilePath)) return;
  SongEntry scanned;
  ScanBMSHeader(e.FilePath, scanned, {true, g.chart.RandomSeed.value_or(0)});
  e.SubTitle = std::move(scanned.SubTitle);
  e.SubArtist = std::move(scanned.SubArtist);
  e.Banner = std::move(scanned.Banner);
  e.Difficulty = scanned.Difficulty;
  e.NoteCount = scanned.NoteCount;
}

void CountMissingSounds(Game& g) {
  ScreensState& s = g.screens;
  const SongEntry* entry = EntryUnderCursor(g);
  s.MissingSoundsEntry = g.app.ListCursor;
  s.MissingSounds = 0;
  if (!entry || entry->WavCount <= 0 || entry->FilePath.empty()) return;
  ChartTextInfo info;
  const std::string text = LoadChartText(entry->FilePath, g.settings.ModernCharts, &info);
  if (!info.readable) return;
  std::vector<std::string> files;
  for (auto& named : ChartSoundFiles(entry->FilePath, text, g.settings.ModernCharts))
    files.push_back(std::move(named.second));
  s.MissingSounds = static_cast<int32_t>(MissingSoundFiles(files).size());
}

namespace {

// The banner fills the preview surface's width (or height), centred on black.
void ShowBannerInPreview(Game& g, const std::string& path) {
  Surface banner;
  Surface& preview = g.screens.PreviewSurface;
  if (!preview.Valid() || !LoadSurfaceFromFile(g.Services(), g.display, banner, path, false)) return;
  if (banner.width > 0 && banner.height > 0) {
    const Rect whole{0, 0, preview.width, preview.height};
    FillSurface(g.display, preview, &whole, 0x000000);
    int w = preview.width, h = preview.height;
    if (static_cast<int64_t>(banner.width) * h > static_cast<int64_t>(banner.height) * w)
      h = std::max(1, static_cast<int>(static_cast<int64_t>(banner.height) * w / banner.width));
    else
      w = std::max(1, static_cast<int>(static_cast<int64_t>(banner.width) * h / banner.height));
    const int x = (preview.width - w) / 2, y = (preview.height - h) / 2;
    BltStretch(g.display, preview, Rect{x, y, x + w, y + h}, banner, Rect{0, 0, banner.width, banner.height}, 0);
    g.screens.StagePictureShown = true;
  }
  ReleaseSurface(banner);
}

}  // namespace

void LoadStagePicture(Game& g) {
  ScreensState& s = g.screens;
  const SongEntry* entry = EntryUnderCursor(g);
  if (g.app.GameState != Screen::SongList || !entry || s.StagePictureEntry == g.app.ListCursor) return;
  s.StagePictureEntry = g.app.ListCursor;
  s.StagePictureShown = false;
  ScanModernHeader(g);
  CountMissingSounds(g);
  // Under the modern rules a chart without a stage picture shows its banner.
  const bool banner = entry->StageFile.empty() && g.settings.ModernCharts && !entry->Banner.empty();
  const std::string& picture = banner ? entry->Banner : entry->StageFile;
  if (picture.empty()) return;
  std::string folder = FolderOf(NormalizeSeparators(entry->FilePath));
  auto path = ResolvePathNoCase(folder.empty() ? "." : folder, picture);
  if (!path) {
    DebugLog(g, std::string(banner ? "banner" : "stage picture") + " not found: " + folder + picture);
    return;
  }
  if (banner) {
    ShowBannerInPreview(g, *path);  // the no-stage picture stays when it does not decode
    return;
  }
  Surface& stage = g.display.StageImageSurface;
  ReleaseStageImage(g);
  if (!LoadSurfaceFromFile(g.Services(), g.display, stage, *path, false)) return;  // the no-stage picture stays
  // The stage picture is shown at 640x480; the panel shows it scaled into the preview surface.
  Surface& preview = g.screens.PreviewSurface;
  if (!preview.Valid()) return;
  BltStretch(g.display, preview, Rect{0, 0, preview.width, preview.height}, stage, Rect{0, 0, stage.width, stage.height}, 0);
  s.StagePictureShown = true;
}

namespace {

constexpr int32_t kClearMarksPerFrame = 4096;  // look-ups of read flags in one frame

// The entries from the clear check's place on, read by the worker.
void RequestClearMarks(Game& g) {
  const auto& list = g.library.SongList;
  std::vector<std::string> charts;
  charts.reserve(list.size() - g.screens.ClearCheckIndex);
  for (size_t i = g.screens.ClearCheckIndex; i < list.size(); ++i) charts.push_back(list[i].FilePath);
  g.screens.ClearMarksAskedFor = list.data();
  g.screens.ClearMarks.Request(std::move(charts),
                               [paths = g.paths](const std::string& chart) { return ReadClearedFlag(paths, chart); });
}

}  // namespace

void RunClearCheck(Game& g) {
  if (!g.settings.ShowClearedOnList) return;
  ScreensState& s = g.screens;
  const auto& list = g.library.SongList;
  const int32_t count = static_cast<int32_t>(list.size());
  const Screen mode = g.app.GameState;
  if ((mode != Screen::SongList && mode != Screen::CourseList) || s.ClearCheckIndex < 0) {
    s.ClearCheckIndex = count;
    return;
  }
  if (s.ClearCheckIndex >= count) return;
  auto& marks = g.library.SongMarks;
  if (marks.size() != list.size()) marks.resize(list.size(), false);
  // A list shown afresh has its own read started at once (another list's read
  // that is still running gives way to it).
  const bool fresh = s.ClearMarksAskedFor != static_cast<const void*>(list.data());
  // The flags read so far (a mark stays as it was for a chart without a record).
  const int32_t end = std::min(count, s.ClearCheckIndex + kClearMarksPerFrame);
  std::optional<bool> flag;
  while (s.ClearCheckIndex < end && s.ClearMarks.Find(list[s.ClearCheckIndex].FilePath, &flag)) {
    if (flag) marks[s.ClearCheckIndex] = *flag;
    ++s.ClearCheckIndex;
  }
  if (s.ClearCheckIndex < end) {  // waiting for the worker
    if (fresh || !s.ClearMarks.Busy()) RequestClearMarks(g);
    ShowMessage(g, "clear check... " + std::to_string(s.ClearCheckIndex) + " / " + std::to_string(count));
  } else if (s.ClearCheckIndex >= count && g.display.MessageLine.text.rfind("clear check... ", 0) == 0) {
    ShowMessage(g, "clear check complete.");  // in place of the progress shown while waiting
  }
}

}  // namespace kvx
