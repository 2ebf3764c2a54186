#include "chart/ready_bms.h"

#include "app/game.h"
#include "chart/bms.h"
#include "library/courses.h"
#include "media/display.h"
#include "media/sound.h"
#include "platform/files.h"
#include "play/play_loop.h"

namespace kvx {

namespace {

bool IsPreviewChannel(int c) {
  return c == 1 || (c >= 11 && c <= 16) || c == 18 || c == 19 || (c >= 21 && c <= 26) || c == 28 || c == 29;
}

const SongEntry* EntryUnderCursor(Game& g) {
  int i = g.app.ListCursor;
  if (i < 0 || i >= static_cast<int>(g.library.SongList.size())) return nullptr;
  return &g.library.SongList[i];
}

// Loads the first sounds of the preview: the first playable object and every
// later one within one beat of it, stopping when the cursor leaves the file.
bool LoadPreviewSounds(Game& g, const std::string& file, int32_t* start) {
  int first = -1;
  for (int i = 0; i < g.chart.ObjectCount; ++i) {
    const ChartObject& o = g.chart.Objects[i];
    if (!IsPreviewChannel(o.Channel)) continue;
    if (first < 0) first = i;
    if (o.Position > g.chart.Objects[first].Position + 48) break;
    const SongEntry* e = EntryUnderCursor(g);
    if (!e || e->FilePath != file) return false;
    loadwav(g, o.Value);
  }
  *start = first >= 0 ? g.chart.Objects[first].Position : 0;
  return true;
}

}  // namespace

void LoadStageImage(Game& g, const std::string& path) {
  // A chart that names title.bmp but ships title.png still shows its picture.
  const std::optional<std::string> found = FindPictureFile(path);
  if (!found) return;
  ReleaseSurface(g.display.StageImageSurface);
  LoadSurfaceFromFile(g, g.display.StageImageSurface, *found, false);
}

void UnloadBMS(Game& g) {
  DebugLog(g, "[Unload-BMS] > faked");
  StopChartSounds(g);
}

void ReadyBMS(Game& g) {
  const SongEntry* entry = EntryUnderCursor(g);
  DebugLog(g, "[Ready BMS] Timer start");
  // A course entry of the course list plays as a course; anything else is a
  // single chart, whatever was played before.
  const bool course = g.screens.CourseEntry;
  g.chart.CourseMode = course;
  // A load that failed before must not stop this one; only what happens
  // during this load may cancel it.
  g.chart.LoadCancel = false;
  g.app.GameState = Screen::Play;
  StopSE(g, kSeSelect);
  if (g.chart.CourseMode || g.screens.PreviewMode) g.play.FixedGaugeMode = true;
  g.play.FadeStart = g.NowMs();
  g.play.FadeState = 200;
  DebugLog(g, "Ready BMS");
  if (!entry) {
    g.chart.LoadCancel = true;
    return;
  }
  SongEntry song = *entry;  // the list may change while loading
  ReleaseSurface(g.display.StageImageSurface);
  if (!song.StageFile.empty()) LoadStageImage(g, FolderOf(song.FilePath) + song.StageFile);
  while (g.NowMs() - g.play.FadeStart < 500) Loading(g);
  g.play.FadeStart = g.NowMs() - 2000;
  Loading(g);
  Loading(g);
  if (g.chart.LoadCancel) {
    UnloadBMS(g);
    return;
  }
  g.screens.ReturnState = g.chart.CourseMode ? Screen::CourseList : Screen::SongList;
  int32_t saved_wav_mode = g.settings.WAVLoadmode;
  if (!course) {
    g.chart.BackgroundPreview = false;
    if (BMSLoad(g, song.FilePath) < 1) g.chart.LoadCancel = true;
  } else {
    g.settings.WAVLoadmode = 1;
    g.chart.CourseMode = true;
    g.chart.CourseSongs.clear();  // a missing course file plays nothing
    g.chart.CourseSongCount = 0;
    CourseLoad(g, song.FilePath, false);
    if (SkipMissingCourseSongs(g)) BMSLoadCourse(g);
    else g.chart.LoadCancel = true;
  }
  if (g.chart.LoadCancel) {
    g.settings.WAVLoadmode = saved_wav_mode;
    UnloadBMS(g);
    return;
  }
  g.app.GameState = Screen::Play;
  DebugLog(g, "Load Complete");
  g.settings.WAVLoadmode = saved_wav_mode;
}

void PreviewTimerFired(Game& g) {
  g.pump.KillTimer(kPreviewTimerId);
  if (g.play.Playing && !g.play.QuitPlay) return;
  const SongEntry* entry = EntryUnderCursor(g);
  if (!g.settings.BMSPreview) return;
  if (g.app.GameState != Screen::SongList || !entry) return;
  std::string file = entry->FilePath;
  g.chart.BackgroundPreview = true;
  Screen saved_state = g.app.GameState;
  ShowMessage(g, "load:" + file);
  bool saved_course = g.chart.CourseMode;
  int32_t saved_wav_mode = g.settings.WAVLoadmode;
  bool saved_no_bga = g.settings.NoBGA;
  g.chart.CourseMode = false;
  g.settings.WAVLoadmode = 1;
  g.settings.NoBGA = true;
  UnloadBMS(g);
  BMSInit(g);
  if (BMSLoad(g, file) < 1) g.chart.LoadCancel = true;
  const SongEntry* now = EntryUnderCursor(g);
  int32_t start = 0;
  if (now && now->FilePath == file && !g.chart.LoadCancel && LoadPreviewSounds(g, file, &start)) {
    SeekChart(g, start, true);
    g.play.QuitPlay = false;
    g.play.Playing = true;
    g.chart.BackgroundPreview = true;
    g.settings.UserPlay = false;
    g.settings.PlayKeySound = true;
    g.screens.PreviewCursor = g.app.ListCursor;
    g.pump.SetTimer(kPreviewPlayTimerId, 20, [&g] { PreviewPlayTick(g); });
  }
  g.chart.CourseMode = saved_course;
  g.app.GameState = saved_state;
  g.settings.NoBGA = saved_no_bga;
  g.settings.WAVLoadmode = saved_wav_mode;
}

void PreviewPlayTick(Game& g) { PreviewTick(g); }

void StopPreview(Game& g) {
  if (!g.pump.HasTimer(kPreviewPlayTimerId) && !g.chart.BackgroundPreview) return;
  g.pump.KillTimer(kPreviewPlayTimerId);
  ShowMessage(g, "PLAY STOP");
  g.play.Playing = false;
  g.settings.PlayKeySound = false;
  g.settings.UserPlay = true;
  g.chart.BackgroundPreview = false;
  g.play.PreviewFadeVolume = 0;
  SetSystemSoundVolume(g, kSeSelect, 0);
  UnloadBMS(g);
}

}  // namespace kvx
