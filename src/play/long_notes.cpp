#include "play/long_notes.h"

#include <algorithm>

#include "app/game.h"
#include "chart/chart_read.h"
#include "play/judge.h"
#include "play/play_loop.h"

namespace kvx {

namespace {

bool ValidIndex(const Game& g, int32_t i) { return i >= 0 && i < std::min(g.chart.ObjectCount, kMaxObjects); }

int32_t Partner(const Game& g, int32_t i) {
  const auto& partner = g.chart.LongNotePartner;
  if (i < 0 || static_cast<size_t>(i) >= partner.size()) return -1;
  return partner[i];
}

// The lane is held by the player: its own key, or for the scratch lanes the
// pedal key that acts on it.
bool LanePressed(const Game& g, int lane) {
  if (g.app.LanePressed[lane]) return true;
  return (lane == 16 - 11 || lane == 26 - 11) && g.app.LanePressed[lane + 1];
}

void EndHold(Game& g, int lane) { g.play.Holds[lane] = LongNoteHold{}; }

// Let go too early: the start's judgement becomes a BAD that breaks the
// combo. What the press earned is taken back and the BAD is judged in its
// place, at the BAD window's near edge; the note still counts once.
void BreakHold(Game& g, int lane) {
  LongNoteHold& h = g.play.Holds[lane];
  PlayerScore& ps = g.judge.Player[h.slot];
  switch (h.code) {
    case kJudgeFGreat: --ps.CountFGreat; break;
    case kJudgeGreat: --ps.CountGreat; break;
    default: --ps.CountGood; break;
  }
  ps.Score -= h.scoreEarned;
  ps.Gauge -= h.gaugeEarned;
  ps.JPoints -= h.jpointsEarned;
  g.judge.JPointsMax -= kJPointsPerNote;
  const int32_t start = h.start;
  EndHold(g, lane);
  Judge(g, start, static_cast<float>(std::max(1, g.chart.JudgeWindow[2])));
}

}  // namespace

int32_t LongNoteEndOf(const Game& g, int32_t i) {
  if (!ValidIndex(g, i)) return -1;
  const int32_t ch = g.chart.Objects[i].Channel;
  return ch >= 11 && ch <= 29 ? Partner(g, i) : -1;
}

int32_t LongNoteStartOf(const Game& g, int32_t i) {
  if (!ValidIndex(g, i) || !IsLongNoteEnd(g.chart.Objects[i].Channel)) return -1;
  return Partner(g, i);
}

LongNotePress BeforeLongNotePress(const Game& g, int32_t candidate) {
  LongNotePress press;
  if (LongNoteEndOf(g, candidate) < 0) return press;
  press.start = candidate;
  press.slot = SlotOfSide(g, g.chart.Objects[candidate].Channel / 10 - 1);
  press.before = g.judge.Player[press.slot];
  return press;
}

void AfterLongNotePress(Game& g, int lane, const LongNotePress& press, bool consumed) {
  if (press.start < 0 || !consumed || lane < 0 || lane >= kLaneCount) return;
  const PlayerScore& after = g.judge.Player[press.slot];
  if (after.LastJudgement < kJudgeGood) return;  // a BAD or POOR start is judged for good
  LongNoteHold h;
  h.start = press.start;
  h.end = LongNoteEndOf(g, press.start);
  h.slot = press.slot;
  h.code = after.LastJudgement;
  h.scoreEarned = after.Score - press.before.Score;
  h.gaugeEarned = after.Gauge - press.before.Gauge;
  h.jpointsEarned = after.JPoints - press.before.JPoints;
  g.play.Holds[lane] = h;
}

void HoldLongNoteAutomatically(Game& g, int lane, int32_t start) {
  const int32_t end = LongNoteEndOf(g, start);
  if (end < 0 || lane < 0 || lane >= kLaneCount) return;
  LongNoteHold h;
  h.start = start;
  h.end = end;
  h.automatic = true;
  g.play.Holds[lane] = h;
}

void UpdateLongNoteHolds(Game& g) {
  PlayState& p = g.play;
  if (p.Paused || p.BreakActive || p.Failed) return;
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const LongNoteHold& h = p.Holds[lane];
    if (h.start < 0) continue;
    if (!ValidIndex(g, h.end)) {
      EndHold(g, lane);
      continue;
    }
    if (h.automatic) continue;  // ends when the walk reaches the end
    const double release = g.chart.Objects[h.end].Position - g.chart.JudgeWindow[2] * JudgeUnitScale(g);
    if (p.PlayPosition >= release) {
      EndHold(g, lane);  // held long enough: the judgement stands
    } else if (!LanePressed(g, lane)) {
      BreakHold(g, lane);
    }
  }
}

void LongNoteStartReached(Game& g, int32_t index) {
  if (LongNoteEndOf(g, index) < 0) return;
  g.play.PassedLongNoteStart[g.chart.Objects[index].Channel - 11] = index;
}

void LongNoteEndReached(Game& g, int32_t index) {
  const int32_t start = LongNoteStartOf(g, index);
  if (start < 0) return;
  const int lane = LaneOfMarker(g.chart.Objects[index].Channel) - 11;
  if (g.play.PassedLongNoteStart[lane] == start) g.play.PassedLongNoteStart[lane] = -1;
  LongNoteHold& h = g.play.Holds[lane];
  if (h.start != start) return;
  if (h.automatic) {
    g.judge.BombActive[lane] = true;
    g.judge.BombTime[lane] = g.NowMs();
  }
  EndHold(g, lane);
}

void MineReached(Game& g, int32_t index) {
  const ChartObject& o = g.chart.Objects[index];
  const int32_t channel = LaneOfMarker(o.Channel);
  const int lane = channel - 11;
  if (!g.settings.UserPlay || g.app.LaneAuto[lane] || g.settings.DEMOMode || g.play.Failed) return;
  if (!LanePressed(g, lane)) return;
  PlayerScore& ps = g.judge.Player[SlotOfSide(g, channel / 10 - 1)];
  const float loss = static_cast<float>(o.Value) / 2.0f;
  ps.Gauge -= loss;
  ps.DisplayedGauge = std::max(0.0f, std::min(ps.DisplayedGauge, ps.Gauge));
  if (ps.Gauge < 0.0f) {
    ps.Gauge = 0.0f;
    if (g.play.FixedGaugeMode && !g.play.Failed) {
      g.play.Failed = true;
      g.play.FailedTime = g.NowMs();
    }
  }
  UpdateNumberDigits(g, SlotOfSide(g, channel / 10 - 1));
}

bool LaneHoldsLongNote(const Game& g, int lane) {
  return lane >= 0 && lane < kLaneCount && g.play.Holds[lane].start >= 0;
}

}  // namespace kvx
