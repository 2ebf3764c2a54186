// The calibration screen in a whole-program run (--calibrate) on the dummy
// display, with a scripted clock: taps at known offsets from the beat, the
// line the screen shows, and the saved offset in the settings file.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/whole_program_fixture.h"
#include "menu/calibration.h"

namespace kvx {
namespace {

using test::WholeProgram;

void PushKey(SDL_Scancode code) {
  for (Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event e{};
    e.type = type;
    e.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    SDL_PushEvent(&e);
  }
}

TEST(CalibrationProgram, TapsAtKnownOffsetsAreShownAndTheirMeanSaved) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
  run.g.options.calibrate = true;
  // One tap a beat: two practice taps, then ten (mean -23 ms, spread 7.1 ms).
  const std::vector<int32_t> offsets = {120, -90, -20, -30, -25, -15, -35, -20, -25, -30, -10, -20};
  uint32_t opened = 0, late = 0;
  size_t tap = 0;
  bool saved = false;
  run.g.menu.frame_script = [&](Game& g) {
    const uint32_t now = g.NowMs();
    if (!opened) opened = now;  // the first call comes at the opening
    if (tap == offsets.size()) {
      if (!saved) PushKey(SDL_SCANCODE_RETURN);
      saved = true;
      return;
    }
    const uint32_t at = opened + kCalibrationFirstBeatMs + static_cast<uint32_t>(tap) * kCalibrationBeatMs + offsets[tap];
    if (static_cast<int32_t>(at - now) < 0) ++late;
    if (static_cast<int32_t>(at - now) >= 16) return;  // the screen wakes at least every 16 ms
    static_cast<ScriptedClock*>(g.clock.get())->Advance(at - now);
    PushKey(SDL_SCANCODE_Z);
    // Enter before eight counted taps saves nothing.
    if (tap == 6) PushKey(SDL_SCANCODE_RETURN);
    ++tap;
  };
  std::string file_after_calibration;
  EXPECT_EQ(run.Run([&](WholeProgram& w, std::vector<PlatformEvent>& events) {
              file_after_calibration = w.folder.Read("_kvxfiles/kvx_conf.ini");
              events.push_back(PlatformEvent{});  // the game has started: close it
            }),
            0);
  EXPECT_EQ(tap, offsets.size());
  EXPECT_EQ(late, 0u);
  EXPECT_TRUE(saved);
  EXPECT_EQ(run.g.settings.JudgeOffsetMs, -23);
  const std::string log = run.folder.Read("_kvxfiles/debug.txt");
  // Each counted tap logs the line the screen shows.
  EXPECT_NE(log.find("[Calibration] tap -20 ms; Taps: 1   mean offset: -20 ms   spread: 0 ms   (judge offset now +0 ms)"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("[Calibration] tap -20 ms; Taps: 10   mean offset: -23 ms   spread: 7 ms"), std::string::npos);
  EXPECT_EQ(log.find("Taps: 11"), std::string::npos);
  EXPECT_NE(log.find("[Calibration] judge offset -23 ms from 10 taps (spread 7 ms)"), std::string::npos);
  // Saving wrote the settings file at once, before the game started.
  EXPECT_NE(file_after_calibration.find("JudgeOffsetMs=-23\r\n"), std::string::npos) << file_after_calibration;
  EXPECT_EQ(file_after_calibration.find("DEMOMode=True"), std::string::npos);
}

// Without a window and without a script the calibration does not wait for
// taps that cannot come: the game starts.
TEST(CalibrationProgram, WithoutAWindowItIsSkipped) {
  WholeProgram run("sunrise_parade", "sunrise_beginner.bms", 16);
  run.g.options.calibrate = true;
  bool started = false;
  EXPECT_EQ(run.Run([&](WholeProgram&, std::vector<PlatformEvent>& events) {
              started = true;
              events.push_back(PlatformEvent{});
            }),
            0);
  EXPECT_TRUE(started);
  EXPECT_EQ(run.folder.Read("_kvxfiles/debug.txt").find("[Calibration] opened"), std::string::npos);
  EXPECT_EQ(run.g.settings.JudgeOffsetMs, 0);
}

}  // namespace
}  // namespace kvx
