#pragma once
// Shared pieces of the sound tests: a game with a data folder on the null
// device, sound files written with libsndfile, and reads of OpenAL state.
#include <AL/al.h>
#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/sound_links.h"
#include "chart/chart_state.h"
#include "media/sound.h"
#include "media/sound_prefetch.h"
#include "platform/clock.h"
#include "platform/files.h"
#include "platform/openal_device.h"
#include "test_support.h"

namespace kvx::test {

// Writes a sine tone; format is SF_FORMAT_WAV | SF_FORMAT_PCM_16 or OGG/Vorbis.
inline bool WriteTone(const std::string& path, int rate, int channels, double seconds, double hz,
                      int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16) {
  SF_INFO info{};
  info.samplerate = rate;
  info.channels = channels;
  info.format = format;
  SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
  if (!f) return false;
  sf_count_t frames = static_cast<sf_count_t>(rate * seconds);
  std::vector<float> data(static_cast<size_t>(frames) * channels);
  for (sf_count_t i = 0; i < frames; ++i)
    for (int c = 0; c < channels; ++c)
      data[i * channels + c] = static_cast<float>(0.5 * std::sin(2 * M_PI * hz * i / rate));
  bool ok = sf_writef_float(f, data.data(), frames) == frames;
  sf_close(f);
  return ok;
}

struct SoundFixture : ::testing::Test {
  TempFolder dir;
  Game g;
  ScriptedClock* clock = nullptr;

  void SetUp() override {
    clock = UseHeadlessGame(g, dir.path(), 10000);
    MakeFolder(g.paths.data + "/wav");
    InitDS(g);
    ASSERT_TRUE(SoundAvailable(g.sound)) << "the OpenAL null device should open (ALSOFT_DRIVERS=null)";
  }

  std::string Log() { return dir.Read("_kvxfiles/debug.txt"); }
  size_t Count(const std::string& text) {
    std::string log = Log();
    size_t n = 0;
    for (size_t at = log.find(text); at != std::string::npos; at = log.find(text, at + 1)) ++n;
    return n;
  }
  // A tone file below the temp folder; returns its full path.
  std::string Tone(const std::string& relative, int rate = 44100, double seconds = 0.05,
                   int format = SF_FORMAT_WAV | SF_FORMAT_PCM_16, int channels = 1) {
    std::string path = dir.path() + "/" + relative;
    std::filesystem::create_directories(FolderOf(path));
    EXPECT_TRUE(WriteTone(path, rate, channels, seconds, 440, format)) << path;
    return path;
  }

  void Al() { ASSERT_TRUE(g.sound.device->MakeCurrent()); }
  float SourceFloat(uint32_t source, ALenum what) {
    Al();
    float value = -1;
    alGetSourcef(source, what, &value);
    return value;
  }
  int SourceInt(uint32_t source, ALenum what) {
    Al();
    ALint value = -1;
    alGetSourcei(source, what, &value);
    return value;
  }
};


// The sound routines with only the state they own: the sound tables, the
// chart's sound names, a log and a scripted clock; no game around them.
struct SoundPartsFixture : ::testing::Test {
  TempFolder dir;
  Logger log;
  ScriptedClock clock{10000};
  SoundState sound;
  ChartState chart;
  SoundLinks links{Services{log, clock}};

  void SetUp() override {
    MakeFolder(dir.path() + "/data/wav");
    log.SetPath(dir.path() + "/debug.txt");
    InitDS(sound, SoundDeviceSettings{true, 0, dir.path() + "/data"}, links.services);
    ASSERT_TRUE(SoundAvailable(sound)) << "the OpenAL null device should open (ALSOFT_DRIVERS=null)";
  }

  std::string Tone(const std::string& relative, int rate = 44100, double seconds = 0.05) {
    std::string path = dir.path() + "/" + relative;
    std::filesystem::create_directories(FolderOf(path));
    EXPECT_TRUE(WriteTone(path, rate, 1, seconds, 440)) << path;
    return path;
  }
  float SourceFloat(uint32_t source, ALenum what) {
    EXPECT_TRUE(sound.device->MakeCurrent());
    float value = -1;
    alGetSourcef(source, what, &value);
    return value;
  }
  int SourceInt(uint32_t source, ALenum what) {
    EXPECT_TRUE(sound.device->MakeCurrent());
    ALint value = -1;
    alGetSourcei(source, what, &value);
    return value;
  }
};

}  // namespace kvx::test
