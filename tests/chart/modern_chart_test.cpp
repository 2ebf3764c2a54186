// Charts read and prepared under the modern rules (the ModernCharts setting):
// base-36 ids, stops, extended tempo, long notes, mines, #RANDOM blocks, the
// extra header commands, Korean text and the bad input of such charts.
// Figures are worked out by hand in the comments.
#include <algorithm>
#include <string>
#include <vector>

#include "chart/bms_random.h"
#include "chart/chart_fixture.h"
#include "chart/chart_read.h"

namespace kvx::test {
namespace {

struct ModernChart : ChartFixture {
  ModernChart() { g.settings.ModernCharts = true; }
  // Objects of a channel after preparation, as (position, value).
  std::vector<std::pair<int32_t, int32_t>> At(int channel) {
    std::vector<std::pair<int32_t, int32_t>> out;
    for (const ChartObject& o : OnChannel(channel)) out.push_back({o.Position, o.Value});
    return out;
  }
  using Pairs = std::vector<std::pair<int32_t, int32_t>>;
};

// Ids are two base-36 digits in any case: 0Z is 35, ZZ (or zz) is 1295.
// Channel 03 stays hexadecimal. With the setting off the same lines read as
// hexadecimal ids: 0Z and zz both give 0.
TEST_F(ModernChart, Base36IdsAndTablesOf1296) {
  const std::string chart = Body({"#WAV0Z a.wav", "#WAVzz b.wav", "#BMPZZ c.png", "#BMP00 poor.bmp",
                                  "#00111:0Z00ZZ00", "#00104:zz", "#00203:1Z", "#00303:0Z"});
  Read(chart);
  EXPECT_EQ(g.chart.WavFile[35], g.chart.ChartFolder + "a.wav");
  EXPECT_EQ(g.chart.WavFile[1295], g.chart.ChartFolder + "b.wav");
  EXPECT_EQ(g.chart.BmpFile[1295], g.chart.ChartFolder + "c.png");
  EXPECT_EQ(g.chart.BmpFile[0], g.chart.ChartFolder + "poor.bmp");  // the POOR picture
  auto notes = OnChannel(11);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].Value, 35);
  EXPECT_EQ(notes[1].Value, 1295);
  EXPECT_EQ(notes[1].Offset, 96);
  ASSERT_EQ(OnChannel(4).size(), 1u);
  EXPECT_EQ(OnChannel(4)[0].Value, 1295);
  // 1Z is read as hexadecimal (1); 0Z would be a tempo of 0 and is skipped.
  ASSERT_EQ(OnChannel(3).size(), 1u);
  EXPECT_EQ(OnChannel(3)[0].Value, 1);
  EXPECT_TRUE(LogHas("tempo 0 on channel 03: skipped"));
  EXPECT_EQ(g.chart.NoteCount[0], 2);

  g.settings.ModernCharts = false;
  Read(chart);
  EXPECT_EQ(g.chart.WavFile[0], g.chart.ChartFolder + "b.wav");
  EXPECT_TRUE(g.chart.WavFile[35].empty());
  notes = OnChannel(11);
  ASSERT_EQ(notes.size(), 2u);
  EXPECT_EQ(notes[0].Value, 0);
  EXPECT_EQ(notes[1].Value, 0);
  EXPECT_EQ(OnChannel(3).size(), 2u);
}

// #STOPxx n with channel 09 stops for n/192 of a 4/4 measure at the tempo in
// force: n x 1250 / BPM ms. 96 units at 120 BPM are 1000 ms; at 240 BPM 500.
TEST_F(ModernChart, StopLengthsInMilliseconds) {
  // Measures 0..2 and the closing bar line at 576: 576 / 0.096 = 6000 ms, plus the stop.
  ASSERT_EQ(Load(Body({"#BPM 120", "#STOP01 96", "#00109:01", "#00211:01"})), 1);
  EXPECT_EQ(At(kChannelStop), (Pairs{{192, 96}}));
  EXPECT_EQ(g.chart.LengthMs, 7000);
  // The same stop right after a change to 240 at the same place: 2000 ms for
  // measure 0, 500 ms of stop, 384 units at 240 BPM = 2000 ms.
  ASSERT_EQ(Load(Body({"#BPM 120", "#STOP01 96", "#BPM01 240", "#00108:01", "#00109:01", "#00211:01"})), 1);
  EXPECT_EQ(g.chart.LengthMs, 4500);
  // A stop id that is not defined stops nothing.
  ASSERT_EQ(Load(Body({"#BPM 120", "#00109:02", "#00211:01"})), 1);
  EXPECT_EQ(g.chart.LengthMs, 6000);
  EXPECT_TRUE(LogHas("stop 02 on channel 09 is not defined (ignored)"));
}

// #BPMxx and #EXBPMxx with channel 08; a fraction is kept. Measure 0 at 120
// (2000 ms), measures 1 and 2 at 240 (384 / 0.192 = 2000 ms), measure 3 at
// 60.5 (192 x 1250 / 60.5 = 3966.94 ms): 7966.94, rounded 7967. With the
// setting off "#BPM01 240" is a "#BPM" line that does not convert and
// channel 08 is not read: 768 units at 120 BPM = 8000 ms.
TEST_F(ModernChart, ExtendedTempoKeepsItsFraction) {
  const std::string chart = Body({"#BPM 120", "#BPM01 240", "#EXBPM02 60.5", "#00108:01", "#00308:02", "#00311:01"});
  ASSERT_EQ(Load(chart), 1);
  EXPECT_EQ(g.chart.LengthMs, 7967);
  ASSERT_EQ(OnChannel(kChannelTempo).size(), 2u);
  EXPECT_DOUBLE_EQ(TempoChangeOf(g.chart, OnChannel(kChannelTempo)[1]), 60.5);
  EXPECT_FLOAT_EQ(g.chart.BPM, 120.0f);

  g.settings.ModernCharts = false;
  ASSERT_EQ(Load(chart), 1);
  EXPECT_EQ(g.chart.LengthMs, 8000);
  EXPECT_TRUE(OnChannel(kChannelTempo).empty());
}

// Channels 51..69 pair up per lane (start, end, start, ...); a start without
// an end ends at the chart's end. #LNOBJ ZZ ends the long note started by the
// lane's note before it; a second ZZ right after ends nothing. Each long note
// is one note; mines (D1..D9, E1..E9) are never notes.
TEST_F(ModernChart, LongNotesAndMines) {
  ASSERT_EQ(Load(Body({"#BPM 120", "#LNTYPE 1", "#00151:01000100", "#00251:02", "#LNOBJ ZZ", "#00113:0100ZZ00",
                       "#00313:ZZ", "#001D1:0Z00ZZ00", "#003e9:05"})),
            1);
  // Bar lines at 0, 192, 384, 576 and the closing one at 768.
  EXPECT_EQ(At(11), (Pairs{{192, 1}, {384, 2}}));  // the two starts of channel 51 are notes of lane 11
  EXPECT_EQ(At(51), (Pairs{{288, 1}, {768, 0}}));  // their ends: the second at the chart's end
  EXPECT_EQ(At(13), (Pairs{{192, 1}}));
  EXPECT_EQ(At(53), (Pairs{{288, 1295}}));
  EXPECT_TRUE(LogHas("long note without an end on channel 51: it ends at the chart's end"));
  EXPECT_TRUE(LogHas("#LNOBJ end without a note before it: dropped"));
  EXPECT_EQ(At(111), (Pairs{{192, 35}, {288, 1295}}));
  EXPECT_EQ(At(129), (Pairs{{576, 5}}));
  EXPECT_EQ(g.chart.NoteCount[0], 3);
  EXPECT_EQ(g.chart.NoteCount[1], 0);
  // The partners link the ends of each long note.
  auto index = [&](int channel, int32_t position) {
    for (int i = 0; i < g.chart.ObjectCount; ++i)
      if (g.chart.Objects[i].Channel == channel && g.chart.Objects[i].Position == position) return i;
    return -1;
  };
  const auto& partner = g.chart.LongNotePartner;
  EXPECT_EQ(partner[index(11, 192)], index(51, 288));
  EXPECT_EQ(partner[index(51, 288)], index(11, 192));
  EXPECT_EQ(partner[index(11, 384)], index(51, 768));
  EXPECT_EQ(partner[index(13, 192)], index(53, 288));
  EXPECT_EQ(partner[index(111, 192)], -1);
  EXPECT_EQ(g.chart.LengthMs, 8000);
  // The gauge gain per note follows the three notes.
  EXPECT_FLOAT_EQ(g.chart.GaugeIncrement[0], 100.0f / 3.0f);

  // With the setting off neither long-note channels nor mines are read.
  g.settings.ModernCharts = false;
  ASSERT_EQ(Load(Body({"#00151:0101", "#001D1:01", "#00111:01"})), 1);
  EXPECT_EQ(g.chart.NoteCount[0], 1);
  EXPECT_TRUE(OnChannel(51).empty());
  EXPECT_TRUE(g.chart.LongNotePartner.empty());
}

// A course of two modern songs: each song's stops and ids are its own, each
// song starts at its own tempo with its fraction (a channel-08 object), and a
// long note left open ends where its song ends (the next song's change).
// Measure starts: 0, 192 (the 0.1 separator), 211 (song 0 from measure 2),
// 979 (the separator at measure 6), 998 (song 1 from measure 7).
TEST_F(ModernChart, CourseSongsKeepTheirOwnDefinitions) {
  SongEntry a, b;
  a.FilePath = Write("s0.bms", Body({"#BPM 150.5", "#STOP01 48", "#00109:01", "#00151:01", "#00311:01"}));
  b.FilePath = Write("s1.bms", Body({"#BPM 90", "#STOP01 96", "#00109:01", "#00011:01", "#00311:01"}));
  g.chart.CourseSongs = {a, b};
  g.chart.CourseSongCount = 2;
  BMSLoadCourse(g);
  EXPECT_EQ(At(kChannelStop), (Pairs{{403, 48}, {1190, 96}}));
  const auto tempo = OnChannel(kChannelTempo);
  ASSERT_EQ(tempo.size(), 2u);
  EXPECT_EQ(tempo[0].Position, 211);
  EXPECT_DOUBLE_EQ(TempoChangeOf(g.chart, tempo[0]), 150.5);
  EXPECT_EQ(tempo[1].Position, 998);
  EXPECT_DOUBLE_EQ(TempoChangeOf(g.chart, tempo[1]), 90.0);
  EXPECT_EQ(At(11).front(), (std::pair<int32_t, int32_t>{403, 1}));  // the long note's start
  EXPECT_EQ(At(51), (Pairs{{979, 0}}));
  EXPECT_EQ(g.chart.NoteCount[0], 4);
}

// Nested blocks with fixed values: #SETRANDOM 2 takes the #ELSEIF 2 branch,
// inside it #SETRANDOM 3 takes #IF 3; the lines after #ENDRANDOM are read.
TEST_F(ModernChart, NestedRandomBlocksWithFixedValues) {
  Read(Body({"#SETRANDOM 2", "#IF 1", "#00111:01", "#ELSEIF 2", "#00112:01", "#SETRANDOM 3", "#IF 3", "#00113:01",
             "#ELSE", "#00114:01", "#ENDIF", "#ENDRANDOM", "#ELSE", "#00115:01", "#ENDIF", "#ENDRANDOM",
             "#00116:01", "#TITLE Outside"}));
  for (int ch : {11, 14, 15}) EXPECT_TRUE(OnChannel(ch).empty()) << ch;
  for (int ch : {12, 13, 16}) EXPECT_EQ(OnChannel(ch).size(), 1u) << ch;
  EXPECT_EQ(g.chart.RandomBranches, (std::vector<std::string>{"#SETRANDOM 2", "#SETRANDOM 3"}));
  EXPECT_EQ(g.chart.Title, "Outside");
  EXPECT_EQ(g.chart.NoteCount[0], 3);

  // With the setting off every line is read: all alternatives merge.
  g.settings.ModernCharts = false;
  Read(Body({"#SETRANDOM 2", "#IF 1", "#00111:01", "#ELSE", "#00112:01", "#ENDIF"}));
  EXPECT_EQ(g.chart.NoteCount[0], 2);
}

// With a seed the branch follows from the chart text and the seed: the same in
// every game; over several seeds every branch comes up; what is read is the
// branch the log names.
TEST_F(ModernChart, SeededRandomIsTheSameInEveryGame) {
  const std::string chart = Body({"#RANDOM 3", "#IF 1", "#00111:01", "#ENDIF", "#IF 2", "#00112:01", "#ENDIF", "#IF 3",
                                  "#RANDOM 2", "#IF 1", "#00113:01", "#ELSE", "#00114:01", "#ENDIF", "#ENDRANDOM",
                                  "#ENDIF", "#ENDRANDOM"});
  const std::string path = Write("r.bms", chart);
  std::vector<int> seen(4, 0);
  for (uint64_t seed = 0; seed < 24; ++seed) {
    g.chart.RandomSeed = seed;
    ASSERT_EQ(BMSLoad(g, path), 1);
    const std::vector<std::string> first = g.chart.RandomBranches;
    std::vector<int> lanes;
    for (int ch = 11; ch <= 14; ++ch)
      if (!OnChannel(ch).empty()) lanes.push_back(ch);
    ASSERT_EQ(lanes.size(), 1u);
    ASSERT_FALSE(first.empty());
    // "#RANDOM 3 -> v": lane 10 + v, or for v = 3 the inner branch.
    const int v = first[0].back() - '0';
    if (v < 3) {
      EXPECT_EQ(lanes[0], 10 + v);
      EXPECT_EQ(first.size(), 1u);
    } else {
      ASSERT_EQ(first.size(), 2u);
      EXPECT_EQ(lanes[0], first[1].back() == '1' ? 13 : 14);
    }
    ++seen[v];
    // Another game with the same seed reads the same branches.
    Game other;
    other.SetProgramFolder(dir.path());
    other.chart.NoMediaLoads = true;
    other.settings.ModernCharts = true;
    other.chart.RandomSeed = seed;
    ASSERT_EQ(BMSLoad(other, path), 1);
    EXPECT_EQ(other.chart.RandomBranches, first);
  }
  EXPECT_GT(seen[1], 0);
  EXPECT_GT(seen[2], 0);
  EXPECT_GT(seen[3], 0);
}

// Bad blocks never crash or hang; each gets a log line.
TEST_F(ModernChart, BadRandomBlocksAreLoggedAndSkipped) {
  Read(Body({"#RANDOM 0", "#IF 1", "#00111:01", "#ENDIF", "#ENDRANDOM", "#RANDOM 99999999999", "#IF 2147483647",
             "#ENDIF", "#ENDRANDOM", "#ENDIF", "#IF 1", "#00112:01", "#ENDIF", "#ENDRANDOM", "#00113:01"}));
  EXPECT_TRUE(OnChannel(11).empty());
  EXPECT_TRUE(OnChannel(12).empty());  // an #IF without #RANDOM reads nothing
  EXPECT_EQ(OnChannel(13).size(), 1u);
  EXPECT_TRUE(LogHas("#RANDOM 0: not a number from 1 to 2^31 - 1, no branch is read"));
  EXPECT_TRUE(LogHas("#RANDOM 99999999999: taken as 2147483647"));
  EXPECT_TRUE(LogHas("#ENDIF without #IF: ignored"));
  EXPECT_TRUE(LogHas("#IF without #RANDOM: skipped"));
  EXPECT_TRUE(LogHas("#ENDRANDOM without #RANDOM: ignored"));

  // 70 levels of "#SETRANDOM 1 / #IF 1", a note at each level: the 32 levels of
  // blocks within the limit of 64 are read, the deeper ones skipped; an #IF
  // left open at the end is logged.
  std::string deep = "\r\n";
  for (int level = 0; level < 70; ++level) deep += "#SETRANDOM 1\r\n#IF 1\r\n#" + std::string(level < 10 ? "00" : "0") +
                                                   std::to_string(level) + "11:01\r\n";
  Read(deep);
  EXPECT_EQ(OnChannel(11).size(), 32u);
  EXPECT_TRUE(LogHas("blocks nested deeper than 64: skipped"));
  EXPECT_TRUE(LogHas("#IF without #ENDIF at the end of the chart"));
}

// Stops and tempos that would make the play pass 24 hours are clamped with a
// log line; bad tempos and stops are ignored; the chart still prepares.
TEST_F(ModernChart, BadTemposAndStopsAreClampedOrIgnored) {
  ASSERT_EQ(Load(Body({"#BPM 0", "#BPM01 0", "#BPM02 -3", "#BPM03 nan", "#STOP01 1000000000", "#STOP02 -5",
                       "#00108:010203", "#00109:0102", "#00211:01"})),
            0);
  EXPECT_FLOAT_EQ(g.chart.BPM, 120.0f);  // "#BPM 0" is ignored
  EXPECT_TRUE(LogHas("bad tempo: #BPM 0 (ignored)"));
  EXPECT_TRUE(LogHas("bad tempo: #BPM01 0 (ignored)"));
  EXPECT_TRUE(LogHas("bad tempo: #BPM02 -3 (ignored)"));
  EXPECT_TRUE(LogHas("bad tempo: #BPM03 nan (ignored)"));
  EXPECT_TRUE(LogHas("bad stop: #STOP02 -5 (ignored)"));
  EXPECT_TRUE(LogHas("tempo 01 on channel 08 is not defined (ignored)"));
  // 10^9 units at 120 BPM would stop for 120 days: the chart is refused, no
  // stop is shortened to fit.
  EXPECT_EQ(g.chart.Refused, "refused: the play would last 2893.5 hours (more than 24)");

  // A tempo of 0.00001 over 1000 measures would scroll for 4.8 years.
  ASSERT_EQ(Load(Body({"#BPM 120", "#BPM01 0.00001", "#00008:01", "#99911:01"})), 0);
  EXPECT_EQ(g.chart.Refused.rfind("refused: the play would last ", 0), 0u);
  SeekChart(g, g.chart.LastMeasure, false);  // no hang, no overflow
  EXPECT_GT(g.play.PositionRate, 0.0);
}

// The extra header commands, "#TOTAL" with a fraction, and Korean text.
TEST_F(ModernChart, HeaderCommandsAndKoreanText) {
  ASSERT_EQ(Load(Body({"#TITLE Song", "#SUBTITLE [Another]", "#ARTIST A", "#SUBARTIST obj: B", "#DIFFICULTY 4",
                       "#DIFFICULTY 9", "#BANNER banner.png", "#TOTAL 250.5", "#00111:0101"})),
            1);
  EXPECT_EQ(g.chart.SubTitle, "[Another]");
  EXPECT_EQ(g.chart.SubArtist, "obj: B");
  EXPECT_EQ(g.chart.Difficulty, 4);  // 9 is outside 1..5
  EXPECT_TRUE(LogHas("bad difficulty: #DIFFICULTY 9 (ignored)"));
  EXPECT_EQ(g.chart.Banner, "banner.png");
  EXPECT_FLOAT_EQ(g.chart.GaugeIncrement[0], 125.25f);  // 250.5 / 2 notes

  // EUC-KR bytes of the title "한국어" are decoded as Korean under the modern
  // rules; a Shift-JIS title stays Shift-JIS.
  ASSERT_EQ(Load("\r\n#TITLE \xC7\xD1\xB1\xB9\xBE\xEE\r\n#00111:01\r\n"), 1);
  EXPECT_EQ(g.chart.Title, "한국어");
  EXPECT_TRUE(LogHas("text: EUC-KR"));
  ASSERT_EQ(Load("\r\n#TITLE \x93\x8C\x8B\x9E\r\n#00111:01\r\n"), 1);
  EXPECT_EQ(g.chart.Title, "東京");
  g.settings.ModernCharts = false;
  ASSERT_EQ(Load("\r\n#TITLE \xC7\xD1\xB1\xB9\xBE\xEE\r\n#00111:01\r\n"), 1);
  EXPECT_NE(g.chart.Title, "한국어");
}

}  // namespace
}  // namespace kvx::test
