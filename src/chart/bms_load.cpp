// Loading a chart (init, read, prepare) and chaining the songs of a course
// into one timeline.
#include <algorithm>
#include <string>

#include "app/game.h"
#include "chart/bms.h"
#include "chart/chart_read.h"
#include "chart/ready_bms.h"
#include "media/bga.h"
#include "media/display.h"
#include "media/sound.h"
#include "platform/files.h"

namespace kvx {

void BMSInit(Game& g) {
  ChartState& c = g.chart;
  DebugLog(g, "[BMSInit] Initializing values");
  std::fill(c.Objects.begin(), c.Objects.end(), ChartObject{});
  ClearChartTables(c);
  ClearImageLoadFlags(g);
  g.play.BasePosition = 0;
  ClearEchoQueue(g.sound);
}

int BMSLoad(Game& g, const std::string& path) {
  DebugLog(g, "[BMSLoad] " + FileNameOf(path), 1);
  BMSInit(g);
  if (!FileExists(path)) {
    DebugLog(g, "file not exist.", -1);
    return -1;
  }
  g.chart.LoadCancel = false;
  BMSRead(g, path);
  BMSPrepare(g);
  // An empty or garbage file is no chart: it is never played (nor gets a
  // record beside it).
  if (g.chart.CommandsRead == 0) g.chart.Refused = kNotAChart;
  if (!g.chart.Refused.empty()) {
    DebugLog(g, g.chart.Refused, -1);
    return 0;
  }
  DebugLog(g, "loaded.", -1);
  return 1;
}

void BMSLoadCourse(Game& g) {
  ChartState& c = g.chart;
  c.BackgroundPreview = false;
  BMSInit(g);
  c.CourseMode = true;
  c.BaseMeasure = 0;
  c.LastMeasure = 0;
  // Fresh per-song tables for this course.
  c.CourseWavFile.assign(kCourseTableSize, {});
  c.CourseBmpFile.assign(kCourseTableSize, {});
  c.CourseWavLoaded.assign(kCourseTableSize, false);
  c.CourseBmpLoaded.assign(kCourseTableSize, false);
  const int songs = std::min<int>({c.CourseSongCount, kMaxCourseSongs, static_cast<int>(c.CourseSongs.size())});
  DebugLog(g, "[BMSLoad:Course] numsongs:" + std::to_string(c.CourseSongCount));
  for (int k = 0; k < songs; ++k) {
    if (c.LoadCancel) return;
    const SongEntry& song = c.CourseSongs[k];
    ReleaseStageImage(g);
    if (!song.StageFile.empty() && g.settings.CourseLoadMode == 2)
      LoadStageImage(g, FolderOf(song.FilePath) + song.StageFile);
    c.CourseSong = k;
    c.BaseMeasure = c.LastMeasure + 2;
    c.LastMeasure = c.LastMeasure + 2;
    const int32_t basePos = c.ObjectCount > 0 ? c.Objects[c.ObjectCount - 1].Position : 0;
    DebugLog(g, "*** loading " + std::to_string(k) + " : BasePos=" + std::to_string(basePos) +
                    " NumObjs=" + std::to_string(c.ObjectCount));
    Loading(g);
    BMSRead(g, song.FilePath);
  }
  if (c.LoadCancel) return;
  ReleaseStageImage(g);
  c.CourseSong = 0;
  c.BaseMeasure = 0;
  BMSPrepare(g);
  if (!c.Refused.empty()) c.LoadCancel = true;
}

}  // namespace kvx
