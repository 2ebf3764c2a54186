// The chart layer without a game: bytes in, a prepared chart out, and the
// program's part asked for through the hooks in the order loading needs it.
#include <string>
#include <vector>

#include "chart/bms_commands.h"
#include "chart/chart_only_fixture.h"

namespace kvx::test {
namespace {

// Hooks that write down each call; a sound id in cancelAt cancels the load.
class RecordingHooks : public ChartLoadHooks {
 public:
  explicit RecordingHooks(ChartState& chart) : chart_(chart) {}
  std::vector<std::string> calls;
  int cancelAt = -1;

  void ChartCleared() override { calls.push_back("cleared"); }
  void TextRead(const std::string& path, std::string_view text) override {
    calls.push_back("text " + FileNameOf(path) + " " + std::to_string(text.size()));
  }
  void SoundNamed(int id) override {
    calls.push_back("sound " + std::to_string(id));
    if (id == cancelAt) chart_.LoadCancel = true;
  }
  void ImageNamed(int id) override { calls.push_back("image " + std::to_string(id)); }
  void ReleaseUnnamedMedia() override { calls.push_back("release"); }
  void CaptionReady(const std::string& caption) override { calls.push_back("caption " + caption); }
  void ChartPrepared() override { calls.push_back("prepared"); }
  void CourseSongStarts(const SongEntry& song) override { calls.push_back("song " + FileNameOf(song.FilePath)); }
  void LoadingFrame() override { calls.push_back("frame"); }
  void CourseSongsRead() override { calls.push_back("songs read"); }

 private:
  ChartState& chart_;
};

struct ChartImportsTest : ChartOnlyFixture {
  RecordingHooks hooks{g.chart};
  ChartImports Imports() { return ChartImports{Services{g.log, g.clock}, hooks, ChartRules{}}; }
};

TEST_F(ChartImportsTest, BytesBecomeAPreparedChartAndTheHooksHearOfEachStep) {
  g.chart.NoMediaLoads = false;
  ChartImports in = Imports();
  in.fixedGauge = true;
  in.levelTable.fill(0);
  for (int k = 0; k < 4; ++k) in.levelTable[2 * 4 + k] = 10 + k;  // rank 2
  const std::string text = ChartTextFromBytes(
      Body({"#TITLE Song", "#ARTIST Me", "#GENRE Pop", "#BPM 150", "#WAV01 a.wav", "#BMP02 b.png", "#00111:01",
            "#00212:0101"}),
      false);
  BMSInit(g.chart, in);
  BMSReadText(g.chart, in, dir.path() + "/songs/a.bms", text);
  BMSPrepare(g.chart, in);

  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"cleared", "sound 1", "image 2", "release",
                                                   "caption [Pop] Song / Me - Korvex v0.25c beta", "prepared"}));
  EXPECT_EQ(g.chart.ObjectCount, 3 + 4);  // three notes, bar lines of measures 0 to 3
  EXPECT_EQ(g.chart.NoteCount[0], 3);
  EXPECT_EQ(g.chart.LengthMs, 4800);  // two measures at 150 bpm, then the last note's measure
  EXPECT_EQ(g.chart.JudgeWindow, (std::array<int32_t, 4>{10, 11, 12, 13}));
  EXPECT_FLOAT_EQ(g.chart.GaugeIncrement[0], 0.05f);
  EXPECT_EQ(g.chart.WavFile[1], "a.wav");  // bytes alone name no folder
  EXPECT_TRUE(LogHas("[BMSPrepare] minimum: False"));
  EXPECT_TRUE(LogHas("complete."));
  EXPECT_EQ(g.log.Level(), 0);

  // Without media loads the program is asked for nothing but the play's part.
  hooks.calls.clear();
  g.chart.NoMediaLoads = true;
  ASSERT_EQ(BMSLoad(g.chart, Imports(), Write("b.bms", text)), 1);
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"cleared", "prepared"}));
}

TEST_F(ChartImportsTest, AHookThatCancelsStopsTheReadAtThatLine) {
  g.chart.NoMediaLoads = false;
  hooks.cancelAt = 2;
  const std::string bytes = Body({"#WAV01 a.wav", "#00111:01", "#WAV02 b.wav", "#00211:01"});
  const std::string path = Write("a.bms", bytes);
  BMSInit(g.chart, Imports());
  BMSRead(g.chart, Imports(), path);
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"cleared", "text a.bms " + std::to_string(bytes.size()),
                                                   "sound 1", "sound 2"}));
  EXPECT_EQ(g.chart.ObjectCount, 1);
  EXPECT_TRUE(LogHas("load cancelled"));
  EXPECT_EQ(g.log.Level(), 0);
}

TEST_F(ChartImportsTest, ACourseAsksForEachSongsStageAndALoadingFrame) {
  SongEntry one, two;
  one.FilePath = Write("one.bms", Body({"#00111:01"}));
  two.FilePath = Write("two.bms", Body({"#00111:0101"}));
  g.chart.CourseSongs = {one, two};
  g.chart.CourseSongCount = 2;
  g.chart.CourseName = "Both";
  BMSLoadCourse(g.chart, Imports());
  EXPECT_EQ(hooks.calls, (std::vector<std::string>{"cleared", "song one.bms", "frame", "song two.bms", "frame",
                                                   "songs read", "prepared"}));
  EXPECT_FALSE(g.chart.LoadCancel);
  EXPECT_EQ(g.chart.NoteCount[0], 3);
  EXPECT_EQ(g.chart.WindowCaption, "[COURSE] Both - Korvex v0.25c beta");
}

}  // namespace
}  // namespace kvx::test
