// Playing key sounds and system sounds: play speed, fades, echoes, pause,
// unload, several games at once and running without a device.
#include <chrono>
#include <thread>

#include "sound_test_support.h"

namespace kvx {
namespace {

using test::SoundFixture;
using test::SoundPartsFixture;

TEST_F(SoundPartsFixture, PlaySpeedSetsPitch) {
  links.play_speed = 1.5;
  chart.WavFile[7] = Tone("s/a.wav", 44100);
  chart.WavFile[8] = Tone("s/b.wav", 22050);
  PlayWav(sound, chart, links, 7);  // loads on first use (WAVLoadmode 1)
  loadwav(sound, chart, links, 8);
  EXPECT_EQ(sound.WavFrequency[7], 66150);
  EXPECT_EQ(sound.WavFrequency[8], 33075);
  EXPECT_FLOAT_EQ(SourceFloat(sound.WavSources[7], AL_PITCH), 1.5f);

  // A new play speed applies to every loaded sound, also while it plays.
  ApplyPlaySpeedToSounds(sound, 0.75);
  EXPECT_EQ(sound.WavFrequency[7], 33075);
  EXPECT_EQ(sound.WavFrequency[8], 16538);  // 16537.5 rounds to even
  EXPECT_FLOAT_EQ(SourceFloat(sound.WavSources[7], AL_PITCH), 0.75f);
  SetWavBufferFrequency(sound, 7, 88200);
  EXPECT_FLOAT_EQ(SourceFloat(sound.WavSources[7], AL_PITCH), 2.0f);
  SetWavBufferFrequency(sound, 7, 0);  // refused
  EXPECT_EQ(sound.WavFrequency[7], 88200);
}

TEST_F(SoundPartsFixture, FadeVolumes) {
  constexpr int kFadeClose = 1, kFadeFailed = 3;  // the play's fade states
  chart.WavFile[1] = Tone("s/a.wav");
  loadwav(sound, chart, links, 1);
  uint32_t source = 0;
  const uint32_t now = clock.NowMs();
  auto playAtFade = [&](int fadeState, uint32_t fadeStart) {
    links.key_volume = KeySoundFadeVolume(now, fadeState, fadeStart);
    PlayWav(sound, chart, links, 1);
  };

  playAtFade(0, 0);
  source = sound.WavSources[1];
  EXPECT_FLOAT_EQ(SourceFloat(source, AL_GAIN), 1.0f);

  // End-of-play fade: 400 ms after its start a key sound plays at -20 dB.
  playAtFade(kFadeClose, now - 400);
  EXPECT_EQ(sound.WavVolume[1], -2000);
  EXPECT_NEAR(SourceFloat(source, AL_GAIN), 0.1f, 1e-5);

  // Failure fade: full for a second, then 5 hundredths of a dB per ms.
  playAtFade(kFadeFailed, now - 900);
  EXPECT_FLOAT_EQ(SourceFloat(source, AL_GAIN), 1.0f);
  playAtFade(kFadeFailed, now - 1500);
  EXPECT_EQ(sound.WavVolume[1], -2500);
  EXPECT_NEAR(SourceFloat(source, AL_GAIN), std::pow(10.0, -1.25), 1e-5);

  // Far into the fade the volume stops at silence.
  EXPECT_EQ(KeySoundFadeVolume(now, kFadeClose, now - 1000), -5000);
  EXPECT_EQ(KeySoundFadeVolume(now, kFadeClose, now - 5000), -10000);

  // The play screen's fade sets every loaded sound.
  SetAllWavVolumes(sound, -1000);
  EXPECT_NEAR(SourceFloat(source, AL_GAIN), std::pow(10.0, -0.5), 1e-5);
}

TEST_F(SoundFixture, FadeVolumeFollowsThePlaysFade) {
  // The game's links take the key sound volume from the play's fade now.
  g.chart.WavFile[1] = Tone("s/a.wav");
  g.play.FadeState = kFadeClose;
  g.play.FadeStart = g.NowMs() - 400;
  PlayWav(g, 1);
  EXPECT_EQ(g.sound.WavVolume[1], -2000);
  EXPECT_EQ(KeySoundFadeVolume(g), -2000);
}

TEST_F(SoundPartsFixture, EchoQueueAndDuplicates) {
  chart.WavFile[9] = Tone("s/a.wav");
  chart.WavFile[10] = Tone("s/b.wav");
  loadwav(sound, chart, links, 9);
  links.elapsed_ms = 1000;

  PlayWav(sound, chart, links, 9);  // echo off: nothing queued
  EXPECT_TRUE(sound.EchoQueue.empty());

  SetEchoEffect(sound, true);
  PlayWav(sound, chart, links, 9);
  ASSERT_EQ(sound.EchoQueue.size(), 4u);
  for (int i = 0; i < 4; ++i) {
    EXPECT_EQ(sound.EchoQueue[i].Time, 1000 + 200 * (i + 1));
    EXPECT_EQ(sound.EchoQueue[i].Number, 9);
    EXPECT_EQ(sound.EchoQueue[i].Tap, i + 1);
  }
  // Only entries due before the elapsed time play; the rest move down.
  RunEchoQueue(sound, chart, links, 1200);
  EXPECT_EQ(sound.EchoQueue.size(), 4u);
  RunEchoQueue(sound, chart, links, 1201);
  ASSERT_EQ(sound.EchoQueue.size(), 3u);
  EXPECT_EQ(sound.EchoQueue[0].Tap, 2);
  RunEchoQueue(sound, chart, links, 5000);
  EXPECT_TRUE(sound.EchoQueue.empty());

  const double expected[] = {-500, -2000, -4500, -8000};
  for (int tap = 1; tap <= 4; ++tap) {
    uint32_t source = sound.EchoSources[9 + kWavIds * tap];
    ASSERT_NE(source, 0u) << tap;
    EXPECT_NE(source, sound.WavSources[9]);
    EXPECT_EQ(static_cast<uint32_t>(SourceInt(source, AL_BUFFER)), sound.WavBuffers[9]);  // shared samples
    EXPECT_NEAR(SourceFloat(source, AL_GAIN), std::pow(10.0, expected[tap - 1] / 2000), 1e-6) << tap;
  }
  // Echoes do not queue echoes; a sound without a buffer queues none.
  EXPECT_TRUE(sound.EchoQueue.empty());
  chart.WavFile[11] = dir.path() + "/s/missing.wav";
  PlayWav(sound, chart, links, 11);
  EXPECT_TRUE(sound.EchoQueue.empty());

  // The queue holds at most 256 entries; RemoveEcho moves later ones down.
  for (int i = 0; i < 70; ++i) PlayWav(sound, chart, links, 10);
  EXPECT_EQ(sound.EchoQueue.size(), 256u);
  QueueEcho(sound, 1, 10, 1);
  EXPECT_EQ(sound.EchoQueue.size(), 256u);
  sound.EchoQueue[1].Time = 42;
  RemoveEcho(sound, 0);
  EXPECT_EQ(sound.EchoQueue[0].Time, 42);
  RemoveEcho(sound, 999);  // out of range: ignored
  EXPECT_EQ(sound.EchoQueue.size(), 255u);
  SetEchoEffect(sound, false);
  EXPECT_TRUE(sound.EchoQueue.empty());

  // Releasing the buffer detaches its duplicates first.
  chart.WavFile[9].clear();
  ReleaseChangedSounds(sound, chart);
  EXPECT_EQ(sound.WavBuffers[9], 0u);
  EXPECT_EQ(SourceInt(sound.EchoSources[9 + kWavIds], AL_BUFFER), 0);
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

TEST_F(SoundPartsFixture, PauseResumeAndUnload) {
  std::array<bool, kWavIds> wasPlaying{};  // the play's SoundWasPlaying
  chart.WavFile[1] = Tone("s/long.wav", 44100, 3.0);
  chart.WavFile[2] = Tone("s/short.wav", 44100, 3.0);
  loadwav(sound, chart, links, 1);
  loadwav(sound, chart, links, 2);
  PlayWav(sound, chart, links, 1);
  EXPECT_TRUE(IsWavPlaying(sound, 1));
  EXPECT_FALSE(IsWavPlaying(sound, 2));

  PauseChartSounds(sound, wasPlaying);
  EXPECT_TRUE(wasPlaying[1]);
  EXPECT_FALSE(wasPlaying[2]);
  EXPECT_FALSE(IsWavPlaying(sound, 1));
  EXPECT_EQ(SourceInt(sound.WavSources[1], AL_SOURCE_STATE), AL_PAUSED);
  ResumeChartSounds(sound, wasPlaying);
  EXPECT_TRUE(IsWavPlaying(sound, 1));
  EXPECT_FALSE(IsWavPlaying(sound, 2));

  StopWavBuffer(sound, 1);
  ContinueWav(sound, 1);
  EXPECT_TRUE(IsWavPlaying(sound, 1));

  // Unloading the chart stops and rewinds; the buffers stay for the next chart.
  StopChartSounds(sound);
  EXPECT_FALSE(IsWavPlaying(sound, 1));
  EXPECT_EQ(SourceInt(sound.WavSources[1], AL_SOURCE_STATE), AL_INITIAL);
  EXPECT_TRUE(HasWavBuffer(sound, 1));
  RestartWav(sound, 2);
  EXPECT_TRUE(IsWavPlaying(sound, 2));
}

// A resting screen stops the mixer once no sound has played at two looks a
// second apart; the next use of the device starts it again.
TEST_F(SoundPartsFixture, AQuietDeviceRestsAndTheNextSoundWakesIt) {
  chart.WavFile[1] = Tone("s/long.wav", 44100, 3.0);
  loadwav(sound, chart, links, 1);
  PlayWav(sound, chart, links, 1);
  for (uint32_t t = 1000; t <= 4000; t += 1000) RestSound(sound, t);
  EXPECT_FALSE(sound.device->Paused()) << "a sound plays";

  StopChartSounds(sound);
  RestSound(sound, 5000);
  RestSound(sound, 5500);  // too soon for a second look
  EXPECT_FALSE(sound.device->Paused());
  RestSound(sound, 6000);
  EXPECT_TRUE(sound.device->Paused()) << "quiet at 5 s and 6 s";

  PlayWav(sound, chart, links, 1);
  EXPECT_FALSE(sound.device->Paused());
  EXPECT_TRUE(IsWavPlaying(sound, 1));
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  const float mixed = SourceFloat(sound.WavSources[1], AL_SEC_OFFSET);
  EXPECT_GT(mixed, 0.05f) << "the woken mixer plays the sound";

  // A paused device really stops mixing: the playing sound does not advance.
  ASSERT_TRUE(sound.device->Pause());
  const float held = SourceFloat(sound.WavSources[1], AL_SEC_OFFSET);
  std::this_thread::sleep_for(std::chrono::milliseconds(150));
  EXPECT_FLOAT_EQ(SourceFloat(sound.WavSources[1], AL_SEC_OFFSET), held);
  sound.device->Resume();
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
