// Loading a chart (init, read, prepare) and chaining the songs of a course
// into one timeline.
#include <algorithm>
#include <string>

#include "chart/bms.h"
#include "chart/chart_read.h"
#include "platform/files.h"

namespace kvx {

void BMSInit(ChartState& c, const ChartImports& in) {
  in.services.Log("[BMSInit] Initializing values");
  std::fill(c.Objects.begin(), c.Objects.end(), ChartObject{});
  ClearChartTables(c);
  in.hooks.ChartCleared();
}

int BMSLoad(ChartState& c, const ChartImports& in, const std::string& path) {
  in.services.Log("[BMSLoad] " + FileNameOf(path), 1);
  BMSInit(c, in);
  if (!FileExists(path)) {
    in.services.Log("file not exist.", -1);
    return -1;
  }
  c.LoadCancel = false;
  BMSRead(c, in, path);
  BMSPrepare(c, in);
  // An empty or garbage file is no chart: it is never played (nor gets a
  // record beside it).
  if (c.CommandsRead == 0) c.Refused = kNotAChart;
  if (!c.Refused.empty()) {
    in.services.Log(c.Refused, -1);
    return 0;
  }
  in.services.Log("loaded.", -1);
  return 1;
}

void BMSLoadCourse(ChartState& c, const ChartImports& in) {
  c.BackgroundPreview = false;
  BMSInit(c, in);
  c.CourseMode = true;
  c.BaseMeasure = 0;
  c.LastMeasure = 0;
  // Fresh per-song tables for this course.
  c.CourseWavFile.assign(kCourseTableSize, {});
  c.CourseBmpFile.assign(kCourseTableSize, {});
  c.CourseWavLoaded.assign(kCourseTableSize, false);
  c.CourseBmpLoaded.assign(kCourseTableSize, false);
  const int songs = std::min<int>({c.CourseSongCount, kMaxCourseSongs, static_cast<int>(c.CourseSongs.size())});
  in.services.Log("[BMSLoad:Course] numsongs:" + std::to_string(c.CourseSongCount));
  for (int k = 0; k < songs; ++k) {
    if (c.LoadCancel) return;
    const SongEntry& song = c.CourseSongs[k];
    in.hooks.CourseSongStarts(song);
    c.CourseSong = k;
    c.BaseMeasure = c.LastMeasure + 2;
    c.LastMeasure = c.LastMeasure + 2;
    const int32_t basePos = c.ObjectCount > 0 ? c.Objects[c.ObjectCount - 1].Position : 0;
    in.services.Log("*** loading " + std::to_string(k) + " : BasePos=" + std::to_string(basePos) +
                    " NumObjs=" + std::to_string(c.ObjectCount));
    in.hooks.LoadingFrame();
    BMSRead(c, in, song.FilePath);
  }
  if (c.LoadCancel) return;
  in.hooks.CourseSongsRead();
  c.CourseSong = 0;
  c.BaseMeasure = 0;
  BMSPrepare(c, in);
  if (!c.Refused.empty()) c.LoadCancel = true;
}

}  // namespace kvx
