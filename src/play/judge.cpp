#include "play/judge.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "app/game.h"
#include "chart/chart_read.h"
#include "play/play_loop.h"
#include "play/timing_feedback.h"

namespace kvx {

namespace {



// Writes a non-negative integer as digits, at least `width` of them.
void WriteDigits(DigitString& out, int64_t value, int width, bool minus) {
  int8_t tmp[20];
  int n = 0;
  do {
    tmp[n++] = static_cast<int8_t>(value % 10);
    value /= 10;
  } while (value > 0 && n < 19);
  while (n < width && n < 19) tmp[n++] = 0;
  out.count = 0;
  if (minus) out.digit[out.count++] = 10;
  while (n > 0 && out.count < static_cast<int8_t>(out.digit.size())) out.digit[out.count++] = tmp[--n];
}

// "000000;-00000" style: six digits, or a minus sign and five digits.
void FormatSigned(DigitString& out, double value, int width) {
  double r = std::nearbyint(value);
  r = std::clamp(r, -1e15, 1e15);
  if (r < 0) WriteDigits(out, static_cast<int64_t>(-r), width - 1, true);
  else WriteDigits(out, static_cast<int64_t>(r), width, false);
}

void ComboDigitsOf(PlayerScore& ps) {
  if (ps.Combo < 1) {
    ps.ComboDigitCount = -1;
    return;
  }
  int32_t c = std::min(ps.Combo, 99999);
  int16_t tmp[5];
  int n = 0;
  while (c > 0 && n < 5) {
    tmp[n++] = static_cast<int16_t>(c % 10);
    c /= 10;
  }
  ps.ComboDigitCount = static_cast<int16_t>(n - 1);
  for (int i = 0; i < n; ++i) ps.ComboDigits[i] = tmp[n - 1 - i];
}

}  // namespace

bool IsLaneChannel(int32_t channel) {
  return (channel >= 11 && channel <= 19) || (channel >= 21 && channel <= 29);
}

bool AwaitsJudgement(const Game& g, const ChartObject& o, int sides) {
  if (!IsLaneChannel(o.Channel) || o.Channel == 17 || o.Channel == 27 || o.State != 0) return false;
  if (o.Channel / 10 > sides || !g.settings.UserPlay) return false;
  return !g.app.LaneAuto[o.Channel - 11];
}

int SlotOfSide(const Game& g, int side) { return g.chart.SideSlot[side & 1] == 1 ? 1 : 0; }

void ResetPlayState(Game& g) {
  PlayState& p = g.play;
  JudgeState& j = g.judge;
  for (int lane = 0; lane < kLaneCount; ++lane) {
    p.LaneCandidate[lane] = -1;
    p.LaneKeySound[lane] = -1;
    g.app.LanePressed[lane] = false;
  }
  p.ReplayCursor = 0;
  for (int slot = 0; slot < 2; ++slot) {
    p.GaugeSamples[slot] = 0;
    PlayerScore fresh;
    fresh.Gauge = p.FixedGaugeMode ? 100.0f : 22.0f;
    fresh.DisplayedGauge = 0;
    j.Player[slot] = fresh;
    UpdateNumberDigits(g, slot);
  }
  p.CandidateCursor = 0;
  j.JPointsMax = 0;
  j.LastOffset = {0, 0};
  j.ClassShown = kClassNone;
  j.BombActive.fill(false);
  j.BombTime.fill(0);
  j.PoorImageShown = false;
  j.PoorImagePosition = 0;
  j.GraphPlots.clear();
  j.GraphLabels.clear();
  j.GraphPlotsDrawn = j.GraphLabelsDrawn = 0;
  j.Timing = {};
  for (auto& row : p.GaugeHistory) row.fill(0);
}

double JudgeUnitScale(const Game& g) {
  if (!g.chart.ModernRules || !(g.play.EffectiveBPM > 0)) return 1.0;
  return g.play.EffectiveBPM / kJudgeReferenceBpm;
}

bool Judge(Game& g, int32_t objectIndex, float offset) {
  if (objectIndex < 0 || objectIndex >= g.chart.ObjectCount) return false;
  ChartObject& note = g.chart.Objects[objectIndex];
  if (!IsLaneChannel(note.Channel)) return false;
  PlayState& play = g.play;
  JudgeState& js = g.judge;
  const auto& w = g.chart.JudgeWindow;
  const int lane = note.Channel - 11;
  const int side = note.Channel / 10 - 1;
  const int slot = SlotOfSide(g, side);
  PlayerScore& ps = js.Player[slot];
  const uint32_t now = g.NowMs();

  // Measure the offset now (positive = late), in judgement units.
  if (offset == 0.0f)
    offset = static_cast<float>((play.PlayPosition - ExactPositionOf(g.chart, objectIndex)) / JudgeUnitScale(g));
  // A press a whole BAD window early or more counts as a POOR but leaves the note.
  const bool tooEarly = offset <= -static_cast<float>(w[3]);
  // Two consecutive near-window hits within one unit of each other count as exact.
  if (std::fabs(offset) < static_cast<float>(w[1])) {
    if (std::fabs(offset - js.LastOffset[side]) < 1.0f) {
      js.LastOffset[side] = offset;
      offset = 0.0f;
    } else {
      js.LastOffset[side] = offset;
    }
  } else {
    js.LastOffset[side] = 0.0f;
  }
  const float signedOffset = offset;
  // Early and late count alike from here.
  offset = std::fabs(offset);
  // An automatic lane only shows its bomb.
  if (g.app.LaneAuto[lane]) {
    js.BombActive[lane] = true;
    js.BombTime[lane] = now;
    return false;
  }
  // A judged note takes the poor picture away.
  if (js.PoorImageShown) {
    js.PoorImageShown = false;
    js.BgaChanged = true;
  }
  const int32_t comboBefore = ps.Combo;
  // The judgement: strict comparisons with the windows.
  int32_t code;
  if (offset < w[0]) code = kJudgeFGreat;
  else if (offset < w[1]) code = kJudgeGreat;
  else if (offset < w[2]) code = kJudgeGood;
  else if (offset < w[3]) code = kJudgeBad;
  else code = kJudgePoor;
  const bool missed = !tooEarly && offset == kMissOffset;
  const bool fixed = play.FixedGaugeMode;
  const float inc = g.chart.GaugeIncrement[slot];
  const double unit = g.chart.ScoreUnit[slot];

  // Counts, combo, gauge and score.
  switch (code) {
    case kJudgeFGreat:
      ps.CountFGreat++;
      ps.Combo++;
      ps.Gauge += fixed ? 0.05f : inc;
      ps.Score += 2 * unit;
      break;
    case kJudgeGreat:
      ps.CountGreat++;
      ps.Combo++;
      ps.Gauge += fixed ? 0.025f : inc;
      ps.Score += unit;
      break;
    case kJudgeGood:
      ps.CountGood++;
      ps.Combo++;
      ps.Gauge += fixed ? 0.01f : inc / 3;
      if (!fixed) ps.Score += unit / 2;
      break;
    case kJudgeBad:
      ps.CountBad++;
      ps.Gauge -= 1.0f;
      break;
    default:
      ps.CountPoor++;
      ps.Gauge -= fixed ? 2.0f : 3.0f;
      break;
  }
  if (code >= kJudgeGreat) {
    js.BombActive[lane] = true;
    js.BombTime[lane] = now;
  }
  if (code <= kJudgeBad) {
    js.PoorImageShown = true;
    js.PoorImagePosition = play.PlayPosition;
    js.BgaChanged = true;
    ps.DisplayedGauge = std::max(0.0f, ps.Gauge - 20.0f);
    if (missed && !fixed) ps.Gauge -= 3.0f;
    if (!tooEarly) {
      // A break while one is already running would save the frozen tempo and
      // never thaw, so pressure mode starts one only when none runs.
      if (g.playopt.BreakOnBad && play.FadeState != kFadeFailed && !play.BreakActive) StartBreak(g);
      if (comboBefore >= 11) ps.ComboBreak = {true, comboBefore, now};
      ps.Combo = 0;
    }
  }
  if (!tooEarly) note.State = 1;

  // What every judgement updates: maximum combo, milestones, the gauge's limits,
  // J-PTS and the progress graph.
  ps.MaxCombo = std::max(ps.MaxCombo, ps.Combo);
  if (ps.Combo >= 1 && ps.Combo % 100 == 0 && ps.Combo != comboBefore) ps.ComboMilestone = {true, ps.Combo, now};
  if (ps.Gauge > 100.0f) ps.Gauge = 100.0f;
  if (ps.Gauge < 0.0f) {
    ps.Gauge = 0.0f;
    if (fixed && !play.Failed) {
      play.Failed = true;
      play.FailedTime = now;
    }
  }
  if (g.chart.ModernRules) {
    // No note costs more than a missed one, and J-PTS never goes below 0.
    const float counted = std::min(offset, kMissOffset);
    ps.JPoints = std::max(0.0f, ps.JPoints + (counted < 18.0f ? (18.0f - counted) : 2.0f * (18.0f - counted)));
  } else {
    ps.JPoints += offset < 18.0f ? (18.0f - offset) : 2.0f * (18.0f - offset);
  }
  js.JPointsMax += kJPointsPerNote;

  const int32_t notes = g.chart.NoteCount[slot];
  if (notes > 0) {
    const int64_t judged = js.JPointsMax / kJPointsPerNote;
    if (js.GraphPlots.size() < kMaxGraphPlots) {
      js.GraphPlots.push_back({static_cast<int32_t>(judged * 300 / notes),
                               static_cast<int32_t>(200 - int64_t(ps.Combo) * 200 / notes), 4 - code});
    }
    if (code <= kJudgeBad && !tooEarly && comboBefore >= 10 && js.GraphLabels.size() < kMaxGraphPlots) {
      const int64_t green = std::clamp<int64_t>(judged * 255 / notes, 0, 255);
      js.GraphLabels.push_back({static_cast<int32_t>(judged * 284 / notes),
                                static_cast<int32_t>(190 - int64_t(comboBefore) * 190 / notes), comboBefore,
                                0xFF0000u | static_cast<uint32_t>(green << 8)});
    }
  }
  // Judgement units are scaled to the tempo under modern rules; the feedback is in ms.
  RecordTiming(js.Timing[slot], code, missed,
               OffsetInMs(static_cast<float>(signedOffset * JudgeUnitScale(g)), play.PositionRate));
  ps.LastJudgement = code;
  ps.LastJudgementTime = now;
  UpdateNumberDigits(g, slot);
  ComboDigitsOf(ps);
  if (g.settings.ComboLinkedHiSpeed) g.playopt.TargetHiSpeed = ps.Combo / 100.0f + 1.0f;
  return !tooEarly;
}

void ChooseCandidate(Game& g, int32_t objectIndex, int32_t screenY) {
  if (objectIndex < 0 || objectIndex >= g.chart.ObjectCount) return;
  const ChartObject& note = g.chart.Objects[objectIndex];
  // Pedal lanes 17 and 27 are never judged; their presses act on the scratch.
  if (!IsLaneChannel(note.Channel) || note.Channel == 17 || note.Channel == 27) return;
  const int lane = note.Channel - 11;
  if (g.app.LaneAuto[lane] || screenY <= 0 || g.play.LaneCandidate[lane] != -1) return;
  if (!g.settings.UserPlay || note.State != 0) return;
  // Notes more than two beats ahead wait; a note behind the line is always
  // taken, so that one passed while an earlier note held its lane is still judged.
  if (note.Position - g.play.PlayPosition >= kCandidateReach * JudgeUnitScale(g)) return;
  g.play.LaneCandidate[lane] = objectIndex;
}

int32_t AdvanceCandidateCursor(Game& g, int32_t limit, int sides) {
  int32_t& cursor = g.play.CandidateCursor;
  limit = std::clamp(limit, 0, std::min(g.chart.ObjectCount, kMaxObjects));
  cursor = std::clamp(cursor, 0, limit);
  while (cursor < limit && !AwaitsJudgement(g, g.chart.Objects[cursor], sides)) ++cursor;
  return cursor;
}

void PreferNearerNote(Game& g, int lane) {
  if (lane < 0 || lane >= kLaneCount) return;
  const int32_t cand = g.play.LaneCandidate[lane];
  const int count = std::min(g.chart.ObjectCount, kMaxObjects);
  if (cand < 0 || cand >= count) return;
  const double position = g.play.PlayPosition;
  const double late = position - g.chart.Objects[cand].Position;
  if (late <= 0) return;
  const double window = g.chart.JudgeWindow[3] * JudgeUnitScale(g);
  const int32_t channel = g.chart.Objects[cand].Channel;
  for (int i = cand + 1; i < count; ++i) {
    const ChartObject& o = g.chart.Objects[i];
    const double offset = position - o.Position;
    if (-offset >= std::min(late, window)) return;  // every later note is farther
    if (o.Channel != channel || o.State != 0) continue;
    if (std::fabs(offset) >= late || std::fabs(offset) >= window) continue;
    // The press is meant for this note: the passed candidate is missed.
    Judge(g, cand, kMissOffset);
    g.play.LaneCandidate[lane] = i;
    return;
  }
}

void DetectMiss(Game& g, int lane) {
  if (lane < 0 || lane >= kLaneCount) return;
  int32_t cand = g.play.LaneCandidate[lane];
  if (cand < 0 || cand >= g.chart.ObjectCount) return;
  if (g.play.PlayPosition - g.chart.Objects[cand].Position >= kMissOffset * JudgeUnitScale(g)) {
    Judge(g, cand, kMissOffset);
    g.play.LaneCandidate[lane] = -1;
  }
}

void UpdateNumberDigits(Game& g, int slot) {
  if (slot < 0 || slot > 1) return;
  PlayerScore& ps = g.judge.Player[slot];
  FormatSigned(ps.JPointsDigits, ps.DisplayedJPoints, 6);
  double second = g.play.FixedGaugeMode ? double(ps.CountGreat) + 2.0 * ps.CountFGreat : ps.DisplayedScore;
  FormatSigned(ps.ScoreDigits, second, 6);
  FormatSigned(ps.GaugeDigits, ps.DisplayedGauge, 3);
}

int ClassOf(float ratio) {
  const float percent = ratio * 100.0f;
  if (percent >= 95) return 0;
  if (percent >= 90) return 1;
  if (percent >= 80) return 2;
  if (percent >= 70) return 3;
  if (percent >= 50) return 4;
  if (percent >= 30) return 5;
  return 6;
}

int CurrentClass(const Game& g, int slot) {
  if (g.judge.JPointsMax == 0) return kClassNone;
  return ClassOf(g.judge.Player[slot & 1].JPoints / static_cast<float>(g.judge.JPointsMax));
}

int JudgedNotes(const Game& g) { return g.judge.JPointsMax / kJPointsPerNote; }

void RunResultTally(Game& g) {
  JudgeState& js = g.judge;
  for (int slot = 0; slot < 2; ++slot) {
    const PlayerScore& ps = js.Player[slot];
    ResultFigures& r = js.Result[slot];
    r.Score = ps.Score;
    r.ExPts = 2 * ps.CountFGreat + ps.CountGreat;
    r.JPoints = ps.JPoints;
    r.MaxCombo = ps.MaxCombo;
    r.Class = CurrentClass(g, slot);
    r.Cleared = ps.Gauge >= 80.0f;
    r.CountFGreat = ps.CountFGreat;
    r.CountGreat = ps.CountGreat;
    r.CountGood = ps.CountGood;
    r.CountBad = ps.CountBad;
    r.CountPoor = ps.CountPoor;
  }
  const bool twoSides = g.chart.PlaySides >= 2 && g.chart.SideSlot[1] == 1;
  const bool failed = twoSides ? (!js.Result[0].Cleared && !js.Result[1].Cleared) : !js.Result[0].Cleared;
  js.ResultSound = failed ? kSeResFail : kSeResClear;
}

std::string ResultSummaryLine(const Game& g) {
  const ResultFigures& r = g.judge.Result[0];
  const auto& letters = g.app.RankLetters;
  const std::string cls = r.Class >= 0 && r.Class < static_cast<int>(letters.size()) && !letters[r.Class].empty()
                              ? letters[r.Class]
                              : "-";
  return "[Result] SCORE: " + std::to_string(std::llround(r.Score)) + " ExPTS: " + std::to_string(r.ExPts) +
         " J-PTS: " + std::to_string(std::llround(r.JPoints)) + " COMBO: " + std::to_string(r.MaxCombo) +
         " CLASS: " + cls + " FGREAT " + std::to_string(r.CountFGreat) + " GREAT " + std::to_string(r.CountGreat) +
         " GOOD " + std::to_string(r.CountGood) + " BAD " + std::to_string(r.CountBad) + " POOR " +
         std::to_string(r.CountPoor);
}

int64_t CountUpFigure(int64_t finalValue, uint32_t t) {
  if (t >= 2000) return finalValue;
  return finalValue * static_cast<int64_t>(t) / 2000;
}

}  // namespace kvx
