#include "play/timing_feedback.h"

#include <algorithm>
#include <cmath>

namespace kvx {

float OffsetInMs(float units, double unitsPerMs) {
  if (!(unitsPerMs > 0) || !std::isfinite(units)) return 0.0f;
  return static_cast<float>(units / unitsPerMs);
}

void RecordTiming(TimingRecord& r, int32_t code, bool missed, float offsetMs) {
  if (missed) {
    r.Misses++;
  } else {
    if (r.OffsetsMs.size() < kMaxGraphPlots) r.OffsetsMs.push_back(offsetMs);
    r.LastOffsetMs = offsetMs;
  }
  r.LastSign = 0;
  if (code == kJudgeFGreat) return;
  r.LastSign = !missed && offsetMs < 0 ? -1 : 1;
  (r.LastSign < 0 ? r.Fast : r.Slow)++;
}

TimingSummary SummarizeTiming(const TimingRecord& r, int binCount, float rangeMs) {
  TimingSummary s;
  s.Bins.assign(std::max(1, binCount), 0);
  s.RangeMs = rangeMs > 0 ? rangeMs : 1.0f;
  s.Presses = static_cast<int32_t>(r.OffsetsMs.size());
  const int n = static_cast<int>(s.Bins.size());
  double sum = 0, squares = 0;
  for (float ms : r.OffsetsMs) {
    const double at = (ms + s.RangeMs) / (2.0 * s.RangeMs) * n;
    s.Bins[static_cast<size_t>(std::clamp(static_cast<int>(std::floor(at)), 0, n - 1))]++;
    sum += ms;
    squares += double(ms) * ms;
  }
  if (s.Presses > 0) {
    const double mean = sum / s.Presses;
    s.MeanMs = static_cast<float>(mean);
    s.SpreadMs = static_cast<float>(std::sqrt(std::max(0.0, squares / s.Presses - mean * mean)));
  }
  return s;
}

}  // namespace kvx
