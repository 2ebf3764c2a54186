// Song select: changing lists, starting play (a song, a course, shuffle play
// of a jukebox) through the fade, and the course editor's entry points.
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "app/game.h"
#include "chart/ready_bms.h"
#include "library/courses.h"
#include "library/jukebox.h"
#include "library/song_search.h"
#include "media/display.h"
#include "media/sound.h"
#include "net/net_session.h"
#include "platform/files.h"
#include "platform/text.h"
#include "play/play_loop.h"
#include "screens/song_select.h"
#include "screens/song_select_internal.h"

namespace kvx {

namespace {

// Loads that fail one after another before shuffle play gives up.
constexpr int kShuffleMaxFailures = 8;

// The current frame becomes the picture the loading screen breaks into tiles.
void CaptureScreenForFade(Game& g) {
  DisplayState& d = g.display;
  if (d.CaptureSurface.Valid() && d.BackSurface.Valid()) {
    const Rect whole{0, 0, d.BackSurface.width, d.BackSurface.height};
    BltClipped(g.display, d.CaptureSurface, whole, 0, 0, d.BackSurface, whole, 0);
  }
  InitTileTransition(g);
}

// Captures the screen and starts the fade-end timer, which starts play.
void StartFadeIntoPlay(Game& g) {
  PlaySE(g.sound, kSeDecide);
  CaptureScreenForFade(g);
  g.screens.FadeSubject = 1;
  g.pump.SetTimer(kRunFadeEndTimerId, 10, [&g] {
    g.pump.KillTimer(kRunFadeEndTimerId);
    FadeEndSubject(g);
  });
}

// Shuffle play picks entries whose chart is for one player while ENDLESSMODE
// is 1; a list without any falls back to every entry rather than pick forever.
std::vector<int32_t> ShuffleCandidates(Game& g) {
  const auto& list = g.library.SongList;
  std::vector<int32_t> all;
  for (int32_t i = 0; i < static_cast<int32_t>(list.size()); ++i)
    if (g.settings.ENDLESSMODE != 1 || list[i].Player == 1) all.push_back(i);
  if (all.empty() && !list.empty()) {
    DebugLog(g, "shuffle play: no single-player chart in the list, picking from every entry");
    for (int32_t i = 0; i < static_cast<int32_t>(list.size()); ++i) all.push_back(i);
  }
  return all;
}

int32_t PickShuffleEntry(Game& g, const std::vector<int32_t>& candidates) {
  const int32_t last = static_cast<int32_t>(g.library.SongList.size()) - 1;
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  // round(random x last index), picked again while the entry is not a candidate.
  for (int tries = 0; tries < 1000; ++tries) {
    int32_t pick = static_cast<int32_t>(std::nearbyint(unit(g.screens.ShuffleRng) * last));
    if (std::binary_search(candidates.begin(), candidates.end(), pick)) return pick;
  }
  std::uniform_int_distribution<size_t> any(0, candidates.size() - 1);
  return candidates[any(g.screens.ShuffleRng)];
}

// Loads and plays the entry under the cursor, again while the result screen's
// retry key asks for it; false when it could not be loaded.
bool PlayEntryUnderCursor(Game& g, Screen list_mode) {
  g.screens.CourseEntry = list_mode == Screen::CourseList;
  if (!g.screens.CourseEntry) g.chart.CourseMode = false;
  const bool fixedGauge = g.play.FixedGaugeMode;
  g.screens.RetryRequested = false;
  do {
    if (g.screens.RetryRequested) {
      DebugLog(g, "retry: the same chart again");
      g.screens.RetryRequested = false;
      g.play.FixedGaugeMode = fixedGauge;
      StopSE(g.sound, kSeSelect);
      StopSE(g.sound, kSeSelStart);
      StopSongPreview(g);
    }
    // A preview that could not read its chart must not cancel this load.
    g.chart.LoadCancel = false;
    ReadyBMS(g);
    if (g.chart.LoadCancel) return false;
    StartPlay(g);
  } while (g.screens.RetryRequested && g.app.Running);
  g.screens.RetryRequested = false;
  return true;
}

// After a load that failed, song select comes back as it does after a play.
void ReturnFromFailedLoad(Game& g) {
  g.play.FixedGaugeMode = false;
  g.play.PreviewFadeVolume = 0;
  PlaySE(g.sound, kSeSelect, true);
  SetSystemSoundVolume(g.sound, kSeSelect, 0);
  if (g.settings.BMSPreview) StartPreviewTimer(g);
}

}  // namespace

void ShowJukeboxList(Game& g) {
  ForgetSongSearch(g);
  JukeReady(g);
  RestartOpeningAnimation(g);
  ApplySelection(g);
}

void EnterCourseList(Game& g) {
  DebugLog(g, ">TAB Pressed - COURSE MODE");
  ForgetSongSearch(g);
  g.app.GameState = Screen::CourseList;
  g.chart.CourseSongs.clear();
  g.chart.CourseSongCount = 0;
  ClearSongList(g);
  g.library.SongList = g.library.CourseList;
  g.library.SongListLast = static_cast<int32_t>(g.library.SongList.size()) - 1;
  g.library.SongMarks.assign(g.library.SongList.size(), false);
  DebugLog(g, "CourseList Loaded");
  RestartOpeningAnimation(g);
  StartFrontFade(g, 21);
  ReleaseStagePicture(g);
  g.play.QuitPlay = true;
  StopSongPreview(g);
  PlaySE(g.sound, kSeFade);
  g.screens.CourseModeShown = true;
  g.screens.ClearCheckIndex = 0;
  ApplySelection(g);
}

void OpenSongList(Game& g) {
  ForgetSongSearch(g);
  g.app.GameState = Screen::SongList;
  g.screens.ScrollOffset = 0.5f;
  g.app.ListCursor = 0;
  g.screens.ClearCheckIndex = 0;
  RestartOpeningAnimation(g);
  PlaySE(g.sound, kSeFade);
  chexec(g);
  StartPreviewTimer(g);
}

void StartShufflePlay(Game& g) {
  // The jukebox list stays the screen to come back to after shuffle play.
  g.app.GameState = Screen::JukeboxList;
  g.screens.PreviewMode = true;
  g.play.FixedGaugeMode = true;
  StopSE(g.sound, kSeSelect);
  StopSongPreview(g);
  StartFadeIntoPlay(g);
}

void StartPlayOnSong(Game& g) {
  const SongEntry* entry = EntryUnderCursor(g);
  if (!entry || !FileExists(entry->FilePath)) {
    DebugLog(g, "the chart file is missing: " + (entry ? entry->FilePath : std::string()));
    return;
  }
  StopSE(g.sound, kSeSelect);
  StopSongPreview(g);
  if (ShiftOrLane12Held(g)) g.play.FixedGaugeMode = true;
  StartFadeIntoPlay(g);
}

void StartPlayOnCourse(Game& g) {
  if (!EntryUnderCursor(g)) return;
  StopSongPreview(g);
  StartFadeIntoPlay(g);
}

void FadeEndSubject(Game& g) {
  ScreensState& s = g.screens;
  if (g.net.NetPlay) {
    g.app.GameState = Screen::NetWaitPreview;
    g.net.WaitLock = true;
    SendCurSongData(g, true);
    return;
  }
  g.chart.BackgroundPreview = false;
  s.ShufflePlayCount = 0;
  const Screen state = g.app.GameState;
  const Screen list_mode = state == Screen::CourseList ? Screen::CourseList : Screen::SongList;
  std::vector<int32_t> candidates;
  if (s.PreviewMode) candidates = ShuffleCandidates(g);
  int failures = 0;
  bool played = false;
  do {
    if (s.PreviewMode) {
      if (candidates.empty()) break;
      g.app.ListCursor = PickShuffleEntry(g, candidates);
    }
    if (PlayEntryUnderCursor(g, list_mode)) {
      played = true;
      failures = 0;
    } else {
      ++failures;
    }
    ++s.ShufflePlayCount;
  } while (s.PreviewMode && failures < kShuffleMaxFailures);
  if (s.PreviewMode) {
    DebugLog(g, "shuffle play stopped: the charts could not be loaded");
    s.PreviewMode = false;
  }
  if (!played || failures > 0) ReturnFromFailedLoad(g);
  PlaySE(g.sound, kSeFade);
  g.app.GameState = state;
  if (state == Screen::JukeboxList) ShowJukeboxList(g);
  RestartOpeningAnimation(g);
  s.ScrollOffset = 0.001f;
  StartFrontFade(g, 2);
  s.FadeSubject = 0;
}

// The course editor itself belongs to the courses; these hand it the entry
// under the cursor.
void EditCourseUnderCursor(Game& g) {
  if (!EntryUnderCursor(g)) return;
  StopSongPreview(g);
  EditCourseAt(g, g.app.ListCursor);
}

void PutEntryIntoCourseSlot(Game& g) {
  const SongEntry* entry = EntryUnderCursor(g);
  if (!entry) return;
  StopSongPreview(g);
  g.play.Playing = false;
  PutSongIntoCourseSlot(g, *entry);
}

void DeleteCourseFile(Game& g, const std::string& file) {
  if (file.empty() || !EndsWithNoCase(file, ".kcl") || !FileExists(file)) return;
  if (DeleteFile(file)) DebugLog(g, "course deleted: " + file);
  else DebugLog(g, "course could not be deleted: " + file);
  UpdateCourseList(g);
  if (g.app.GameState != Screen::CourseList) return;
  g.library.SongList = g.library.CourseList;
  g.library.SongListLast = static_cast<int32_t>(g.library.SongList.size()) - 1;
  g.library.SongMarks.assign(g.library.SongList.size(), false);
  g.screens.ClearCheckIndex = 0;
  ApplySelection(g);
}

}  // namespace kvx
