#include "play/chart_load.h"

#include <algorithm>

#include "app/bga_links.h"
#include "app/display_game.h"
#include "app/game.h"
#include "app/sound_links.h"
#include "media/bga.h"
#include "media/display.h"
#include "media/sound.h"
#include "platform/files.h"
#include "platform/text.h"
#include "play/ready_bms.h"

namespace kvx {

namespace {

int CourseSongOf(const ChartState& c) { return std::clamp(c.CourseSong, 0, kMaxCourseSongs - 1); }

}  // namespace

void GameChartHooks::ChartCleared() {
  ClearImageLoadFlags(g_.bga);
  g_.play.BasePosition = 0;
  ClearEchoQueue(g_.sound);
}

void GameChartHooks::TextRead(const std::string& path, std::string_view text) { PrefetchChartSounds(g_, path, text); }

void GameChartHooks::SoundNamed(int id) {
  const ChartState& c = g_.chart;
  if (c.CourseMode) {
    if (g_.settings.CourseLoadMode == 2) LoadCourseWav(g_, CourseSongOf(c), id);
  } else if (g_.settings.WAVLoadmode == 0) {
    loadwav(g_, id);
  }
}

void GameChartHooks::ImageNamed(int id) {
  const ChartState& c = g_.chart;
  if (c.CourseMode) {
    if (g_.settings.CourseLoadMode == 2) coursebmsdbga(g_, CourseSongOf(c), id);
    return;
  }
  // Pictures other than bitmaps are always converted while reading.
  const bool bitmap = EndsWithNoCase(c.BmpFile[id], "BMP");
  if (!bitmap || g_.settings.BMPLoadmode == 0) LoadBmp(g_, id);
}

void GameChartHooks::ReleaseUnnamedMedia() {
  ReleaseChangedSounds(g_.sound, g_.chart);
  ReleaseChangedImages(g_.bga, g_.chart);
}

void GameChartHooks::CaptionReady(const std::string& caption) { SetWindowCaption(g_.display, caption); }

void GameChartHooks::ChartPrepared() {
  // The start tempo, with the play speed.
  PlayState& p = g_.play;
  p.EffectiveBPM = static_cast<float>(StartTempo(g_.chart) * g_.settings.RealHiSpeed);
  p.InitialBPM = static_cast<float>(StartTempo(g_.chart));
  p.PositionRate = p.EffectiveBPM / kMsPerUnitAtOneBpm;
  p.GaugeSampleInterval = g_.chart.GaugeSampleInterval;
}

void GameChartHooks::CourseSongStarts(const SongEntry& song) {
  ReleaseStageImage(g_.display);
  if (!song.StageFile.empty() && g_.settings.CourseLoadMode == 2)
    LoadStageImage(g_, FolderOf(song.FilePath) + song.StageFile);
}

void GameChartHooks::LoadingFrame() { Loading(g_); }

void GameChartHooks::CourseSongsRead() { ReleaseStageImage(g_.display); }

ChartImports ChartImportsOf(Game& g, ChartLoadHooks& hooks) {
  // The level table is built at start-up; tool modes run without it.
  if (std::all_of(g.app.LevelTable.begin(), g.app.LevelTable.end(), [](int32_t v) { return v == 0; }))
    g.app.LevelTable = MakeLevelTable();
  const Settings& s = g.settings;
  return ChartImports{g.Services(), hooks, ChartRules{s.ModernCharts, s.NoBGA, s.NoWAV}, g.play.FixedGaugeMode,
                      g.app.LevelTable};
}

void BMSInit(Game& g) {
  GameChartHooks hooks(g);
  BMSInit(g.chart, ChartImportsOf(g, hooks));
}

void BMSRead(Game& g, const std::string& path) {
  GameChartHooks hooks(g);
  BMSRead(g.chart, ChartImportsOf(g, hooks), path);
}

void BMSReadText(Game& g, const std::string& path, std::string_view text) {
  GameChartHooks hooks(g);
  BMSReadText(g.chart, ChartImportsOf(g, hooks), path, text);
}

void BMSPrepare(Game& g) {
  GameChartHooks hooks(g);
  BMSPrepare(g.chart, ChartImportsOf(g, hooks));
}

void SortObjects(Game& g) { SortObjects(g.chart); }

int32_t GetBMSLength(Game& g) { return GetBMSLength(g.chart, g.Services()); }

int BMSLoad(Game& g, const std::string& path) {
  GameChartHooks hooks(g);
  return BMSLoad(g.chart, ChartImportsOf(g, hooks), path);
}

void BMSLoadCourse(Game& g) {
  GameChartHooks hooks(g);
  BMSLoadCourse(g.chart, ChartImportsOf(g, hooks));
}

void coursebmsdbga(Game& g, int song, int id) {
  if (CourseImageReady(g.chart, g.Services(), song, id)) LoadCourseBmp(g, song, id);
}

}  // namespace kvx
