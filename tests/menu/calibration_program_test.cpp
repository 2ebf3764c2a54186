// The calibration screen in a whole-program run (--calibrate) on the dummy
// display.
#include <SDL.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/whole_program_fixture.h"

namespace kvx {
namespace {

using test::WholeProgram;

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
