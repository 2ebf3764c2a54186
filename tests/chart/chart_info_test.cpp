#include "app/chart_info.h"

#include "chart/chart_fixture.h"

namespace kvx::test {
namespace {

using ChartInfo = ChartFixture;

// A double-play chart with a 3/4 measure and two tempo changes, figured by hand:
//   measure starts 0, 192, 336 (measure 1 is 3/4), 528, 720 (closing bar line);
//   0..336 at 120 BPM = 3500 ms, 336..528 at 180 = 1333.3 ms, 528..720 at 60 = 4000 ms;
//   preparation length round(8833.3) = 8833; the header scan stops at the start of
//   the last measure with a line: 3500 + 1333.3 = 4833;
//   notes: side 1 = 4 + 1 (scratch), side 2 = 2; #PLAYER 3 puts them all in slot 0: 7;
//   BMS-ID = (7 + 2) * (3 + 1) + (1 + 1) * 120 + 8833 = 9109; rank 1 windows 2 4 12 16.
TEST_F(ChartInfo, HandCheckedChart) {
  g.chart.NoMediaLoads = true;
  std::string path = Write("hand.bms", Body({"#PLAYER 3", "#TITLE Hand", "#ARTIST Me", "#GENRE Test", "#BPM 120",
                                             "#RANK 1", "#PLAYLEVEL 3", "#WAV01 a.wav", "#00102:0.75",
                                             "#00111:01010101", "#00203:B4", "#00221:0101", "#00303:3C",
                                             "#00316:01"}));
  const std::string text = ChartInfoText(g, path);
  for (const char* line :
       {"Title: Hand\n", "Artist: Me\n", "Genre: Test\n", "BPM: 120\n", "Player: 3\n", "Rank: 1\n",
        "GaugeTotal: 100\n", "WavCount: 1\n", "BMSInfo --------\n", "* BMS-ID: 9109\n",
        "* 14objects, 3measures\n", "* TotalNotes 1:7 2:2\n", "* length 8833ms, 720pixels\n",
        "LengthMs (preparation): 8833\n", "LengthMs (header scan): 4833\n", "JudgeWindow: 2 4 12 16\n",
        "PlaySides: 2\n", "Objects per channel:\n  -1: 5\n  3: 2\n  11: 4\n  16: 1\n  21: 2\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n--- in ---\n" << text;
  // Positions in the 3/4 measure are scaled.
  auto notes = OnChannel(11);
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(notes[1].Position, 228);
  EXPECT_EQ(notes[3].Position, 300);

  // The words of --check: "not found"; a file without a chart command is no
  // chart, and says so instead of a block of empty figures.
  const std::string missing = dir.path() + "/songs/missing.bms";
  EXPECT_EQ(ChartInfoText(g, missing), "== " + missing + "\nnot found\n");
  EXPECT_EQ(RunChartInfo(g, {missing}), 1);
  const std::string empty = Write("empty.bms", "");
  EXPECT_EQ(ChartInfoText(g, empty), "== " + empty + "\nnot a chart (no chart command)\n");
  EXPECT_EQ(RunChartInfo(g, {empty}), 1);
}

// Under the modern rules the text names the rules, the extra header fields,
// each #RANDOM read with the branch taken, and the modern objects.
TEST_F(ChartInfo, ModernChartPrintsTheBranchesTaken) {
  g.settings.ModernCharts = true;
  g.chart.RandomSeed = 5;
  std::string path = Write("modern.bme", Body({"#TITLE M", "#SUBTITLE sub", "#DIFFICULTY 2", "#SETRANDOM 2",
                                               "#IF 2", "#RANDOM 4", "#ENDRANDOM", "#ENDIF", "#ENDRANDOM",
                                               "#STOP01 48", "#BPM01 133.5", "#00108:01", "#00109:01",
                                               "#00151:0101", "#001D1:01", "#00211:01"}));
  const std::string text = ChartInfoText(g, path);
  const std::string random4 = g.chart.RandomBranches.size() == 2 ? g.chart.RandomBranches[1] : "";
  ASSERT_EQ(random4.rfind("#RANDOM 4 -> ", 0), 0u);
  for (const std::string& line : std::vector<std::string>{"Rules: modern\n", "SubTitle: sub\n", "Difficulty: 2\n", "Random: #SETRANDOM 2\n", "Random: " + random4 + "\n",
        "NoteCount (header scan): 2\n", "LongNotes: 1\n", "Mines: 1\n", "Stops: 1\n",
        "TempoChanges (channel 08): 1\n", "* TotalNotes 1:2 2:0\n"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n--- in ---\n" << text;
  // The same seed gives the same branch.
  const std::string again = ChartInfoText(g, path);
  EXPECT_NE(again.find("Random: " + random4 + "\n"), std::string::npos);
}

}  // namespace
}  // namespace kvx::test
