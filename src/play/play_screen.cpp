#include "play/play_screen.h"

#include <algorithm>
#include <cmath>

#include "app/game.h"
#include "chart/chart_read.h"
#include "media/bga.h"
#include "media/display.h"
#include "media/skin.h"
#include "media/surface.h"
#include "net/net_panel.h"
#include "play/judge.h"
#include "play/long_notes.h"
#include "play/options.h"
#include "play/play_loop.h"
#include "play/play_loop_links.h"
#include "play/play_screen_parts.h"

namespace kvx {

namespace play_screen {

void SkinCopy(Game& g, int x, int y, const Rect& source) {
  if (source.Width() <= 0 || source.Height() <= 0) return;
  DisplayState& d = g.display;
  BltClipped(g.display, d.BackSurface, d.ScreenRect, x, y, d.SkinSurface, source, kBltSourceColorKey);
}

void SkinStretch(Game& g, const Rect& dest, const Rect& source) {
  if (source.Width() <= 0 || source.Height() <= 0) return;
  DisplayState& d = g.display;
  BltStretchClipped(g.display, d.BackSurface, dest, d.SkinSurface, source, kBltSourceColorKey);
}

void SkinCopyWidened(Game& g, int x, int y, const Rect& source, int widen) {
  if (widen == 0) SkinCopy(g, x, y, source);
  else SkinStretch(g, Rect{x - widen, y, x + source.Width() + widen, y + source.Height()}, source);
}

int AnchorOf(int side) { return side == 0 ? 10 : 20; }

int LaneX(const Game& g, int ch) { return g.skin.KeyDefs[DrawnChannel(ch)][1]; }
int LaneObject(const Game& g, int ch) { return g.skin.KeyDefs[DrawnChannel(ch)][0]; }

int DrawnChannel(int channel) {
  if (channel == 17) return 16;
  if (channel == 27) return 26;
  return channel;
}

int SideOfLane(int lane) { return lane >= 10 ? 1 : 0; }

int32_t PositionMod(const Game& g, int32_t m) {
  const int64_t p = std::llround(g.play.PlayPosition);
  return static_cast<int32_t>(((p % m) + m) % m);
}

}  // namespace play_screen

using namespace play_screen;

namespace {

void SetChartVolume(Game& g, int32_t hundredthsDb) {
  SetAllWavVolumes(g.sound, std::max<int32_t>(hundredthsDb, -10000));
}

// What one frame of lanes and notes shares.
struct LaneFrame {
  int sides = 1;
  int widen = 0;  // the measure-start widening of the lane elements
  double k = 1.0 / 60;
  uint32_t now = 0;
};

// Automatic lanes show their key as pressed for a moment after each note.
bool AutoPressed(Game& g, int lane, uint32_t now) {
  const bool automatic = g.app.LaneAuto[lane] || g.settings.DEMOMode;
  if (automatic && LaneHoldsLongNote(g, lane)) return true;  // held to the long note's end
  return automatic && g.judge.BombActive[lane] && now - g.judge.BombTime[lane] < 80;
}

void DrawKeyBeam(Game& g, int ch, const LaneFrame& f, bool autoPressed) {
  PlayState& p = g.play;
  const int lane = ch - 11;
  if (p.KeyFlash[lane] == 127) return;
  const float target = autoPressed ? 1.0f : static_cast<float>(p.KeyFlash[lane]);
  const double rate = target == 0 ? 4.8 : 48.0;
  float& beam = p.KeyBeam[lane];
  beam = std::clamp(static_cast<float>(beam + (target - beam) * rate * f.k), 0.0f, 1.0f);
  if (beam < 0.01f) return;
  const Rect source = SkinObjRect(g.skin, g.skin.KeyDefs[DrawnChannel(ch)][3]);
  const int32_t judgeY = JudgeLineY(g, SideOfLane(lane));
  const int32_t h = static_cast<int32_t>(std::lround(source.Height() * beam));
  if (h <= 0) return;
  const int x = LaneX(g, ch);
  SkinStretch(g, Rect{x - f.widen, judgeY - h, x + source.Width() + f.widen, judgeY}, source);
}

void DrawLane(Game& g, int ch, const LaneFrame& f) {
  const int lane = ch - 11;
  const int side = SideOfLane(lane);
  const bool autoPressed = AutoPressed(g, lane, f.now);
  if (DrawLimitAllows(g, DrawElement::KeyBeams)) DrawKeyBeam(g, ch, f, autoPressed);
  const int x = LaneX(g, ch);
  const int obj = LaneObject(g, ch);
  // The pedal keys (17, 27) press the scratch lane they are drawn with.
  const bool pedal = (ch == 16 || ch == 26) && g.app.LanePressed[lane + 1];
  if (g.app.LanePressed[lane] || pedal || autoPressed) SkinCopy(g, x, g.skin.KeyPanelY[side], SkinObjRect(g.skin, obj + 10));
  DetectMiss(g, lane);
  SkinCopy(g, x, JudgeLineY(g, side) - 5, SkinObjRect(g.skin, obj + 20));
}

void DrawProgressMarks(Game& g, int side) {
  const PlayState& p = g.play;
  const SkinLayout& s = g.skin;
  const int anchor = AnchorOf(side);
  const int32_t judgeY = JudgeLineY(g, side);
  const Rect marker = SkinObjRect(s, 31);
  if (g.chart.LengthMs > 0 && p.ElapsedMs > 0) {
    const double y = double(judgeY) * p.ElapsedMs * g.settings.RealHiSpeed / g.chart.LengthMs;
    const int my = static_cast<int>(std::lround(std::clamp(y, 0.0, double(judgeY))));
    SkinCopy(g, std::max(0, s.KeyDefs[anchor][1] - marker.Width() - 1), my - marker.Height() / 2, marker);
  }
  // A pulse at the line that shrinks over the beat after each bar line.
  const int m = std::clamp(p.LastBarMeasure, 0, kMaxMeasure);
  const float length = g.chart.MeasureLength[m] > 0 ? g.chart.MeasureLength[m] : 1.0f;
  const double f = std::round(p.PlayPosition - p.LastBarPosition) / (48.0 * length);
  if (f < 0 || f >= 1) return;
  const double size = 1.0 - std::pow(f, 1.5);
  const Rect pulse = SkinObjRect(s, 32);
  const int w = static_cast<int>(std::lround(pulse.Width() * size));
  const int centre = s.KeyDefs[anchor][1] + pulse.Width() / 2;
  SkinStretch(g, Rect{centre - w / 2, judgeY - pulse.Height() / 2, centre - w / 2 + w,
                      judgeY - pulse.Height() / 2 + pulse.Height()},
              pulse);
}

void DrawSongChangeLabel(Game& g, int side, int32_t y, int song) {
  const int anchor = AnchorOf(side);
  const int beat = PositionMod(g, 192) / 48 + 1;
  const int32_t lowest = g.skin.JudgePosY[side] - std::max<int>(g.display.CharHeight, 12);
  const std::string label =
      std::string(beat, '>') + "[" + std::to_string(song + 1) + "] " + CourseSongTitle(g, song);
  DrawPlayText(g, g.skin.KeyDefs[anchor][1], std::min(y, lowest), label);
}

void DrawBarLine(Game& g, int side, int32_t y, int widen) {
  const int anchor = AnchorOf(side);
  const NoteDrawPos d = ApplyNoteModifiers(g, JudgeLineY(g, side), y, false);
  SkinCopyWidened(g, g.skin.KeyDefs[anchor][1], d.y, SkinObjRect(g.skin, g.skin.KeyDefs[anchor][0]),
                  widen + d.widen);
}

void DrawNote(Game& g, int side, int ch, int32_t y, int widen) {
  const NoteDrawPos d = ApplyNoteModifiers(g, JudgeLineY(g, side), y, true);
  if (!d.visible) return;
  const Rect source = SkinObjRect(g.skin, LaneObject(g, ch));
  const int w = std::max(widen + d.widen, -source.Width() / 2 + 1);
  // The note's middle is on the judgement line when it is due.
  SkinCopyWidened(g, LaneX(g, ch), d.y - source.Height() / 2, source, w);
}

double ScreenTopPosition(const Game& g, int side) {
  const float hs = g.settings.HiSpeed > 0 ? g.settings.HiSpeed : 1.0f;
  return DrawnPlayPosition(g) + JudgeLineY(g, side) / hs;
}

// Chooses the lanes' candidates and misses the notes one beat past the line.
// The walk starts at the first note still awaiting its judgement, not at the
// first object not yet reached: a note that reaches the line while an earlier
// note of its lane is the candidate becomes the candidate once that one has
// been judged, so every note is judged exactly once however dense its lane.
void WalkCandidates(Game& g, int32_t objectIndex, const LaneFrame& f) {
  const int count = std::min(g.chart.ObjectCount, kMaxObjects);
  const int32_t start = AdvanceCandidateCursor(g, objectIndex, f.sides);
  const double position = g.play.PlayPosition;
  const double scale = JudgeUnitScale(g);
  for (int side = 0; side < f.sides; ++side) {
    // Notes further ahead than the candidate reach are never chosen.
    const double end = std::min(ScreenTopPosition(g, side), position + kCandidateReach * scale);
    for (int i = start; i < count; ++i) {
      const ChartObject& o = g.chart.Objects[i];
      if (o.Position >= end) break;
      if (!IsLaneChannel(o.Channel) || (o.Channel / 10 - 1) != side) continue;
      ChooseCandidate(g, i, NoteScreenY(g, side, o.Position));
      if (position - o.Position >= kMissOffset * scale) DetectMiss(g, o.Channel - 11);
    }
  }
}

// Draws the objects from objectIndex (the first not yet reached) to the top
// of the screen of each side.
void DrawVisibleObjects(Game& g, int32_t objectIndex, const LaneFrame& f) {
  const int count = std::min(g.chart.ObjectCount, kMaxObjects);
  for (int side = 0; side < f.sides; ++side) {
    const double top = ScreenTopPosition(g, side);
    for (int i = std::max(0, objectIndex); i < count; ++i) {
      const ChartObject& o = g.chart.Objects[i];
      if (o.Position >= top) break;
      const int32_t y = NoteScreenY(g, side, o.Position);
      if (o.Channel == kChannelSongChange) {
        if (side == 0) DrawSongChangeLabel(g, side, y, std::clamp(o.Value, 0, kMaxCourseSongs - 1));
      } else if (o.Channel == kChannelBarLine) {
        DrawBarLine(g, side, y, f.widen);
      } else if (IsLaneChannel(o.Channel) && (o.Channel / 10 - 1) == side) {
        const int32_t end = LongNoteEndOf(g, i);
        if (end >= 0) {
          const double endPosition = g.chart.Objects[end].Position;
          DrawLongNoteBody(g, side, o.Channel, y, endPosition >= top ? 0 : NoteScreenY(g, side, endPosition), false,
                           f.widen);
        }
        DrawNote(g, side, o.Channel, y, f.widen);
      } else if (IsLongNoteEnd(o.Channel) && LaneOfMarker(o.Channel) / 10 - 1 == side) {
        DrawLongNoteEnd(g, side, LaneOfMarker(o.Channel), y, f.widen);
      } else if (IsMine(o.Channel) && LaneOfMarker(o.Channel) / 10 - 1 == side) {
        DrawMine(g, side, LaneOfMarker(o.Channel), y, f.widen);
      }
    }
  }
}

void DrawPanels(Game& g, int sides) {
  const SkinLayout& s = g.skin;
  for (int side = 0; side < sides; ++side) {
    SkinCopy(g, s.BasePanelX[side], s.BasePanelY[side], SkinObjRect(s, s.BasePanelObj[side]));
    SkinCopy(g, s.KeyPanelX[side], s.KeyPanelY[side], SkinObjRect(s, s.KeyPanelObj[side]));
  }
}

// The lane channels a frame draws: 11 .. sides x 10 + 9 without 20 and the
// pedal lanes 17 and 27, which show on the scratch lane.
template <typename Each>
void ForEachDrawnLane(const LaneFrame& f, Each each) {
  for (int c = 11; c <= f.sides * 10 + 9; ++c)
    if (c != 20 && c != 17 && c != 27) each(c);
}

void DrawLanesAndNotes(Game& g, int32_t objectIndex, LaneFrame& f) {
  ForEachDrawnLane(f, [&](int c) { DrawLane(g, c, f); });
  if (DrawLimitAllows(g, DrawElement::ProgressMarks))
    for (int side = 0; side < f.sides; ++side) DrawProgressMarks(g, side);
  WalkCandidates(g, objectIndex, f);
  DrawPassedLongNotes(g, f.sides, f.widen);
  DrawVisibleObjects(g, objectIndex, f);
}

// Missed notes and candidates still run when the objects are not shown.
void JudgeHiddenLanes(Game& g, int32_t objectIndex, const LaneFrame& f) {
  ForEachDrawnLane(f, [&](int c) { DetectMiss(g, c - 11); });
  WalkCandidates(g, objectIndex, f);
}

}  // namespace

int32_t JudgeLineY(const Game& g, int side) {
  const int32_t y = g.skin.KeyPanelY[side & 1];
  return y > 0 ? y : 400;
}

int32_t NoteScreenY(const Game& g, int side, double position) {
  return NoteYFromLine(g, JudgeLineY(g, side), position);
}

int32_t UpdatePlayFade(Game& g) {
  PlayState& p = g.play;
  const int32_t t = static_cast<int32_t>(g.NowMs() - p.FadeStart);
  auto finish = [&] {
    p.FadeState = kFadeNone;
    if (p.FadeMayFinish == 1) p.QuitPlay = true;
  };
  switch (p.FadeState) {
    case kFadeClose: {
      if (p.Playing) SetChartVolume(g, -50 * t);
      if (t > 200) {
        finish();
        return 100;
      }
      return std::clamp(t / 2, 0, 100);
    }
    case kFadeBrighten: {
      if (t > 200) {
        finish();
        return 0;
      }
      return std::clamp(t / 2, 0, 100);
    }
    case kFadeFailed: {
      if (t > 1000) SetChartVolume(g, -5 * (t - 1000));
      if (t > 2000) {
        finish();
        return 100;
      }
      return std::clamp(t / 20, 0, 100);
    }
    case kFadeStage:
      if (t > 500) {
        ReleaseChartImages(g);
        // The stage picture breaks into falling tiles over the next song.
        CaptureBackSurface(g);
        p.FadeState = kFadeIntro;
        p.FadeStart = g.NowMs();
      }
      return 0;
    default:
      return 0;
  }
}

void DrawPlayScreen(Game& g, int32_t objectIndex) {
  PlayState& p = g.play;
  DisplayState& d = g.display;
  if (objectIndex > g.chart.ObjectCount || g.chart.BackgroundPreview) return;
  if (!CheckDisplay(g)) return;
  if (g.playopt.SpShuffle) ShuffleAhead(g);
  ++p.FrameCount;

  LaneFrame f;
  f.sides = std::clamp<int>(PlaySides(g), 1, 2);
  f.now = g.NowMs();
  const double fps = MeasuredFps(g);
  f.k = fps > 0 ? 1.0 / fps : 1.0 / 60;
  if (g.settings.UserPlay && !g.settings.DontStretch && PositionMod(g, 192) < 12) f.widen = 2;

  FillSurface(g.display, d.BackSurface, &d.ScreenRect, 0);
  if (g.settings.ShowBGA) DrawBgaWindow(g);
  // The lane frames go under the lanes so that key pictures and notes stay on top.
  if (DrawLimitAllows(g, DrawElement::Panels)) DrawPanels(g, f.sides);
  if (g.settings.ShowObj) DrawLanesAndNotes(g, objectIndex, f);
  else JudgeHiddenLanes(g, objectIndex, f);
  if (g.settings.UserPlay && g.settings.ShowGauge) DrawGauges(g, f.sides);
  DrawNumbers(g, f.sides);
  if (DrawLimitAllows(g, DrawElement::ClassLetter)) DrawClassLetter(g);
  DrawBombs(g, f.sides);
  DrawJudgements(g, f.sides);
  if (DrawLimitAllows(g, DrawElement::Texts)) DrawPlayTexts(g);
  DrawNetPlayPanel(g);
  DrawPauseOverlay(g);

  // The opening tiles fall for 300 ms; the transition ends the intro state itself.
  if (p.FadeState == kFadeIntro) DrawTileTransition(g);
  DarkenSurface(g.display, d.BackSurface, UpdatePlayFade(g));
  PresentFrame(g);
}

}  // namespace kvx
