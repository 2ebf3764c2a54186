// The language of the texts on screen, in whole-program runs on the dummy
// display: every text drawn on every screen is collected (the lists, a
// search, the course editor, a question, play, pause, the result and the
// ranking name entry). With English no drawn text holds a Japanese character
// (the demo songs' titles are English); with the classic Japanese texts the
// help lines and questions are the classic ones.
#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "app/texts.h"
#include "japanese_text.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::HoldsJapanese;
using test::Tap;
using test::WholeProgram;

using DrawnByScreen = std::map<Screen, std::set<std::string>>;

// Collects the texts of each frame by the screen that drew them.
struct Collector {
  std::vector<DrawnText> trace;
  DrawnByScreen drawn;
  void Keep(Game& g) {
    for (const DrawnText& t : trace) drawn[g.app.GameState].insert(t.text);
    trace.clear();
    g.display.TextTrace = &trace;
  }
};

// The lists: jukeboxes, songs with a search typed and kept, the course list,
// the course editor on each of its rows, and the question before quitting.
DrawnByScreen WalkLists(const char* code) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 16);
  run.g.app.command_line.clear();
  Collector seen;
  int step = 0, frames = 0;
  auto next = [&](int to) {
    step = to;
    frames = 0;
  };
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              Game& g = w.g;
              g.settings.Language = code;
              seen.Keep(g);
              const Screen screen = g.app.GameState;
              ++frames;
              if (frames < 20) return;  // each screen is drawn for a while first
              switch (step) {
                case 0:
                  if (screen == Screen::JukeboxList) Tap(w, events, SDL_SCANCODE_RETURN), next(1);
                  break;
                case 1:
                  if (screen == Screen::SongList) Tap(w, events, SDL_SCANCODE_F6), next(2);
                  break;
                case 2: events.push_back(w.Typed("comet")), next(3); break;
                case 3: Tap(w, events, SDL_SCANCODE_RETURN), next(4); break;
                case 4: Tap(w, events, SDL_SCANCODE_TAB), next(5); break;
                case 5:
                  if (screen == Screen::CourseList) Tap(w, events, SDL_SCANCODE_RETURN), next(6);
                  break;
                case 6: case 7: case 8:  // the name, the stars, the new-song row
                  if (screen == Screen::CourseEditor) Tap(w, events, SDL_SCANCODE_DOWN), next(step + 1);
                  break;
                case 9: Tap(w, events, SDL_SCANCODE_ESCAPE), next(10); break;
                case 10:
                  if (screen == Screen::CourseList) Tap(w, events, SDL_SCANCODE_ESCAPE), next(11);
                  break;
                case 11: Tap(w, events, SDL_SCANCODE_ESCAPE), next(12); break;  // no, stay
                case 12: events.push_back(PlatformEvent{}), next(13); break;
                default: break;
              }
            }),
            0);
  EXPECT_EQ(step, 13) << code;
  return seen.drawn;
}

// A chart from the command line, every note pressed on time: play with a
// pause, the result screen and the ranking name entry.
DrawnByScreen WalkPlay(const char* code) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 16);
  run.result_linger_ms = 1500;
  Collector seen;
  int paused_frames = -1;
  std::set<int> pressed;
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              Game& g = w.g;
              g.settings.Language = code;
              seen.Keep(g);
              if (g.app.GameState != Screen::Play || !g.play.Playing) return;
              for (int i = 0; i < g.chart.ObjectCount && !g.play.Paused; ++i) {
                const ChartObject& o = g.chart.Objects[i];
                const int lane = test::ScancodeOfLane(o.Channel);
                if (lane == SDL_SCANCODE_UNKNOWN || o.State != 0 || pressed.count(i)) continue;
                const uint32_t at = w.TimeOfPosition(o.Position);
                if (at > w.Now()) continue;
                pressed.insert(i);
                events.push_back(w.Key(lane, true, at));
                events.push_back(w.Key(lane, false, at + 1));
              }
              if (w.Now() < 4000) return;
              if (paused_frames < 0 || paused_frames == 10) Tap(w, events, SDL_SCANCODE_F12);
              if (paused_frames < 11) ++paused_frames;
            }),
            0);
  EXPECT_TRUE(run.result_seen);
  return seen.drawn;
}

bool Drew(const DrawnByScreen& drawn, Screen screen, const std::string& text) {
  const auto it = drawn.find(screen);
  return it != drawn.end() && it->second.count(text) > 0;
}

// Whether a text starting with `start` was drawn on the screen.
bool DrewStart(const DrawnByScreen& drawn, Screen screen, const std::string& start) {
  const auto it = drawn.find(screen);
  if (it == drawn.end()) return false;
  for (const std::string& t : it->second)
    if (t.rfind(start, 0) == 0) return true;
  return false;
}

TEST(LanguageProgram, EnglishLeavesNoJapaneseOnAnyScreen) {
  DrawnByScreen drawn = WalkLists("en");
  for (auto& [screen, texts] : WalkPlay("en")) drawn[screen].insert(texts.begin(), texts.end());
  for (Screen s : {Screen::JukeboxList, Screen::SongList, Screen::CourseList, Screen::CourseEditor, Screen::Play,
                   Screen::Result, Screen::RankingNameEntry})
    EXPECT_TRUE(drawn.count(s)) << "screen " << ScreenNumber(s) << " was not drawn";
  for (const auto& [screen, texts] : drawn)
    for (const std::string& t : texts) EXPECT_FALSE(HoldsJapanese(t)) << "screen " << ScreenNumber(screen) << ": " << t;
  const Texts& en = kTextsEn;
  EXPECT_TRUE(Drew(drawn, Screen::JukeboxList, en.help_jukebox_1));
  EXPECT_TRUE(Drew(drawn, Screen::SongList, en.help_songs_2));
  EXPECT_TRUE(DrewStart(drawn, Screen::SongList, "SEARCH: comet"));
  EXPECT_TRUE(Drew(drawn, Screen::CourseList, en.help_extra_courses));
  EXPECT_TRUE(Drew(drawn, Screen::CourseList, en.question_quit));
  for (const char* help : {en.editor_help_name, en.editor_help_stars, en.editor_help_add})
    EXPECT_TRUE(Drew(drawn, Screen::CourseEditor, help)) << help;
  EXPECT_TRUE(Drew(drawn, Screen::Play, en.pause_keys));
  EXPECT_TRUE(Drew(drawn, Screen::Result, en.result_keys_retry));
  EXPECT_TRUE(Drew(drawn, Screen::RankingNameEntry, en.ranking_keys));
}

TEST(LanguageProgram, JapaneseKeepsTheClassicTexts) {
  DrawnByScreen drawn = WalkLists("ja");
  EXPECT_TRUE(Drew(drawn, Screen::JukeboxList, "[ESC]:終了 [TAB]:モード切替"));
  EXPECT_TRUE(Drew(drawn, Screen::SongList, "[↑/↓/PageUP/PageDN]:選択 [Enter]:決定"));
  EXPECT_TRUE(Drew(drawn, Screen::CourseList, "[ESC]:終了 [TAB]:モード切替 [スペース]:コース編集"));
  EXPECT_TRUE(Drew(drawn, Screen::CourseList, "korvexを終了しますか?  [Enter]:終了  [ESC]:戻る"));
  EXPECT_TRUE(Drew(drawn, Screen::CourseEditor, "Enterキーを押すと新規に曲を追加します."));
  EXPECT_TRUE(Drew(drawn, Screen::CourseEditor, "←→キーで☆の数を決めてください. 表示のみで難易度には影響しません."));
}

}  // namespace
}  // namespace kvx
