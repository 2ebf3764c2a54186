// A course made, saved and played in a whole-program run on the dummy display:
// the course editor opened from the course list with scripted keys, a typed
// name, two demo charts chosen on the song list, F10, the new course found in
// the course list and played in demo mode through both songs to the result.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "app/whole_program_fixture.h"
#include "library/courses.h"
#include "platform/text.h"
#include "play/chart_load.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using test::WholeProgram;
using test::Tap;
using test::Titles;

int IndexOfFile(const std::vector<SongEntry>& list, const std::string& file) {
  for (size_t i = 0; i < list.size(); ++i)
    if (FileNameOf(list[i].FilePath) == file) return static_cast<int>(i);
  return -1;
}

int IndexOfTitle(const std::vector<SongEntry>& list, const std::string& title) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].Title == title) return static_cast<int>(i);
  return -1;
}

// The notes player 1 has to hit in one chart played on its own.
int NotesOf(const std::string& chart) {
  test::TempFolder folder;
  Game probe;
  probe.SetProgramFolder(folder.path());
  probe.settings.NoWAV = probe.settings.NoBGA = true;
  return BMSLoad(probe, chart) == 1 ? probe.chart.NoteCount[0] : -1;
}

TEST(CourseProgram, MadeInTheEditorSavedFoundAndPlayedThroughBothSongsToTheResult) {
  WholeProgram run("pixel_comet", "comet_light5.bms", 16);
  run.g.app.command_line.clear();
  run.g.options.autoplay = true;  // demo mode: every note is hit on time
  fs::copy(fs::path(KVX_BUILD_DIR) / "songs" / "sunrise_parade",
           fs::path(run.folder.path()) / "songs" / "sunrise_parade", fs::copy_options::recursive);
  const std::vector<std::string> charts = {"comet_light5.bms", "sunrise_beginner.bms"};
  const int notes_first = NotesOf(run.folder.path() + "/songs/pixel_comet/comet_light5.bms");
  const int notes_second = NotesOf(run.folder.path() + "/songs/sunrise_parade/sunrise_beginner.bms");
  ASSERT_GT(notes_first, 100);
  ASSERT_GT(notes_second, 100);
  const std::string name = "TWIN RUN";
  const std::string typed = "TWIN:? RUN";  // the colon and question mark are refused

  enum Step {
    kJukeboxes, kCourseList, kEditorOpen, kClearName, kTypeName, kNameTyped, kToStars, kStars, kToAddRow,
    kChooseJukebox, kChooseSong, kSongChosen, kSave, kFindCourse, kPlaying
  };
  Step step = kJukeboxes;
  size_t typed_count = 0, chosen = 0;
  std::vector<std::string> courses_before, courses_after, refused_messages;
  std::vector<SongEntry> slots;
  std::string name_in_editor;
  int stars_in_editor = -1;
  int cursor_on_course = -1, max_course_song = -1;
  bool played_in_course_mode = false, played_in_demo_mode = false;
  const int rc = run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
    Game& g = w.g;
    const Screen screen = g.app.GameState;
    switch (step) {
      case kJukeboxes:
        if (screen != Screen::JukeboxList) return;
        Tap(w, events, SDL_SCANCODE_TAB);
        step = kCourseList;
        break;
      case kCourseList:
        if (screen != Screen::CourseList) return;
        courses_before = Titles(g.library.SongList);
        if (g.app.ListCursor != 0) return;
        Tap(w, events, SDL_SCANCODE_RETURN);  // on "[MAKE NEW COURSE]"
        step = kEditorOpen;
        break;
      case kEditorOpen:
        if (screen != Screen::CourseEditor) return;
        Tap(w, events, SDL_SCANCODE_RETURN);  // on the name row: the name entry
        step = kClearName;
        break;
      case kClearName:
        if (screen != Screen::CourseNameEntry) return;
        if (!g.course.CourseName.empty()) Tap(w, events, SDL_SCANCODE_BACKSPACE);
        else step = kTypeName;
        break;
      case kTypeName:
        if (typed_count > 0 && (typed[typed_count - 1] == ':' || typed[typed_count - 1] == '?'))
          refused_messages.push_back(g.display.MessageLine.text);
        if (typed_count < typed.size()) {
          events.push_back(w.Typed(typed.substr(typed_count++, 1)));
        } else {
          name_in_editor = g.course.CourseName;
          Tap(w, events, SDL_SCANCODE_RETURN);
          step = kNameTyped;
        }
        break;
      case kNameTyped:
        if (screen != Screen::CourseEditor) return;
        Tap(w, events, SDL_SCANCODE_DOWN);
        step = kToStars;
        break;
      case kToStars:
        if (g.course.EditCursor != -1) return;
        Tap(w, events, SDL_SCANCODE_RIGHT);
        step = kStars;
        break;
      case kStars:
        stars_in_editor = g.course.EditStars;
        Tap(w, events, SDL_SCANCODE_DOWN);
        step = kToAddRow;
        break;
      case kToAddRow:
        // On the add row (the row after the songs): Enter opens the lists.
        if (screen != Screen::CourseEditor || g.course.EditCursor != g.course.EditSongCount) return;
        Tap(w, events, SDL_SCANCODE_RETURN);
        step = kChooseJukebox;
        break;
      case kChooseJukebox:
        if (screen != Screen::JukeboxList) return;
        Tap(w, events, SDL_SCANCODE_RETURN);
        step = kChooseSong;
        break;
      case kChooseSong: {
        if (screen != Screen::SongList) return;
        const int want = IndexOfFile(g.library.SongList, charts[chosen]);
        ASSERT_GE(want, 0) << charts[chosen];
        if (g.app.ListCursor != want) Tap(w, events, SDL_SCANCODE_DOWN);
        else {
          Tap(w, events, SDL_SCANCODE_RETURN);
          step = kSongChosen;
        }
        break;
      }
      case kSongChosen:
        if (screen != Screen::CourseEditor) return;
        ++chosen;
        if (chosen < charts.size()) {
          Tap(w, events, SDL_SCANCODE_DOWN);
          step = kToAddRow;
        } else {
          slots.assign(g.chart.CourseSongs.begin(), g.chart.CourseSongs.begin() + g.course.EditSongCount);
          Tap(w, events, SDL_SCANCODE_F10);
          step = kSave;
        }
        break;
      case kSave:
        if (screen != Screen::CourseList) return;
        courses_after = Titles(g.library.SongList);
        step = kFindCourse;
        break;
      case kFindCourse: {
        const int want = IndexOfTitle(g.library.SongList, name);
        ASSERT_GE(want, 1);
        if (g.app.ListCursor != want) {
          Tap(w, events, SDL_SCANCODE_DOWN);
        } else {
          cursor_on_course = g.app.ListCursor;
          Tap(w, events, SDL_SCANCODE_RETURN);
          step = kPlaying;
        }
        break;
      }
      case kPlaying:
        if (screen != Screen::Play) return;
        played_in_course_mode = played_in_course_mode || g.chart.CourseMode;
        played_in_demo_mode = played_in_demo_mode || g.settings.DEMOMode;
        max_course_song = std::max(max_course_song, g.chart.CourseSong);
        break;
    }
  });
  EXPECT_EQ(rc, 0);
  EXPECT_EQ(step, kPlaying);

  // The editor: the typed name without the refused characters, one more star.
  EXPECT_EQ(name_in_editor, name);
  EXPECT_EQ(refused_messages,
            (std::vector<std::string>{"sorry, can't use : for filename.", "sorry, can't use ? for filename."}));
  EXPECT_EQ(stars_in_editor, 4);
  ASSERT_EQ(slots.size(), 2u);
  EXPECT_EQ(FileNameOf(slots[0].FilePath), charts[0]);
  EXPECT_EQ(FileNameOf(slots[1].FilePath), charts[1]);

  // The course file on disk holds both songs in order.
  const std::string file = run.folder.path() + "/_kvxfiles/courselist/" + name + ".kcl";
  ASSERT_TRUE(FileExists(file));
  CourseHeader header;
  header.Stars = 4;
  header.SongCount = 2;
  header.TotalLength = slots[0].LengthMs + slots[1].LengthMs;
  EXPECT_GT(header.TotalLength, 60000);
  EXPECT_EQ(run.folder.Read("_kvxfiles/courselist/" + name + ".kcl"), EncodeCourseFile(header, slots));

  // The course list before and after saving; the play started on the new course.
  EXPECT_EQ(courses_before, (std::vector<std::string>{"[MAKE NEW COURSE]", "DEMO COURSE"}));
  EXPECT_EQ(courses_after, (std::vector<std::string>{"[MAKE NEW COURSE]", "DEMO COURSE", name}));
  EXPECT_EQ(cursor_on_course, 2);

  // Both songs played as one course in demo mode, every note an FGREAT.
  Game& g = run.g;
  EXPECT_TRUE(played_in_course_mode);
  EXPECT_EQ(max_course_song, 1);
  EXPECT_TRUE(played_in_demo_mode);
  EXPECT_EQ(g.chart.NoteCount[0], notes_first + notes_second);
  const ResultFigures& r = g.judge.Result[0];
  EXPECT_EQ(r.CountFGreat, notes_first + notes_second);
  EXPECT_EQ(r.CountGreat + r.CountGood + r.CountBad + r.CountPoor, 0);
  EXPECT_EQ(r.MaxCombo, notes_first + notes_second);
  EXPECT_TRUE(g.play.ReachedEnd);

  // The result was shown, and its end led back to the course list.
  EXPECT_TRUE(run.result_seen);
  EXPECT_TRUE(run.left_result);
  EXPECT_EQ(g.app.GameState, Screen::CourseList);
  const std::string log = run.folder.Read("_kvxfiles/debug.txt");
  for (const char* line : {"[CreateCourse]", "Saved.", "2 course(s) has detected.", "[CourseLoad] TWIN RUN.kcl",
                           "[BMSLoad:Course] numsongs:2", "*** loading 0", "*** loading 1", "Load Complete"})
    EXPECT_NE(log.find(line), std::string::npos) << line;
}

}  // namespace
}  // namespace kvx
