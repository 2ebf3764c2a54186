#pragma once
// Timing feedback: FAST/SLOW of each judgement and the press offsets of a
// play, summarised for the result screen as a histogram with mean and spread.
#include <cstdint>
#include <vector>

#include "play/judge_state.h"

namespace kvx {

// A judged offset in position units as milliseconds at the tempo in force.
float OffsetInMs(float units, double unitsPerMs);
// Adds one judgement (its display code, whether it was a miss, its signed
// offset in ms) to the record.
void RecordTiming(TimingRecord& record, int32_t code, bool missed, float offsetMs);

struct TimingSummary {
  std::vector<int32_t> Bins;  // equal widths over -range..+range; outside values in the edge bins
  float RangeMs = 0;
  int32_t Presses = 0;
  float MeanMs = 0;    // negative: early on average
  float SpreadMs = 0;  // standard deviation
};
TimingSummary SummarizeTiming(const TimingRecord& record, int binCount, float rangeMs);

}  // namespace kvx
