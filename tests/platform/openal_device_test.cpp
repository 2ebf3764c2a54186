// The sound device's period request: the configuration text for OpenAL Soft
// and the update rate asked of newer versions.
#include "platform/openal_device.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(AudioDevice, PeriodsAskedForALatency) {
  EXPECT_EQ(AudioDevice::TuningText("", 16), "[general]\nperiod_size = 236\nperiods = 3\n");
  EXPECT_EQ(AudioDevice::TuningText("", 0), "") << "0: the device's own sizes";
  EXPECT_EQ(AudioDevice::TuningText("", 1), "[general]\nperiod_size = 64\nperiods = 3\n");
  // The player's own configuration comes first; its period settings win.
  EXPECT_EQ(AudioDevice::TuningText("[general]\ndrivers = wave", 30),
            "[general]\ndrivers = wave\n[general]\nperiod_size = 444\nperiods = 3\n");
  EXPECT_EQ(AudioDevice::TuningText("[general]\nperiods = 4\n", 16), "[general]\nperiods = 4\n");
  EXPECT_EQ(AudioDevice::RefreshFor(16), 188);
  EXPECT_EQ(AudioDevice::RefreshFor(0), 0);
  EXPECT_EQ(AudioDevice::RefreshFor(1000), 10);
}

}  // namespace
}  // namespace kvx
