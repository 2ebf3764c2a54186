#include "course_fixture.h"

namespace kvx {
namespace {

using test::CourseTest;
using test::SecondFormat;
using test::Song;

TEST_F(CourseTest, CourseListHasTheNewCourseEntryAndOneEntryPerFile) {
  WriteCourse("alpha.kcl", SecondFormat(4, 1, 0, 61000, {Song("a", 61000, "/a.bms")}));
  WriteCourse("Beta.v2.KCL", SecondFormat(255, 0, 0, 0, {}));
  WriteCourse("old/gamma.kcl", SecondFormat(1, 0, 0, 7, {}));
  WriteCourse("old/older/deep.kcl", SecondFormat(1, 0, 0, 0, {}));  // below the depth limit
  WriteCourse(".hidden/h.kcl", SecondFormat(1, 0, 0, 0, {}));        // dot folders are skipped
  WriteCourse("notes.txt", "not a course");
  g.app.ListCursor = 3;
  UpdateCourseList(g);

  const auto& list = g.library.CourseList;
  EXPECT_EQ(g.library.CourseListLast, 3);
  ASSERT_EQ(list.size(), 4u);
  SongEntry make_new;
  make_new.Title = "[MAKE NEW COURSE]";
  EXPECT_EQ(list[0], make_new);
  SongEntry alpha;
  alpha.Title = "alpha";
  alpha.Player = 1;
  alpha.PlayLevel = 4;
  alpha.Rank = 2;
  alpha.LengthMs = 61000;
  alpha.FilePath = g.paths.data + "/courselist/alpha.kcl";
  EXPECT_EQ(list[1], alpha);  // every other field empty
  EXPECT_EQ(list[2].Title, "Beta.v2");  // only the part from the last "." goes
  EXPECT_EQ(list[2].PlayLevel, 255);
  EXPECT_EQ(list[3].Title, "gamma");
  EXPECT_EQ(list[3].LengthMs, 7);
  // The song list shows the same entries, with the cursor at the top.
  EXPECT_EQ(g.library.SongList, list);
  EXPECT_EQ(g.library.SongListLast, 3);
  EXPECT_EQ(g.library.SongMarks.size(), 4u);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_TRUE(Logged("[UpdateCourseList]"));
  EXPECT_TRUE(Logged("3 course(s) has detected."));

  g.library.NoDepthLimit = true;
  UpdateCourseList(g);
  EXPECT_EQ(g.library.CourseListLast, 4);
  EXPECT_EQ(g.library.CourseList[4].Title, "deep");
}

TEST_F(CourseTest, EmptyCourseFolderListsOnlyTheNewCourseEntry) {
  UpdateCourseList(g);
  EXPECT_EQ(g.library.CourseListLast, 0);
  ASSERT_EQ(g.library.CourseList.size(), 1u);
  EXPECT_EQ(g.library.CourseList[0].Title, "[MAKE NEW COURSE]");
  EXPECT_TRUE(Logged("0 course(s) has detected."));
  // An unreadable course is set aside as damaged and not listed.
  WriteCourse("a.kcl", SecondFormat(9, 0, 0, 500, {}));
  WriteCourse("b.kcl", "kvx");
  UpdateCourseList(g);
  ASSERT_EQ(g.library.CourseList.size(), 2u);
  EXPECT_EQ(g.library.CourseList[1].Title, "a");
  EXPECT_TRUE(FileExists(g.paths.data + "/courselist/b.kcl.damaged"));
}

}  // namespace
}  // namespace kvx

namespace kvx {
namespace {

// The asset generator's demo course: three demo charts, found from the program folder.
TEST(DemoCourse, NamesThreeDemoChartsThatExist) {
  test::TempFolder logs;
  Game g;
  g.SetProgramFolder(KVX_BUILD_DIR);
  g.log.SetPath(logs.path() + "/debug.txt");
  const std::string path = g.paths.data + "/courselist/DEMO COURSE.kcl";
  const std::string before = ReadFileBytes(path).value_or("");
  CourseLoad(g, path, false);
  EXPECT_EQ(g.course.Header.Stars, 3);
  ASSERT_EQ(g.course.Header.SongCount, 3);
  ASSERT_EQ(g.chart.CourseSongs.size(), 4u);
  int32_t total = 0;
  for (int k = 0; k < 3; ++k) {
    const SongEntry& e = g.chart.CourseSongs[k];
    EXPECT_TRUE(FileExists(e.FilePath)) << e.FilePath;
    EXPECT_FALSE(e.Title.empty());
    EXPECT_GT(e.LengthMs, 10000);
    total += e.LengthMs;
  }
  EXPECT_EQ(g.course.Header.TotalLength, total);
  EXPECT_EQ(ReadFileBytes(path).value_or(""), before);  // loading does not write it
}

}  // namespace
}  // namespace kvx
