// Screenshots of the comforts in a real window under an X server: the play
// screen with FAST/SLOW, the result screen's timing histogram and the song
// list narrowed by a search, saved in build/screenshots; the texts of the
// result screen's timing block neither overlap nor leave the panel.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "app/texts.h"
#include "media/display.h"
#include "picture.h"
#include "whole_program_fixture.h"
#include "xserver.h"

namespace kvx {
namespace {

using test::ReadPicture;
using test::ScancodeOfLane;
using test::Tap;
using test::WholeProgram;
namespace fs = std::filesystem;


bool Overlap(const Rect& a, const Rect& b) {
  return a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
}

// `code` is the language; the English screenshots' names end in "_en".
void PlayResultAndSearch(const std::string& code) {
  SCOPED_TRACE(code);
  const std::string suffix = code == "ja" ? "" : "_" + code;
  const Texts& texts = TextsFor(code);
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 33);
  run.g.options.windowed = true;
  run.result_linger_ms = 2600;
  run.list_linger_frames = 120;
  auto IsKeysLine = [&](const DrawnText& t) { return t.text == texts.result_keys_retry || t.text == texts.result_keys; };
  std::vector<DrawnText> trace, result_texts;
  bool play_shot = false, result_shot = false, search_shot = false;
  int k = 0, search_step = 0;
  uint32_t result_since = 0;
  std::vector<std::pair<int, uint32_t>> sent;
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              Game& g = w.g;
              g.display.TextTrace = &trace;
              g.settings.Language = code;
              if (g.app.GameState == Screen::Play) {
                // Every note pressed 6 units late or early in turn (GOOD or GREAT).
                for (int i = 0; i < g.chart.ObjectCount; ++i) {
                  const ChartObject& o = g.chart.Objects[i];
                  if (o.Channel < 11 || o.Channel > 19 || o.Channel == 17 || o.State != 0) continue;
                  if (std::find_if(sent.begin(), sent.end(), [&](auto& s) { return s.first == i; }) != sent.end())
                    continue;
                  const uint32_t at = w.TimeOfPosition(o.Position + ((k & 1) ? 7.0 : -7.0));
                  if (at > w.Now()) continue;
                  ++k;
                  sent.push_back({i, at});
                  events.push_back(w.Key(ScancodeOfLane(o.Channel), true, at));
                  events.push_back(w.Key(ScancodeOfLane(o.Channel), false, at + 1));
                }
                const TimingRecord& t = g.judge.Timing[0];
                if (!play_shot && g.play.ElapsedMs > 15000 && t.LastSign != 0 &&
                    g.NowMs() - g.judge.Player[0].LastJudgementTime < 60) {
                  play_shot = true;
                  test::SaveScreenshot(ReadPicture(g, g.display.BackSurface), "comforts_play_fastslow" + suffix + ".png");
                }
              } else if (g.app.GameState == Screen::Result && !result_shot && w.result_seen &&
                         (result_since ? w.Now() - result_since : (result_since = w.Now(), 0u)) > 2200) {
                result_shot = true;
                result_texts = trace;
                test::SaveScreenshot(ReadPicture(g, g.display.BackSurface), "comforts_result_histogram" + suffix + ".png");
              } else if (w.left_result && g.app.GameState != Screen::Play) {
                if (search_step == 0 && g.app.GameState == Screen::JukeboxList) {
                  Tap(w, events, SDL_SCANCODE_RETURN);
                  search_step = 1;
                } else if (search_step == 1 && g.app.GameState == Screen::SongList) {
                  Tap(w, events, SDL_SCANCODE_F6);
                  search_step = 2;
                } else if (search_step == 2 && g.screens.Searching) {
                  events.push_back(w.Typed("hyp"));
                  search_step = 3;
                } else if (search_step >= 3 && ++search_step == 30) {
                  search_shot = true;
                  test::SaveScreenshot(ReadPicture(g, g.display.BackSurface), "comforts_song_search" + suffix + ".png");
                  events.push_back(PlatformEvent{});
                }
              }
              trace.clear();
            }),
            0);
  EXPECT_TRUE(play_shot);
  EXPECT_TRUE(result_shot);
  EXPECT_TRUE(search_shot);
  // The timing block: FAST, SLOW, MISS and the figures line, apart and inside the panel.
  std::vector<DrawnText> block;
  for (const DrawnText& t : result_texts)
    if (t.text.rfind("FAST ", 0) == 0 || t.text.rfind("SLOW ", 0) == 0 || t.text.rfind("MISS ", 0) == 0 ||
        t.text.find("MEAN") != std::string::npos)
      block.push_back(t);
  // The line of keys is on the screen and clear of every other text.
  const auto keys = std::find_if(result_texts.begin(), result_texts.end(),
                                 [&](const DrawnText& t) { return IsKeysLine(t); });
  ASSERT_NE(keys, result_texts.end());
  EXPECT_GE(keys->rect.left, 0);
  EXPECT_LE(keys->rect.right, 640);
  EXPECT_LE(keys->rect.bottom, 480);
  for (const DrawnText& other : result_texts) {
    if (&other != &*keys) {
      EXPECT_FALSE(Overlap(keys->rect, other.rect)) << other.text;
    }
  }
  ASSERT_EQ(block.size(), 4u);
  for (size_t i = 0; i < block.size(); ++i) {
    EXPECT_GE(block[i].rect.left, 16) << block[i].text;
    EXPECT_LE(block[i].rect.right, 624) << block[i].text;
    for (size_t j = i + 1; j < block.size(); ++j)
      EXPECT_FALSE(Overlap(block[i].rect, block[j].rect)) << block[i].text << " / " << block[j].text;
    for (const DrawnText& other : result_texts) {
      if (other.text.rfind("SCORE", 0) == 0 || other.text.rfind("COMBO", 0) == 0 || IsKeysLine(other)) {
        EXPECT_FALSE(Overlap(block[i].rect, other.rect)) << block[i].text << " / " << other.text;
      }
    }
  }
}

TEST(ComfortsScreenshot, PlayResultAndSearchInARealWindow) {
  std::string reason;
  if (!test::RunOnXServer([] { PlayResultAndSearch("ja"); }, &reason)) GTEST_SKIP() << "No X server: " << reason;
}

TEST(ComfortsScreenshot, PlayResultAndSearchInEnglish) {
  std::string reason;
  if (!test::RunOnXServer([] { PlayResultAndSearch("en"); }, &reason)) GTEST_SKIP() << "No X server: " << reason;
}

}  // namespace
}  // namespace kvx
