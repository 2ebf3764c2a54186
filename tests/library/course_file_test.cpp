#include <filesystem>
#include <random>

#include "course_fixture.h"

namespace kvx {
namespace {

using test::CourseTest;
using test::RecordBytes;
using test::SecondFormat;
using test::Song;

std::vector<SongEntry> SixSongs() {
  std::vector<SongEntry> songs;
  for (int i = 0; i < 6; ++i)
    songs.push_back(Song("song" + std::to_string(i), 1000 * (i + 1), "/charts/s" + std::to_string(i) + ".bms"));
  return songs;
}

std::string FirstFormat(const std::vector<SongEntry>& songs) {
  std::string s = "kvx_course" + std::string(14, 'x');
  for (const auto& e : songs) s += RecordBytes(e);
  return s;
}

TEST_F(CourseTest, FirstFormatIsConvertedInPlaceOnFirstLoad) {
  const auto songs = SixSongs();
  const std::string path = WriteCourse("old.kcl", FirstFormat(songs));
  CourseLoad(g, path, false);
  // 5 stars, 5 songs, reserved 0, the length of the first five, and all six records.
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/old.kcl"), SecondFormat(5, 5, 0, 15000, songs));
  EXPECT_EQ(g.course.Header.Stars, 5);
  EXPECT_EQ(g.course.Header.SongCount, 5);
  EXPECT_EQ(g.course.Header.TotalLength, 15000);
  ASSERT_EQ(g.chart.CourseSongs.size(), 6u);
  EXPECT_EQ(g.chart.CourseSongCount, 5);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(g.chart.CourseSongs[i], songs[i]);
  EXPECT_EQ(g.chart.CourseSongs[5], SongEntry{});  // the entry past the songs is empty
  EXPECT_TRUE(Logged("[CourseLoad] old.kcl"));
  EXPECT_TRUE(Logged("course loaded."));

  // Loaded again, the converted file reads the same and is not written again.
  const std::string converted = dir.Read("_kvxfiles/courselist/old.kcl");
  g.chart.CourseSongs.clear();
  CourseLoad(g, path, false);
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/old.kcl"), converted);
  EXPECT_EQ(g.chart.CourseSongs.size(), 6u);
}

TEST_F(CourseTest, TruncatedFirstFormatKeepsTheWholeRecords) {
  auto songs = SixSongs();
  std::string bytes = FirstFormat({songs[0], songs[1]}) + RecordBytes(songs[2]).substr(0, 17);
  const std::string path = WriteCourse("cut.kcl", bytes);
  CourseLoad(g, path, false);
  EXPECT_EQ(g.course.Header.SongCount, 2);
  EXPECT_EQ(g.chart.CourseSongCount, 2);
  ASSERT_EQ(g.chart.CourseSongs.size(), 3u);
  EXPECT_EQ(g.chart.CourseSongs[1], songs[1]);
  // The converted file holds the two records; it is not shortened, so the
  // last bytes of the torn record stay past them.
  const std::string converted = SecondFormat(5, 2, 0, 3000, {songs[0], songs[1]});
  ASSERT_LT(converted.size(), bytes.size());
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/cut.kcl"), converted + bytes.substr(converted.size()));
}

TEST_F(CourseTest, LengthsBeyondThirtyTwoBitsAddUpToTheLimit) {
  auto songs = SixSongs();
  for (auto& s : songs) s.LengthMs = 2000000000;
  CourseLoad(g, WriteCourse("long.kcl", FirstFormat(songs)), false);
  EXPECT_EQ(g.course.Header.TotalLength, 2147483647);
  songs[0].LengthMs = -2000000000;
  songs[1].LengthMs = -2000000000;
  EXPECT_EQ(TotalLengthOf(songs, 2), -2147483647 - 1);
  EXPECT_EQ(TotalLengthOf(songs, 3), -2000000000);
  songs.resize(3);
  EXPECT_EQ(TotalLengthOf(songs, 99), -2000000000);  // only the songs there are
}

TEST_F(CourseTest, SongCountLargerThanTheRecordsLoadsWhatIsThere) {
  auto songs = SixSongs();
  const std::string path = WriteCourse("short.kcl", SecondFormat(4, 9, 77, 1234, {songs[0], songs[1], songs[2]}));
  CourseLoad(g, path, false);
  EXPECT_EQ(g.course.Header.Stars, 4);
  EXPECT_EQ(g.course.Header.Reserved, 77);
  EXPECT_EQ(g.course.Header.TotalLength, 1234);
  EXPECT_EQ(g.course.Header.SongCount, 3);
  EXPECT_EQ(g.chart.CourseSongCount, 3);
  ASSERT_EQ(g.chart.CourseSongs.size(), 4u);
  EXPECT_EQ(g.chart.CourseSongs[2], songs[2]);
  EXPECT_TRUE(Logged("course file holds only 3 of 9 songs: short.kcl"));

  // A header only read does not touch the songs.
  CourseLoad(g, WriteCourse("two.kcl", SecondFormat(1, 2, 0, 5, {songs[4], songs[5]})), true);
  EXPECT_EQ(g.course.Header.SongCount, 2);
  EXPECT_EQ(g.chart.CourseSongs.size(), 4u);
}

TEST_F(CourseTest, RandomBytesNeverCrashOrReadPastTheEnd) {
  std::mt19937 random(1234);
  for (int round = 0; round < 120; ++round) {
    std::string bytes(random() % 600, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    if (round % 3 == 0 && bytes.size() > 40) bytes.replace(0, 10, "kvx_course");
    if (round % 3 == 1 && bytes.size() > 40) bytes.replace(0, 10, "kvxcourse2");
    const std::string path = WriteCourse("r.kcl", bytes);
    CourseLoad(g, path, false);
    // Every record takes at least 40 bytes, and one empty entry follows them.
    EXPECT_LE(g.chart.CourseSongs.size(), bytes.size() / 40 + 1);
    EXPECT_EQ(g.chart.CourseSongs.size(), g.chart.CourseSongCount + 1u);
    EXPECT_EQ(g.chart.CourseSongs.back(), SongEntry{});
  }
  // Too short for a header: nothing but the empty entry.
  CourseLoad(g, WriteCourse("tiny.kcl", "kvxcourse2"), false);
  EXPECT_EQ(g.course.Header.SongCount, 0);
  EXPECT_EQ(g.chart.CourseSongs.size(), 1u);
}

// A file without a course signature, too short for the header, or announcing
// more songs than a course holds is set aside: the course list leaves it out,
// and loading it plays nothing.
TEST_F(CourseTest, ADamagedCourseFileIsSetAsideAndLeftOutOfTheList) {
  const auto songs = SixSongs();
  WriteCourse("good.kcl", SecondFormat(2, 6, 0, 21000, songs));
  std::string unsigned_file = SecondFormat(2, 6, 0, 21000, songs);
  unsigned_file.replace(0, 10, "kvxcourse9");
  const std::pair<std::string, std::string> cases[] = {
      {unsigned_file, "no course file signature"},
      {SecondFormat(2, 200, 0, 21000, songs), "200 songs, more than a course holds"},
      {"kvxcourse2", "only 10 bytes"}};
  for (const auto& [bytes, reason] : cases) {
    SCOPED_TRACE(reason);
    EXPECT_EQ(CourseFileProblem(bytes), reason);
    const std::string path = WriteCourse("bad.kcl", bytes);
    DeleteFile(path + ".damaged");
    UpdateCourseList(g);
    std::vector<std::string> titles;
    for (const SongEntry& e : g.library.CourseList) titles.push_back(e.Title);
    EXPECT_EQ(titles, (std::vector<std::string>{"[MAKE NEW COURSE]", "good"}));
    EXPECT_EQ(dir.Read("_kvxfiles/courselist/bad.kcl.damaged"), bytes);
    EXPECT_FALSE(FileExists(path));
    EXPECT_TRUE(Logged("# damaged course file (" + reason + ") set aside as " + path + ".damaged"));
    EXPECT_EQ(g.display.MessageLine.text, "Damaged course file set aside");
    // Loaded for play (the list was made before it was damaged): an empty course.
    WriteCourse("bad.kcl", bytes);
    g.chart.CourseSongs = songs;
    EXPECT_FALSE(CourseLoad(g, path, false));
    EXPECT_EQ(g.chart.CourseSongs, std::vector<SongEntry>(1));
    EXPECT_EQ(g.chart.CourseSongCount, 0);
    DeleteFile(path + ".damaged-2");
  }
  EXPECT_EQ(CourseFileProblem(SecondFormat(2, 128, 0, 0, {})), "");
  EXPECT_EQ(CourseFileProblem(FirstFormat(songs)), "");
}

TEST_F(CourseTest, MissingFileLeavesHeaderAndSongsAsTheyWere) {
  g.course.Header.Stars = 9;
  g.chart.CourseSongs = {Song("kept", 1, "/k.bms")};
  CourseLoad(g, g.paths.data + "/courselist/none.kcl", false);
  EXPECT_EQ(g.course.Header.Stars, 9);
  ASSERT_EQ(g.chart.CourseSongs.size(), 1u);
  EXPECT_EQ(g.chart.CourseSongs[0].Title, "kept");
}

TEST_F(CourseTest, SaveWritesTheSecondFormatAndNeverShortensTheFile) {
  const auto songs = SixSongs();
  const std::string path = g.paths.data + "/courselist/mine.kcl";
  g.course.Header = CourseHeader{3, 2, 0, 3000};
  g.chart.CourseSongs = {songs[0], songs[1]};
  ASSERT_TRUE(SaveCourseFile(g, path));
  const std::string two = SecondFormat(3, 2, 0, 3000, {songs[0], songs[1]});
  EXPECT_EQ(dir.Read("_kvxfiles/courselist/mine.kcl"), two);

  // A longer course saved first: the shorter one is written over it and the
  // old bytes past its end stay.
  g.course.Header = CourseHeader{1, 4, 0, 10000};
  g.chart.CourseSongs = {songs[2], songs[3], songs[4], songs[5]};
  ASSERT_TRUE(SaveCourseFile(g, path));
  const std::string four = dir.Read("_kvxfiles/courselist/mine.kcl");
  g.course.Header = CourseHeader{3, 2, 0, 3000};
  g.chart.CourseSongs = {songs[0], songs[1]};
  ASSERT_TRUE(SaveCourseFile(g, path));
  const std::string now = dir.Read("_kvxfiles/courselist/mine.kcl");
  ASSERT_EQ(now.size(), four.size());
  EXPECT_EQ(now.substr(0, two.size()), two);
  EXPECT_EQ(now.substr(two.size()), four.substr(two.size()));
  // The tail is never read back: two songs and the empty entry.
  CourseLoad(g, path, false);
  ASSERT_EQ(g.chart.CourseSongs.size(), 3u);
  EXPECT_EQ(g.chart.CourseSongs[1], songs[1]);
  EXPECT_EQ(g.chart.CourseSongs[2], SongEntry{});
  // No temporary file is left beside it.
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(g.paths.data + "/courselist"),
                          std::filesystem::directory_iterator()),
            1);
}

TEST_F(CourseTest, SongsNamedRelativeToTheProgramFolderAreFound) {
  const std::string path =
      WriteCourse("demo.kcl", SecondFormat(3, 1, 0, 0, {Song("d", 1, "songs\\demo\\d.bms")}));
  CourseLoad(g, path, false);
  ASSERT_EQ(g.chart.CourseSongs.size(), 2u);
  EXPECT_EQ(g.chart.CourseSongs[0].FilePath, dir.path() + "/songs/demo/d.bms");
}

TEST_F(CourseTest, MissingChartsAreSkippedForPlay) {
  const std::string chart = dir.Write("songs/a.bms", "#TITLE a\r\n");
  g.chart.CourseSongs = {Song("gone", 1, dir.path() + "/songs/gone.bms"), Song("a", 2, chart), SongEntry{}};
  g.chart.CourseSongCount = 2;
  EXPECT_TRUE(SkipMissingCourseSongs(g));
  EXPECT_EQ(g.chart.CourseSongCount, 1);
  ASSERT_EQ(g.chart.CourseSongs.size(), 2u);
  EXPECT_EQ(g.chart.CourseSongs[0].FilePath, chart);
  EXPECT_TRUE(Logged("course song 1 skipped, chart not found: " + dir.path() + "/songs/gone.bms"));
  g.chart.CourseSongs = {Song("gone", 1, dir.path() + "/songs/gone.bms"), SongEntry{}};
  g.chart.CourseSongCount = 1;
  EXPECT_FALSE(SkipMissingCourseSongs(g));
}

}  // namespace
}  // namespace kvx
