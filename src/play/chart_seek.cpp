// The chart seek: starts the play clock at a measure or position of the
// prepared chart, with the tempo changes and stops before it applied.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

#include "app/game.h"
#include "chart/chart_read.h"
#include "media/bga.h"
#include "platform/rounding.h"
#include "play/chart_load.h"

namespace kvx {

void SeekChart(Game& g, int32_t target, bool byPosition) {
  ChartState& c = g.chart;
  PlayState& p = g.play;
  // No background image shown.
  ResetBgaLayers(g.bga);

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
