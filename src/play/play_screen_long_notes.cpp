// Long notes and mines on the play screen (modern charts): a long note's
// body runs from its start (or the judgement line, once the start has passed
// it) to its end, with the lane's body picture, brighter while it is held; its
// end has a cap; a mine is drawn in its lane like a note.
#include <algorithm>

#include "app/game.h"
#include "chart/chart_read.h"
#include "media/skin.h"
#include "media/surface.h"
#include "play/long_notes.h"
#include "play/options.h"
#include "play/play_screen.h"
#include "play/play_screen_parts.h"

namespace kvx::play_screen {

namespace {

constexpr uint32_t kMineFallbackRgb = 0xD02020;

// The lane's own picture, or its note picture when the skin has none.
Rect LanePicture(const Game& g, const std::array<Rect, 19>& table, int ch) {
  const Rect own = table[DrawnChannel(ch) - 11];
  if (own.Width() > 0 && own.Height() > 0) return own;
  return SkinObjRect(g.skin, LaneObject(g, ch));
}

// x of a picture centred on the lane's note picture.
int CentredX(const Game& g, int ch, const Rect& picture) {
  const int noteWidth = SkinObjRect(g.skin, LaneObject(g, ch)).Width();
  return LaneX(g, ch) + (noteWidth - picture.Width()) / 2;
}

}  // namespace

void DrawLongNoteBody(Game& g, int side, int ch, int32_t bottomY, int32_t topY, bool held, int widen) {
  const Settings& s = g.settings;
  if (s.Stealth) return;
  const int32_t judgeY = JudgeLineY(g, side);
  // Hidden and Sudden leave a band of the lane visible, in screen y before
  // the other modifiers.
  int32_t visibleTop = 0, visibleBottom = judgeY;
  if (s.Sudden) visibleTop = std::max(visibleTop, judgeY - 124);
  if (s.Hidden) visibleBottom = std::min(visibleBottom, judgeY - 120);
  const int32_t top = std::max(topY, visibleTop), bottom = std::min(bottomY, visibleBottom);
  if (top >= bottom) return;
  const NoteDrawPos a = ApplyNoteModifiers(g, judgeY, top, false);
  const NoteDrawPos b = ApplyNoteModifiers(g, judgeY, bottom, false);
  const Rect source = LanePicture(g, held ? g.skin.LongActiveRects : g.skin.LongBodyRects, ch);
  if (source.Width() <= 0 || source.Height() <= 0) return;
  const int x = CentredX(g, ch, source);
  const int w = std::max(widen + std::max(a.widen, b.widen), -source.Width() / 2 + 1);
  SkinStretch(g, Rect{x - w, std::min(a.y, b.y), x + source.Width() + w, std::max(a.y, b.y)}, source);
}

void DrawLongNoteEnd(Game& g, int side, int ch, int32_t y, int widen) {
  const NoteDrawPos d = ApplyNoteModifiers(g, JudgeLineY(g, side), y, true);
  if (!d.visible) return;
  const Rect source = LanePicture(g, g.skin.LongEndRects, ch);
  const int w = std::max(widen + d.widen, -source.Width() / 2 + 1);
  SkinCopyWidened(g, CentredX(g, ch, source), d.y - source.Height() / 2, source, w);
}

void DrawMine(Game& g, int side, int ch, int32_t y, int widen) {
  const NoteDrawPos d = ApplyNoteModifiers(g, JudgeLineY(g, side), y, true);
  if (!d.visible) return;
  const Rect own = g.skin.MineRects[DrawnChannel(ch) - 11];
  if (own.Width() > 0 && own.Height() > 0) {
    const int w = std::max(widen + d.widen, -own.Width() / 2 + 1);
    SkinCopyWidened(g, CentredX(g, ch, own), d.y - own.Height() / 2, own, w);
    return;
  }
  // A skin without mine pictures: a red block the size of the lane's note.
  const Rect note = SkinObjRect(g.skin, LaneObject(g, ch));
  const int h = std::max(4, note.Height());
  Rect block{LaneX(g, ch) + 2, d.y - h / 2, LaneX(g, ch) + std::max(6, note.Width()) - 2, d.y - h / 2 + h};
  block.left = std::max(0, block.left);
  block.top = std::max(0, block.top);
  if (block.right > block.left && block.bottom > block.top) FillSurface(g.display, g.display.BackSurface, &block, kMineFallbackRgb);
}

void DrawPassedLongNotes(Game& g, int sides, int widen) {
  const PlayState& p = g.play;
  const float hs = g.settings.HiSpeed > 0 ? g.settings.HiSpeed : 1.0f;
  for (int lane = 0; lane < kLaneCount; ++lane) {
    const int32_t start = p.PassedLongNoteStart[lane];
    const int32_t end = LongNoteEndOf(g, start);
    if (end < 0) continue;
    const int ch = g.chart.Objects[start].Channel;
    const int side = ch / 10 - 1;
    if (side < 0 || side >= sides) continue;
    const int32_t judgeY = JudgeLineY(g, side);
    const double top = p.PlayPosition + judgeY / hs;
    const int32_t endY = g.chart.Objects[end].Position >= top ? 0 : NoteScreenY(g, side, g.chart.Objects[end].Position);
    DrawLongNoteBody(g, side, ch, judgeY, endY, LaneHoldsLongNote(g, lane), widen);
  }
}

}  // namespace kvx::play_screen
