#pragma once
// Reading a chart's command lines into the chart tables and laying out its
// timeline, on a ChartState alone: the chart reader and preparation of a game
// use these, and so does the header scan of the song library, so that the
// scan's note count and play length under the modern chart rules are the
// ones the play gets.
#include <cstdint>
#include <string>
#include <string_view>

#include "chart/chart_state.h"

namespace kvx {

struct ChartRules {
  bool modernCharts = false;
  bool noBga = false;  // #BMP lines and channels 04 and 07 are not read
  bool noWav = false;  // #WAV lines are not read
};

// What reading and preparing do beyond filling the tables: log lines and
// the loads of sounds and images named while reading.
class ChartReadHooks {
 public:
  virtual ~ChartReadHooks() = default;
  virtual void Log(const std::string& line, int indent = 0) {}
  // A #WAV or #BMP line named the file of an id (already stored in the
  // tables); false stops the reading (the load was cancelled).
  virtual bool SoundNamed(int id) { return true; }
  virtual bool ImageNamed(int id) { return true; }
};

// Clears what BMSInit clears of the chart tables.
void ClearChartTables(ChartState& chart);

// Before a read: the header defaults (#RANK 2, #PLAYLEVEL 3, #PLAYER 1,
// #BPM 120), no side used, no seven-key note, and the lane map as is.
void StartChartRead(ChartState& chart);

// Reads the command lines of the chart text (one song of a course, shifted by
// chart.BaseMeasure) into the tables. Header defaults, the lane map and the
// folder are the caller's. False when a hook stopped the reading.
bool ReadChartCommands(ChartState& chart, std::string_view text, const ChartRules& rules, ChartReadHooks& hooks);

// The timeline steps of preparation: a bar line for every measure, the sort
// by position, the long notes, absolute positions and the key-sound list
// (unless keySounds is false).
void PrepareTimeline(ChartState& chart, bool keySounds, ChartReadHooks& hooks);

// Records the exact place in its measure of object `index` (modern rules).
void SetObjectFraction(ChartState& chart, int32_t index, double fraction);
// The position of object `index` after preparation: the exact one under the
// modern rules, else its Position.
inline double ExactPositionOf(const ChartState& chart, int32_t index) {
  if (index >= 0 && static_cast<size_t>(index) < chart.ExactPosition.size()) return chart.ExactPosition[index];
  return chart.Objects[index].Position;
}
// The time in ms of object `index` from the chart's start, after the tempo
// changes and stops before it in the prepared table (exact positions).
double ObjectTimeMs(const ChartState& chart, int32_t index);

// The start of a measure in the prepared timeline (position units).
int32_t MeasureStartPosition(const ChartState& chart, int32_t measure);

// Play length in ms of a prepared table (to the last object).
int32_t ChartLengthMs(const ChartState& chart, ChartReadHooks& hooks);
// The same unrounded and without limit (a double holds any real length).
double ChartLengthExactMs(const ChartState& chart);

// The longest play of a modern chart. A longer one is refused as a whole:
// no tempo or stop of a valid chart is ever changed to fit.
constexpr double kMaxPlayMs = 24.0 * 3600.0 * 1000.0;
// A prepared chart whose play would pass kMaxPlayMs gets chart.Refused set
// (and a log line); true then. Preparation asks under the modern rules.
bool RefuseOverlongChart(ChartState& chart, ChartReadHooks& hooks);

// The tempo an object changes to: channel 03, and channel 08 under the modern
// rules; 0 for any other object.
double TempoChangeOf(const ChartState& chart, const ChartObject& object);
// The tempo the chart starts at (#BPM).
double StartTempo(const ChartState& chart);

// Internal channel numbers of the modern objects after reading.
constexpr int32_t kChannelTempo = 8;       // Value: index into chart.TempoChanges
constexpr int32_t kChannelStop = 9;        // Value: the stop's length in position units
constexpr int32_t kLongEndOffset = 40;     // a long note's end: lane channel + 40 (51..69)
constexpr int32_t kMineOffset = 100;       // a mine: lane channel + 100 (111..129)
constexpr int32_t kLnObjEndOffset = 140;   // a #LNOBJ end until preparation pairs it (151..169)

bool IsLongNoteEnd(int32_t channel);
bool IsMine(int32_t channel);
// The lane channel (11..29) of a long note's end or a mine.
int32_t LaneOfMarker(int32_t channel);

}  // namespace kvx
