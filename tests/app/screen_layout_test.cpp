// Texts that must not overlap at 640x480, checked on whole-program frames of
// song select on the dummy display: every text drawn in a frame is collected
// with the rectangle it covers, and the help lines, the information panel,
// the list, the heading, the bottom message line and the frame rate keep to
// their own places on the jukebox list, the song list (a full panel: ranking,
// play count, options, a message) and the course list.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "app/texts.h"
#include "media/display.h"
#include "screens/score_record.h"
#include "screens/song_select_text.h"
#include "screens/song_sort.h"
#include "layout_check.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

using test::WholeProgram;
namespace fs = std::filesystem;

constexpr Rect kScreen{0, 0, 640, 480};
constexpr Rect kHelpBox{304, 414, 632, 444};
constexpr Rect kPanel{0, 24, 296, 456};
constexpr Rect kList{304, 24, 640, 410};
constexpr Rect kTitleBar{0, 0, 640, 24};
constexpr Rect kBottomBar{0, 456, 640, 480};

using test::Describe;
using test::Inside;
using test::Overlap;

// Where a text of song select belongs.
enum class Place { Help, Panel, List, Heading, Message, Fps };

Place PlaceOf(const DrawnText& t, Screen mode, const Texts& language) {
  const auto help = HelpLines(language, mode);
  if (t.text == help[0] || t.text == help[1] || t.text == ExtraHelpKeys(language, mode)) return Place::Help;
  if (t.text.rfind("FPS:", 0) == 0) return Place::Fps;
  if (t.rect.top >= kBottomBar.top) return Place::Message;
  if (t.rect.bottom <= kTitleBar.bottom) return Place::Heading;
  return t.rect.left >= kList.left ? Place::List : Place::Panel;
}

// The faults of one frame's layout: texts off the screen or outside their
// place, and texts of different places that overlap (texts of the panel are
// also checked against each other, list rows against each other).
std::vector<std::string> LayoutFaults(const std::vector<DrawnText>& texts, Screen mode, const Texts& language) {
  static const std::map<Place, Rect> kArea = {{Place::Help, kHelpBox},     {Place::Panel, kPanel},
                                              {Place::List, kList},        {Place::Heading, kTitleBar},
                                              {Place::Message, kBottomBar}, {Place::Fps, kBottomBar}};
  std::vector<std::string> faults;
  for (size_t i = 0; i < texts.size(); ++i) {
    const DrawnText& a = texts[i];
    const Place pa = PlaceOf(a, mode, language);
    if (!Inside(a.rect, kScreen)) faults.push_back("off the screen: " + Describe(a));
    if (!Inside(a.rect, kArea.at(pa))) faults.push_back("outside its place: " + Describe(a));
    for (size_t j = i + 1; j < texts.size(); ++j) {
      const DrawnText& b = texts[j];
      const Place pb = PlaceOf(b, mode, language);
      const bool checked = pa != pb || pa == Place::Panel || pa == Place::List || pa == Place::Help;
      if (checked && Overlap(a.rect, b.rect)) faults.push_back("overlap: " + Describe(a) + " and " + Describe(b));
    }
  }
  return faults;
}

int CountPlace(const std::vector<DrawnText>& texts, Screen mode, Place place, const Texts& language) {
  int n = 0;
  for (const DrawnText& t : texts) n += PlaceOf(t, mode, language) == place;
  return n;
}

// A record with three places, cleared, for every chart of the song's folder.
void WriteRecords(WholeProgram& run, const std::string& song_folder) {
  ScoreRecord record;
  record.PlayCount = 27;
  record.ClearedFlag = true;
  const char* names[] = {"KORVEX", "PLAYER2", "ABCDEFGH"};
  for (int i = 0; i < 3; ++i) {
    record.Ranking[i].Name = names[i];
    record.Ranking[i].Score = 199999.0f - 30000.0f * i;
    record.Ranking[i].Cleared = i < 2;
  }
  for (const auto& e : fs::directory_iterator(fs::path(run.folder.path()) / "songs" / song_folder)) {
    const std::string ext = e.path().extension().string();
    if (ext == ".bms" || ext == ".bme")
      run.folder.Write("songs/" + song_folder + "/" + e.path().stem().string() + ".ksd", EncodeScoreRecord(record));
  }
}

// A copy of a demo chart with the longest texts of the panel, first in the list.
void WriteLongTextChart(WholeProgram& run) {
  std::string chart = run.folder.Read("songs/pixel_comet/comet_light5.bms");
  const std::string lines =
      "#TITLE 夜明けのパレードと果てしなく長い題名の曲 Extended Version [ANOTHER]\r\n"
      "#SUBTITLE ～とても長い副題がここに続きます～ featuring everyone\r\n"
      "#ARTIST コルベックス・サウンドチームと世界中の友達 with a very long artist name\r\n"
      "#SUBARTIST obj: 譜面担当の人 / BGA: 映像担当の人\r\n"
      "#GENRE 一番長いジャンル名 PROGRESSIVE HARDCORE TRANCE\r\n"
      "#DIFFICULTY 5\r\n#PLAYLEVEL 12\r\n";
  const size_t title = chart.find("#TITLE");
  ASSERT_NE(title, std::string::npos);
  chart.insert(title, lines);  // the later lines of the copy win: remove them
  for (const char* key : {"#TITLE Pixel", "#ARTIST korvex", "#GENRE CHIPTUNE", "#PLAYLEVEL 1\r"}) {
    const size_t at = chart.find(key);
    ASSERT_NE(at, std::string::npos) << key;
    chart.erase(at, chart.find('\n', at) + 1 - at);
  }
  run.folder.Write("songs/pixel_comet/a_long_texts.bms", chart);
}

void CheckSongSelectLayout(const char* code) {
  SCOPED_TRACE(code);
  const Texts& language = TextsFor(code);
  WholeProgram run("pixel_comet", "comet_light5.bms", 16);
  run.g.app.command_line.clear();
  WriteLongTextChart(run);
  WriteRecords(run, "pixel_comet");
  std::vector<DrawnText> trace;
  std::map<Screen, std::vector<DrawnText>> frames;
  std::string message;
  int frame = 0;
  enum Step { kJukeboxes, kSongs, kCourses, kDone } step = kJukeboxes;
  auto tap = [](WholeProgram& w, std::vector<PlatformEvent>& events, int scancode) {
    events.push_back(w.Key(scancode, true, w.Now()));
    events.push_back(w.Key(scancode, false, w.Now()));
  };
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              Game& g = w.g;
              g.display.TextTrace = &trace;
              g.settings.Language = code;
              ++frame;
              // Each list is looked at once its opening animation, the fade
              // and the preview delay are over (60 frames, 960 ms).
              switch (step) {
                case kJukeboxes:
                  if (g.app.GameState != Screen::JukeboxList || frame < 60) break;
                  frames[Screen::JukeboxList] = trace;
                  tap(w, events, SDL_SCANCODE_RETURN);
                  frame = 0;
                  step = kSongs;
                  break;
                case kSongs:
                  if (g.app.GameState != Screen::SongList) break;
                  if (frame == 2) {
                    // Every option indicator on, and a long message.
                    g.settings.Hidden = g.settings.Sudden = g.settings.Accel = g.settings.Vexo = true;
                    g.playopt.SpShuffle = g.playopt.BreakOnBad = true;
                    g.settings.DEMOMode = true;
                    g.screens.ListSort = SongSort::Level;  // the sort shown in the title bar
                  }
                  if (frame == 59) ShowMessage(g.display, g.NowMs(), "load:" + std::string(200, 'x'));
                  if (frame < 60) break;
                  frames[Screen::SongList] = trace;
                  message = g.display.MessageLine.text;
                  tap(w, events, SDL_SCANCODE_TAB);
                  frame = 0;
                  step = kCourses;
                  break;
                case kCourses:
                  if (g.app.GameState != Screen::CourseList || frame < 60) break;
                  frames[Screen::CourseList] = trace;
                  events.push_back(PlatformEvent{});
                  step = kDone;
                  break;
                case kDone:
                  break;
              }
              trace.clear();
            }),
            0);
  run.g.display.TextTrace = nullptr;
  ASSERT_EQ(step, kDone);
  for (const auto& [mode, texts] : frames) {
    SCOPED_TRACE("screen " + std::to_string(ScreenNumber(mode)));
    for (const std::string& fault : LayoutFaults(texts, mode, language)) ADD_FAILURE() << fault;
    // The extra keys are drawn only when they fit beside the second help line.
    const std::string extra_keys = ExtraHelpKeys(language, mode);
    const auto extras = std::count_if(texts.begin(), texts.end(), [&](const DrawnText& t) {
      return !extra_keys.empty() && t.text == extra_keys;
    });
    EXPECT_EQ(extras, 1);
    EXPECT_EQ(CountPlace(texts, mode, Place::Help, language), 2 + extras);
    EXPECT_EQ(CountPlace(texts, mode, Place::Heading, language), mode == Screen::SongList ? 2 : 1);
    EXPECT_EQ(CountPlace(texts, mode, Place::Fps, language), 1);
    EXPECT_GE(CountPlace(texts, mode, Place::List, language), 1);
  }
  // The song list's frame had the whole panel and the message line.
  const std::vector<DrawnText>& songs = frames[Screen::SongList];
  EXPECT_FALSE(message.empty());
  EXPECT_EQ(CountPlace(songs, Screen::SongList, Place::Message, language), 1);
  for (const char* start : {"★12", "INSANE", "[BGA(", "夜明けのパレード", "[ANOTHER] ～とても長い副題",
                            "ARTIST: コルベックス", "GENRE: ", "BPM: ", "1st KORVEX", "2nd PLAYER2",
                            "3rd ABCDEFGH", "PLAY COUNT 27", "[spShuffle ON]", "[DEMO ON]"}) {
    bool found = false;
    for (const DrawnText& t : songs) found |= t.text.rfind(start, 0) == 0 && PlaceOf(t, Screen::SongList, language) == Place::Panel;
    EXPECT_TRUE(found) << start;
  }
  // Texts too long for their place end with whole characters and "…".
  bool title_fitted = false, sort_shown = false;
  for (const DrawnText& t : songs) {
    title_fitted |= t.text.rfind("夜明けのパレード", 0) == 0 && t.text.size() > 3 &&
                    t.text.compare(t.text.size() - 3, 3, "…") == 0 && t.rect.right <= kPanel.right;
    sort_shown |= t.text == "SORT: LEVEL" && PlaceOf(t, Screen::SongList, language) == Place::Heading;
  }
  EXPECT_TRUE(title_fitted);
  EXPECT_TRUE(sort_shown);
}

// The classic texts and the English ones, whose help lines are longer.
TEST(ScreenLayout, SongSelectTextsKeepToTheirPlacesInEveryList) {
  CheckSongSelectLayout("ja");
  CheckSongSelectLayout("en");
}

}  // namespace
}  // namespace kvx
