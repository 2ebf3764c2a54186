// The demo chart for the modern chart rules (songs/comet_remix/comet_remix.bml,
// written by the asset generator): it uses long notes, a stop, an extended
// tempo change, mines and base-36 ids above FF; a demo-mode play judges every
// note FGREAT; mid-play the long notes' bodies are on screen (saved as
// build/screenshots/modern_dummy.png and, under an X server, modern_xvfb.png).
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "chart/chart_read.h"
#include "media/skin.h"
#include "picture.h"
#include "play/long_notes.h"
#include "play/play_screen.h"
#include "platform/files.h"
#include "platform/text.h"
#include "whole_program_fixture.h"
#include "xserver.h"

namespace kvx {
namespace {

using test::Picture;
using test::ReadPicture;
using test::WholeProgram;
namespace fs = std::filesystem;

const std::string kChart = std::string(KVX_BUILD_DIR) + "/songs/comet_remix/comet_remix.bml";

int Digit36(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
  if (c >= 'a' && c <= 'z') return c - 'a' + 10;
  return -1;
}

// What the chart file holds, counted with a parser of the test's own.
struct ModernFigures {
  int notes = 0, long_objects = 0, mines = 0, stops = 0, tempo_changes = 0, highest_id = 0;
  std::map<std::string, std::string> header;
};

ModernFigures CountChart(const std::string& text) {
  ModernFigures f;
  for (const std::string& line : SplitLines(text)) {
    if (line.size() < 2 || line[0] != '#') continue;
    if (line.size() > 7 && isdigit(static_cast<unsigned char>(line[1])) && line[6] == ':') {
      const std::string channel = line.substr(4, 2), data = line.substr(7);
      for (size_t i = 0; i + 1 < data.size(); i += 2) {
        if (data.compare(i, 2, "00") == 0) continue;
        const int id = Digit36(data[i]) * 36 + Digit36(data[i + 1]);
        if (channel != "03" && channel != "02") f.highest_id = std::max(f.highest_id, id);
        const int lane = channel[0] == '1' ? channel[1] - '0' : -1;
        if (lane >= 1 && lane <= 9 && lane != 7) ++f.notes;
        if (channel[0] == '5') ++f.long_objects;
        if (channel[0] == 'D') ++f.mines;
        if (channel == "09") ++f.stops;
        if (channel == "08") ++f.tempo_changes;
      }
    } else {
      const size_t space = line.find(' ');
      f.header[ToUpperAscii(line.substr(1, space - 1))] = space == std::string::npos ? "" : line.substr(space + 1);
    }
  }
  return f;
}

TEST(ModernDemo, ChartUsesTheModernCommandsAndPlaysAllFGreat) {
  const ModernFigures f = CountChart(ReadFileBytes(kChart).value_or(""));
  ASSERT_GT(f.notes, 100) << kChart;
  EXPECT_GT(f.long_objects, 20);
  EXPECT_EQ(f.long_objects % 2, 0);  // every long note has its end
  EXPECT_GT(f.mines, 0);
  EXPECT_EQ(f.stops, 1);
  EXPECT_EQ(f.tempo_changes, 1);
  EXPECT_GT(f.highest_id, 255);
  EXPECT_EQ(f.header.at("LNTYPE"), "1");
  EXPECT_EQ(f.header.at("BPM01"), "162.5");
  EXPECT_EQ(f.header.at("STOP01"), "48");
  const int expected = f.notes + f.long_objects / 2;  // a long note is one note

  WholeProgram run("comet_remix", "comet_remix.bml", 8);
  run.g.options.autoplay = true;
  bool held = false;
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>&) {
              for (int lane = 0; lane < 19; ++lane) held = held || LaneHoldsLongNote(w.g, lane);
            }),
            0);
  ASSERT_TRUE(run.result_seen);
  EXPECT_TRUE(run.g.settings.ModernCharts);  // a new settings file turns the rules on
  EXPECT_TRUE(held);                        // autoplay held long notes
  EXPECT_EQ(run.g.chart.NoteCount[0], expected);
  const ResultFigures& r = run.g.judge.Result[0];
  EXPECT_EQ(r.CountFGreat, expected);
  EXPECT_EQ(r.CountGreat + r.CountGood + r.CountBad + r.CountPoor, 0);
  EXPECT_EQ(r.MaxCombo, expected);
  EXPECT_NEAR(r.Score, 200000.0, 1e-6);
  EXPECT_TRUE(r.Cleared);
}

// A frame with a long note held and its end on screen: the lane between the
// judgement line and the end shows the skin's held-body picture.
struct BodyFigures {
  int rows = 0, matching = 0, end_y = 0, lane = -1;
};

BodyFigures MeasureHeldBody(Game& g, const Picture& back, const Picture& skin) {
  BodyFigures f;
  for (int lane = 0; lane < 19; ++lane) {
    const LongNoteHold& h = g.play.Holds[lane];
    if (h.start < 0 || h.end < 0) continue;
    const int32_t endY = NoteScreenY(g, 0, g.chart.Objects[h.end].Position);
    if (endY < 20 || endY > 240) continue;
    const int ch = lane + 11;
    const Rect body = g.skin.LongActiveRects[lane];
    const Rect note = SkinObjRect(g.skin, g.skin.KeyDefs[ch][0]);
    const int x = g.skin.KeyDefs[ch][1] + (note.Width() - body.Width()) / 2 + body.Width() / 2;
    const uint32_t want = skin.at(body.left + body.Width() / 2, body.top);
    // Between the end cap and the judgement line, clear of the judgement word
    // and combo.
    for (int y = endY + 8; y < JudgeLineY(g, 0) - 30; ++y) {
      if (y >= g.skin.JudgePosY[0] - 6 && y < g.skin.JudgePosY[0] + 50) continue;
      ++f.rows;
      f.matching += back.at(x, y) == want;
    }
    f.end_y = endY;
    f.lane = ch;
    break;
  }
  return f;
}

void PlayAndShowLongNotes(const std::string& png_name) {
  WholeProgram run("comet_remix", "comet_remix.bml", 16);
  run.g.options.autoplay = true;
  BodyFigures f;
  bool taken = false;
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              // Three pixels a unit: a long note of two beats is 288 pixels long.
              if (w.g.app.GameState == Screen::Play) w.g.settings.HiSpeed = 3.0f;
              if (taken || !w.g.play.Playing || w.g.play.ElapsedMs < 8000) return;
              // Not while the lane elements widen at the start of a measure.
              if (std::fmod(w.g.play.PlayPosition, 192.0) < 13) return;
              const Picture back = ReadPicture(w.g, w.g.display.BackSurface);
              const Picture skin = ReadPicture(w.g, w.g.display.SkinSurface);
              f = MeasureHeldBody(w.g, back, skin);
              if (f.rows < 40) return;  // wait for a long hold
              taken = true;
              const fs::path folder = fs::path(KVX_BUILD_DIR) / "screenshots";
              fs::create_directories(folder);
              std::vector<uint32_t> copy = back.px;
              for (uint32_t& px : copy) px |= 0xFF000000u;  // opaque: black is no hole in the picture
              SDL_Surface* s =
                  SDL_CreateRGBSurfaceWithFormatFrom(copy.data(), back.w, back.h, 32, back.w * 4, SDL_PIXELFORMAT_ARGB8888);
              ASSERT_NE(s, nullptr);
              EXPECT_EQ(IMG_SavePNG(s, (folder / png_name).c_str()), 0);
              SDL_FreeSurface(s);
              events.push_back(PlatformEvent{});  // close the window: the picture is all we need
            }),
            0);
  ASSERT_TRUE(taken);
  EXPECT_GE(f.matching * 10, f.rows * 9) << "lane " << f.lane << " end at y " << f.end_y;
}

TEST(ModernDemo, DummyDisplayShowsLongNoteBodies) { PlayAndShowLongNotes("modern_dummy.png"); }

TEST(ModernDemo, RealWindowShowsLongNoteBodies) {
  std::string reason;
  if (!test::RunOnXServer([] { PlayAndShowLongNotes("modern_xvfb.png"); }, &reason)) GTEST_SKIP() << "No X server: " << reason;
}

}  // namespace
}  // namespace kvx
