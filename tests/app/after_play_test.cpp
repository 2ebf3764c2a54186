// Whole-program runs around the result screen: what the window title and the
// result name after a course, the progress graph of the next play, and the
// record of a play written on every way out of the result screen.
#include <gtest/gtest.h>

#include <SDL_image.h>

#include <csignal>
#include <filesystem>
#include <string>
#include <vector>

#include "library/courses.h"
#include "library/song_search.h"
#include "media/display.h"
#include "play/chart_load.h"
#include "screens/jukebox_list.h"
#include "screens/score_record.h"
#include "whole_program_fixture.h"

namespace kvx {
namespace {

using test::Tap;
using test::WholeProgram;

const std::string kProgram = std::string(" - ") + kCaptionProgramName;

// A chart of `measures` measures of four notes at 240 BPM (one second each).
std::string TinyChart(const std::string& title, int measures) {
  std::string text = "\r\n#TITLE " + title + "\r\n#ARTIST tiny\r\n#GENRE TEST\r\n#BPM 240\r\n#PLAYLEVEL 1\r\n";
  for (int m = 1; m <= measures; ++m) {
    char line[32];
    std::snprintf(line, sizeof line, "#%03d11:01010101\r\n", m);
    text += line;
  }
  return text;
}

int CountPixels(Game& g, Surface& s, uint32_t rgb) {
  int n = 0;
  for (uint32_t px : ReadSurfacePixels(g.display, s)) n += (px & 0xFFFFFF) == rgb;
  return n;
}

// Saves the back surface as build/screenshots/<name> to look at.
void SaveBackSurface(Game& g, const std::string& name) {
  const std::filesystem::path dir = std::filesystem::path(KVX_BUILD_DIR) / "screenshots";
  std::filesystem::create_directories(dir);
  std::vector<uint32_t> px = ReadSurfacePixels(g.display, g.display.BackSurface);
  if (px.size() != 640u * 480u) return;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), 640, 480, 32, 640 * 4, SDL_PIXELFORMAT_ARGB8888);
  SDL_Surface* opaque = s ? SDL_ConvertSurfaceFormat(s, SDL_PIXELFORMAT_RGB888, 0) : nullptr;
  if (opaque) IMG_SavePNG(opaque, (dir / name).c_str());
  SDL_FreeSurface(opaque);
  SDL_FreeSurface(s);
}

int IndexOfTitle(const std::vector<SongEntry>& list, const std::string& title) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].Title == title) return static_cast<int>(i);
  return -1;
}

// A course of two tiny charts, then a chart dropped on the course list: the
// window title names the list or course on screen, the course result names
// the course, and the chart's play starts on an empty progress graph (no
// song boundary of the course before it).
TEST(AfterPlay, TitlesNameWhatIsOnScreenAndEachPlayHasItsOwnGraph) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
  run.g.app.command_line.clear();
  run.g.options.autoplay = true;
  std::vector<SongEntry> songs;
  for (const char* name : {"a", "b"}) {
    const std::string path = run.folder.Write(std::string("songs/tiny/") + name + ".bms", TinyChart(name, 2));
    SongEntry e;
    ScanBMSHeader(path, e);
    e.FilePath = path;
    songs.push_back(e);
  }
  const std::string single = run.folder.Write("songs/tiny/single.bms", TinyChart("single", 4));
  CourseHeader header;
  header.Stars = 1;
  header.SongCount = 2;
  run.folder.Write("_kvxfiles/courselist/TINY RUN.kcl", EncodeCourseFile(header, songs));
  run.result_linger_ms = 300;
  run.list_linger_frames = 100000;

  enum Step { kJukeboxes, kCourseList, kCourse, kBackOnCourses, kSingle, kDone } step = kJukeboxes;
  std::string jukebox_title, course_list_title, course_play_title, after_course_title, single_play_title;
  std::vector<DrawnText> course_result;
  int course_boundary_pixels = -1, single_boundary_pixels = -1;
  uint32_t result_at = 0;
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    Game& g = w.g;
    const Screen screen = g.app.GameState;
    switch (step) {
      case kJukeboxes:
        if (screen != Screen::JukeboxList) return;
        jukebox_title = g.display.caption;
        Tap(w, events, SDL_SCANCODE_TAB);
        step = kCourseList;
        break;
      case kCourseList: {
        if (screen != Screen::CourseList) return;
        course_list_title = g.display.caption;
        const int want = IndexOfTitle(g.library.SongList, "TINY RUN");
        ASSERT_GE(want, 1);
        if (g.app.ListCursor != want) {
          Tap(w, events, SDL_SCANCODE_DOWN);
        } else {
          Tap(w, events, SDL_SCANCODE_RETURN);
          step = kCourse;
        }
        break;
      }
      case kCourse:
        if (screen == Screen::Play && g.play.Playing) course_play_title = g.display.caption;
        if (screen != Screen::Result || !g.play.QuitPlay) return;
        if (result_at == 0) result_at = w.Now();
        if (w.Now() - result_at < 200) return;  // the panel opens over the heading first
        if (!g.display.TextTrace) {
          g.display.TextTrace = &course_result;  // the texts of the next frame
          course_boundary_pixels = CountPixels(g, g.display.GraphSurface, 0x0040C0);
        } else {
          g.display.TextTrace = nullptr;
          SaveBackSurface(g, "result_course.png");
          step = kBackOnCourses;
        }
        break;
      case kBackOnCourses: {
        if (screen != Screen::CourseList) return;
        after_course_title = g.display.caption;
        PlatformEvent drop;
        drop.kind = PlatformEvent::Kind::DropFile;
        drop.text = single;
        events.push_back(drop);
        step = kSingle;
        break;
      }
      case kSingle:
        if (screen != Screen::Play || !g.play.Playing || g.chart.CourseMode) return;
        if (g.play.ElapsedMs < 1500) return;
        single_play_title = g.display.caption;
        single_boundary_pixels = CountPixels(g, g.display.GraphSurface, 0x0040C0);
        step = kDone;
        break;
      case kDone:
        if (screen == Screen::SongList || screen == Screen::CourseList || screen == Screen::JukeboxList)
          events.push_back(PlatformEvent{});  // closes the window
        break;
    }
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(step, kDone);
  EXPECT_EQ(jukebox_title, "Jukeboxes" + kProgram);
  EXPECT_EQ(course_list_title, "Courses" + kProgram);
  EXPECT_EQ(course_play_title, "[COURSE] TINY RUN" + kProgram);
  EXPECT_EQ(after_course_title, "Courses" + kProgram);
  EXPECT_EQ(single_play_title, "[TEST] single / tiny" + kProgram);
  // The course result names the course and its songs, not the last song.
  std::vector<std::string> heading;
  for (const DrawnText& t : course_result)
    if (t.rect.left == 40 && (t.rect.top == 86 || t.rect.top == 108)) heading.push_back(t.text);
  ASSERT_GE(heading.size(), 2u);
  EXPECT_EQ(heading[0], "COURSE: TINY RUN");
  EXPECT_EQ(heading[1], "2 songs");
  // The course's graph holds its song boundary; the next play's does not.
  EXPECT_GT(course_boundary_pixels, 0);
  EXPECT_EQ(single_boundary_pixels, 0);
}

// Leaving the program from the result screen (Shift+Escape, closing the
// window, SIGTERM) writes the play's record first.
TEST(AfterPlay, TheRecordIsWrittenOnEveryWayOutOfTheResultScreen) {
  enum class Way { ShiftEscape, CloseWindow, Terminate };
  for (Way way : {Way::ShiftEscape, Way::CloseWindow, Way::Terminate}) {
    SCOPED_TRACE(static_cast<int>(way));
    WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
    run.g.options.autoplay = true;
    run.result_linger_ms = 100000;  // the script leaves the result screen itself
    bool left = false;
    const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
      if (w.g.app.GameState != Screen::Result || !w.g.play.QuitPlay || left) return;
      left = true;
      switch (way) {
        case Way::ShiftEscape:
          events.push_back(w.Key(SDL_SCANCODE_LSHIFT, true, w.Now()));
          events.push_back(w.Key(SDL_SCANCODE_ESCAPE, true, w.Now()));
          break;
        case Way::CloseWindow: events.push_back(PlatformEvent{}); break;
        case Way::Terminate: std::raise(SIGTERM); break;
      }
    });
    EXPECT_EQ(rc, 0);
    EXPECT_TRUE(left);
    const auto bytes = ReadFileBytes(ScoreFilePath(run.chart_path));
    ASSERT_TRUE(bytes.has_value());
    EXPECT_EQ(DecodeScoreRecord(*bytes).PlayCount, 1);
    const std::string log = run.folder.Read("_kvxfiles/debug.txt");
    const size_t written = log.find("[WritePendingRecord]");
    EXPECT_NE(written, std::string::npos);
    EXPECT_LT(log.find("[ExitApp]"), written);
    EXPECT_LT(written, log.find("saving settings..."));
  }
}

}  // namespace
}  // namespace kvx
