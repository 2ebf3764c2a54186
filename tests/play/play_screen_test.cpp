// The play screen drawn from the generated default skin on the dummy display:
// where notes appear and vanish, the gauge bar steps, bombs, the class sound,
// the fade, and the text formats.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/skin_loading.h"
#include "media/display.h"
#include "media/skin.h"
#include "app/sound_links.h"
#include "media/sound.h"
#include "play/judge.h"
#include "play/play_screen_parts.h"
#include "picture.h"
#include "play_loop_fixture.h"

namespace kvx {
namespace {

using test::HeadlessPlay;
using test::Note;
namespace fs = std::filesystem;

class PlayScreen : public ::testing::Test {
 protected:
  void SetUp() override {
    fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", g.paths.data,
             fs::copy_options::recursive | fs::copy_options::overwrite_existing);
    g.options.headless = true;
    InitDX(g);
    ShowGameWindow(g);
    InitDD(g);
    CreateSurfaces(g);
    LoadRectData(g, g.paths.In("kvx_scr.brd"));
    ASSERT_TRUE(g.display.SkinSurface.Valid());
    skin = test::ReadPicture(g, g.display.SkinSurface);
    g.settings.ShowBGA = false;
    g.settings.DontStretch = true;  // no widening: pictures at their own size
  }
  void TearDown() override {
    ReleaseSound(g.sound);
    ReleaseDirectX(g);
  }

  uint32_t SkinAt(int x, int y) const { return skin.at(x, y); }

  // The share (0..1) of the picture's coloured pixels found on the back surface at (x, top).
  double Found(const test::Picture& back, const Rect& picture, int x, int top) const {
    return test::MatchInk(back, x, top, skin, picture).share();
  }

  // The note picture of a lane at the y a chart position gives.
  double NoteShown(const test::Picture& back, int channel, double position) const {
    const Rect note = SkinObjRect(g.skin, g.skin.KeyDefs[channel][0]);
    const int y = NoteScreenY(g, 0, position);
    return Found(back, note, g.skin.KeyDefs[channel][1], y - note.Height() / 2);
  }

  test::Picture Frame(int32_t objectIndex = 0) {
    DrawPlayScreen(g, objectIndex);
    return test::ReadPicture(g, g.display.BackSurface);
  }

  HeadlessPlay play;
  Game& g = play.g;
  test::Picture skin;
};

// HiSpeed 1 and the line at 400: 400 units ahead is the top edge; at HiSpeed 2
// only 200 units are shown. A reached note is not drawn but stays judgeable.
TEST_F(PlayScreen, NotesShowFromTheTopEdgeDownToTheLine) {
  ASSERT_EQ(JudgeLineY(g, 0), 400);
  play.Chart(120, 4, {Note(11, 100), Note(12, 300), Note(13, 399), Note(14, 400), Note(15, 420)});
  play.StartClock();
  g.settings.HiSpeed = 1.0f;
  EXPECT_EQ(NoteScreenY(g, 0, 400), 0);
  auto back = Frame();
  EXPECT_GT(NoteShown(back, 11, 100), 0.95);  // y 300
  EXPECT_GT(NoteShown(back, 12, 300), 0.95);  // y 100
  EXPECT_GT(NoteShown(back, 13, 399), 0.95);  // y 1, cut at the top
  EXPECT_LT(NoteShown(back, 14, 400), 0.05);  // at the top edge: the walk stops there
  EXPECT_LT(NoteShown(back, 15, 420), 0.05);

  g.settings.HiSpeed = 2.0f;
  back = Frame();
  EXPECT_GT(NoteShown(back, 11, 100), 0.95);  // y 200
  EXPECT_LT(NoteShown(back, 12, 300), 0.05);  // beyond the 200 units shown

  // The play reaches the first note: it is gone from the screen, yet a press
  // 20 units late still judges it (BAD).
  g.settings.HiSpeed = 1.0f;
  g.play.PlayPosition = 100;
  int first = 0;
  while (g.chart.Objects[first].Channel != 11) ++first;
  g.play.NextObject = first + 1;  // the note at 100 has been reached
  g.play.LaneCandidate.fill(-1);
  Frame(0);  // candidate chosen while it is still on screen
  g.play.PlayPosition = 100.5;
  back = Frame(g.play.NextObject);
  EXPECT_LT(NoteShown(back, 11, 100), 0.05);
  ASSERT_GE(g.play.LaneCandidate[0], 0);
  EXPECT_EQ(g.chart.Objects[g.play.LaneCandidate[0]].Position, 100);
  g.play.PlayPosition = 120;
  Frame(g.play.NextObject);
  EXPECT_GE(g.play.LaneCandidate[0], 0);  // not missed before 48 units
  Judge(g, g.play.LaneCandidate[0], 0);
  EXPECT_EQ(g.judge.Player[0].CountBad, 1);
  EXPECT_EQ(g.judge.Player[0].CountPoor, 0);
}

// Gauge bar: round((gauge - flicker) x unit) cut down to the step, never past
// the shown percentage. Bombs of 8 frames last 160 ms. The closing fade darkens.
TEST_F(PlayScreen, GaugeStepsBombsAndFade) {
  play.Chart(120, 4, {});
  play.StartClock();
  const SkinLayout& s = g.skin;
  ASSERT_EQ(s.GaugeStep, 4);
  const Rect bar = s.GaugeRects[0];
  const int row = (bar.top + bar.bottom) / 2;
  g.judge.Player[0].DisplayedGauge = 50;
  for (int frame = 0; frame < 20; ++frame) {
    const auto back = Frame();
    int length = 0;
    while (length < bar.Width() &&
           back.at(s.GaugePosX[0] + length, s.GaugePosY[0] + row - bar.top) == SkinAt(bar.left + length, row))
      ++length;
    EXPECT_GE(length, static_cast<int>(40 * s.GaugeUnit) - s.GaugeStep) << frame;
    EXPECT_LE(length, static_cast<int>(50 * s.GaugeUnit)) << frame;
  }

  ASSERT_EQ(s.BombFrameCount, 8);
  const uint32_t start = g.NowMs();
  g.judge.BombActive[2] = true;
  g.judge.BombTime[2] = start;
  play.clock().Set(start + 160);
  Frame();
  EXPECT_TRUE(g.judge.BombActive[2]);
  play.clock().Set(start + 161);
  Frame();
  EXPECT_FALSE(g.judge.BombActive[2]);

  // Closing fade 100 ms in: half dark. The lane frame's pixels show it.
  const Rect frame = SkinObjRect(s, s.BasePanelObj[0]);
  int fx = frame.left, fy = frame.top + 200;
  while (!SkinAt(fx, fy)) ++fx;
  const uint32_t lit = SkinAt(fx, fy);
  g.play.FadeState = kFadeClose;
  g.play.FadeStart = g.NowMs() - 100;
  g.play.Playing = false;
  const auto back = Frame();
  const uint32_t dark = back.at(s.BasePanelX[0] + fx - frame.left, s.BasePanelY[0] + fy - frame.top);
  for (int shift : {0, 8, 16})
    EXPECT_NEAR(double((dark >> shift) & 0xFF), ((lit >> shift) & 0xFF) * 0.5, 2.0) << shift;
}

// A pressed lane shows its key picture on the key panel; the pedal key
// shows the scratch's.
TEST_F(PlayScreen, PressedKeysShowTheirPicture) {
  play.Chart(120, 4, {});
  play.StartClock();
  const SkinLayout& s = g.skin;
  const Rect key1 = SkinObjRect(s, s.KeyDefs[11][0] + 10), scratch = SkinObjRect(s, s.KeyDefs[16][0] + 10);
  auto back = Frame();
  EXPECT_LT(Found(back, key1, s.KeyDefs[11][1], s.KeyPanelY[0]), 0.5);
  EXPECT_LT(Found(back, scratch, s.KeyDefs[16][1], s.KeyPanelY[0]), 0.5);
  g.app.LanePressed[11 - 11] = true;
  g.app.LanePressed[17 - 11] = true;
  back = Frame();
  EXPECT_GT(Found(back, key1, s.KeyDefs[11][1], s.KeyPanelY[0]), 0.95);
  EXPECT_GT(Found(back, scratch, s.KeyDefs[16][1], s.KeyPanelY[0]), 0.95);
}

TEST_F(PlayScreen, ClassSoundPlaysOnlyWhenTheClassChanges) {
  fs::create_directories(g.paths.data + "/wav");
  InitDS(g);
  ASSERT_TRUE(SoundAvailable(g.sound));
  play.Chart(120, 4, {});
  play.StartClock();
  const int ss = kSeClassSS;
  ASSERT_TRUE(HasSystemSound(g.sound, ss));
  g.judge.JPointsMax = 18;
  g.judge.Player[0].JPoints = 18;
  Frame();
  EXPECT_EQ(g.judge.ClassShown, 0);
  EXPECT_TRUE(IsSystemSoundPlaying(g.sound, ss));
  StopSE(g.sound, ss);
  Frame();
  EXPECT_FALSE(IsSystemSoundPlaying(g.sound, ss));  // same class: no sound again
  g.judge.JPointsMax = 36;                     // 50 %: class C
  Frame();
  EXPECT_EQ(g.judge.ClassShown, 4);
  EXPECT_TRUE(IsSystemSoundPlaying(g.sound, ss + 4));
}

// While paused the screen says so and names the keys: two lines inside the
// band, on the screen, apart, and drawn there in light pixels; not otherwise.
TEST_F(PlayScreen, PauseShowsABandWithItsKeys) {
  using namespace play_screen;
  auto light_in_band = [](const test::Picture& back) {
    int light = 0;
    for (int y = kPauseBandTop; y < kPauseBandBottom; ++y)
      for (int x = 0; x < 640; ++x) light += (back.at(x, y) & 0xE0E0E0) == 0xE0E0E0;
    return light;
  };
  play.Chart(150, 64, {});
  EXPECT_LT(light_in_band(Frame()), 50);
  g.play.Paused = true;
  const auto lines = PauseLines(g);
  ASSERT_EQ(lines.size(), 2u);
  int previous_bottom = kPauseBandTop;
  for (const PauseLine& line : lines) {
    const int w = GdiTextWidth(g, line.font, line.text), h = GdiFontHeight(g, line.font);
    EXPECT_GT(w, 0) << line.text;
    EXPECT_GE(line.x, 0) << line.text;
    EXPECT_LE(line.x + w, 640) << line.text;
    EXPECT_GE(line.y, previous_bottom) << line.text;
    EXPECT_LE(line.y + h, kPauseBandBottom) << line.text;
    previous_bottom = line.y + h;
  }
  EXPECT_NE(lines[0].text.find("P A U S E"), std::string::npos);
  EXPECT_NE(lines[1].text.find("F12"), std::string::npos);
  EXPECT_NE(lines[1].text.find("ESC"), std::string::npos);
  EXPECT_GT(light_in_band(Frame()), 200);
}

// The digits of a three-digit combo bob to different heights: each is drawn
// whole, with a gap of at least a pixel to the next.
TEST_F(PlayScreen, ComboDigitsStandApart) {
  play.Chart(150, 64, {});
  PlayerScore& ps = g.judge.Player[0];
  ps.LastJudgement = 4;  // FGREAT: drawn in every frame
  ps.LastJudgementTime = g.NowMs() - 300;
  ps.Combo = ps.MaxCombo = 888;
  ps.ComboDigits = {8, 8, 8, 0, 0};
  ps.ComboDigitCount = 2;
  const test::Picture back = Frame();
  const Rect eight = g.skin.NumRects[8];
  std::vector<int> found;
  for (int x = 0; x + eight.Width() <= 640; ++x)
    for (int top = g.skin.JudgePosY[0] - 8; top <= g.skin.JudgePosY[0] + 8; ++top)
      if (Found(back, eight, x, top) > 0.97) {
        found.push_back(x);
        break;
      }
  ASSERT_EQ(found.size(), 3u);
  EXPECT_GT(found[1] - found[0], eight.Width());
  EXPECT_GT(found[2] - found[1], eight.Width());
}

// A long title (a course's ticker, a song change label) ends with whole
// characters before the screen's edge, in either font.
TEST_F(PlayScreen, LongTitlesEndBeforeTheScreenEdge) {
  using namespace play_screen;
  std::vector<DrawnText> trace;
  g.display.TextTrace = &trace;
  const std::string japanese = "[1] 夜明けのパレードと果てしなく長い題名の曲 Extended Version / コルベックス・サウンドチームと世界中の友達";
  DrawPlayText(g, 220, 370, japanese);
  DrawPlayText(g, 220, 390, "[1] " + std::string(100, 'W'));
  g.display.TextTrace = nullptr;
  ASSERT_EQ(trace.size(), 2u);
  for (const DrawnText& t : trace) {
    EXPECT_LE(t.rect.right, kPlayTextRight) << t.text;
    EXPECT_GT(t.rect.right, kPlayTextRight - 40) << t.text;  // not cut shorter than needed
  }
  EXPECT_EQ(trace[0].text.substr(trace[0].text.size() - 3), "…");
  EXPECT_EQ(japanese.rfind(trace[0].text.substr(0, trace[0].text.size() - 3), 0), 0u);
}

TEST(PlayScreenText, HiSpeedTimeAndTicker) {
  using namespace play_screen;
  EXPECT_EQ(FormatHiSpeed(1.0f), "1.0");
  EXPECT_EQ(FormatHiSpeed(1.5f), "1.5");
  EXPECT_EQ(FormatHiSpeed(1.25f), "1.25");
  EXPECT_EQ(FormatHiSpeed(10.0f), "10.0");
  EXPECT_EQ(FormatMinutes(84999), "01:24");
  EXPECT_EQ(FormatMinutes(-300), "00:00");
  EXPECT_EQ(FormatMinutes(3600000), "60:00");
  const std::string title = "AB\xE6\x97\xA5\xE6\x9C\xAC";  // "AB" and two Japanese characters
  EXPECT_EQ(TickerText(title, 0), title);
  EXPECT_EQ(TickerText(title, 2), "\xE6\x97\xA5\xE6\x9C\xAC");
  EXPECT_EQ(TickerText(title, 3), "\xE6\x9C\xAC");
  EXPECT_EQ(TickerText(title, 4), title);  // wraps round
  EXPECT_EQ(TickerText("", 5), "");
}

// The combo digits never touch the judgement word, however far the word is
// widened (beat pulse up to 12 pixels, then up to 33 more as it ends), and the
// word and digits stay centred on the side's judgement position at rest.
TEST(PlayScreenText, ComboDigitsKeepClearOfTheWord) {
  using namespace play_screen;
  const int word = 112, digits = 3 * 14;
  for (int widen = 0; widen <= 45; ++widen) {
    const JudgementLayout at = LayOutJudgement(320, word, widen, digits);
    EXPECT_GE(at.digitsLeft, at.wordLeft + word + widen + 2) << "widen " << widen;
  }
  const JudgementLayout rest = LayOutJudgement(320, word, 0, digits);
  const int right = rest.digitsLeft + digits;
  EXPECT_LE(std::abs((rest.wordLeft + right) / 2 - 320), 1);
  EXPECT_EQ(LayOutJudgement(320, word, 0, 0).wordLeft, 320 - word / 2);  // no combo: the word alone
}

}  // namespace
}  // namespace kvx
