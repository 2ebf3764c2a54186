// The calibration's arithmetic: each tap against the nearest beat, the mean
// and spread of the taps after the practice ones.
#include "menu/calibration.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "platform/clock.h"
#include "test_support.h"

namespace kvx {
namespace {

TEST(Calibration, TapsAgainstTheNearestBeatAndTheirMean) {
  const std::vector<uint32_t> beats = {1000, 1500, 2000};
  EXPECT_EQ(TapOffset(beats, 1030), 30);
  EXPECT_EQ(TapOffset(beats, 1480), -20);
  EXPECT_EQ(TapOffset(beats, 2249), 249);
  EXPECT_FALSE(TapOffset(beats, 2251).has_value()) << "more than half a beat after the last beat";
  EXPECT_FALSE(TapOffset(beats, 740).has_value());
  EXPECT_FALSE(TapOffset({}, 1000).has_value());
  EXPECT_EQ(TapOffset({0xFFFFFFF0u}, 0x20u), 0x30);  // across the clock's wrap

  EXPECT_EQ(SummarizeTaps({}).taps, 0);
  EXPECT_EQ(SummarizeTaps({100, 90}).taps, 0) << "practice taps only";
  // The two practice taps are left out; then 20, 30, 40, 30: mean 30, spread 7.07.
  const CalibrationSummary s = SummarizeTaps({-200, 150, 20, 30, 40, 30});
  EXPECT_EQ(s.taps, 4);
  EXPECT_EQ(s.mean_ms, 30);
  EXPECT_EQ(s.spread_ms, 7);
  EXPECT_EQ(SummarizeTaps({0, 0, -11, -12}).mean_ms, -12);  // -11.5 rounds away from zero
}

// The loop itself on a scripted clock: taps pushed as key events 30-45 ms after
// each beat, Enter after ten; the mean of the eight counted taps becomes
// JudgeOffsetMs and is in the settings file at once.
TEST(Calibration, ScriptedTapsAreCountedAndTheirMeanIsSaved) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
  Game g;
  test::TempFolder folder;
  g.SetProgramFolder(folder.path());
  g.options.headless = true;
  std::filesystem::create_directories(g.paths.data);
  g.log.SetPath(g.paths.In("debug.txt"));
  g.UseClock(std::make_unique<ScriptedClock>(5000, 1));
  uint32_t opened = 0;
  bool first = true;
  std::vector<int32_t> offsets;
  size_t tapped_beat = 0;
  auto push = [](SDL_Scancode key) {
    SDL_Event e{};
    e.type = SDL_KEYDOWN;
    e.key.keysym.scancode = key;
    SDL_PushEvent(&e);
  };
  g.menu.frame_script = [&](Game& game) {
    const uint32_t now = game.NowMs();
    if (first) opened = now, first = false;
    if (now < opened + kCalibrationFirstBeatMs) return;
    if (now - opened > 20000) return push(SDL_SCANCODE_ESCAPE);  // taps not counted: close, the checks fail
    const size_t beat = (now - opened - kCalibrationFirstBeatMs) / kCalibrationBeatMs + 1;
    const uint32_t beat_ms = opened + kCalibrationFirstBeatMs + static_cast<uint32_t>(beat - 1) * kCalibrationBeatMs;
    if (offsets.size() == 10) return push(SDL_SCANCODE_RETURN);
    if (beat == tapped_beat || now - beat_ms < 30) return;
    tapped_beat = beat;
    offsets.push_back(static_cast<int32_t>(now - beat_ms));
    push(SDL_SCANCODE_SPACE);
  };
  OpenCalibrationWindow(g);
  SDL_QuitSubSystem(SDL_INIT_EVENTS);

  ASSERT_EQ(offsets.size(), 10u);
  double sum = 0;
  for (size_t i = 2; i < offsets.size(); ++i) sum += offsets[i];
  const int expected = static_cast<int>(std::lround(sum / 8));
  EXPECT_GE(expected, 30);
  EXPECT_LT(expected, 46);
  EXPECT_EQ(g.settings.JudgeOffsetMs, expected);
  const std::string ini = folder.Read("_kvxfiles/kvx_conf.ini");
  const std::string line = "JudgeOffsetMs=" + std::to_string(expected);
  const size_t at = ini.find(line);
  ASSERT_NE(at, std::string::npos) << ini;
  EXPECT_TRUE(ini[at + line.size()] == '\r' || ini[at + line.size()] == '\n') << ini;
  EXPECT_NE(folder.Read("_kvxfiles/debug.txt").find("[Calibration] judge offset " + std::to_string(expected) +
                                                    " ms from 8 taps"),
            std::string::npos);
}

}  // namespace
}  // namespace kvx
