// The heads-up display of the play screen: gauges, score figures, the class
// letter, bombs, judgement words with the combo, combo events and the texts.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>

#include "app/game.h"
#include "app/texts.h"
#include "media/display.h"
#include "media/skin.h"
#include "media/sound.h"
#include "play/judge.h"
#include "media/surface.h"
#include "play/options.h"
#include "play/play_loop.h"
#include "play/play_loop_links.h"
#include "play/play_screen.h"
#include "play/play_screen_parts.h"

namespace kvx::play_screen {

namespace {

constexpr uint32_t kTextColour = 0xFFFFFF;
constexpr uint32_t kFastColour = 0x40B0FF;
constexpr uint32_t kSlowColour = 0xFF7040;

bool IsPlainAscii(const std::string& s) {
  return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// Digits of a figure from a row of digit pictures; the minus sign (10) is the
// bitmap font's '-' in the middle of its cell.
void DrawDigits(Game& g, const DigitString& digits, int x, int y, const Rect* rects, int rectCount, int advance) {
  for (int i = 0; i < digits.count; ++i) {
    const int v = digits.digit[i];
    const int cx = x + i * advance;
    if (v == 10) DrawFontText(g, cx + (advance - g.display.CharWidth) / 2, y, "-");
    else if (v >= 0 && v < rectCount) SkinCopy(g, cx, y, rects[v]);
  }
}

int LaneCentre(const Game& g, int lane) {
  return LaneX(g, lane + 11) + SkinObjWidth(g.skin, LaneObject(g, lane + 11)) / 2;
}

// The judgement word of a side: the picture and its drawn width (widened).
struct JudgementWord {
  Rect source;
  int widen = 0;
};

JudgementWord WordOf(Game& g, const PlayerScore& ps, int32_t t, uint32_t now) {
  const SkinLayout& s = g.skin;
  JudgementWord w;
  if (ps.LastJudgement == kJudgeFGreat) {
    if (!s.FGreatFrames.empty()) w.source = s.FGreatFrames[(now / 40) % s.FGreatFrames.size()];
  } else if (ps.LastJudgement >= 0 && ps.LastJudgement < 4) {
    w.source = s.JudgeRects[ps.LastJudgement];
  }
  if (!g.settings.DontStretch) {
    if (t >= 900) w.widen += (t - 900) / 3;
    const int m = PositionMod(g, 48);
    if (m < 8) w.widen += static_cast<int>(std::lround(12 - 1.5 * m));
  }
  return w;
}

// Combo digits after the word: they drop in over 100 ms and bob with the beat.
void DrawComboDigits(Game& g, const PlayerScore& ps, int x, int y, int32_t t) {
  const SkinLayout& s = g.skin;
  const int n = ps.ComboDigitCount + 1;
  const double drop = t < 100 ? 20.0 * std::pow((100.0 - t) / 100.0, 2) : 0.0;
  for (int k = 0; k < n && k < static_cast<int>(ps.ComboDigits.size()); ++k) {
    const double angle = (7.5 * g.play.PlayPosition + k * 180.0 / n) * M_PI / 180.0;
    const int bob = static_cast<int>(std::lround(3 * std::sin(angle)));
    const int v = std::clamp<int>(ps.ComboDigits[k], 0, 9);
    SkinCopy(g, x + k * ComboDigitStep(s), y - static_cast<int>(std::lround(drop)) + bob, s.NumRects[v]);
  }
}

// The full-combo and no-miss marks under the word while they still hold.
void DrawMarks(Game& g, const PlayerScore& ps, int centreX, int y) {
  const SkinLayout& s = g.skin;
  const bool maxCombo = ps.Combo > 0 && ps.Combo == ps.MaxCombo;
  const bool noMiss = ps.CountBad == 0 && ps.CountPoor == 0;
  const int w1 = maxCombo ? s.MaxComboRect.Width() : 0;
  const int w2 = noMiss ? s.NoMissRect.Width() : 0;
  int x = centreX - (w1 + w2 + (w1 && w2 ? 4 : 0)) / 2;
  if (maxCombo) {
    SkinCopy(g, x, y, s.MaxComboRect);
    x += w1 + 4;
  }
  if (noMiss) SkinCopy(g, x, y, s.NoMissRect);
}

// FAST or SLOW under the marks for a judgement other than FGREAT, with the
// press offset in ms when that option is on.
void DrawFastSlow(Game& g, const TimingRecord& timing, int centreX, int y) {
  if (!g.settings.TimingFeedback || timing.LastSign == 0) return;
  std::string text = timing.LastSign < 0 ? "FAST" : "SLOW";
  if (g.settings.TimingOffsetMs) {
    char ms[24];
    std::snprintf(ms, sizeof ms, " %+dms", static_cast<int>(std::lround(timing.LastOffsetMs)));
    text += ms;
  }
  const uint32_t colour = timing.LastSign < 0 ? kFastColour : kSlowColour;
  const int width = GdiTextWidth(g, GdiFont::Bold12, text);
  DrawGdiText(g, g.display.BackSurface, GdiFont::Bold12, centreX - width / 2, y, text, colour);
}

void DrawJudgementOfSide(Game& g, int side, uint32_t now) {
  const SkinLayout& s = g.skin;
  PlayerScore& ps = g.judge.Player[SlotOfSide(g, side)];
  if (ps.LastJudgement == kJudgeNone) return;
  const int32_t t = static_cast<int32_t>(now - ps.LastJudgementTime);
  if (t > 1000) {
    ps.LastJudgement = kJudgeNone;
    return;
  }
  const JudgementWord w = WordOf(g, ps, t, now);
  const int digitsWidth = ps.Combo > 0 ? (ps.ComboDigitCount + 1) * ComboDigitStep(s) : 0;
  const int centreX = s.JudgePosX[side];
  const JudgementLayout at = LayOutJudgement(centreX, w.source.Width(), w.widen, digitsWidth);
  const int left = at.wordLeft;
  int top = s.JudgePosY[side];
  const int32_t judgeY = JudgeLineY(g, side);
  if (g.settings.Reverse) top = judgeY - top - w.source.Height();
  const bool shown = ps.LastJudgement == kJudgeFGreat || (g.play.FrameCount & 1);
  if (shown) {
    SkinCopyWidened(g, left, top, w.source, w.widen);
    if (ps.Combo > 0) DrawComboDigits(g, ps, at.digitsLeft, top, t);
  }
  const int marksY = top + std::max(w.source.Height(), 24) + 2;
  DrawMarks(g, ps, centreX, marksY);
  DrawFastSlow(g, g.judge.Timing[SlotOfSide(g, side)], centreX, marksY + 18);
}

}  // namespace

int ComboDigitStep(const SkinLayout& s) {
  int widest = s.NumAdvance;
  for (const Rect& r : s.NumRects) widest = std::max(widest, r.Width());
  return widest + kComboDigitGap;
}

JudgementLayout LayOutJudgement(int centreX, int wordWidth, int widen, int digitsWidth) {
  // The beat pulse widens the word by up to 12 pixels on each side; the digits
  // stay outside that, and move out only while the word spreads further.
  constexpr int kPulse = 12, kGap = 4;
  JudgementLayout at;
  const int digitsPart = digitsWidth > 0 ? kPulse + kGap + digitsWidth : 0;
  at.wordLeft = centreX - (wordWidth + digitsPart) / 2;
  at.digitsLeft = at.wordLeft + wordWidth + std::max(widen, kPulse) + kGap;
  return at;
}

namespace {

// Bitmap-font text centred on x.
void DrawCentredText(Game& g, int x, int y, const std::string& text) {
  DrawFontText(g, x - static_cast<int>(text.size()) * g.display.CharWidth / 2, y, text);
}

// A combo event's text rises for 1000 ms above the judgement word, then ends.
void DrawComboEvent(Game& g, ComboEvent& e, int side, const std::string& text, int row, uint32_t now) {
  if (!e.active) return;
  const int32_t t = static_cast<int32_t>(now - e.time);
  if (t > 1000 || t < 0) {
    e.active = false;
    return;
  }
  DrawCentredText(g, g.skin.JudgePosX[side], g.skin.JudgePosY[side] - 16 - row * 14 - t / 50, text);
}

}  // namespace

void DrawPlayText(Game& g, int x, int y, const std::string& text) {
  if (IsPlainAscii(text)) {
    const size_t fit = static_cast<size_t>(std::max(0, (kPlayTextRight - x) / std::max<int>(1, g.display.CharWidth)));
    DrawFontText(g, x, y, text.substr(0, fit));
  } else {
    DrawGdiTextClipped(g, g.display.BackSurface, GdiFont::Status, x, y, text, kTextColour, kPlayTextRight);
  }
}

void DrawGauges(Game& g, int sides) {
  const SkinLayout& s = g.skin;
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int side = 0; side < sides; ++side) {
    const PlayerScore& ps = g.judge.Player[SlotOfSide(g, side)];
    const bool fixed = g.play.FixedGaugeMode;
    const Rect& bg = fixed ? s.ExGaugeBgRect : s.GaugeRects[1];
    const Rect& bar = fixed ? s.ExGaugeRect : s.GaugeRects[0];
    SkinCopy(g, s.GaugePosX[side], s.GaugePosY[side], bg);
    const double flicker = std::round(10 * unit(g.play.rng));
    int length = static_cast<int>(std::lround((ps.DisplayedGauge - flicker) * s.GaugeUnit));
    if (s.GaugeStep > 0) length -= ((length % s.GaugeStep) + s.GaugeStep) % s.GaugeStep;
    length = std::clamp(length, 0, bar.Width());
    if (length > 0) SkinCopy(g, s.GaugePosX[side], s.GaugePosY[side], Rect{bar.left, bar.top, bar.left + length, bar.bottom});
  }
}

void DrawNumbers(Game& g, int sides) {
  const SkinLayout& s = g.skin;
  for (int side = 0; side < sides; ++side) {
    const int slot = SlotOfSide(g, side);
    UpdateNumberDigits(g, slot);
    const PlayerScore& ps = g.judge.Player[slot];
    DrawDigits(g, ps.ScoreDigits, s.PtsPosX[side], s.PtsPosY[side], s.PtsNumRects.data(), 10, s.PtsNumAdvance);
    DrawDigits(g, ps.JPointsDigits, s.JPtsPosX[side], s.JPtsPosY[side], s.PtsNumRects.data(), 10, s.PtsNumAdvance);
    DrawDigits(g, ps.GaugeDigits, s.PerPosX[side], s.PerPosY[side], s.PerNumRects.data(), 10,
               s.PercentFont.advance);
  }
}

void DrawClassLetter(Game& g) {
  JudgeState& js = g.judge;
  const int cls = CurrentClass(g, SlotOfSide(g, 0));
  if (cls != js.ClassShown) {
    js.ClassShown = cls;
    PlaySE(g.sound, kSeClassSS + cls);
  }
  const int drop = std::max(0, 10 - PositionMod(g, 48));
  SkinCopy(g, 275, 428 + drop, g.skin.ClassStrRects[std::clamp(cls, 0, 6)]);
}

void DrawBombs(Game& g, int sides) {
  JudgeState& js = g.judge;
  const SkinLayout& s = g.skin;
  const uint32_t now = g.NowMs();
  const int lanes = sides * 10 - 1;
  for (int lane = 0; lane < lanes && lane < static_cast<int>(js.BombActive.size()); ++lane) {
    if (!js.BombActive[lane] || lane == 9) continue;
    const uint32_t t = now - js.BombTime[lane];
    if (t > static_cast<uint32_t>(s.BombFrameCount) * 20 || s.BombFrames.empty()) {
      js.BombActive[lane] = false;
      continue;
    }
    const size_t frame = std::min<size_t>(t / 20, s.BombFrames.size() - 1);
    SkinCopy(g, LaneCentre(g, lane) + s.BombOffsetX, JudgeLineY(g, SideOfLane(lane)) + s.BombOffsetY,
             s.BombFrames[frame]);
  }
}

void DrawJudgements(Game& g, int sides) {
  const uint32_t now = g.NowMs();
  for (int side = 0; side < sides; ++side) {
    DrawJudgementOfSide(g, side, now);
    PlayerScore& ps = g.judge.Player[SlotOfSide(g, side)];
    DrawComboEvent(g, ps.ComboBreak, side, "COMBO BREAK " + std::to_string(ps.ComboBreak.combo), 0, now);
    DrawComboEvent(g, ps.ComboMilestone, side, std::to_string(ps.ComboMilestone.combo) + " COMBO!", 1, now);
    if (g.playopt.BreakOnBad) DrawCentredText(g, g.skin.JudgePosX[side], g.skin.JudgePosY[side] + 40, "PRESSURE MODE");
  }
}

void DrawPlayTexts(Game& g) {
  const PlayState& p = g.play;
  const uint32_t now = g.NowMs();
  if (g.playopt.RandomSpeed) DrawFontText(g, 300, 450, "[RANDOM]");
  if (g.settings.ComboLinkedHiSpeed) DrawFontText(g, 300, 450, "[C-Linked]");
  DrawFontText(g, 220, 400, "Hi-SPEED: " + FormatHiSpeed(g.settings.HiSpeed) + "x");
  const float rate = g.settings.RealHiSpeed > 0 ? g.settings.RealHiSpeed : 1.0f;
  DrawFontText(g, 220, 415,
               "TIME: " + FormatMinutes(PlayedMs(g, now)) + " / " + FormatMinutes(std::llround(g.chart.LengthMs / rate)));
  if (p.EscHeld) {
    const int32_t t = static_cast<int32_t>(now - p.EscDownTime);
    DrawFontText(g, 220, 370, "[ESC]: " + std::string(std::max(0, 20 - t / 25), '|'));
  } else if (g.chart.CourseMode) {
    const int song = g.chart.CourseSong;
    const std::string text = "[" + std::to_string(song + 1) + "] " + CourseSongTitle(g, song) + " / " +
                             CourseSongArtist(g, song);
    DrawPlayText(g, 220, 370, TickerText(text, std::max(0, p.ElapsedMs) / 200));
  }
  if (g.sound.EchoEffect) DrawFontText(g, 220, 350, "EFFECT: Echo [" + std::to_string(g.sound.EchoQueue.size()) + "]");
}

void DrawPauseOverlay(Game& g) {
  if (!g.play.Paused) return;
  Surface& back = g.display.BackSurface;
  const Rect band{0, kPauseBandTop, 640, kPauseBandBottom};
  DarkenSurface(g.display, back, 40);
  FillSurface(g.display, back, &band, 0x101830);
  DrawLine(g.display, back, 0, band.top, 639, band.top, 0x5070C0);
  DrawLine(g.display, back, 0, band.bottom - 1, 639, band.bottom - 1, 0x5070C0);
  for (const PauseLine& line : PauseLines(g))
    DrawGdiText(g, back, line.font, line.x, line.y, line.text, line.rgb);
}

std::vector<PauseLine> PauseLines(Game& g) {
  const std::string title = "P A U S E";
  const std::string keys = TextsOf(g).pause_keys;
  const int title_h = GdiFontHeight(g, GdiFont::Title), keys_h = GdiFontHeight(g, GdiFont::Bold12);
  const int top = kPauseBandTop + (kPauseBandBottom - kPauseBandTop - title_h - 8 - keys_h) / 2;
  return {{GdiFont::Title, 320 - GdiTextWidth(g, GdiFont::Title, title) / 2, top, title, 0xFFFFFF},
          {GdiFont::Bold12, 320 - GdiTextWidth(g, GdiFont::Bold12, keys) / 2, top + title_h + 8, keys, 0xC8D4F0}};
}

std::string FormatHiSpeed(float value) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.2f", static_cast<double>(value));
  std::string s = buf;
  if (s.size() > 3 && s.back() == '0') s.pop_back();
  return s;
}

std::string FormatMinutes(int64_t ms) {
  const int64_t seconds = std::max<int64_t>(0, ms) / 1000;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%02lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return buf;
}

std::string TickerText(const std::string& utf8, int64_t step) {
  std::vector<size_t> starts;
  for (size_t i = 0; i < utf8.size(); ++i)
    if ((static_cast<unsigned char>(utf8[i]) & 0xC0) != 0x80) starts.push_back(i);
  if (starts.empty()) return {};
  const size_t first = starts[static_cast<size_t>(std::max<int64_t>(0, step)) % starts.size()];
  return utf8.substr(first);
}

}  // namespace kvx::play_screen
