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

// The wave file writer starts again over its header after a pause, so a
// device that writes one never pauses.
TEST(AudioDevice, TheWaveWriterIsFoundInTheVariableOrTheConfiguration) {
  EXPECT_TRUE(AudioDevice::WritesWaveFile("wave", ""));
  EXPECT_TRUE(AudioDevice::WritesWaveFile(" wave , null", ""));
  EXPECT_FALSE(AudioDevice::WritesWaveFile("null", "[general]\ndrivers = wave\n")) << "the variable wins";
  EXPECT_FALSE(AudioDevice::WritesWaveFile("pulse,wave", ""));
  EXPECT_TRUE(AudioDevice::WritesWaveFile(nullptr, "[general]\r\ndrivers = wave\r\n[wave]\nfile = /tmp/out.wav\n"));
  EXPECT_TRUE(AudioDevice::WritesWaveFile("", "drivers=alsa\ndrivers=wave\n")) << "the last line counts";
  EXPECT_FALSE(AudioDevice::WritesWaveFile(nullptr, "[wave]\nfile = /tmp/out.wav\n"));
  EXPECT_FALSE(AudioDevice::WritesWaveFile(nullptr, ""));
}

}  // namespace
}  // namespace kvx
