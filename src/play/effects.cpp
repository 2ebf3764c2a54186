// The per-frame effect tick (easing and course effects), the shuffle ahead of
// the screen, the note modifiers and the draw limit.
#include <array>
#include <climits>
#include <cmath>
#include <cstdio>
#include <string>

#include "app/game.h"
#include "app/timers.h"
#include "media/display.h"
#include "platform/rounding.h"
#include "play/long_notes.h"
#include "play/options.h"
#include "play/play_loop.h"

namespace kvx {

namespace {

// Shows an option message and keeps it as the last option message.
void Say(Game& g, const std::string& text) {
  g.playopt.LastOptionMessage = text;
  ShowMessage(g.display, g.NowMs(), text);
}

std::string OneDecimal(float v) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.1f", static_cast<double>(v));
  return buf;
}

bool ShuffledLane(int channel) { return (channel >= 11 && channel <= 15) || channel == 18 || channel == 19; }

}  // namespace

void EffectTick(Game& g) {
  double fps = MeasuredFps(g.display);
  // A frame rate not measured yet (or absurd) would make the easing jump.
  double dt = fps >= 1.0 ? 1.0 / fps : 1.0 / 60.0;
  if (dt > 0.08) dt = 0.08;
  const float k = static_cast<float>(dt);

  // Displayed values ease towards the real ones.
  for (PlayerScore& ps : g.judge.Player) {
    ps.DisplayedGauge += (ps.Gauge - ps.DisplayedGauge) * k * 12;
    ps.DisplayedScore += (ps.Score - ps.DisplayedScore) * dt * 18;
    ps.DisplayedJPoints += (ps.JPoints - ps.DisplayedJPoints) * k * 18;
  }

  // Hi-speed eases towards its target.
  PlayOptionsState& o = g.playopt;
  float& hs = g.settings.HiSpeed;
  if (o.TargetHiSpeed != 0) {
    hs += (o.TargetHiSpeed - hs) * 0.1f;
    if (std::fabs(hs - o.TargetHiSpeed) < 0.001f) {
      hs = o.TargetHiSpeed;
      o.TargetHiSpeed = 0;
    }
  }

  // The course effect in force.
  const uint32_t now = g.NowMs();
  const float t = static_cast<float>(static_cast<int32_t>(now - o.CourseEffectStart));
  float& rhs = g.settings.RealHiSpeed;
  switch (o.CourseEffect) {
    case kEffectRestore:
      if (rhs != 1.0f) {
        rhs += (1.0f - rhs) * 0.1f;
        if (std::fabs(rhs - 1.0f) < 0.1f) rhs = 1.0f;
        BPMChange(g, g.play.InitialBPM);
      } else {
        o.CourseEffect = kEffectNone;
      }
      break;
    case kEffectTempoDown:
      if (t > 4000) {
        o.CourseEffect = kEffectRestore;
      } else {
        rhs = (2000 - t) / 2000 + 1;
        BPMChange(g, g.play.InitialBPM);
        Say(g, "< T E M P O D O W N [" + OneDecimal(rhs) + "] >");
      }
      break;
    case kEffectSpeedUp:
      if (t > 8000) {
        o.CourseEffect = kEffectRestore;
      } else {
        if (o.TargetHiSpeed == 0) o.TargetHiSpeed = hs;
        hs = o.TargetHiSpeed * (t / 4000 + 1);
        BPMChange(g, g.play.InitialBPM);
        Say(g, "< S P E E D U P [" + OneDecimal(hs) + "] >");
      }
      break;
    case kEffectTempoUp:
      if (t > 4000) {
        o.CourseEffect = kEffectRestore;
      } else {
        rhs = (t - 1000) / 2000 + 1;
        BPMChange(g, g.play.InitialBPM);
        Say(g, "< T E M P O U P [" + OneDecimal(rhs) + "] >");
      }
      break;
    case kEffectShuffle:
      if (t > 10000) {
        o.CourseEffect = kEffectRestore;
      } else {
        ShuffleAhead(g);
        Say(g, "< S H F F U L E ! >");
      }
      break;
    case kEffectBreak:
      // The break's end in the play loop sets the kind back to none.
      if (!g.play.BreakActive && g.play.Playing) StartBreak(g);
      Say(g, "< B R E A K >");
      break;
    default:
      break;
  }

  // The timer ends with the play.
  if (g.play.QuitPlay || !g.play.Playing) g.pump.KillTimer(kEffectTickTimerId);
}

void ShuffleAhead(Game& g) {
  ChartState& c = g.chart;
  const PlayState& p = g.play;
  const float hs = g.settings.HiSpeed;
  if (hs <= 0) return;  // random-speed marker: nothing is on screen to keep
  const double horizon = p.PlayPosition + 384.0;
  const double offScreen = p.PlayPosition + 256.0 / hs;
  std::array<int64_t, 9> lastPlaced;  // per channel 11..19, position placed this walk
  lastPlaced.fill(INT64_MIN);
  std::uniform_real_distribution<double> uniform(0.0, 1.0);
  for (int32_t i = std::max(0, p.NextObject); i < c.ObjectCount && c.Objects[i].Position <= horizon; ++i) {
    ChartObject& o = c.Objects[i];
    if (!ShuffledLane(o.Channel) || o.Position <= offScreen || o.State != 0) continue;
    if (LongNoteEndOf(g, i) >= 0) continue;  // a long note keeps its lane with its end
    // A note a press would already be judged against stays on its lane.
    bool candidate = false;
    for (int32_t cand : p.LaneCandidate) candidate = candidate || cand == i;
    if (candidate) continue;
    // When all seven key lanes already hold a note at this position, the note
    // stays where it is (drawing would never find a free lane).
    bool anyFree = false;
    for (int ch = 11; ch <= 19; ++ch)
      if (ShuffledLane(ch) && lastPlaced[ch - 11] != o.Position) anyFree = true;
    if (!anyFree) continue;
    int ch;
    do {
      ch = 11 + static_cast<int>(9 * uniform(g.playopt.Rng));
      if (ch > 19) ch = 19;
    } while (ch == 16 || ch == 17 || lastPlaced[ch - 11] == o.Position);
    o.Channel = ch;
    lastPlaced[ch - 11] = o.Position;
  }
}

double DrawnPlayPosition(const Game& g) {
  return g.play.PlayPosition - g.play.PositionRate * g.settings.VisualOffsetMs;
}

int32_t NoteYFromLine(const Game& g, int32_t judgeY, double position) {
  return RoundEven(judgeY + (DrawnPlayPosition(g) - position) * g.settings.HiSpeed);
}

NoteDrawPos ApplyNoteModifiers(const Game& g, int32_t judgeY, int32_t y, bool isNote) {
  const Settings& s = g.settings;
  NoteDrawPos out;
  out.y = y;
  if (isNote) {
    if (s.Hidden && judgeY - y < 120) out.visible = false;
    if (s.Stealth) out.visible = false;
    if (s.Sudden && judgeY - y > 124) out.visible = false;
  }
  if (judgeY > 0) {
    const double J = judgeY;
    if (s.Accel) out.y = RoundEven(double(out.y) * out.y / J);
    if (s.Vexo) {
      const double yy = out.y;
      out.widen = RoundEven(12.0 * yy / J - 12.0);
      out.y = RoundEven(J - 2.0 * (J - yy) * yy / J);
    }
  }
  if (s.Reverse) out.y = judgeY - out.y;
  return out;
}

bool DrawLimitAllows(const Game& g, DrawElement element) {
  const int level = g.settings.DRAWLIMIT;
  switch (element) {
    case DrawElement::Panels:
      return level < 3;
    default:
      return level < 2;
  }
}

}  // namespace kvx
