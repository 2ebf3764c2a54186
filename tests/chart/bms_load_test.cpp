#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <random>

#include "chart/chart_fixture.h"

namespace kvx::test {
namespace {

using Loading = ChartFixture;

bool SortedByPosition(const ChartState& c) {
  return std::is_sorted(c.Objects.begin(), c.Objects.begin() + c.ObjectCount,
                        [](const ChartObject& a, const ChartObject& b) { return a.Position < b.Position; });
}

TEST_F(Loading, MissingFileAndInitClearsTheTables) {
  ASSERT_EQ(Load(Body({"#WAV01 a.wav", "#00111:01", "#00102:0.5"})), 1);
  EXPECT_EQ(BMSLoad(g, dir.path() + "/songs/none.bms"), -1);
  EXPECT_TRUE(LogHas("file not exist."));
  EXPECT_EQ(g.chart.ObjectCount, 0);
  EXPECT_EQ(g.chart.Objects[0].Channel, 0);
  EXPECT_TRUE(g.chart.WavFile[1].empty());
  EXPECT_EQ(g.chart.MeasureLength[1], 0.0f);
  EXPECT_EQ(g.chart.NoteCount[0], 0);
  EXPECT_EQ(g.chart.KeySoundCount, 0);
  EXPECT_EQ(g.chart.LastMeasure, 0);
  EXPECT_EQ(g.log.Level(), 0);
}

TEST_F(Loading, CourseOfTwoSongsChainsTheTimeline) {
  std::string song = Body({"#BPM 150", "#00011:01", "#00311:01"});
  SongEntry a, b;
  a.FilePath = Write("s0.bms", song);
  b.FilePath = Write("s1.bms", Body({"#BPM 90", "#00011:01", "#00311:01"}));
  g.chart.CourseSongs = {a, b};
  g.chart.CourseSongCount = 2;
  BMSLoadCourse(g);
  ChartState& c = g.chart;
  EXPECT_TRUE(c.CourseMode);
  EXPECT_EQ(c.LastMeasure, 10);
  EXPECT_FLOAT_EQ(c.MeasureLength[1], 0.1f);
  EXPECT_FLOAT_EQ(c.MeasureLength[6], 0.1f);
  EXPECT_FLOAT_EQ(c.MeasureLength[2], 1.0f);
  auto changes = OnChannel(-2);
  ASSERT_EQ(changes.size(), 2u);
  EXPECT_EQ(changes[0].Value, 0);
  EXPECT_EQ(changes[0].Measure, 1);
  EXPECT_EQ(changes[0].Position, 192);
  EXPECT_EQ(changes[1].Value, 1);
  EXPECT_EQ(changes[1].Measure, 6);
  EXPECT_EQ(changes[1].Position, 192 + 19 + 4 * 192);
  auto tempo = OnChannel(3);
  ASSERT_EQ(tempo.size(), 2u);
  EXPECT_EQ(tempo[0].Position, 211);
  EXPECT_EQ(tempo[0].Value, 150);
  EXPECT_EQ(tempo[1].Position, 211 + 4 * 192 + 19);
  EXPECT_EQ(tempo[1].Value, 90);
  auto notes = OnChannel(11);
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[0].Measure, 2);
  EXPECT_EQ(notes[0].Position, 211);
  EXPECT_EQ(notes[2].Measure, 7);
  EXPECT_EQ(c.NoteCount[0], 4);
  EXPECT_TRUE(SortedByPosition(c));
  EXPECT_EQ(c.BaseMeasure, 0);
  EXPECT_EQ(c.CourseSong, 0);
  EXPECT_DOUBLE_EQ(c.ScoreUnit[0], 1.0);
  // The header tempo is the last song's (90): the lead-in of 211 units runs at it,
  // then 4 measures + separator at 150, then 4 measures at 90.
  EXPECT_FLOAT_EQ(c.BPM, 90);
  const double ms = 211 / 0.072 + (4 * 192 + 19) / 0.12 + (4 * 192) / 0.072;
  EXPECT_EQ(c.LengthMs, std::lround(ms));
  std::string log = Log();
  EXPECT_NE(log.find("[BMSLoad:Course] numsongs:2"), std::string::npos);
  EXPECT_NE(log.find("*** loading 0 : BasePos=0 NumObjs=0"), std::string::npos);
  EXPECT_NE(log.find("*** loading 1 : BasePos="), std::string::npos);
  EXPECT_NE(log.find("<COURSE> Add SONGCHANGE note"), std::string::npos);
  EXPECT_EQ(g.log.Level(), 0);

  // The sound names of each song go into the per-song tables.
  BMSInit(g);
  g.chart.CourseSongs[0].FilePath = Write("s2.bms", Body({"#WAV02 x.wav"}));
  g.chart.CourseSongCount = 1;
  BMSLoadCourse(g);
  EXPECT_EQ(c.CourseWavFile[0 + 128 * 2], dir.path() + "/songs/x.wav");
  EXPECT_TRUE(c.WavFile[2].empty());

  // A cancelled load prepares nothing.
  g.chart.LoadCancel = true;
  BMSLoadCourse(g);
  EXPECT_EQ(c.ObjectCount, 0);
}

TEST_F(Loading, BrokenChartsNeverBreakTheTables) {
  // Truncated lines of every kind.
  ASSERT_EQ(Load(Body({"#", "#0", "#001", "#0011", "#00111", "#00111:", "#00102:", "#00103:F", "#WAV", "#WAV0",
                       "#BMP0", "#TITLE", "#BPM", "#RANK", "#PLAYER", "#PLAYLEVEL", "#00111:01"})),
            1);
  EXPECT_EQ(OnChannel(11).size(), 1u);
  EXPECT_FLOAT_EQ(g.chart.BPM, 120);
  EXPECT_EQ(g.chart.WavFile[0], dir.path() + "/songs/");

  // Empty file: two bar lines, one measure of play, and it is no chart.
  ASSERT_EQ(Load(""), 0);
  EXPECT_EQ(g.chart.Refused, kNotAChart);
  EXPECT_EQ(g.chart.ObjectCount, 2);
  EXPECT_EQ(g.chart.LengthMs, 2000);
  EXPECT_EQ(g.log.Level(), 0);

  // Odd measure lengths are read as full measures and keep the order.
  ASSERT_EQ(Load(Body({"#00102:-1", "#00202:1e30", "#00302:0", "#00411:01", "#00111:01"})), 1);
  EXPECT_TRUE(SortedByPosition(g.chart));
  EXPECT_EQ(OnChannel(11).back().Position, 4 * 192);

  // Highest measure number.
  ASSERT_EQ(Load(Body({"#99911:01"})), 1);
  EXPECT_EQ(g.chart.LastMeasure, 999);
  EXPECT_EQ(OnChannel(-1).size(), 1001u);
  EXPECT_EQ(g.chart.LengthMs, 1000 * 2000);

  // Binary garbage, with NULs and line ends.
  std::mt19937 rng(3);
  for (int round = 0; round < 20; ++round) {
    std::string junk(20000, '\0');
    for (auto& ch : junk) {
      uint32_t r = rng() % 16;
      ch = r == 0 ? '\r' : r == 1 ? '\n' : r == 2 ? '#' : r < 6 ? static_cast<char>('0' + rng() % 10)
                                                            : static_cast<char>(rng());
    }
    ASSERT_GE(Load(junk, "junk.bms"), 0);  // read; a chart only when a command survived
    EXPECT_LE(g.chart.ObjectCount, kMaxObjects);
    EXPECT_TRUE(SortedByPosition(g.chart));
    EXPECT_GE(g.chart.LengthMs, 0);
  }
  EXPECT_EQ(g.log.Level(), 0);
}

TEST_F(Loading, SeventyThousandNotesAreCappedAtTheTable) {
  std::string text = "\r\n";
  std::string pairs;
  for (int i = 0; i < 100; ++i) pairs += "01";
  for (int m = 0; m < 700; ++m) {
    char head[16];
    std::snprintf(head, sizeof head, "#%03d11:", m);
    text += head + pairs + "\r\n";
  }
  ASSERT_EQ(Load(text), 1);
  EXPECT_EQ(g.chart.ObjectCount, kMaxObjects);
  // Notes are counted only when kept.
  EXPECT_EQ(g.chart.NoteCount[0], static_cast<int>(OnChannel(11).size()));
  EXPECT_EQ(g.chart.NoteCount[0], kMaxObjects);
  EXPECT_TRUE(SortedByPosition(g.chart));
  EXPECT_TRUE(LogHas("object table full"));
}

TEST_F(Loading, OversizedFileIsNotRead) {
  std::string path = Write("huge.bms", "\r\n#TITLE Huge\r\n#00111:01\r\n");
  ASSERT_EQ(truncate(path.c_str(), (65ll << 20)), 0);  // sparse: costs no disk
  g.chart.Title = "before";
  ASSERT_EQ(BMSLoad(g, path), 0);  // nothing read: no chart
  EXPECT_EQ(g.chart.Refused, kNotAChart);
  EXPECT_EQ(g.chart.Title, "before");
  EXPECT_EQ(g.chart.ObjectCount, 2);
  EXPECT_TRUE(LogHas("file too large"));
}

}  // namespace
}  // namespace kvx::test
