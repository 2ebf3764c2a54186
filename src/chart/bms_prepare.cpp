// Chart preparation: bar lines, the sort by position, absolute positions,
// the key-sound list, the play length and the per-chart constants; and the
// chart seek that starts the play clock.
#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <utility>
#include <vector>

#include "app/game.h"
#include "app/startup.h"
#include "chart/bms.h"
#include "chart/chart_read.h"
#include "chart/chart_text.h"
#include "chart/position_sort.h"
#include "media/bga.h"
#include "media/display.h"
#include "media/sound.h"
#include "play/play_loop_links.h"

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
  explicit LogHooks(Game& g) : g_(g) {}
  void Log(const std::string& line, int indent) override { DebugLog(g_, line, indent); }

 private:
  Game& g_;
};

}  // namespace

void SortObjects(Game& g) {
  ChartState& c = g.chart;
  SortByPosition(c.Objects.data(), std::min(c.ObjectCount, kMaxObjects), [](const ChartObject& o) { return o.Position; });
}

int32_t GetBMSLength(Game& g) {
  LogHooks log(g);
  return ChartLengthMs(g.chart, log);
}

void BMSPrepare(Game& g) {
  ChartState& c = g.chart;
  PlayState& p = g.play;
  DebugLog(g, std::string("[BMSPrepare] minimum: ") + (c.BackgroundPreview ? "True" : "False"), 1);

  // Player slots per chart side.
  c.SideSlot = {0, 1};
  if (c.Player == 3) {
    c.SideSlot[1] = 0;
    c.NoteCount[0] += c.NoteCount[1];
  }

  // Bar lines, sort, long notes, absolute positions, key-sound list.
  LogHooks log(g);
  PrepareTimeline(c, !c.BackgroundPreview, log);
  if (c.ModernRules) RefuseOverlongChart(c, log);
  const int32_t count = std::min(c.ObjectCount, kMaxObjects);

  // Sounds and images the new chart does not name are released.
  if (!c.BackgroundPreview && !c.NoMediaLoads) {
    ReleaseChangedSounds(g.sound, g.chart);
    ReleaseChangedImages(g);
  }

  // Length and the chart id the records are kept under.
  c.LengthMs = GetBMSLength(g);
  c.BmsId = RoundEven(static_cast<double>(c.NoteCount[0] + c.NoteCount[1]) * (c.PlayLevel + 1.0) +
                         (c.Rank + 1.0) * c.BPM + c.LengthMs);

  // Chart summary in the log.
  const int32_t lastPosition = count > 0 ? c.Objects[count - 1].Position : 0;
  DebugLog(g, "BMSInfo --------", 1);
  DebugLog(g, "* BMS-ID: " + std::to_string(c.BmsId));
  DebugLog(g, "* " + std::to_string(c.ObjectCount) + "objects, " + std::to_string(c.LastMeasure) + "measures");
  DebugLog(g, "* TotalNotes 1:" + std::to_string(c.NoteCount[0]) + " 2:" + std::to_string(c.NoteCount[1]));
  DebugLog(g, "* length " + std::to_string(c.LengthMs) + "ms, " + std::to_string(lastPosition) + "pixels", -1);

  // A chart without "#TOTAL" gets a fixed total. (BMSInit starts every
  // chart from 0, so the gauge never depends on the chart played before.)
  if (c.GaugeTotal == 0) c.GaugeTotal = kDefaultGaugeTotal;

  // Gauge step and score unit per side; a side without notes keeps its
  // previous value.
  for (int s = 0; s < 2; ++s) {
    if (p.FixedGaugeMode) c.GaugeIncrement[s] = 0.05f;
    else if (c.NoteCount[s] != 0) c.GaugeIncrement[s] = GaugeTotalOf(c) / static_cast<float>(c.NoteCount[s]);
    if (c.CourseMode) c.ScoreUnit[s] = 1.0;
    else if (c.NoteCount[s] != 0) c.ScoreUnit[s] = 100000.0 / c.NoteCount[s];
  }

  // Window caption.
  // A course is named as a whole, not by the song read last.
  c.WindowCaption = c.CourseMode ? "[COURSE] " + c.CourseName + " - " + kCaptionProgramName
                                 : "[" + c.Genre + "] " + c.Title + " / " + c.Artist + " - " + kCaptionProgramName;
  if (!c.NoMediaLoads) SetWindowCaption(g, c.WindowCaption);

  // Start tempo, with the play speed.
  p.EffectiveBPM = static_cast<float>(StartTempo(c) * g.settings.RealHiSpeed);
  p.InitialBPM = static_cast<float>(StartTempo(c));
  p.PositionRate = p.EffectiveBPM / kMsPerUnitAtOneBpm;

  // One or two play sides.
  if (c.Player == 0 || c.Player == 1) c.PlaySides = 1;
  else if (c.Player == 2 || c.Player == 3) c.PlaySides = 2;

  // The level table is built at start-up; tool modes run without it.
  if (std::all_of(g.app.LevelTable.begin(), g.app.LevelTable.end(), [](int32_t v) { return v == 0; }))
    g.app.LevelTable = MakeLevelTable();
  if (c.Rank >= 0 && c.Rank <= 3)
    for (int k = 0; k < 4; ++k) c.JudgeWindow[k] = g.app.LevelTable[c.Rank * 4 + k];

  // Gauge graph samples: 300 over the chart's length.
  c.GaugeSampleInterval = static_cast<float>(c.LengthMs) / 300.0f;
  p.GaugeSampleInterval = c.GaugeSampleInterval;

  DebugLog(g, "complete.", -1);
}

void SeekChart(Game& g, int32_t target, bool byPosition) {
  ChartState& c = g.chart;
  PlayState& p = g.play;
  // No background image shown.
  ResetBgaLayers(g);

  // The target must lie inside the chart.
  const int32_t count = std::min(c.ObjectCount, kMaxObjects);
  const int32_t lastPosition = count > 0 ? c.Objects[count - 1].Position : 0;
  const int32_t limit = byPosition ? lastPosition : c.LastMeasure;
  if (target < 0 || target > limit) {
    DebugLog(g, "Err: Range over");
    return;
  }

  // Play state back to the chart's start.
  const float rhs = g.settings.RealHiSpeed;
  p.EffectiveBPM = static_cast<float>(StartTempo(c) * rhs);
  p.InitialBPM = static_cast<float>(StartTempo(c));
  p.PositionRate = p.EffectiveBPM / kMsPerUnitAtOneBpm;
  p.UnitsPerSecond = p.EffectiveBPM / 240.0f * 192.0f;
  p.BasePosition = 0;
  p.NextObject = 0;
  p.KeySoundCursor = 0;
  p.StopActive = false;
  p.Holds.fill(LongNoteHold{});
  p.PassedLongNoteStart = MakeNoLongNotes();

  // Walk to the target, applying the tempo changes on the way.
  int32_t i = 0;
  bool found = false;
  for (; i < count; ++i) {
    const ChartObject& o = c.Objects[i];
    if (byPosition ? o.Position >= target : (o.Channel == -1 && o.Measure == target)) {
      found = true;
      break;
    }
    if (c.ModernRules && o.Channel == kChannelStop) {
      // A stop before the target delays it by the stop's length.
      p.BasePosition -= o.Value;
      continue;
    }
    if (o.Channel != 3 && !(c.ModernRules && o.Channel == kChannelTempo)) continue;
    const double bpm = c.ModernRules ? TempoChangeOf(c, o) : o.Value;
    if (c.ModernRules && bpm <= 0) continue;
    if (p.EffectiveBPM > 0) {
      const double newRate = bpm * static_cast<double>(rhs);
      const double passed = ExactPositionOf(c, i) - p.BasePosition;
      const double base = p.BasePosition - ((newRate - p.EffectiveBPM) / kMsPerUnitAtOneBpm) *
                                               (passed / (p.EffectiveBPM / kMsPerUnitAtOneBpm));
      p.BasePosition = c.ModernRules ? base : RoundEven(base);
    }
    p.InitialBPM = static_cast<float>(bpm);
    p.EffectiveBPM = static_cast<float>(bpm * rhs);
    p.PositionRate = p.EffectiveBPM / kMsPerUnitAtOneBpm;
    p.UnitsPerSecond = p.EffectiveBPM / 240.0f * 192.0f;
  }
  // The object before the target is handled again when play starts; a stop
  // the walk applied must not hold the play a second time.
  p.SeekIndex = i;

  // The tempo shown is the one in force at the target.
  p.DisplayedBPM = p.InitialBPM;

  // Target position and the object play resumes from.
  if (!byPosition) target = found ? c.Objects[i].Position : MeasureStartPosition(c, target);
  if (i > 0) p.NextObject = i - 1;

  // The elapsed time is 32-bit: a start further back than it can hold (a
  // tempo near 0 on the way) starts the clock at the target instead, which
  // gives the same positions from now on.
  const uint32_t now = g.NowMs();
  const double back = p.PositionRate > 0 ? (static_cast<double>(target) - p.BasePosition) / p.PositionRate : 0.0;
  if (std::fabs(back) < static_cast<double>(std::numeric_limits<int32_t>::max())) {
    p.PlayStartTime = static_cast<uint32_t>(static_cast<int64_t>(RoundHalfEven(static_cast<double>(now) - back)));
  } else {
    p.BasePosition = target;
    p.PlayStartTime = now;
  }
  p.PlayPosition = target;
  p.ElapsedMs = static_cast<int32_t>(now - p.PlayStartTime);
}

}  // namespace kvx
