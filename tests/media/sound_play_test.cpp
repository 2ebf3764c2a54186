// Playing key sounds and system sounds: play speed, fades, echoes, pause,
// unload, several games at once and running without a device.
#include <chrono>
#include <thread>

#include "sound_test_support.h"

namespace kvx {
namespace {

using test::SoundFixture;

TEST_F(SoundFixture, PlaySpeedSetsPitch) {
  g.settings.RealHiSpeed = 1.5f;
  g.chart.WavFile[7] = Tone("s/a.wav", 44100);
  g.chart.WavFile[8] = Tone("s/b.wav", 22050);
  PlayWav(g, 7);  // loads on first use (WAVLoadmode 1)
  loadwav(g, 8);
  EXPECT_EQ(g.sound.WavFrequency[7], 66150);
  EXPECT_EQ(g.sound.WavFrequency[8], 33075);
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.WavSources[7], AL_PITCH), 1.5f);

  // A new play speed applies to every loaded sound, also while it plays.
  g.settings.RealHiSpeed = 0.75f;
  ApplyPlaySpeedToSounds(g.sound, g.settings.RealHiSpeed);
  EXPECT_EQ(g.sound.WavFrequency[7], 33075);
  EXPECT_EQ(g.sound.WavFrequency[8], 16538);  // 16537.5 rounds to even
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.WavSources[7], AL_PITCH), 0.75f);
  SetWavBufferFrequency(g.sound, 7, 88200);
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.WavSources[7], AL_PITCH), 2.0f);
  SetWavBufferFrequency(g.sound, 7, 0);  // refused
  EXPECT_EQ(g.sound.WavFrequency[7], 88200);
}

TEST_F(SoundFixture, FadeVolumes) {
  g.chart.WavFile[1] = Tone("s/a.wav");
  loadwav(g, 1);
  uint32_t source = 0;

  PlayWav(g, 1);
  source = g.sound.WavSources[1];
  EXPECT_FLOAT_EQ(SourceFloat(source, AL_GAIN), 1.0f);

  // End-of-play fade: 400 ms after its start a key sound plays at -20 dB.
  g.play.FadeState = kFadeClose;
  g.play.FadeStart = g.NowMs() - 400;
  PlayWav(g, 1);
  EXPECT_EQ(g.sound.WavVolume[1], -2000);
  EXPECT_NEAR(SourceFloat(source, AL_GAIN), 0.1f, 1e-5);

  // Failure fade: full for a second, then 5 hundredths of a dB per ms.
  g.play.FadeState = kFadeFailed;
  g.play.FadeStart = g.NowMs() - 900;
  PlayWav(g, 1);
  EXPECT_FLOAT_EQ(SourceFloat(source, AL_GAIN), 1.0f);
  g.play.FadeStart = g.NowMs() - 1500;
  PlayWav(g, 1);
  EXPECT_EQ(g.sound.WavVolume[1], -2500);
  EXPECT_NEAR(SourceFloat(source, AL_GAIN), std::pow(10.0, -1.25), 1e-5);

  // Far into the fade the volume stops at silence.
  g.play.FadeState = kFadeClose;
  g.play.FadeStart = g.NowMs() - 1000;
  EXPECT_EQ(KeySoundFadeVolume(g), -5000);
  g.play.FadeStart = g.NowMs() - 5000;
  EXPECT_EQ(KeySoundFadeVolume(g), -10000);

  // The play screen's fade sets every loaded sound.
  SetAllWavVolumes(g.sound, -1000);
  EXPECT_NEAR(SourceFloat(source, AL_GAIN), std::pow(10.0, -0.5), 1e-5);
}

TEST_F(SoundFixture, EchoQueueAndDuplicates) {
  g.chart.WavFile[9] = Tone("s/a.wav");
  g.chart.WavFile[10] = Tone("s/b.wav");
  loadwav(g, 9);
  g.play.ElapsedMs = 1000;

  PlayWav(g, 9);  // echo off: nothing queued
  EXPECT_TRUE(g.sound.EchoQueue.empty());

  SetEchoEffect(g.sound, true);
  PlayWav(g, 9);
  ASSERT_EQ(g.sound.EchoQueue.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(g.sound.EchoQueue[i].Time, 1000 + 200 * (i + 1));
    EXPECT_EQ(g.sound.EchoQueue[i].Number, 9);
    EXPECT_EQ(g.sound.EchoQueue[i].Tap, i + 1);
  }
  // Only entries due before the elapsed time play; the rest move down.
  RunEchoQueue(g, 1200);
  EXPECT_EQ(g.sound.EchoQueue.size(), 4u);
  RunEchoQueue(g, 1201);
  ASSERT_EQ(g.sound.EchoQueue.size(), 3u);
  EXPECT_EQ(g.sound.EchoQueue[0].Tap, 2);
  RunEchoQueue(g, 5000);
  EXPECT_TRUE(g.sound.EchoQueue.empty());

  const double expected[] = {-500, -2000, -4500, -8000};
  for (int tap = 1; tap <= 4; ++tap) {
    uint32_t source = g.sound.EchoSources[9 + kWavIds * tap];
    ASSERT_NE(source, 0u) << tap;
    EXPECT_NE(source, g.sound.WavSources[9]);
    EXPECT_EQ(static_cast<uint32_t>(SourceInt(source, AL_BUFFER)), g.sound.WavBuffers[9]);  // shared samples
    EXPECT_NEAR(SourceFloat(source, AL_GAIN), std::pow(10.0, expected[tap - 1] / 2000), 1e-6) << tap;
  }
  // Echoes do not queue echoes; a sound without a buffer queues none.
  EXPECT_TRUE(g.sound.EchoQueue.empty());
  g.chart.WavFile[11] = dir.path() + "/s/missing.wav";
  PlayWav(g, 11);
  EXPECT_TRUE(g.sound.EchoQueue.empty());

  // The queue holds at most 256 entries; RemoveEcho moves later ones down.
  for (int i = 0; i < 70; ++i) PlayWav(g, 10);
  EXPECT_EQ(g.sound.EchoQueue.size(), 256u);
  QueueEcho(g.sound, 1, 10, 1);
  EXPECT_EQ(g.sound.EchoQueue.size(), 256u);
  g.sound.EchoQueue[1].Time = 42;
  RemoveEcho(g.sound, 0);
  EXPECT_EQ(g.sound.EchoQueue[0].Time, 42);
  RemoveEcho(g.sound, 999);  // out of range: ignored
  EXPECT_EQ(g.sound.EchoQueue.size(), 255u);
  SetEchoEffect(g.sound, false);
  EXPECT_TRUE(g.sound.EchoQueue.empty());

  // Releasing the buffer detaches its duplicates first.
  g.chart.WavFile[9].clear();
  ReleaseChangedSounds(g.sound, g.chart);
  EXPECT_EQ(g.sound.WavBuffers[9], 0u);
  EXPECT_EQ(SourceInt(g.sound.EchoSources[9 + kWavIds], AL_BUFFER), 0);
}

// Every sound id of a chart by the classic rules (01..FF), with echoes.
TEST_F(SoundFixture, AFullChartWithEchoesGetsEverySource) {
  constexpr int kClassicIds = 256;
  std::string tone = Tone("s/a.wav", 22050, 0.02);
  for (int id = 1; id < kClassicIds; ++id) {
    g.chart.WavFile[id] = tone;
    loadwav(g, id);
  }
  SetEchoEffect(g.sound, true);
  for (int id = 1; id < kClassicIds; ++id) {
    PlayWav(g, id);
    RunEchoQueue(g, 100000);  // the queue holds 256: play the echoes as they come
  }
  for (int id = 1; id < kClassicIds; ++id) {
    EXPECT_NE(g.sound.WavSources[id], 0u) << id;
    for (int tap = 1; tap <= 4; ++tap) ASSERT_NE(g.sound.EchoSources[id + kWavIds * tap], 0u) << id << " " << tap;
  }
}

TEST_F(SoundFixture, PauseResumeAndUnload) {
  g.chart.WavFile[1] = Tone("s/long.wav", 44100, 3.0);
  g.chart.WavFile[2] = Tone("s/short.wav", 44100, 3.0);
  loadwav(g, 1);
  loadwav(g, 2);
  PlayWav(g, 1);
  EXPECT_TRUE(IsWavPlaying(g.sound, 1));
  EXPECT_FALSE(IsWavPlaying(g.sound, 2));

  PauseChartSounds(g);
  EXPECT_TRUE(g.play.SoundWasPlaying[1]);
  EXPECT_FALSE(g.play.SoundWasPlaying[2]);
  EXPECT_FALSE(IsWavPlaying(g.sound, 1));
  EXPECT_EQ(SourceInt(g.sound.WavSources[1], AL_SOURCE_STATE), AL_PAUSED);
  ResumeChartSounds(g);
  EXPECT_TRUE(IsWavPlaying(g.sound, 1));
  EXPECT_FALSE(IsWavPlaying(g.sound, 2));

  StopWavBuffer(g.sound, 1);
  ContinueWav(g.sound, 1);
  EXPECT_TRUE(IsWavPlaying(g.sound, 1));

  // Unloading the chart stops and rewinds; the buffers stay for the next chart.
  StopChartSounds(g.sound);
  EXPECT_FALSE(IsWavPlaying(g.sound, 1));
  EXPECT_EQ(SourceInt(g.sound.WavSources[1], AL_SOURCE_STATE), AL_INITIAL);
  EXPECT_TRUE(HasWavBuffer(g.sound, 1));
  RestartWav(g.sound, 2);
  EXPECT_TRUE(IsWavPlaying(g.sound, 2));
}

TEST_F(SoundFixture, SystemSoundsFromTheDefaultData) {
  // The generated data folder of the build holds the 16 system sounds.
  std::filesystem::copy(std::string(KVX_BUILD_DIR) + "/_kvxfiles/wav", g.paths.data + "/wav",
                        std::filesystem::copy_options::recursive | std::filesystem::copy_options::overwrite_existing);
  InitDS(g);
  ASSERT_TRUE(SoundAvailable(g.sound));
  for (int i = 0; i < kSystemSoundCount; ++i) EXPECT_TRUE(HasSystemSound(g.sound, i)) << kSystemSoundFiles[i];

  PlaySE(g.sound, kSePtsCount, true);
  EXPECT_TRUE(IsSystemSoundPlaying(g.sound, kSePtsCount));
  EXPECT_EQ(SourceInt(g.sound.SystemSources[kSePtsCount], AL_LOOPING), AL_TRUE);
  StopSE(g.sound, kSePtsCount);
  EXPECT_FALSE(IsSystemSoundPlaying(g.sound, kSePtsCount));
  PlaySE(g.sound, kSeReady);
  EXPECT_EQ(SourceInt(g.sound.SystemSources[kSeReady], AL_LOOPING), AL_FALSE);
  SetSystemSoundVolume(g.sound, kSeSelect, -1500);
  EXPECT_NEAR(SourceFloat(g.sound.SystemSources[kSeSelect], AL_GAIN), std::pow(10.0, -0.75), 1e-5);
  PlaySE(g.sound, 16);  // no such index
  PlaySE(g.sound, -1);
}

TEST_F(SoundFixture, MissingSystemSoundsStaySilent) {
  std::string log = Log();
  EXPECT_NE(log.find("[InitDS]"), std::string::npos);
  EXPECT_NE(log.find("SetCooperativeLevel: DSSCL_PRIORITY"), std::string::npos);
  EXPECT_NE(log.find("loading SEs..."), std::string::npos);
  for (int i = 0; i < kSystemSoundCount; ++i) EXPECT_FALSE(HasSystemSound(g.sound, i));
  PlaySE(g.sound, kSeFade);
  StopSE(g.sound, kSeFade);
  EXPECT_FALSE(IsSystemSoundPlaying(g.sound, kSeFade));

  // One system sound present (as .ogg): only that one plays.
  Tone("_kvxfiles/wav/fade.ogg", 44100, 0.5, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  InitDS(g);
  EXPECT_TRUE(HasSystemSound(g.sound, kSeFade));
  EXPECT_FALSE(HasSystemSound(g.sound, kSeReady));
  PlaySE(g.sound, kSeFade);
  EXPECT_TRUE(IsSystemSoundPlaying(g.sound, kSeFade));
}

TEST_F(SoundFixture, SeveralGamesAndNoDevice) {
  // A second game in the same process has its own device and tables.
  Game other;
  other.SetProgramFolder(dir.path());
  other.options.headless = true;
  InitDS(other);
  ASSERT_TRUE(SoundAvailable(other.sound));
  g.chart.WavFile[3] = other.chart.WavFile[3] = Tone("s/a.wav");
  g.settings.RealHiSpeed = 2.0f;
  loadwav(g, 3);
  loadwav(other, 3);
  PlayWav(g, 3);
  PlayWav(other, 3);
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.WavSources[3], AL_PITCH), 2.0f);
  ASSERT_TRUE(other.sound.device->MakeCurrent());
  float pitch = 0;
  alGetSourcef(other.sound.WavSources[3], AL_PITCH, &pitch);
  EXPECT_FLOAT_EQ(pitch, 1.0f);

  // After ReleaseSound (and without any device) every call does nothing.
  ReleaseSound(other.sound);
  EXPECT_FALSE(SoundAvailable(other.sound));
  other.chart.WavFile[4] = g.chart.WavFile[3];
  loadwav(other, 4);
  PlayWav(other, 4);
  PlaySE(other.sound, kSeSelect, true);
  StopSE(other.sound, kSeSelect);
  SetAllWavVolumes(other.sound, -500);
  PauseChartSounds(other);
  ResumeChartSounds(other);
  StopChartSounds(other.sound);
  ApplyPlaySpeedToSounds(other.sound, other.settings.RealHiSpeed);
  PrefetchChartSounds(other, dir.path() + "/none.bms");
  EXPECT_EQ(other.sound.WavBuffers[4], 0u);
  EXPECT_FALSE(HasWavBuffer(other.sound, 3));
  EXPECT_FALSE(IsWavPlaying(other.sound, 3));
  // The first game still plays.
  PlayWav(g, 3);
  EXPECT_TRUE(IsWavPlaying(g.sound, 3));
}

}  // namespace
}  // namespace kvx
