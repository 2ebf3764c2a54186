#pragma once
// The chart: reading a BMS file into the chart tables, preparing its timeline,
// and loading a chart or a whole course. These see only the chart tables and
// what the caller imports (ChartImports); the program's own loads of sounds
// and pictures come in through ChartLoadHooks.
#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "chart/chart_read.h"
#include "chart/chart_state.h"
#include "platform/services.h"

namespace kvx {

// The window-title suffix of a prepared chart.
inline constexpr const char* kCaptionProgramName = "Korvex v0.25c beta";
// Total gauge gain of a chart without "#TOTAL".
constexpr int32_t kDefaultGaugeTotal = 100;

// The judge windows of ranks 0..3, four per rank.
using LevelTableArray = std::array<int32_t, 16>;
LevelTableArray MakeLevelTable();

// What loading asks of the program around the chart. Each call says what the
// chart has just done; the default does nothing (tool modes, tests).
class ChartLoadHooks {
 public:
  virtual ~ChartLoadHooks() = default;
  // The tables were cleared for a new chart or course: what was kept of the
  // previous chart outside them goes too.
  virtual void ChartCleared() {}
  // The chart's text is known; its key sounds may start decoding.
  virtual void TextRead(const std::string& path, std::string_view text) {}
  // A #WAV or #BMP line named the file of an id (in a course: of the song
  // chart.CourseSong); the program loads it if its load mode says so.
  virtual void SoundNamed(int id) {}
  virtual void ImageNamed(int id) {}
  // Preparation: the sounds and images the new chart does not name may go.
  virtual void ReleaseUnnamedMedia() {}
  // The window caption of the prepared chart.
  virtual void CaptionReady(const std::string& caption) {}
  // A prepared chart: the play may take its start tempo.
  virtual void ChartPrepared() {}
  // A course: song `song` is read next; then one frame of the loading screen.
  virtual void CourseSongStarts(const SongEntry& song) {}
  virtual void LoadingFrame() {}
  // Every song of the course is read.
  virtual void CourseSongsRead() {}
};

// What the chart routines import: the log and clock, the chart rules the
// settings choose, the program's hooks and the figures preparation uses.
struct ChartImports {
  Services services;
  ChartLoadHooks& hooks;
  ChartRules rules;
  bool fixedGauge = false;  // every note moves the gauge by 0.05
  LevelTableArray levelTable = MakeLevelTable();
};

// Clears the chart tables before a chart or course is read.
void BMSInit(ChartState& chart, const ChartImports& in);
// Reads one chart file into the chart tables (in a course: one song, shifted
// by chart.BaseMeasure). Asks the hooks to load the sounds and images it names.
void BMSRead(ChartState& chart, const ChartImports& in, const std::string& path);
// The reading itself, from the chart's text (ChartTextFromBytes) once BMSRead
// has read the file; the chart folder is that of the last BMSRead.
void BMSReadText(ChartState& chart, const ChartImports& in, const std::string& path, std::string_view text);
// Bar lines, sort, absolute positions, key-sound list, length and the
// per-chart constants.
void BMSPrepare(ChartState& chart, const ChartImports& in);
// Sorts Objects[0 .. ObjectCount - 1] by Position in place.
void SortObjects(ChartState& chart);
// Play length in ms of the prepared table.
int32_t GetBMSLength(const ChartState& chart, const Services& services);
// What chart.Refused says of a file without a single chart command.
inline constexpr const char* kNotAChart = "not a chart (no chart command)";
// Init, read and prepare; 1 when read, -1 when the file does not exist, 0 when
// it cannot be played (chart.Refused says why: not a chart, too long).
int BMSLoad(ChartState& chart, const ChartImports& in, const std::string& path);
// Chains chart.CourseSongs[0 .. CourseSongCount - 1] into one timeline.
void BMSLoadCourse(ChartState& chart, const ChartImports& in);
// Before image id of course song `song` is loaded (CourseBmpFile[song + 128 *
// id]): logs its file; false when song or id lies outside the tables.
bool CourseImageReady(ChartState& chart, const Services& services, int song, int id);

}  // namespace kvx
