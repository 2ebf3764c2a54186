// The header scan under the modern rules reads a chart as the play does: its
// note count and length are the preparation's (stops and extended tempo
// included), and the #RANDOM branches follow the seed.
#include <gtest/gtest.h>

#include <string>

#include "app/game.h"
#include "library/jukebox.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "play/chart_load.h"
#include "test_support.h"

namespace kvx {
namespace {

struct ModernScan : ::testing::Test {
  test::TempFolder dir;
  Game g;
  ModernScan() {
    g.SetProgramFolder(dir.path());
    MakeFolder(g.paths.data);
    g.chart.NoMediaLoads = true;
    g.settings.ModernCharts = true;
  }
  std::string Write(const std::string& body) { return dir.Write("songs/c.bms", "\r\n" + body); }
};

// Measure starts 0, 192, 288 (measure 1 is a half), 480, and the closing bar
// line at 672. 0..192 at 120 BPM: 2000 ms; the stop of 96 units at 192 at 120
// BPM: 1000 ms; 192..288 at 120: 1000 ms; 288..672 at 240: 2000 ms. Total
// 6000 ms. Notes: one of lane 11 and one long note of lane 12: 2. The scan by
// the classic rules stops at the start of the last measure with a line and
// knows neither stops nor channel 08: 480 units at 120 BPM = 5000 ms.
TEST_F(ModernScan, LengthWithStopsAndNotesEqualThePreparation) {
  const std::string path = Write(
      "#TITLE Scan\r\n#SUBTITLE -sub-\r\n#DIFFICULTY 3\r\n#BPM 120\r\n#STOP01 96\r\n#BPM01 240\r\n"
      "#00102:0.5\r\n#00109:01\r\n#00208:01\r\n#00311:01\r\n#00352:0101\r\n#WAV01 a.wav\r\n#WAVZZ b.wav\r\n");
  SongEntry e;
  ScanBMSHeader(path, e, {true, 0});
  EXPECT_EQ(e.LengthMs, 6000);
  EXPECT_EQ(e.NoteCount, 2);
  EXPECT_EQ(e.Title, "Scan");
  EXPECT_EQ(e.SubTitle, "-sub-");
  EXPECT_EQ(e.Difficulty, 3);
  EXPECT_EQ(e.WavCount, 2);
  ASSERT_EQ(BMSLoad(g, path), 1);
  EXPECT_EQ(g.chart.LengthMs, e.LengthMs);
  EXPECT_EQ(g.chart.NoteCount[0] + g.chart.NoteCount[1], e.NoteCount);

  SongEntry classic;
  ScanBMSHeader(path, classic);
  EXPECT_EQ(classic.LengthMs, 5000);

  // The game's scan follows its setting.
  g.library.SongList.resize(1);
  ReadBMSHeader(g, path, 0);
  EXPECT_EQ(g.library.SongList[0].LengthMs, 6000);
}

// A #RANDOM whose branches differ in length: for every seed the scan and a
// play with that seed agree.
TEST_F(ModernScan, RandomBranchesFollowTheSeed) {
  const std::string path = Write(
      "#BPM 120\r\n#RANDOM 3\r\n#IF 1\r\n#00211:01\r\n#ENDIF\r\n#IF 2\r\n#00411:0101\r\n#ENDIF\r\n"
      "#IF 3\r\n#STOP01 192\r\n#00109:01\r\n#00111:01\r\n#ENDIF\r\n#ENDRANDOM\r\n");
  int lengths = 0;
  int32_t last = -1;
  for (uint64_t seed = 0; seed < 12; ++seed) {
    SongEntry e;
    ScanBMSHeader(path, e, {true, seed});
    g.chart.RandomSeed = seed;
    ASSERT_EQ(BMSLoad(g, path), 1);
    EXPECT_EQ(e.LengthMs, g.chart.LengthMs) << seed;
    EXPECT_EQ(e.NoteCount, g.chart.NoteCount[0]) << seed;
    if (e.LengthMs != last) ++lengths, last = e.LengthMs;
  }
  EXPECT_GE(lengths, 2);  // the branches do differ
}

// ".bml" charts are charts under the modern rules.
TEST_F(ModernScan, BmlFilesAreFoundUnderTheModernRules) {
  EXPECT_TRUE(IsChartFileName("/x/a.BML", true));
  EXPECT_FALSE(IsChartFileName("/x/a.bml", false));
  EXPECT_TRUE(IsChartFileName("/x/a.bme", false));
  EXPECT_FALSE(IsChartFileName("/x/a.bmson", true));
}

}  // namespace
}  // namespace kvx
