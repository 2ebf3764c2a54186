// Chart preparation: bar lines, the sort by position, absolute positions,
// the key-sound list, the play length and the per-chart constants.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "chart/bms.h"
#include "chart/chart_read.h"
#include "chart/chart_text.h"
#include "chart/position_sort.h"

namespace kvx {

namespace {

// The total gauge gain: "#TOTAL" with its fraction under the modern rules.
float GaugeTotalOf(const ChartState& c) {
  if (c.ModernRules && c.GaugeTotalExact > 0) return static_cast<float>(c.GaugeTotalExact);
  return static_cast<float>(c.GaugeTotal);
}

// The debug log as the timeline's log.
class LogHooks : public ChartReadHooks {
 public:
  explicit LogHooks(const Services& services) : services_(services) {}
  void Log(const std::string& line, int indent) override { services_.Log(line, indent); }

 private:
  const Services& services_;
};

}  // namespace

LevelTableArray MakeLevelTable() {
  LevelTableArray table{};
  for (int r = 0; r < 4; ++r) {
    table[4 * r + 0] = r + 1;
    table[4 * r + 1] = 2 * (r + 1);
    table[4 * r + 2] = 6 * (r + 1);
    table[4 * r + 3] = 8 * (r + 1);
  }
  return table;
}

void SortObjects(ChartState& c) {
  SortByPosition(c.Objects.data(), std::min(c.ObjectCount, kMaxObjects), [](const ChartObject& o) { return o.Position; });
}

int32_t GetBMSLength(const ChartState& c, const Services& services) {
  LogHooks log(services);
  return ChartLengthMs(c, log);
}

void BMSPrepare(ChartState& c, const ChartImports& in) {
  const Services& log = in.services;
  log.Log(std::string("[BMSPrepare] minimum: ") + (c.BackgroundPreview ? "True" : "False"), 1);

  // Player slots per chart side.
  c.SideSlot = {0, 1};
  if (c.Player == 3) {
    c.SideSlot[1] = 0;
    c.NoteCount[0] += c.NoteCount[1];
  }

  // Bar lines, sort, long notes, absolute positions, key-sound list.
  LogHooks hooks(log);
  PrepareTimeline(c, !c.BackgroundPreview, hooks);
  if (c.ModernRules) RefuseOverlongChart(c, hooks);
  const int32_t count = std::min(c.ObjectCount, kMaxObjects);

  // Sounds and images the new chart does not name are released.
  if (!c.BackgroundPreview && !c.NoMediaLoads) in.hooks.ReleaseUnnamedMedia();

  // Length and the chart id the records are kept under.
  c.LengthMs = GetBMSLength(c, log);
  c.BmsId = RoundEven(static_cast<double>(c.NoteCount[0] + c.NoteCount[1]) * (c.PlayLevel + 1.0) +
                         (c.Rank + 1.0) * c.BPM + c.LengthMs);

  // Chart summary in the log.
  const int32_t lastPosition = count > 0 ? c.Objects[count - 1].Position : 0;
  log.Log("BMSInfo --------", 1);
  log.Log("* BMS-ID: " + std::to_string(c.BmsId));
  log.Log("* " + std::to_string(c.ObjectCount) + "objects, " + std::to_string(c.LastMeasure) + "measures");
  log.Log("* TotalNotes 1:" + std::to_string(c.NoteCount[0]) + " 2:" + std::to_string(c.NoteCount[1]));
  log.Log("* length " + std::to_string(c.LengthMs) + "ms, " + std::to_string(lastPosition) + "pixels", -1);

  // A chart without "#TOTAL" gets a fixed total. (BMSInit starts every
  // chart from 0, so the gauge never depends on the chart played before.)
  if (c.GaugeTotal == 0) c.GaugeTotal = kDefaultGaugeTotal;

  // Gauge step and score unit per side; a side without notes keeps its
  // previous value.
  for (int s = 0; s < 2; ++s) {
    if (in.fixedGauge) c.GaugeIncrement[s] = 0.05f;
    else if (c.NoteCount[s] != 0) c.GaugeIncrement[s] = GaugeTotalOf(c) / static_cast<float>(c.NoteCount[s]);
    if (c.CourseMode) c.ScoreUnit[s] = 1.0;
    else if (c.NoteCount[s] != 0) c.ScoreUnit[s] = 100000.0 / c.NoteCount[s];
  }

  // Window caption.
  // A course is named as a whole, not by the song read last.
  c.WindowCaption = c.CourseMode ? "[COURSE] " + c.CourseName + " - " + kCaptionProgramName
                                 : "[" + c.Genre + "] " + c.Title + " / " + c.Artist + " - " + kCaptionProgramName;
  if (!c.NoMediaLoads) in.hooks.CaptionReady(c.WindowCaption);

  // One or two play sides.
  if (c.Player == 0 || c.Player == 1) c.PlaySides = 1;
  else if (c.Player == 2 || c.Player == 3) c.PlaySides = 2;

  if (c.Rank >= 0 && c.Rank <= 3)
    for (int k = 0; k < 4; ++k) c.JudgeWindow[k] = in.levelTable[c.Rank * 4 + k];

  // Gauge graph samples: 300 over the chart's length.
  c.GaugeSampleInterval = static_cast<float>(c.LengthMs) / 300.0f;
  in.hooks.ChartPrepared();

  log.Log("complete.", -1);
}

}  // namespace kvx
