// Which lines of a chart file are read and what they hold: the first line,
// indented lines, the text encoding, invisible notes, empty definitions and
// files that hold no chart at all. Figures are worked out by hand.
#include <string>

#include "chart/chart_fixture.h"
#include "chart/chart_read.h"
#include "platform/text.h"

namespace kvx::test {
namespace {

struct ChartLines : ChartFixture {};

// Line 1 is "#TITLE First" (no empty line before it), line 3 is indented by
// two spaces, line 4 by a tab. Modern rules: all four lines are read, two
// notes (channels 11 and 12). Classic rules: the first line too (losing it is
// a fault), but not the indented ones: one note and no artist.
TEST_F(ChartLines, FirstLineAndIndentedLines) {
  const std::string chart = "#TITLE First\r\n#00111:01\r\n  #00112:01\r\n\t#ARTIST Tab\r\n";
  g.settings.ModernCharts = true;
  ASSERT_EQ(Load(chart), 1);
  EXPECT_EQ(g.chart.Title, "First");
  EXPECT_EQ(g.chart.Artist, "Tab");
  EXPECT_EQ(g.chart.NoteCount[0], 2);
  EXPECT_TRUE(LogHas("Found First at 2\r\n")) << Log();

  g.settings.ModernCharts = false;
  g.chart.Title.clear();
  g.chart.Artist.clear();
  ASSERT_EQ(Load(chart), 1);
  EXPECT_EQ(g.chart.Title, "First");
  EXPECT_EQ(g.chart.Artist, "");
  EXPECT_EQ(g.chart.NoteCount[0], 1);

  // A byte-order mark before the first "#" is skipped under both rules; a
  // first line that is not a command stays unread.
  for (bool modern : {false, true}) {
    g.settings.ModernCharts = modern;
    ASSERT_EQ(Load("\xEF\xBB\xBF#TITLE Bom\r\n#00111:01\r\n"), 1);
    EXPECT_EQ(g.chart.Title, "Bom") << modern;
    ASSERT_EQ(Load("TITLE Not\r\n#00111:0101\r\n"), 1);
    EXPECT_EQ(g.chart.NoteCount[0], 2) << modern;
  }
}

// F0 BD FC A3 is "凋花" in CP949; as CP932 it gives a private-use character
// (F0 BD) and an invalid pair (FC A3), so it is Korean. "東京" (93 8C 8B 9E)
// also decodes as CP949 ("뱦떈") but is clean Shift-JIS: Japanese. A file
// with half-width katakana (C3 BD C4 = "ﾃｽﾄ") and kanji does not pair up as
// CP949 (C4 before CR): Japanese.
TEST_F(ChartLines, KoreanJapaneseAndMixedText) {
  const char* encoding = nullptr;
  EXPECT_EQ(DecodeChartBytes("\xF0\xBD\xFC\xA3", true, &encoding), "凋花");
  EXPECT_STREQ(encoding, "EUC-KR");
  EXPECT_EQ(DecodeChartBytes("\x93\x8C\x8B\x9E", true, &encoding), "東京");
  EXPECT_STREQ(encoding, "Shift-JIS");

  g.settings.ModernCharts = true;
  ASSERT_EQ(Load("#TITLE \xF0\xBD\xFC\xA3\r\n#00111:01\r\n"), 1);
  EXPECT_EQ(g.chart.Title, "凋花");
  ASSERT_EQ(Load("#TITLE \xC3\xBD\xC4\r\n#ARTIST \x93\x8C\x8B\x9E\r\n#00111:01\r\n"), 1);
  EXPECT_EQ(g.chart.Title, "ﾃｽﾄ");
  EXPECT_EQ(g.chart.Artist, "東京");
  EXPECT_TRUE(LogHas("text: Shift-JIS"));
}

// #PLAYER 3 with two notes on 11, one on 21, invisible objects on 31 and 41
// and one on 17 (never played): 3 notes under both rules, so a perfect play
// scores 100000 / 3 per point and reaches the maximum.
TEST_F(ChartLines, InvisibleObjectsAreNeverNotes) {
  for (bool modern : {false, true}) {
    g.settings.ModernCharts = modern;
    ASSERT_EQ(Load(Body({"#PLAYER 3", "#00111:0101", "#00121:01", "#00131:02", "#00141:03", "#00117:01"})), 1);
    EXPECT_EQ(g.chart.NoteCount[0], 3) << modern;  // both sides, slot 0
    EXPECT_EQ(g.chart.NoteCount[1], 1) << modern;
    EXPECT_DOUBLE_EQ(g.chart.ScoreUnit[0], 100000.0 / 3) << modern;
    EXPECT_EQ(OnChannel(31).size(), 1u);  // still read: it sets the lane's key sound
  }
}

// "#WAV01" with nothing after it and "#BMP02 " name no file (under the modern
// rules): the tables stay empty and the definitions are not counted.
TEST_F(ChartLines, EmptyDefinitionsNameNoFile) {
  g.settings.ModernCharts = true;
  ASSERT_EQ(Load(Body({"#WAV01", "#BMP02 ", "#WAV03 a.wav", "#00111:01"})), 1);
  EXPECT_EQ(g.chart.WavFile[1], "");
  EXPECT_EQ(g.chart.BmpFile[2], "");
  EXPECT_EQ(g.chart.WavFile[3], g.chart.ChartFolder + "a.wav");
  EXPECT_EQ(g.chart.WavDefinitions, 1);
  EXPECT_EQ(g.chart.BmpDefinitions, 0);
  EXPECT_TRUE(LogHas("empty definition: #WAV01 (ignored)"));
}

// An empty file, binary garbage and a text without a chart command are not
// charts: the load says so and gives 0 (nothing is played); one command is
// enough to make a chart.
TEST_F(ChartLines, FilesWithoutAChartCommandAreNotCharts) {
  for (bool modern : {false, true}) {
    g.settings.ModernCharts = modern;
    for (const std::string& bytes : {std::string(), std::string("\x89PNG\r\n\x1A\n\0\0\0\rIHDR#\xFF\x01", 20),
                                     std::string("hello\r\n#nothing here\r\n")}) {
      EXPECT_EQ(Load(bytes), 0) << modern;
      EXPECT_EQ(g.chart.Refused, kNotAChart);
    }
    EXPECT_EQ(Load("#TITLE only\r\n"), 1);
    EXPECT_TRUE(g.chart.Refused.empty());
  }
  EXPECT_TRUE(LogHas("not a chart (no chart command)"));
}

}  // namespace
}  // namespace kvx::test
