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
#include "chart/chart_text.h"
#include "chart/position_sort.h"
#include "media/bga.h"
#include "media/display.h"
#include "media/sound.h"
#include "play/play_loop_links.h"

namespace kvx {

namespace {

// Longest measure accepted; longer (and non-positive) lengths are read as a
// full measure so positions stay ordered and inside 32 bits.
constexpr float kMaxMeasureLength = 1000.0f;

float EffectiveMeasureLength(const ChartState& c, int32_t measure) {
  if (measure < 0 || measure > kMaxMeasure) return 1.0f;
  float len = c.MeasureLength[measure];
  if (!(len > 0.0f) || len > kMaxMeasureLength) return 1.0f;
  return len;
}

void BuildMeasureStarts(ChartState& c) {
  const int32_t count = std::max(0, c.LastMeasure) + 3;
  c.MeasureStart.assign(static_cast<size_t>(count), 0);
  int64_t s = 0;
  for (int32_t m = 0; m < count; ++m) {
    c.MeasureStart[m] = static_cast<int32_t>(std::min<int64_t>(s, std::numeric_limits<int32_t>::max()));
    s += static_cast<int64_t>(RoundHalfEven(192.0f * EffectiveMeasureLength(c, m)));
  }
}

int32_t MeasureStartOf(const ChartState& c, int32_t measure) {
  if (measure < 0) return 0;
  if (static_cast<size_t>(measure) < c.MeasureStart.size()) return c.MeasureStart[measure];
  return c.MeasureStart.empty() ? 0 : c.MeasureStart.back();
}

}  // namespace

void SortObjects(Game& g) {
  ChartState& c = g.chart;
  SortByPosition(c.Objects.data(), std::min(c.ObjectCount, kMaxObjects), [](const ChartObject& o) { return o.Position; });
}

int32_t GetBMSLength(Game& g) {
  ChartState& c = g.chart;
  double b = c.BPM;
  double a = 0;
  DebugLog(g, "[GetBMSLength] BPM:" + FormatSingle(c.BPM));
  const int32_t count = std::min(c.ObjectCount, kMaxObjects);
  for (int32_t i = 0; i < count; ++i) {
    const ChartObject& o = c.Objects[i];
    if (o.Channel != 3) continue;
    DebugLog(g, "(" + std::to_string(o.Position) + ") BPM -> " + FormatSingle(static_cast<float>(b)));
    // A tempo of 0 or less has no time scale; the change to it is taken
    // without moving the time origin.
    if (b > 0) a = a - ((o.Position - a) / (b / 1250.0)) * ((o.Value - b) / 1250.0);
    b = o.Value;
  }
  const int32_t last = count > 0 ? c.Objects[count - 1].Position : 0;
  DebugLog(g, "LastOBJPos=" + std::to_string(last));
  if (!(b > 0)) return 0;
  return RoundEven(last / (b / 1250.0) - a / (b / 1250.0));
}

void BMSPrepare(Game& g) {
  ChartState& c = g.chart;
  PlayState& p = g.play;
  DebugLog(g, std::string("[BMSPrepare] minimum: ") + (c.BackgroundPreview ? "True" : "False"), 1);

  // 2. Player slots per chart side.
  c.SideSlot = {0, 1};
  if (c.Player == 3) {
    c.SideSlot[1] = 0;
    c.NoteCount[0] += c.NoteCount[1];
  }

  // 3. One bar line at the start of every measure, and the one closing the last.
  DebugLog(g, "adding separator... (" + std::to_string(c.LastMeasure) + ")");
  for (int32_t m = 0; m <= c.LastMeasure + 1; ++m) {
    if (m <= kMaxMeasure && c.MeasureLength[m] == 0) c.MeasureLength[m] = 1.0f;
    if (c.ObjectCount >= kMaxObjects) continue;
    c.Objects[c.ObjectCount++] = ChartObject{m, m * 192, 0, -1, 0, 0};
  }

  // 4.
  DebugLog(g, "sorting objects...");
  SortObjects(g);

  // 5. Absolute positions from the measure lengths. The start of each measure
  // comes from a table of cumulative lengths, so an object whose offset lands
  // on the next bar line cannot throw the running start off.
  DebugLog(g, "recaliculating objects position...");
  BuildMeasureStarts(c);
  c.KeySoundList.clear();
  c.KeySoundCount = 0;
  std::array<int32_t, 19> lastPos{}, lastValue{};
  const int32_t count = std::min(c.ObjectCount, kMaxObjects);
  for (int32_t i = 0; i < count; ++i) {
    ChartObject& o = c.Objects[i];
    const double pos = MeasureStartOf(c, o.Measure) +
                       static_cast<double>(static_cast<float>(o.Offset) * EffectiveMeasureLength(c, o.Measure));
    o.Position = RoundEven(pos);
    if (!c.BackgroundPreview && o.Channel >= 11 && o.Channel <= 29) {
      const int k = o.Channel - 11;
      if (o.Value != lastValue[k] && c.KeySoundCount < kMaxKeySounds) {
        c.KeySoundList.push_back({o.Channel, static_cast<int32_t>((static_cast<int64_t>(lastPos[k]) + o.Position) / 2),
                                  o.Value});
        ++c.KeySoundCount;
      }
      lastPos[k] = o.Position;
      lastValue[k] = o.Value;
    }
  }

  // 6. Sounds and images the new chart does not name are released.
  if (!c.BackgroundPreview && !c.NoMediaLoads) {
    ReleaseChangedSounds(g);
    ReleaseChangedImages(g);
  }

  // 7, 8.
  c.LengthMs = GetBMSLength(g);
  c.BmsId = RoundEven(static_cast<double>(c.NoteCount[0] + c.NoteCount[1]) * (c.PlayLevel + 1.0) +
                         (c.Rank + 1.0) * c.BPM + c.LengthMs);

  // 9.
  const int32_t lastPosition = count > 0 ? c.Objects[count - 1].Position : 0;
  DebugLog(g, "BMSInfo --------", 1);
  DebugLog(g, "* BMS-ID: " + std::to_string(c.BmsId));
  DebugLog(g, "* " + std::to_string(c.ObjectCount) + "objects, " + std::to_string(c.LastMeasure) + "measures");
  DebugLog(g, "* TotalNotes 1:" + std::to_string(c.NoteCount[0]) + " 2:" + std::to_string(c.NoteCount[1]));
  DebugLog(g, "* length " + std::to_string(c.LengthMs) + "ms, " + std::to_string(lastPosition) + "pixels", -1);

  // 10. A chart without "#TOTAL" gets a fixed total. (BMSInit starts every
  // chart from 0, so the gauge never depends on the chart played before.)
  if (c.GaugeTotal == 0) c.GaugeTotal = kDefaultGaugeTotal;

  // 11, 12. A side without notes keeps its previous value.
  for (int s = 0; s < 2; ++s) {
    if (p.FixedGaugeMode) c.GaugeIncrement[s] = 0.05f;
    else if (c.NoteCount[s] != 0) c.GaugeIncrement[s] = static_cast<float>(c.GaugeTotal) / static_cast<float>(c.NoteCount[s]);
    if (c.CourseMode) c.ScoreUnit[s] = 1.0;
    else if (c.NoteCount[s] != 0) c.ScoreUnit[s] = 100000.0 / c.NoteCount[s];
  }

  // 13.
  c.WindowCaption = "[" + c.Genre + "] " + c.Title + " / " + c.Artist + " - " + kCaptionProgramName;
  if (!c.NoMediaLoads) SetWindowCaption(g, c.WindowCaption);

  // 14.
  p.EffectiveBPM = c.BPM * g.settings.RealHiSpeed;
  p.InitialBPM = c.BPM;
  p.PositionRate = p.EffectiveBPM / 1250.0;

  // 15.
  if (c.Player == 0 || c.Player == 1) c.PlaySides = 1;
  else if (c.Player == 2 || c.Player == 3) c.PlaySides = 2;

  // 16. The level table is built at start-up; tool modes run without it.
  if (std::all_of(g.app.LevelTable.begin(), g.app.LevelTable.end(), [](int32_t v) { return v == 0; }))
    g.app.LevelTable = MakeLevelTable();
  if (c.Rank >= 0 && c.Rank <= 3)
    for (int k = 0; k < 4; ++k) c.JudgeWindow[k] = g.app.LevelTable[c.Rank * 4 + k];

  // 17.
  c.GaugeSampleInterval = static_cast<float>(c.LengthMs) / 300.0f;
  p.GaugeSampleInterval = c.GaugeSampleInterval;

  DebugLog(g, "complete.", -1);
}

void SeekChart(Game& g, int32_t target, bool byPosition) {
  ChartState& c = g.chart;
  PlayState& p = g.play;
  // 1. No background image shown.
  ResetBgaLayers(g);

  // 2.
  const int32_t count = std::min(c.ObjectCount, kMaxObjects);
  const int32_t lastPosition = count > 0 ? c.Objects[count - 1].Position : 0;
  const int32_t limit = byPosition ? lastPosition : c.LastMeasure;
  if (target < 0 || target > limit) {
    DebugLog(g, "Err: Range over");
    return;
  }

  // 3.
  const float rhs = g.settings.RealHiSpeed;
  p.EffectiveBPM = c.BPM * rhs;
  p.InitialBPM = c.BPM;
  p.PositionRate = p.EffectiveBPM / 1250.0;
  p.UnitsPerSecond = p.EffectiveBPM / 240.0f * 192.0f;
  p.BasePosition = 0;
  p.NextObject = 0;
  p.KeySoundCursor = 0;

  // 4. Walk to the target, applying the tempo changes on the way.
  int32_t i = 0;
  bool found = false;
  for (; i < count; ++i) {
    const ChartObject& o = c.Objects[i];
    if (byPosition ? o.Position >= target : (o.Channel == -1 && o.Measure == target)) {
      found = true;
      break;
    }
    if (o.Channel == 3) {
      if (p.EffectiveBPM > 0) {
        const double newRate = o.Value * static_cast<double>(rhs);
        const double passed = static_cast<double>(o.Position) - p.BasePosition;
        p.BasePosition = RoundEven(p.BasePosition - ((newRate - p.EffectiveBPM) / 1250.0) *
                                                           (passed / (p.EffectiveBPM / 1250.0)));
      }
      p.InitialBPM = static_cast<float>(o.Value);
      p.EffectiveBPM = o.Value * rhs;
      p.PositionRate = p.EffectiveBPM / 1250.0;
      p.UnitsPerSecond = p.EffectiveBPM / 240.0f * 192.0f;
    }
  }

  // 5.
  p.DisplayedBPM = p.InitialBPM;

  // 6.
  if (!byPosition) target = found ? c.Objects[i].Position : MeasureStartOf(c, target);
  if (i > 0) p.NextObject = i - 1;

  // 7. The elapsed time is 32-bit: a start further back than it can hold (a
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
