// The mixer volumes: master on the listener, key sounds, background sounds
// and system sounds on their sources, through the null device's gains.
#include <AL/al.h>
#include <gtest/gtest.h>

#include "media/sound.h"
#include "sound_test_support.h"

namespace kvx {
namespace {

using test::SoundFixture;

TEST_F(SoundFixture, MixerVolumesScaleEachKindOfSound) {
  Tone(std::string("_kvxfiles/wav/") + kSystemSoundFiles[kSeResClear]);
  InitDS(g);  // with one system sound
  ASSERT_TRUE(HasSystemSound(g.sound, kSeResClear));
  g.chart.WavFile[1] = Tone("s/key.wav");
  g.chart.WavFile[2] = Tone("s/bgm.wav");
  SetMixerVolumes(g.sound, 100, 50, 25, 0);
  PlayWav(g, 1, 0, SoundKind::Key);
  PlayWav(g, 2, 0, SoundKind::Background);
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.WavSources[1], AL_GAIN), 0.5f);
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.WavSources[2], AL_GAIN), 0.25f);
  // A fade keeps the kind's factor: -20 dB of a half is 0.05.
  SetWavBufferVolume(g.sound, 1, -2000);
  EXPECT_NEAR(SourceFloat(g.sound.WavSources[1], AL_GAIN), 0.05f, 1e-6);
  // System sounds at 0 % are silent, also after a volume of their own is set.
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.SystemSources[kSeResClear], AL_GAIN), 0.0f);
  SetSystemSoundVolume(g.sound, kSeResClear, -1000);
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.SystemSources[kSeResClear], AL_GAIN), 0.0f);

  // Master 0: the listener is silent; changed volumes reach sounds already playing.
  SetMixerVolumes(g.sound, 0, 100, 100, 100);
  Al();
  float listener = -1;
  alGetListenerf(AL_GAIN, &listener);
  EXPECT_FLOAT_EQ(listener, 0.0f);
  EXPECT_NEAR(SourceFloat(g.sound.WavSources[1], AL_GAIN), 0.1f, 1e-6);
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.WavSources[2], AL_GAIN), 1.0f);
  EXPECT_NEAR(SourceFloat(g.sound.SystemSources[kSeResClear], AL_GAIN), 0.316228f, 1e-5);  // -10 dB
  // Out-of-range percentages are clamped.
  SetMixerVolumes(g.sound, 250, -5, 100, 100);
  EXPECT_FLOAT_EQ(g.sound.MasterGain, 1.0f);
  EXPECT_FLOAT_EQ(g.sound.KeyGain, 0.0f);
}

}  // namespace
}  // namespace kvx
