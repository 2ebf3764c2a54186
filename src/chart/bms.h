#pragma once
// The chart: reading a BMS file into the chart tables, preparing its timeline,
// the chart seek, and loading a chart or a whole course.
#include <cstdint>
#include <string>
#include <string_view>

namespace kvx {

struct Game;

// The window-title suffix of a prepared chart.
inline constexpr const char* kCaptionProgramName = "Korvex v0.25c beta";
// Total gauge gain of a chart without "#TOTAL".
constexpr int32_t kDefaultGaugeTotal = 100;

// Clears the chart tables before a chart or course is read.
void BMSInit(Game& game);
// Reads one chart file into the chart tables (in a course: one song, shifted
// by chart.BaseMeasure). Loads sounds and images as the load modes say.
void BMSRead(Game& game, const std::string& path);
// The reading itself, from the chart's text (ChartTextFromBytes) once BMSRead
// has read the file; the chart folder is that of the last BMSRead.
void BMSReadText(Game& game, const std::string& path, std::string_view text);
// Bar lines, sort, absolute positions, key-sound list, length and the
// per-chart constants.
void BMSPrepare(Game& game);
// Sorts Objects[0 .. ObjectCount - 1] by Position in place.
void SortObjects(Game& game);
// Play length in ms of the prepared table.
int32_t GetBMSLength(Game& game);
// Starts the play clock at a measure (byPosition false) or a position (true).
void SeekChart(Game& game, int32_t target, bool byPosition);
// What chart.Refused says of a file without a single chart command.
inline constexpr const char* kNotAChart = "not a chart (no chart command)";
// Init, read and prepare; 1 when read, -1 when the file does not exist, 0 when
// it cannot be played (chart.Refused says why: not a chart, too long).
int BMSLoad(Game& game, const std::string& path);
// Chains chart.CourseSongs[0 .. CourseSongCount - 1] into one timeline.
void BMSLoadCourse(Game& game);
// Loads image id of course song `song` (CourseBmpFile[song + 128 * id]).
void coursebmsdbga(Game& game, int song, int id);

}  // namespace kvx
