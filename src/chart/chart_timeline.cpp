// The timeline of a chart: bar lines, the sort by position, long notes,
// absolute positions, the key-sound list, the 24-hour limit of modern charts
// and the play length. Works on the chart tables alone (preparation and the
// header scan share it).
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <string>

#include "chart/chart_read.h"
#include "chart/chart_text.h"
#include "chart/position_sort.h"

namespace kvx {

namespace {

// Longest measure accepted; longer (and non-positive) lengths are read as a
// full measure so positions stay ordered and inside 32 bits.
constexpr float kMaxMeasureLength = 1000.0f;
// A modern chart plays at most 24 hours: half for the scroll, half for stops.
constexpr double kHalfDayMs = 12.0 * 3600.0 * 1000.0;

float EffectiveMeasureLength(const ChartState& c, int32_t measure) {
  if (measure < 0 || measure > kMaxMeasure) return 1.0f;
  const float len = c.MeasureLength[measure];
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

int32_t Count(const ChartState& c) { return std::min(c.ObjectCount, kMaxObjects); }

// At one position the stops go after every other object, so that a stop
// lasts its length at the tempo the chart goes on with, as the play clock
// holds it (the clock takes a stop's units at the tempo that follows it).
void PlaceStopsLast(ChartState& c) {
  const int32_t count = Count(c);
  for (int32_t i = 0; i < count;) {
    int32_t j = i + 1;
    while (j < count && c.Objects[j].Position == c.Objects[i].Position) ++j;
    if (j - i > 1)
      std::stable_partition(c.Objects.begin() + i, c.Objects.begin() + j,
                            [](const ChartObject& o) { return o.Channel != kChannelStop; });
    i = j;
  }
}

// Pairs the long notes in position order: on channels 51..69 starts and ends
// alternate per lane (a start becomes a note of its lane); a #LNOBJ end ends
// the long note started by the lane's note before it.
void PairLongNotes(ChartState& c, ChartReadHooks& hooks) {
  const int32_t count = Count(c);
  c.LongNotePartner.assign(static_cast<size_t>(count), -1);
  std::array<int32_t, 19> open, previous;
  open.fill(-1);
  previous.fill(-1);
  bool loneEndLogged = false;
  for (int32_t i = 0; i < count; ++i) {
    ChartObject& o = c.Objects[i];
    if (IsLongNoteEnd(o.Channel)) {
      const int k = o.Channel - kLongEndOffset - 11;
      if (open[k] < 0) {
        open[k] = i;
        o.Channel -= kLongEndOffset;
      } else {
        c.LongNotePartner[open[k]] = i;
        c.LongNotePartner[i] = open[k];
        open[k] = -1;
      }
    } else if (o.Channel >= 11 + kLnObjEndOffset && o.Channel <= 29 + kLnObjEndOffset) {
      const int32_t lane = o.Channel - kLnObjEndOffset;
      const int k = lane - 11;
      if (previous[k] >= 0 && c.LongNotePartner[previous[k]] < 0) {
        o.Channel = lane + kLongEndOffset;
        c.LongNotePartner[previous[k]] = i;
        c.LongNotePartner[i] = previous[k];
      } else {
        o.Channel = 0;  // ends nothing: dropped
        if (!loneEndLogged) hooks.Log("#LNOBJ end without a note before it: dropped");
        loneEndLogged = true;
      }
      previous[k] = -1;
    } else if (o.Channel >= 11 && o.Channel <= 29) {
      previous[o.Channel - 11] = i;
    }
  }
}

// Under the modern rules a play ends within 24 hours: tempos below the one
// that scrolls the whole chart in 12 hours are raised to it, and stops are
// shortened so that together they last at most 12 hours.
void LimitToOneDay(ChartState& c, ChartReadHooks& hooks) {
  const int32_t count = Count(c);
  const int32_t last = count > 0 ? c.Objects[count - 1].Position : 0;
  c.MinimumBpm = last > 0 ? last * kMsPerUnitAtOneBpm / kHalfDayMs : 0.0;
  bool slow = c.BPM < c.MinimumBpm;
  double bpm = StartTempo(c);
  double stopsMs = 0;
  for (int32_t i = 0; i < count; ++i) {
    ChartObject& o = c.Objects[i];
    if (o.Channel == 3 || o.Channel == kChannelTempo) {
      const double raw = o.Channel == 3 ? o.Value
                         : (o.Value >= 0 && o.Value < static_cast<int32_t>(c.TempoChanges.size())) ? c.TempoChanges[o.Value]
                                                                                                     : 0.0;
      if (raw <= 0) continue;
      slow = slow || raw < c.MinimumBpm;
      bpm = TempoChangeOf(c, o);
    } else if (o.Channel == kChannelStop && o.Value > 0) {
      const double ms = o.Value * kMsPerUnitAtOneBpm / bpm;
      if (stopsMs + ms > kHalfDayMs) {
        o.Value = static_cast<int32_t>(std::floor(std::max(0.0, kHalfDayMs - stopsMs) * bpm / kMsPerUnitAtOneBpm));
        hooks.Log("stop at " + std::to_string(o.Position) + " shortened to " + std::to_string(o.Value) +
                  " units: the play would pass 24 hours");
      }
      stopsMs += o.Value * kMsPerUnitAtOneBpm / bpm;
    }
  }
  if (slow)
    hooks.Log("tempos below " + FormatSingle(static_cast<float>(c.MinimumBpm)) +
              " raised to it: the play would pass 24 hours");
}

}  // namespace

int32_t MeasureStartPosition(const ChartState& c, int32_t measure) {
  if (measure < 0) return 0;
  if (static_cast<size_t>(measure) < c.MeasureStart.size()) return c.MeasureStart[measure];
  return c.MeasureStart.empty() ? 0 : c.MeasureStart.back();
}

double TempoChangeOf(const ChartState& c, const ChartObject& o) {
  double bpm = 0;
  if (o.Channel == 3) bpm = o.Value;
  else if (o.Channel == kChannelTempo && c.ModernRules && o.Value >= 0 &&
           o.Value < static_cast<int32_t>(c.TempoChanges.size()))
    bpm = c.TempoChanges[o.Value];
  if (bpm <= 0) return 0;
  return std::max(bpm, c.MinimumBpm);
}

double StartTempo(const ChartState& c) {
  if (!c.ModernRules) return c.BPM;
  return std::max(static_cast<double>(c.BPM), c.MinimumBpm);
}

void ClearChartTables(ChartState& c) {
  std::fill(c.Objects.begin(), c.Objects.begin() + Count(c), ChartObject{});
  c.ObjectCount = 0;
  for (auto& f : c.WavFile) f.clear();
  for (auto& f : c.BmpFile) f.clear();
  c.WavLoadState.fill(0);
  c.KeySoundList.clear();
  c.KeySoundCount = 0;
  c.LastMeasure = 0;
  c.NoteCount = {0, 0};
  c.MeasureLength.fill(0.0f);
  c.MeasureStart.clear();
  // Every chart starts without a total, a volume and a MIDI file of its own,
  // so a chart that lacks them never inherits the previous chart's values
  // (the gauge of a chart without "#TOTAL" is always the same).
  c.GaugeTotal = 0;
  c.VolWav = 0;
  c.MidiFile.clear();
  // What the modern rules add.
  c.GaugeTotalExact = 0;
  c.SubTitle.clear();
  c.SubArtist.clear();
  c.Banner.clear();
  c.StageFile.clear();
  c.Difficulty = 0;
  c.WavDefinitions = c.BmpDefinitions = 0;
  c.TempoChanges.clear();
  c.LongNotePartner.clear();
  c.MinimumBpm = 0;
  c.RandomBranches.clear();
}

void PrepareTimeline(ChartState& c, bool keySounds, ChartReadHooks& hooks) {
  // One bar line at the start of every measure, and the one closing the last.
  hooks.Log("adding separator... (" + std::to_string(c.LastMeasure) + ")");
  for (int32_t m = 0; m <= c.LastMeasure + 1; ++m) {
    if (m <= kMaxMeasure && c.MeasureLength[m] == 0) c.MeasureLength[m] = 1.0f;
    if (c.ObjectCount >= kMaxObjects) continue;
    c.Objects[c.ObjectCount++] = ChartObject{m, m * 192, 0, -1, 0, 0};
  }

  hooks.Log("sorting objects...");
  SortByPosition(c.Objects.data(), Count(c), [](const ChartObject& o) { return o.Position; });
  // The raw positions sort like the final ones, so the long notes pair now and
  // their starts take part in the key-sound list as notes.
  if (c.ModernRules) {
    PlaceStopsLast(c);
    PairLongNotes(c, hooks);
  } else {
    c.LongNotePartner.clear();
  }

  // Absolute positions from the measure lengths. The start of each measure
  // comes from a table of cumulative lengths, so an object whose offset lands
  // on the next bar line cannot throw the running start off.
  hooks.Log("recaliculating objects position...");
  BuildMeasureStarts(c);
  c.KeySoundList.clear();
  c.KeySoundCount = 0;
  std::array<int32_t, 19> lastPos{}, lastValue{};
  const int32_t count = Count(c);
  for (int32_t i = 0; i < count; ++i) {
    ChartObject& o = c.Objects[i];
    const double pos = MeasureStartPosition(c, o.Measure) +
                       static_cast<double>(static_cast<float>(o.Offset) * EffectiveMeasureLength(c, o.Measure));
    o.Position = RoundEven(pos);
    if (keySounds && o.Channel >= 11 && o.Channel <= 29) {
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
  if (c.ModernRules) LimitToOneDay(c, hooks);
}

int32_t ChartLengthMs(const ChartState& c, ChartReadHooks& hooks) {
  double b = StartTempo(c);
  double a = 0;
  hooks.Log("[GetBMSLength] BPM:" + FormatSingle(c.BPM));
  const int32_t count = Count(c);
  for (int32_t i = 0; i < count; ++i) {
    const ChartObject& o = c.Objects[i];
    if (c.ModernRules && o.Channel == kChannelStop) {
      // A stop moves the time origin back by its length at the tempo in force.
      a -= o.Value;
      continue;
    }
    if (o.Channel != 3 && !(c.ModernRules && o.Channel == kChannelTempo)) continue;
    const double bpm = TempoChangeOf(c, o);
    if (c.ModernRules && bpm <= 0) continue;
    hooks.Log("(" + std::to_string(o.Position) + ") BPM -> " + FormatSingle(static_cast<float>(b)));
    // A tempo of 0 or less has no time scale; the change to it is taken
    // without moving the time origin.
    if (b > 0) a = a - ((o.Position - a) / (b / kMsPerUnitAtOneBpm)) * ((bpm - b) / kMsPerUnitAtOneBpm);
    b = bpm;
  }
  const int32_t last = count > 0 ? c.Objects[count - 1].Position : 0;
  hooks.Log("LastOBJPos=" + std::to_string(last));
  if (!(b > 0)) return 0;
  return RoundEven(last / (b / kMsPerUnitAtOneBpm) - a / (b / kMsPerUnitAtOneBpm));
}

}  // namespace kvx
