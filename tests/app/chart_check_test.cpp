// korvex --check: demo plays on a scripted clock, one line per chart, the
// missing files looked up as the loaders do, and the exit status.
#include "app/chart_check.h"

#include <gtest/gtest.h>

#include <algorithm>
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
  EXPECT_EQ(line.rfind("x.bms: 142 notes, ", 0), 0u) << line;
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
  EXPECT_NE(line.find(": 2 notes, 0:0"), std::string::npos) << line;
  EXPECT_NE(line.find(", 2 missing (snare.wav, title.bmp), [Result] "), std::string::npos) << line;

  // A picture given by mistake (songs/*/*.bm? also matches .bmp) is not a chart.
  const ChartCheck picture = CheckChart(OwnOptions{}, dir.path(), dir.path() + "/Pic.PNG");
  EXPECT_FALSE(picture.loaded);
  EXPECT_EQ(ChartCheckLine("Pic.PNG", picture), "Pic.PNG: not a chart (no header and no objects)");

  // Status 1 as soon as one chart cannot be read; 0 when all played to the end.
  testing::internal::CaptureStdout();
  EXPECT_EQ(RunProgram({"--data", dir.path(), "--check", chart, dir.path() + "/none.bms"}), 1);
  const std::string out = testing::internal::GetCapturedStdout();
  EXPECT_NE(out.find(chart + ": 2 notes"), std::string::npos) << out;
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
}

}  // namespace
}  // namespace kvx
