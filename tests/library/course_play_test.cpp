// Loading a course for play from the course list: songs whose chart is gone
// are left out with a log line and the rest play chained; a course with no
// chart left, or whose file is gone, is not played and nothing is left changed.
#include "play/ready_bms.h"
#include "course_fixture.h"

namespace kvx {
namespace {

using test::CourseTest;
using test::SecondFormat;
using test::Song;

class CoursePlay : public CourseTest {
 protected:
  void SetUp() override {
    CourseTest::SetUp();
    g.settings.NoWAV = g.settings.NoBGA = true;
    g.settings.WAVLoadmode = 0;
  }
  // A chart with `notes` notes on the first key lane, one per measure from 1.
  std::string Chart(const std::string& name, int notes) {
    std::string text = "#PLAYER 1\r\n#TITLE " + name + "\r\n#BPM 120\r\n";
    for (int m = 1; m <= notes; ++m) {
      char line[32];
      std::snprintf(line, sizeof line, "#%03d11:01\r\n", m);
      text += line;
    }
    return dir.Write("songs/" + name + ".bms", text);
  }
  // The course list showing the course file, with the cursor on it.
  void ReadyCourse(const std::string& file) {
    UpdateCourseList(g);
    g.app.ListCursor = 1;
    ASSERT_EQ(g.library.SongList.at(1).FilePath, file);
    g.screens.CourseEntry = true;
    ReadyBMS(g);
  }
};

TEST_F(CoursePlay, MissingChartsAreLeftOutAndTheRestPlayChained) {
  const std::string first = Chart("first", 3), third = Chart("third", 5);
  const std::string gone = dir.path() + "/songs/gone.bms";
  const std::string file = WriteCourse(
      "holes.kcl", SecondFormat(2, 3, 0, 3000, {Song("first", 1000, first), Song("gone", 1000, gone),
                                                Song("third", 1000, third)}));
  ReadyCourse(file);
  EXPECT_FALSE(g.chart.LoadCancel);
  EXPECT_EQ(g.app.GameState, Screen::Play);
  EXPECT_TRUE(g.chart.CourseMode);
  EXPECT_EQ(g.chart.CourseSongCount, 2);
  ASSERT_GE(g.chart.CourseSongs.size(), 2u);
  EXPECT_EQ(g.chart.CourseSongs[0].FilePath, first);
  EXPECT_EQ(g.chart.CourseSongs[1].FilePath, third);
  EXPECT_EQ(g.chart.NoteCount[0], 8);
  EXPECT_EQ(g.settings.WAVLoadmode, 0);  // sounds loaded during the course play only
  EXPECT_TRUE(Logged("course song 2 skipped, chart not found: " + gone));
  EXPECT_TRUE(Logged("[BMSLoad:Course] numsongs:2"));
  EXPECT_TRUE(Logged("Load Complete"));
  // The course file itself is left as it was.
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/holes.kcl"),
            SecondFormat(2, 3, 0, 3000, {Song("first", 1000, first), Song("gone", 1000, gone),
                                         Song("third", 1000, third)}));
}

TEST_F(CoursePlay, NoChartLeftOrNoCourseFileCancelsTheLoad) {
  const std::string gone = dir.path() + "/songs/gone.bms";
  const std::string file = WriteCourse("empty.kcl", SecondFormat(2, 1, 0, 1000, {Song("gone", 1000, gone)}));
  ReadyCourse(file);
  EXPECT_TRUE(g.chart.LoadCancel);
  EXPECT_EQ(g.chart.CourseSongCount, 0);
  EXPECT_EQ(g.settings.WAVLoadmode, 0);
  EXPECT_TRUE(Logged("course song 1 skipped, chart not found: " + gone));
  EXPECT_FALSE(Logged("[BMSLoad:Course]"));
  EXPECT_FALSE(Logged("Load Complete"));

  // The file removed after the list was read: nothing from before is played.
  const std::string chart = Chart("only", 2);
  WriteCourse("empty.kcl", SecondFormat(2, 1, 0, 1000, {Song("only", 1000, chart)}));
  UpdateCourseList(g);
  g.chart.CourseSongs = {Song("only", 1000, chart), SongEntry{}};
  g.chart.CourseSongCount = 1;
  std::remove(file.c_str());
  g.app.ListCursor = 1;
  g.screens.CourseEntry = true;
  ReadyBMS(g);
  EXPECT_TRUE(g.chart.LoadCancel);
  EXPECT_EQ(g.chart.CourseSongCount, 0);
  EXPECT_FALSE(Logged("Load Complete"));
}

}  // namespace
}  // namespace kvx
