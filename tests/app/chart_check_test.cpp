// korvex --check: demo plays on a scripted clock, one line per chart, the
// missing files looked up as the loaders do, and the exit status.
#include "app/chart_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <filesystem>
#include <string>
#include <vector>

#include <SDL.h>
#include <SDL_image.h>

#include "app/command_line.h"
#include "app/program.h"
#include "test_support.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

std::string Demo(const std::string& relative) { return std::string(KVX_BUILD_DIR) + "/songs/" + relative; }

std::vector<std::string> DemoCharts() {
  std::vector<std::string> charts;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(KVX_BUILD_DIR) / "songs")) {
    const std::string ext = e.path().extension().string();
    if (ext == ".bms" || ext == ".bme") charts.push_back(e.path().string());
  }
  return charts;
}

TEST(ChartCheck, DemoChartsPlayToTheEndAllFGreat) {
  const std::vector<std::string> charts = DemoCharts();
  ASSERT_GE(charts.size(), 3u);
  for (const std::string& chart : charts) {
    const ChartCheck c = CheckChart(OwnOptions{}, KVX_BUILD_DIR, chart);
    EXPECT_TRUE(c.loaded) << chart;
    EXPECT_TRUE(c.reached_end) << chart;
    EXPECT_GT(c.notes, 0) << chart;
    EXPECT_TRUE(c.missing.empty()) << chart << ": " << (c.missing.empty() ? "" : c.missing[0]);
    EXPECT_NE(c.result.find("FGREAT " + std::to_string(c.notes) + " GREAT 0"), std::string::npos)
        << chart << ": " << c.result;
  }
  const ChartCheck beginner = CheckChart(OwnOptions{}, KVX_BUILD_DIR, Demo("sunrise_parade/sunrise_beginner.bms"));
  EXPECT_EQ(beginner.notes, 142);
  const std::string line = ChartCheckLine("x.bms", beginner);
  EXPECT_EQ(line.rfind("x.bms: modern rules, 142 notes, length ", 0), 0u) << line;
  EXPECT_NE(line.find(", no missing files, [Result] SCORE: 200000 ExPTS: 284 "), std::string::npos) << line;
}

// A chart naming a missing sound, a picture present under another case and
// extension, and a missing stage picture.
TEST(ChartCheck, MissingFilesAreListedAsTheChartNamesThem) {
  test::TempFolder dir;
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 8, 8, 32, SDL_PIXELFORMAT_ARGB8888);
  ASSERT_EQ(IMG_SavePNG(s, (dir.path() + "/Pic.PNG").c_str()), 0);
  SDL_FreeSurface(s);
  dir.Write("kick.ogg", "not really a sound, but it is there");
  const std::string chart = dir.Write(
      "c.bms",
      "#TITLE check\n#BPM 240\n#STAGEFILE title.bmp\n#WAV01 kick.wav\n#WAV02 snare.wav\n#BMP01 pic.bmp\n"
      "#00111:0102\n#00104:01\n");
  const ChartCheck c = CheckChart(OwnOptions{}, dir.path(), chart);
  ASSERT_TRUE(c.loaded);
  EXPECT_TRUE(c.reached_end);
  EXPECT_EQ(c.notes, 2);
  EXPECT_EQ(c.missing, (std::vector<std::string>{"snare.wav", "title.bmp"}));
  const std::string line = ChartCheckLine(chart, c);
  EXPECT_NE(line.find(": modern rules, 2 notes, length 0:0"), std::string::npos) << line;
  EXPECT_NE(line.find(", 2 missing (snare.wav, title.bmp), [Result] "), std::string::npos) << line;

  // A picture given by mistake (songs/*/*.bm? also matches .bmp) is not a chart.
  const ChartCheck picture = CheckChart(OwnOptions{}, dir.path(), dir.path() + "/Pic.PNG");
  EXPECT_FALSE(picture.loaded);
  EXPECT_EQ(ChartCheckLine("Pic.PNG", picture), "Pic.PNG: not a chart (no chart command)");

  // Status 1 as soon as one chart cannot be read; 0 when all played to the end.
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram({"--data", dir.path(), "--check", chart, dir.path() + "/none.bms"}), 1);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find(chart + ": modern rules, 2 notes"), std::string::npos) << out;
  EXPECT_NE(out.find(dir.path() + "/none.bms: not found\n"), std::string::npos) << out;
  EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 2) << "one line per chart";
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram({"--data", dir.path(), "--check", "--seed", "7", chart}), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_FALSE(fs::exists(dir.path() + "/_kvxfiles")) << "a check writes nothing";
}

TEST(ChartCheck, SeedAndCheckOptions) {
  std::string error;
  OwnOptions o = ParseOwnOptions({"--seed", "42", "--check", "a.bms", "--seed", "4294967295", "b.bms"}, &error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(o.check, (std::vector<std::string>{"a.bms", "b.bms"}));
  ASSERT_TRUE(o.seed.has_value());
  EXPECT_EQ(*o.seed, 4294967295u);
  EXPECT_FALSE(ParseOwnOptions({"x.bms"}, &error).seed.has_value());
  for (const char* bad : {"18446744073709551616", "-1", "x", ""}) {
    error.clear();
    ParseOwnOptions({"--seed", bad}, &error);
    EXPECT_FALSE(error.empty()) << bad;
  }
  error.clear();
  ParseOwnOptions({"--check"}, &error);
  EXPECT_EQ(error, "--check needs at least one chart file");

  // The rules and --verbose, before the charts or among them; --chart-info
  // takes the same tool options.
  error.clear();
  o = ParseOwnOptions({"--classic", "--check", "a.bms", "--verbose"}, &error);
  EXPECT_TRUE(error.empty()) << error;
  EXPECT_EQ(o.check, (std::vector<std::string>{"a.bms"}));
  EXPECT_EQ(o.modern_charts, std::optional<bool>(false));
  EXPECT_TRUE(o.verbose);
  o = ParseOwnOptions({"--chart-info", "a.bms", "--modern", "--seed", "3", "b.bms"}, &error);
  EXPECT_EQ(o.chart_info, (std::vector<std::string>{"a.bms", "b.bms"}));
  EXPECT_EQ(o.modern_charts, std::optional<bool>(true));
  EXPECT_EQ(o.seed, std::optional<uint64_t>(3));
  const std::string usage = PortUsage();
  size_t seeds = 0;
  for (size_t at = 0; (at = usage.find("  --seed N ", at)) != std::string::npos; ++at) ++seeds;
  EXPECT_EQ(seeds, 1u) << usage;
}

// The check reads a chart as the play does: the rules of the settings file
// (a missing file: modern), or --classic / --modern, and the --seed.
// The chart: #SETRANDOM 2 picks the second branch (two notes on 12) under
// the modern rules, where 0Z is the base-36 id 35; the classic rules merge
// both branches: 1 + 2 + 1 = 4 notes. A double-play chart's side 2 counts
// once: #PLAYER 3 with notes on 11 and 21 has 2.
TEST(ChartCheck, ReadsByTheRulesAndSeedOfThePlay) {
  test::TempFolder dir;
  const std::string chart = dir.Write(
      "r.bms", "#BPM 240\n#SETRANDOM 2\n#IF 1\n#00111:01\n#ENDIF\n#IF 2\n#00112:0101\n#ENDIF\n#00113:0Z\n");
  EXPECT_EQ(CheckChart(OwnOptions{}, dir.path(), chart).notes, 3);
  dir.Write("_kvxfiles/kvx_conf.ini", "[Setting]\nModernCharts=False\n");
  const ChartCheck classic = CheckChart(OwnOptions{}, dir.path(), chart);
  EXPECT_EQ(classic.notes, 4);
  EXPECT_EQ(ChartCheckLine("r.bms", classic).rfind("r.bms: classic rules, 4 notes, ", 0), 0u);
  OwnOptions modern;
  modern.modern_charts = true;
  const ChartCheck m = CheckChart(modern, dir.path(), chart);
  EXPECT_EQ(m.notes, 3);
  EXPECT_EQ(m.judged, 3);
  EXPECT_NE(m.result.find("SCORE: 200000 "), std::string::npos) << m.result;

  // #RANDOM 9 with nine branches of k notes on lane 10 + k: the seed decides,
  // the same seed the same branch (the one a play with that seed takes).
  std::string random = "#BPM 240\n#RANDOM 9\n";
  for (int k = 1; k <= 9; ++k)
    random += "#IF " + std::to_string(k) + "\n#001" + std::to_string(10 + k) + ":" + std::string(2 * k, '1') +
              "\n#ENDIF\n";
  const std::string rnd = dir.Write("random.bms", random);
  modern.seed = 11;
  const int32_t first = CheckChart(modern, dir.path(), rnd).notes;
  EXPECT_EQ(CheckChart(modern, dir.path(), rnd).notes, first);
  bool differs = false;
  for (uint64_t seed = 12; seed < 20 && !differs; ++seed) {
    modern.seed = seed;
    differs = CheckChart(modern, dir.path(), rnd).notes != first;
  }
  EXPECT_TRUE(differs) << "the seed chooses the branch";

  const std::string doubles = dir.Write("dp.bms", "#PLAYER 3\n#BPM 240\n#00111:01\n#00121:01\n");
  const ChartCheck dp = CheckChart(modern, dir.path(), doubles);
  EXPECT_EQ(dp.notes, 2);
  EXPECT_EQ(dp.judged, 2);
  EXPECT_FALSE(fs::exists(dir.path() + "/_kvxfiles/debug.txt")) << "a check writes nothing";
}

// Five missing sounds: the line gives the count and the first three, all
// five with --verbose; an empty #WAV line is no missing file.
TEST(ChartCheck, MissingFilesAreSummed) {
  test::TempFolder dir;
  const std::string chart = dir.Write(
      "m.bms", "#BPM 240\n#WAV01 a.wav\n#WAV02 b.wav\n#WAV03 c.wav\n#WAV04 d.wav\n#WAV05 e.wav\n#WAV06\n#00111:01\n");
  for (bool modern : {false, true}) {
    OwnOptions o;
    o.modern_charts = modern;
    ChartCheck c = CheckChart(o, dir.path(), chart);
    ASSERT_EQ(c.missing.size(), 5u) << modern;
    std::string line = ChartCheckLine("m.bms", c);
    EXPECT_NE(line.find(", 5 missing (a.wav, b.wav, c.wav, ... 2 more: --verbose), "), std::string::npos) << line;
    o.verbose = true;
    line = ChartCheckLine("m.bms", CheckChart(o, dir.path(), chart));
    EXPECT_NE(line.find(", 5 missing (a.wav, b.wav, c.wav, d.wav, e.wav), "), std::string::npos) << line;
  }
}

// The tools write nothing to the debug log: fifty --chart-info runs and a
// --check leave it as it was.
TEST(ChartCheck, ToolsWriteNothingToTheLog) {
  test::TempFolder dir;
  dir.Write("_kvxfiles/debug.txt", "earlier\r\n");
  const std::string chart = dir.Write("t.bms", "#TITLE T\n#BPM 240\n#00111:01\n");
  for (int i = 0; i < 50; ++i) {
    testing::internal::CaptureStdout();
    EXPECT_EQ(RunProgram({"--data", dir.path(), "--chart-info", chart}), 0);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("Title: T\n"), std::string::npos);
  }
  testing::internal::CaptureStdout();
  RunProgram({"--data", dir.path(), "--check", chart});
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(dir.Read("_kvxfiles/debug.txt"), "earlier\r\n");
}

// A chart whose play would last longer than 24 hours (#BPM 1e-30: about
// 2^31 ms and more) is refused at once under both rules with a clear line,
// never given up on as "did not play to the end"; a chart of 63 s (three
// measures at 240 BPM: 3000 ms, and a 60 s stop) plays to its end, past the
// first minute of the scripted clock.
TEST(ChartCheck, LongChartsAreRefusedOrPlayedToTheEnd) {
  test::TempFolder dir;
  const std::string slow = dir.Write("slow.bms", "#BPM 1e-30\n#00111:01\n");
  for (bool modern : {false, true}) {
    OwnOptions o;
    o.modern_charts = modern;
    const ChartCheck c = CheckChart(o, dir.path(), slow);
    EXPECT_FALSE(c.loaded);
    EXPECT_EQ(c.problem.rfind("refused: the play would last ", 0), 0u) << c.problem;
    EXPECT_NE(c.problem.find("hours (more than 24)"), std::string::npos) << c.problem;
  }
  // 60000 ms of stop at 240 BPM: 60000 x 240 / 1250 = 11520 units.
  const std::string stop = dir.Write("stop.bms", "#BPM 240\n#STOP01 11520\n#00109:01\n#00211:01\n");
  OwnOptions o;
  o.modern_charts = true;
  const ChartCheck c = CheckChart(o, dir.path(), stop);
  EXPECT_EQ(c.length_ms, 3000 + 60000);
  EXPECT_TRUE(c.reached_end) << ChartCheckLine("stop.bms", c);
  EXPECT_NE(ChartCheckLine("stop.bms", c).find(", length 1:03.0 (63000 ms), "), std::string::npos);
}

}  // namespace
}  // namespace kvx
