#include <algorithm>
#include <set>

#include "chart/chart_fixture.h"
#include "chart/chart_only_fixture.h"

namespace kvx::test {
namespace {

// The reader sees only the chart layer; the real loaders need a game.
using Reader = ChartOnlyFixture;
using ReaderInAGame = ChartFixture;

std::vector<int> Offsets(const std::vector<ChartObject>& objs) {
  std::vector<int> out;
  for (const auto& o : objs) out.push_back(o.Offset);
  return out;
}

TEST_F(Reader, ChannelDataPairsBecomeObjectsOnTheGrid) {
  Read(Body({"#00111:01020304"}));
  auto notes = OnChannel(11);
  ASSERT_EQ(notes.size(), 4u);
  EXPECT_EQ(Offsets(notes), (std::vector<int>{0, 48, 96, 144}));
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(notes[i].Value, i + 1);
    EXPECT_EQ(notes[i].Measure, 1);
    EXPECT_EQ(notes[i].Position, 192 + notes[i].Offset);
    EXPECT_EQ(notes[i].State, 0);
  }
  EXPECT_EQ(g.chart.NoteCount[0], 4);
  EXPECT_TRUE(g.chart.SideUsed[0]);
  EXPECT_FALSE(g.chart.SideUsed[1]);

  Read(Body({"#00111:010203"}));
  EXPECT_EQ(Offsets(OnChannel(11)), (std::vector<int>{0, 64, 128}));
  Read(Body({"#00111:0102030405"}));  // 38.4 steps, halves to even
  EXPECT_EQ(Offsets(OnChannel(11)), (std::vector<int>{0, 38, 77, 115, 154}));
  Read(Body({"#00111:00000001"}));
  EXPECT_EQ(Offsets(OnChannel(11)), (std::vector<int>{144}));
  Read(Body({"#00111:0"}));
  EXPECT_EQ(g.chart.ObjectCount, 0);
  // Pairs that are not "00" but do not start with a hex digit give value 0.
  Read(Body({"#00101:0Z1ZzzFF"}));
  auto bgm = OnChannel(1);
  ASSERT_EQ(bgm.size(), 4u);
  EXPECT_EQ(bgm[0].Value, 0);
  EXPECT_EQ(bgm[1].Value, 1);
  EXPECT_EQ(bgm[2].Value, 0);
  EXPECT_EQ(bgm[3].Value, 255);
}

TEST_F(Reader, MeasureLengthsLastMeasureAndSides) {
  Read(Body({"#00102:0.75", "#00105:01", "#00435:01", "#00218:01", "#00517:01"}));
  EXPECT_FLOAT_EQ(g.chart.MeasureLength[1], 0.75f);
  EXPECT_EQ(g.chart.MeasureLength[0], 0.0f);
  EXPECT_EQ(g.chart.LastMeasure, 5);
  EXPECT_TRUE(OnChannel(5).empty());   // channel 05 is not read
  EXPECT_TRUE(OnChannel(2).empty());
  // Invisible objects (35) and channel 17 are never played, so they are no
  // notes: a perfect play must reach the maximum score.
  EXPECT_EQ(g.chart.NoteCount[1], 0);
  EXPECT_FALSE(g.chart.SideUsed[1]);
  EXPECT_EQ(g.chart.NoteCount[0], 1);  // 18
  EXPECT_TRUE(g.chart.SevenKeys);
  // Measure 1000 is only reported.
  Read(Body({"#99911:01"}));
  EXPECT_EQ(g.chart.LastMeasure, 999);
  EXPECT_EQ(OnChannel(11).at(0).Position, 999 * 192);
}

TEST_F(Reader, HeaderCommandsAndConversions) {
  Read(Body({"#WAV0A a.wav", "#WAVzz  b.wav  ", "#bpm 150", "#TITLE  My Song ", "#ARTIST someone",
             "#GENRE techno", "#PLAYLEVEL 7", "#PLAYER 3", "#RANK 1.5", "#TOTAL 250", "#VOLWAV 80",
             "#MIDIFILE x.mid", "#RANDOM 2", "#IF 1", "#ENDIF", "#SUBTITLE nothing"}));
  const std::string folder = dir.path() + "/songs/";
  EXPECT_EQ(g.chart.WavFile[10], folder + "a.wav");
  EXPECT_EQ(g.chart.WavFile[0], folder + "b.wav");
  EXPECT_EQ(g.chart.ChartFolder, folder);
  EXPECT_EQ(g.chart.ChartPath, folder + "a.bms");
  EXPECT_FLOAT_EQ(g.chart.BPM, 150);
  EXPECT_EQ(g.chart.Title, "My Song");
  EXPECT_EQ(g.chart.Artist, "someone");
  EXPECT_EQ(g.chart.Genre, "techno");
  EXPECT_EQ(g.chart.PlayLevel, 7);
  EXPECT_EQ(g.chart.Player, 3);
  EXPECT_EQ(g.chart.Rank, 2);  // 1.5 rounds to even
  EXPECT_EQ(g.chart.GaugeTotal, 250);
  EXPECT_EQ(g.chart.VolWav, 80);
  EXPECT_EQ(g.chart.MidiFile, "x.mid");

  // Failed conversions leave the defaults; #BPM01 is taken as #BPM.
  Read(Body({"#BPM abc", "#RANK x", "#PLAYLEVEL", "#BPM01 150", "#RANK 2.5", "#PLAYER 1e1"}));
  EXPECT_FLOAT_EQ(g.chart.BPM, 120);
  EXPECT_EQ(g.chart.Rank, 2);
  EXPECT_EQ(g.chart.PlayLevel, 3);
  EXPECT_EQ(g.chart.Player, 10);
}

TEST_F(Reader, FirstLineAndLineEndConventions) {
  g.chart.Title = "Previous";
  Read("#TITLE X\r\n#ARTIST Y\r\n#00111:01\r\n");
  EXPECT_EQ(g.chart.Title, "X");  // the first line is a command too
  EXPECT_EQ(g.chart.Artist, "Y");
  EXPECT_EQ(g.chart.ObjectCount, 1);
  EXPECT_TRUE(LogHas("Found First at 2"));

  // Unix line ends read like CR LF.
  Read("#TITLE X\n#ARTIST Lf\n#00111:0101\n#00211:01");
  EXPECT_EQ(g.chart.Artist, "Lf");
  EXPECT_EQ(OnChannel(11).size(), 3u);
  EXPECT_TRUE(LogHas("Return-code converted"));
  // Old Mac line ends.
  Read("\r#ARTIST Cr\r#00111:01\r");
  EXPECT_EQ(g.chart.Artist, "Cr");
  EXPECT_EQ(OnChannel(11).size(), 1u);
  // Mixed endings: every line is still separate.
  Read("\r\n#ARTIST Mixed\n#00111:01\r\n#00211:01\n");
  EXPECT_EQ(g.chart.Artist, "Mixed");
  EXPECT_EQ(OnChannel(11).size(), 2u);

  std::string log = Log();
  EXPECT_NE(log.find("[BMSRead] a.bms"), std::string::npos);
  EXPECT_NE(log.find("all lines compiled"), std::string::npos);
  EXPECT_NE(log.find("last measure: 2"), std::string::npos);
  EXPECT_NE(log.find("Read complete"), std::string::npos);
  EXPECT_EQ(g.log.Level(), 0);  // every read closes its log block
}

TEST_F(Reader, NoBgaAndNoWavSkipTheirLines) {
  g.settings.NoBGA = true;
  g.settings.NoWAV = true;
  Read(Body({"#BMP01 a.bmp", "#WAV01 a.wav", "#00104:01", "#00107:01", "#00106:01", "#00101:01"}));
  EXPECT_TRUE(g.chart.BmpFile[1].empty());
  EXPECT_TRUE(g.chart.WavFile[1].empty());
  EXPECT_TRUE(OnChannel(4).empty());
  EXPECT_TRUE(OnChannel(7).empty());
  EXPECT_EQ(OnChannel(6).size(), 1u);
  EXPECT_EQ(OnChannel(1).size(), 1u);
  g.settings.NoBGA = false;
  Read(Body({"#BMP01 a.bmp", "#00104:01", "#00107:01"}));
  EXPECT_EQ(g.chart.BmpFile[1], dir.path() + "/songs/a.bmp");
  EXPECT_EQ(OnChannel(4).size(), 1u);
  EXPECT_EQ(OnChannel(7).size(), 1u);
}

TEST_F(Reader, RandomLanesShuffleOnlyTheSevenKeys) {
  g.chart.RandomLanes = true;
  const std::set<int> keys{11, 12, 13, 14, 15, 18, 19};
  bool moved = false;
  for (unsigned seed = 1; seed <= 20; ++seed) {
    g.chart.LaneRng.seed(seed);
    Read(Body({"#00111:01", "#00116:01", "#00117:01"}));
    std::set<int> image;
    for (int c : keys) image.insert(g.chart.LaneMap[c]);
    EXPECT_EQ(image, keys);
    EXPECT_EQ(g.chart.LaneMap[16], 16);
    EXPECT_EQ(g.chart.LaneMap[17], 17);
    EXPECT_EQ(g.chart.LaneMap[21], 21);
    EXPECT_EQ(OnChannel(16).size(), 1u);
    if (g.chart.LaneMap[11] != 11) {
      moved = true;
      EXPECT_TRUE(OnChannel(11).empty());
      EXPECT_EQ(OnChannel(g.chart.LaneMap[11]).size(), 1u);
    }
  }
  EXPECT_TRUE(moved);
  EXPECT_TRUE(LogHas("<RANDOM> Randomize keymap"));
  g.chart.RandomLanes = false;
  Read(Body({"#00111:01"}));
  for (int c = 0; c < 100; ++c) EXPECT_EQ(g.chart.LaneMap[c], c);
}

TEST_F(Reader, TotalVolumeAndMidiStartFromZeroForEveryChart) {
  ASSERT_EQ(Load(Body({"#TOTAL 300", "#VOLWAV 50", "#MIDIFILE a.mid", "#00111:0101"})), 1);
  EXPECT_EQ(g.chart.GaugeTotal, 300);
  EXPECT_FLOAT_EQ(g.chart.GaugeIncrement[0], 150);
  ASSERT_EQ(Load(Body({"#00111:01010101"}), "b.bms"), 1);
  EXPECT_EQ(g.chart.GaugeTotal, kDefaultGaugeTotal);
  EXPECT_EQ(g.chart.VolWav, 0);
  EXPECT_EQ(g.chart.MidiFile, "");
  EXPECT_FLOAT_EQ(g.chart.GaugeIncrement[0], 25);
}

TEST_F(Reader, LoadCancelStopsAtTheNextSoundLine) {
  // A loader that fails sets LoadCancel; here it is set beforehand.
  std::string path = Write("a.bms", Body({"#00111:01", "#WAV01 a.wav", "#00211:01"}));
  Init();
  g.chart.LoadCancel = true;
  ReadFile(path);
  EXPECT_EQ(g.chart.ObjectCount, 1);
  EXPECT_EQ(g.chart.WavFile[1], dir.path() + "/songs/a.wav");
  EXPECT_FALSE(LogHas("all lines compiled"));
  EXPECT_EQ(g.log.Level(), 0);
}

TEST_F(ReaderInAGame, MissingMediaWithLoadersOnDoNotStopTheRead) {
  g.chart.NoMediaLoads = false;  // the real loaders, without a sound device or display
  ASSERT_EQ(Load(Body({"#WAV01 missing.wav", "#BMP01 missing.png", "#BMP02 missing.bmp", "#00111:01"})), 1);
  EXPECT_EQ(g.chart.WavLoadState[1], 0);
  EXPECT_EQ(OnChannel(11).size(), 1u);
}

}  // namespace
}  // namespace kvx::test
