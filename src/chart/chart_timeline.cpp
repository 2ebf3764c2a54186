// The timeline of a chart: bar lines, the sort by position, long notes,
// absolute positions, the key-sound list, the 24-hour limit of modern charts
// and the play length. Works on the chart tables alone (preparation and the
// header scan share it).
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "chart/chart_read.h"
#include "chart/chart_text.h"
#include "chart/position_sort.h"

namespace kvx {

namespace {

// Longest measure accepted; longer (and non-positive) lengths are read as a
// full measure so positions stay ordered and inside 32 bits.
constexpr float kMaxMeasureLength = 1000.0f;

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

// Modern rules: the exact start of every measure (no rounding of a measure's
// length to whole units), measures 0 to LastMeasure + 2.
std::vector<double> ExactMeasureStarts(const ChartState& c) {
  std::vector<double> start(static_cast<size_t>(std::max(0, c.LastMeasure)) + 3, 0.0);
  for (size_t m = 1; m < start.size(); ++m)
    start[m] = start[m - 1] + 192.0 * EffectiveMeasureLength(c, static_cast<int32_t>(m - 1));
  return start;
}

// Modern rules: the objects sorted by their exact positions (the same sort
// as the classic rules' by grid position, so objects on the grid keep their
// order), the stops after every other object at their position (the clock
// takes a stop's units at the tempo that follows it), and the exact
// positions kept beside the objects.
void SortByExactPosition(ChartState& c) {
  struct Placed {
    double position;
    ChartObject object;
  };
  const std::vector<double> start = ExactMeasureStarts(c);
  const int32_t count = Count(c);
  std::vector<Placed> placed(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    const ChartObject& o = c.Objects[i];
    double fraction = o.Offset / 192.0;
    if (static_cast<size_t>(i) < c.ObjectFraction.size() && !std::isnan(c.ObjectFraction[i]))
      fraction = c.ObjectFraction[i];
    const size_t m = static_cast<size_t>(std::clamp<int32_t>(o.Measure, 0, static_cast<int32_t>(start.size()) - 1));
    placed[i] = {start[m] + fraction * 192.0 * EffectiveMeasureLength(c, o.Measure), o};
  }
  QuickSortByKey(placed.data(), count, [](const Placed& p) { return p.position; });
  for (int32_t i = 0; i < count;) {
    int32_t j = i + 1;
    while (j < count && placed[j].position == placed[i].position) ++j;
    if (j - i > 1)
      std::stable_partition(placed.begin() + i, placed.begin() + j,
                            [](const Placed& p) { return p.object.Channel != kChannelStop; });
    i = j;
  }
  c.ExactPosition.resize(static_cast<size_t>(count));
  for (int32_t i = 0; i < count; ++i) {
    c.Objects[i] = placed[i].object;
    c.ExactPosition[i] = placed[i].position;
  }
  c.ObjectFraction.clear();
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
  return bpm;
}

double StartTempo(const ChartState& c) {
  return c.BPM;
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
  c.CommandsRead = 0;
  c.ObjectFraction.clear();
  c.ExactPosition.clear();
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
  c.Refused.clear();
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
  // The long notes pair once sorted, so that their starts take part in the
  // key-sound list as notes.
  if (c.ModernRules) {
    SortByExactPosition(c);
    PairLongNotes(c, hooks);
  } else {
    SortByPosition(c.Objects.data(), Count(c), [](const ChartObject& o) { return o.Position; });
    c.LongNotePartner.clear();
    c.ExactPosition.clear();
  }

  // Absolute positions from the measure lengths. The start of each measure
  // comes from a table of cumulative lengths, so an object whose offset lands
  // on the next bar line cannot throw the running start off.
  hooks.Log("recaliculating objects position...");
  BuildMeasureStarts(c);
  if (c.ModernRules) {
    const std::vector<double> exact = ExactMeasureStarts(c);
    for (size_t m = 0; m < c.MeasureStart.size() && m < exact.size(); ++m) c.MeasureStart[m] = RoundEven(exact[m]);
  }
  c.KeySoundList.clear();
  c.KeySoundCount = 0;
  std::array<int32_t, 19> lastPos{}, lastValue{};
  const int32_t count = Count(c);
  for (int32_t i = 0; i < count; ++i) {
    ChartObject& o = c.Objects[i];
    const double pos = c.ModernRules ? c.ExactPosition[i]
                                     : MeasureStartPosition(c, o.Measure) +
                                           static_cast<double>(static_cast<float>(o.Offset) *
                                                               EffectiveMeasureLength(c, o.Measure));
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
}

namespace {

// The play length in ms, unrounded: A is the position time zero would have
// under the current tempo, time(P) = (P - A) / (b / 1250). With hooks, the
// tempo changes are logged on the way.
struct TempoWalk {
  double b;      // the tempo in force
  double a = 0;  // the position time zero would have at that tempo

  // Takes object i into account; false when it changes nothing.
  bool Pass(const ChartState& c, int32_t i) {
    const ChartObject& o = c.Objects[i];
    if (c.ModernRules && o.Channel == kChannelStop) {
      // A stop moves the time origin back by its length at the tempo in force.
      a -= o.Value;
      return true;
    }
    if (o.Channel != 3 && !(c.ModernRules && o.Channel == kChannelTempo)) return false;
    const double bpm = TempoChangeOf(c, o);
    if (c.ModernRules && bpm <= 0) return false;
    // A tempo of 0 or less has no time scale; the change to it is taken
    // without moving the time origin.
    const double p = ExactPositionOf(c, i);
    if (b > 0) a = a - ((p - a) / (b / kMsPerUnitAtOneBpm)) * ((bpm - b) / kMsPerUnitAtOneBpm);
    b = bpm;
    return true;
  }
  double TimeAt(double position) const { return b > 0 ? (position - a) / (b / kMsPerUnitAtOneBpm) : 0.0; }
};

double LengthWalk(const ChartState& c, ChartReadHooks* hooks) {
  TempoWalk walk{StartTempo(c)};
  if (hooks) hooks->Log("[GetBMSLength] BPM:" + FormatSingle(c.BPM));
  const int32_t count = Count(c);
  for (int32_t i = 0; i < count; ++i) {
    const double before = walk.b;
    if (walk.Pass(c, i) && hooks && c.Objects[i].Channel != kChannelStop)
      hooks->Log("(" + std::to_string(c.Objects[i].Position) + ") BPM -> " + FormatSingle(static_cast<float>(before)));
  }
  const int32_t last = count > 0 ? c.Objects[count - 1].Position : 0;
  if (hooks) hooks->Log("LastOBJPos=" + std::to_string(last));
  return count > 0 ? walk.TimeAt(ExactPositionOf(c, count - 1)) : 0.0;
}

}  // namespace

double ObjectTimeMs(const ChartState& c, int32_t index) {
  TempoWalk walk{StartTempo(c)};
  for (int32_t i = 0; i < index && i < Count(c); ++i) walk.Pass(c, i);
  return walk.TimeAt(ExactPositionOf(c, index));
}

void SetObjectFraction(ChartState& c, int32_t index, double fraction) {
  if (index < 0) return;
  if (c.ObjectFraction.size() <= static_cast<size_t>(index))
    c.ObjectFraction.resize(static_cast<size_t>(index) + 1, std::numeric_limits<double>::quiet_NaN());
  c.ObjectFraction[index] = fraction;
}

int32_t ChartLengthMs(const ChartState& c, ChartReadHooks& hooks) { return RoundEven(LengthWalk(c, &hooks)); }

double ChartLengthExactMs(const ChartState& c) { return LengthWalk(c, nullptr); }

bool RefuseOverlongChart(ChartState& c, ChartReadHooks& hooks) {
  const double ms = ChartLengthExactMs(c);
  if (!(ms > kMaxPlayMs)) return false;
  char hours[32];
  std::snprintf(hours, sizeof hours, "%.1f", ms / 3600000.0);
  c.Refused = std::string("refused: the play would last ") + hours + " hours (more than 24)";
  hooks.Log(c.Refused);
  return true;
}

}  // namespace kvx
