#include "chart/ready_bms.h"

#include "app/game.h"
#include "app/sound_links.h"
#include "chart/bms.h"
#include "library/courses.h"
#include "media/display.h"
#include "media/sound.h"
#include "platform/files.h"
#include "chart/chart_read.h"
#include "play/play_loop.h"
#include "play/play_loop_links.h"

namespace kvx {

namespace {

const SongEntry* EntryUnderCursor(Game& g) {
  int i = g.app.ListCursor;
  if (i < 0 || i >= static_cast<int>(g.library.SongList.size())) return nullptr;
  return &g.library.SongList[i];
}

// A battle chart that did not load: nothing to play, and the others are told
// this player is ready all the same.
void StandbyWithoutChart(Game& g) {
  ClearChartTables(g.chart);
  g.chart.LoadCancel = false;
  g.app.GameState = Screen::Play;
  DebugLog(g, "Load Complete");
  NetSendStandby(g);
}

}  // namespace

void LoadStageImage(Game& g, const std::string& path) {
  // A chart that names title.bmp but ships title.png still shows its picture.
  const std::optional<std::string> found = FindPictureFile(path);
  if (!found) return;
  ReleaseSurface(g.display.StageImageSurface);
  LoadSurfaceFromFile(g.Services(), g.display, g.display.StageImageSurface, *found, false);
}

void UnloadBMS(Game& g) {
  DebugLog(g, "[Unload-BMS] > faked");
  StopChartSounds(g.sound);
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
  StopSE(g.sound, kSeSelect);
  // In a battle a failed load still ends with the standby message, so the
  // other players are not held up; the play then has nothing to play.
  const bool battle = NetworkBattle(g);
  if (g.chart.CourseMode || battle || g.screens.PreviewMode) g.play.FixedGaugeMode = true;
  g.play.FadeStart = g.NowMs();
  g.play.FadeState = 200;
  DebugLog(g, "Ready BMS");
  if (!entry) {
    g.chart.LoadCancel = true;
    if (battle) StandbyWithoutChart(g);
    return;
  }
  SongEntry song = *entry;  // the list may change while loading
  // The key sounds decode on the other cores while the loading screen shows
  // (the chart read finds them under way).
  if (!course) PrefetchChartSounds(g, song.FilePath);
  ReleaseSurface(g.display.StageImageSurface);
  if (!song.StageFile.empty()) LoadStageImage(g, FolderOf(song.FilePath) + song.StageFile);
  while (g.NowMs() - g.play.FadeStart < 500) Loading(g);
  g.play.FadeStart = g.NowMs() - 2000;
  Loading(g);
  Loading(g);
  if (g.chart.LoadCancel && !battle) {
    UnloadBMS(g);
    return;
  }
  g.screens.ReturnState = g.chart.CourseMode ? Screen::CourseList : Screen::SongList;
  int32_t saved_wav_mode = g.settings.WAVLoadmode;
  if (!course) {
    g.chart.BackgroundPreview = false;
    if (BMSLoad(g, song.FilePath) < 1) g.chart.LoadCancel = true;
    if (!g.chart.Refused.empty()) ShowMessage(g, g.chart.Refused);
  } else {
    g.settings.WAVLoadmode = 1;
    g.chart.CourseMode = true;
    g.chart.CourseName = song.Title;
    g.chart.CourseSongs.clear();  // a missing course file plays nothing
    g.chart.CourseSongCount = 0;
    CourseLoad(g, song.FilePath, false);
    if (SkipMissingCourseSongs(g)) BMSLoadCourse(g);
    else g.chart.LoadCancel = true;
  }
  if (g.chart.LoadCancel) {
    g.settings.WAVLoadmode = saved_wav_mode;
    UnloadBMS(g);
    if (battle) StandbyWithoutChart(g);
    return;
  }
  g.app.GameState = Screen::Play;
  if (!g.settings.NoWAV) ReportMissingChartSounds(g);
  DebugLog(g, "Load Complete");
  if (battle) NetSendStandby(g);
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
  SetSystemSoundVolume(g.sound, kSeSelect, 0);
  UnloadBMS(g);
}

}  // namespace kvx
