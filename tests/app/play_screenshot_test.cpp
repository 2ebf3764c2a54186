// A demo chart played from the command line; 20 s into the play the back
// surface is read and saved as a BMP (build/screenshots), and its pixels must
// show the lane frame, falling notes, a full gauge and the background image.
// Once on the dummy display, once in a real window under an X server.
#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "media/display.h"
#include "media/skin.h"
#include "play/play_screen.h"
#include "picture.h"
#include "whole_program_fixture.h"
#include "xserver.h"

namespace kvx {
namespace {

using test::InkMatch;
using test::MatchInk;
using test::Picture;
using test::ReadPicture;
using test::WholeProgram;
namespace fs = std::filesystem;


// What a frame 20 s into the play shows.
struct PlayFrameFigures {
  int frame_pixels = 0, frame_matching = 0;  // non-black pixels of the lane frame object
  int notes_on_screen = 0, notes_in_place = 0;
  int gauge_pixels = 0, gauge_matching = 0;  // one row of the gauge, bar and background
  int bga_lit = 0, bga_area = 0;             // non-black pixels of the background window
};

PlayFrameFigures Measure(Game& g, const Picture& back, const Picture& skin) {
  PlayFrameFigures f;
  const SkinLayout& s = g.skin;
  const Rect frame = SkinObjRect(s, s.BasePanelObj[0]);
  const InkMatch frame_match = MatchInk(back, s.BasePanelX[0], s.BasePanelY[0], skin, frame);
  f.frame_pixels = frame_match.ink;
  f.frame_matching = frame_match.same;
  // Every note on screen is where its position puts it: the note picture's
  // coloured pixels at (lane x, y - height / 2). A judgement word may cover one.
  const PlayState& p = g.play;
  for (int i = p.NextObject; i < g.chart.ObjectCount; ++i) {
    const ChartObject& o = g.chart.Objects[i];
    const int32_t y = NoteScreenY(g, 0, o.Position);
    if (y <= 0) break;
    if (o.Channel < 11 || o.Channel > 19 || o.Channel == 17) continue;
    const Rect note = SkinObjRect(s, s.KeyDefs[o.Channel][0]);
    const InkMatch m = MatchInk(back, s.KeyDefs[o.Channel][1], y - note.Height() / 2, skin, note);
    ++f.notes_on_screen;
    f.notes_in_place += m.ink > 0 && m.same * 100 >= m.ink * 85;  // a bar line may cross it
  }
  // The gauge bar up to the shown percentage less the flicker, the background after it.
  const Rect bar = s.GaugeRects[0], bg = s.GaugeRects[1];
  const int row = (bar.top + bar.bottom) / 2;
  const float gauge = g.judge.Player[0].DisplayedGauge;
  const int full = static_cast<int>((gauge - 10) * s.GaugeUnit) - s.GaugeStep;
  const int empty = static_cast<int>(gauge * s.GaugeUnit) + s.GaugeStep;
  for (int i = 0; i < bar.Width(); ++i) {
    if (i >= full && i < empty) continue;
    const uint32_t want = i < full ? skin.at(bar.left + i, row) : skin.at(bg.left + i, bg.top + row - bar.top);
    if (!want) continue;
    ++f.gauge_pixels;
    f.gauge_matching += back.at(s.GaugePosX[0] + i, s.GaugePosY[0] + row - bar.top) == want;
  }
  for (int y = s.BgaY; y < s.BgaY + s.BgaHeight; ++y)
    for (int x = s.BgaX; x < s.BgaX + s.BgaWidth; ++x) {
      ++f.bga_area;
      f.bga_lit += back.at(x, y) != 0;
    }
  return f;
}

void PlayAndCheckScreenshot(const std::string& png_name) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
  run.g.options.autoplay = true;
  bool taken = false;
  PlayFrameFigures f;
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              if (taken || !w.g.play.Playing || w.g.play.ElapsedMs < 20000) return;
              // Not while the lane elements widen at the start of a measure.
              if (std::fmod(w.g.play.PlayPosition, 192.0) < 13) return;
              taken = true;
              const Picture back = ReadPicture(w.g, w.g.display.BackSurface);
              const Picture skin = ReadPicture(w.g, w.g.display.SkinSurface);
              ASSERT_EQ(back.px.size(), 640u * 480u);
              test::SaveScreenshot(back, png_name);
              f = Measure(w.g, back, skin);
              events.push_back(PlatformEvent{});  // close the window: the picture is all we need
            }),
            0);
  ASSERT_TRUE(taken);
  EXPECT_GT(f.frame_pixels, 500);
  EXPECT_GT(f.frame_matching, f.frame_pixels * 8 / 10);  // notes and beams cover a little of it
  EXPECT_GE(f.notes_on_screen, 3);
  EXPECT_GE(f.notes_in_place * 10, f.notes_on_screen * 8);
  EXPECT_GT(f.gauge_pixels, 60);
  EXPECT_GE(f.gauge_matching, f.gauge_pixels - 2);
  EXPECT_GT(f.bga_lit, f.bga_area / 2);                   // the background picture is shown
}

TEST(PlayScreenshot, DummyDisplayShowsLanesNotesGaugeAndBackground) {
  PlayAndCheckScreenshot("play_dummy.png");
}

TEST(PlayScreenshot, RealWindowShowsLanesNotesGaugeAndBackground) {
  std::string reason;
  if (!test::RunOnXServer([] { PlayAndCheckScreenshot("play_xvfb.png"); }, &reason)) GTEST_SKIP() << "No X server: " << reason;
}

}  // namespace
}  // namespace kvx
