// Loading key sounds: messages, the cache by file name, errors, our
// file-name rules and the parallel prefetch.
#include "sound_test_support.h"

namespace kvx {
namespace {

using test::SoundFixture;

// A clock that moves `step` ms every time it is read.
class SteppingClock : public Clock {
 public:
  explicit SteppingClock(uint32_t step) : step_(step) {}
  uint32_t NowMs() override {
    uint32_t now = now_;
    now_ += step_;
    return now;
  }
  void SleepMs(uint32_t ms) override { now_ += ms; }

 private:
  uint32_t now_ = 5000;
  uint32_t step_;
};

TEST_F(SoundFixture, LoadMessageAndCacheByFileName) {
  std::string kick = Tone("song/kick.wav", 44100);
  std::string snare = Tone("song/snare.wav", 22050);
  g.UseClock(std::make_unique<SteppingClock>(12));
  g.chart.WavFile[31] = kick;
  loadwav(g, 31);
  EXPECT_EQ(g.sound.LastMessage, "WAV LOAD: 1F (in 12ms)");
  EXPECT_NE(Log().find("loadwav: 31\r\n"), std::string::npos);
  EXPECT_NE(g.sound.WavBuffers[31], 0u);
  EXPECT_EQ(g.sound.WavBaseFrequency[31], 44100);
  EXPECT_EQ(g.chart.WavLoadState[31], 255);
  EXPECT_EQ(g.sound.LoadedWavFile[31], kick);

  // The next chart names the same file for number 5 twice in a row: loaded once.
  g.chart.WavFile[5] = snare;
  loadwav(g, 5);
  uint32_t buffer = g.sound.WavBuffers[5];
  g.chart.WavLoadState[5] = 0;  // a new chart starts with cleared flags
  loadwav(g, 5);
  EXPECT_EQ(Count("loadwav: 5 > cancelled"), 1u);
  EXPECT_EQ(Count("loadwav: 5\r\n"), 1u);
  EXPECT_EQ(g.sound.WavBuffers[5], buffer);
  EXPECT_EQ(g.chart.WavLoadState[5], 255);
  EXPECT_EQ(g.sound.WavBaseFrequency[5], 22050);

  // Another file under the same number replaces the buffer.
  g.chart.WavFile[5] = kick;
  loadwav(g, 5);
  EXPECT_EQ(Count("loadwav: 5\r\n"), 2u);
  EXPECT_EQ(g.sound.WavBaseFrequency[5], 44100);
  EXPECT_EQ(g.sound.LoadedWavFile[5], kick);

  // Preparation releases what the chart no longer names, and keeps the rest.
  g.chart.WavFile[31].clear();
  ReleaseChangedSounds(g.sound, g.chart);
  EXPECT_EQ(g.sound.WavBuffers[31], 0u);
  EXPECT_EQ(g.sound.LoadedWavFile[31], "");
  EXPECT_NE(g.sound.WavBuffers[5], 0u);
  // A background preview keeps everything.
  g.chart.BackgroundPreview = true;
  g.chart.WavFile[5].clear();
  ReleaseChangedSounds(g.sound, g.chart);
  EXPECT_NE(g.sound.WavBuffers[5], 0u);

  // Number 0 and numbers the chart does not define do nothing.
  loadwav(g, 0);
  loadwav(g, 77);
  EXPECT_EQ(Count("loadwav: 0"), 0u);
  EXPECT_EQ(Count("loadwav: 77"), 0u);
}

TEST_F(SoundFixture, MissingAndGarbageFilesGiveMessagesAndNoBuffer) {
  std::string missing = dir.path() + "/song/nothere.wav";
  g.chart.WavFile[2] = missing;
  loadwav(g, 2);
  EXPECT_EQ(g.sound.LastMessage, "Err[53]: other error : " + missing);
  EXPECT_EQ(g.sound.WavBuffers[2], 0u);
  EXPECT_EQ(g.chart.WavLoadState[2], 0);
  EXPECT_NE(Log().find("Err[53]: other error : " + missing), std::string::npos);

  std::string garbage = dir.Write("song/garbage.wav", std::string(3000, 'x') + "RIFF junk");
  g.chart.WavFile[3] = garbage;
  loadwav(g, 3);
  EXPECT_EQ(g.sound.LastMessage, "Err[-2005401500]: DSERR_BADFORMAT");
  EXPECT_EQ(g.sound.WavBuffers[3], 0u);
  EXPECT_EQ(g.sound.LastError, SoundError::DecodeFailed);

  // A RIFF header that lies about its contents.
  std::string lying = dir.Write("song/lying.wav", std::string("RIFF\xff\xff\xff\x7fWAVEfmt \x10\0\0\0", 20) +
                                                      std::string(8, '\xff'));
  g.chart.WavFile[4] = lying;
  loadwav(g, 4);
  EXPECT_EQ(g.sound.WavBuffers[4], 0u);
  EXPECT_NE(g.sound.LastMessage.rfind("Err[", 0), std::string::npos);

  // Playing them tries again, stays silent and does not crash.
  PlayWav(g, 2);
  PlayWav(g, 3);
  EXPECT_EQ(Count("loadwav: 3\r\n"), 2u);
  EXPECT_FALSE(IsWavPlaying(g.sound, 3));

  // A failed reload does not leave the old file's sound under the number.
  std::string good = Tone("song/good.wav");
  g.chart.WavFile[2] = good;
  loadwav(g, 2);
  ASSERT_NE(g.sound.WavBuffers[2], 0u);
  g.chart.WavFile[2] = missing;
  loadwav(g, 2);
  EXPECT_EQ(g.sound.WavBuffers[2], 0u);
  EXPECT_EQ(g.sound.LoadedWavFile[2], "");
}

TEST(Sound, ErrorTextsByKind) {
  EXPECT_EQ(SoundErrorText(SoundError::NoDevice, "f"), "Err[-2005401430]: DSERR_UNINITIALIZED");
  EXPECT_EQ(SoundErrorText(SoundError::OutOfMemory, "f"), "Err[7]: DSERR_OUTOFMEMORY");
  EXPECT_EQ(SoundErrorText(SoundError::DecodeFailed, "f"), "Err[-2005401500]: DSERR_BADFORMAT");
  EXPECT_EQ(SoundErrorText(SoundError::UnsupportedFormat, "f"), "Err[-2147467263]: DSERR_UNSUPPORTED");
  EXPECT_EQ(SoundErrorText(SoundError::InvalidParam, "f"), "Err[-2147024809]: DSERR_INVALIDPARAM");
  EXPECT_EQ(SoundErrorText(SoundError::DeviceFailure, "f"), "Err[-2005401590]: DSERR_ALLOCATED");
  EXPECT_EQ(SoundErrorText(SoundError::FileMissing, "a\\b.wav"), "Err[53]: other error : a\\b.wav");
}

// With ALSOFT_DRIVERS naming no usable backend the device cannot open: the
// failure is logged and every call is silent.
TEST(Sound, DeviceMissingOrPresentNeverStopsTheGame) {
  test::TempFolder dir;
  Game g;
  g.SetProgramFolder(dir.path());
  MakeFolder(g.paths.data);
  InitDS(g);
  std::string log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[InitDS]"), std::string::npos);
  if (!SoundAvailable(g.sound)) {
    EXPECT_NE(log.find("Error: Can't create DirectSound object. : "), std::string::npos);
    EXPECT_EQ(log.find("loading SEs..."), std::string::npos);
  }
  ReleaseSound(g.sound);
  // No device from here on.
  test::WriteTone(dir.path() + "/a.wav", 44100, 1, 0.05, 440);
  g.chart.WavFile[1] = dir.path() + "/a.wav";
  loadwav(g, 1);
  PlayWav(g, 1);
  PlaySE(g.sound, kSeReady);
  SetEchoEffect(g.sound, true);
  PlayWav(g, 1);
  RunEchoQueue(g, 100000);
  EXPECT_EQ(g.sound.WavBuffers[1], 0u);
  EXPECT_EQ(g.chart.WavLoadState[1], 0);
  EXPECT_TRUE(g.sound.EchoQueue.empty());
  EXPECT_EQ(dir.Read("_kvxfiles/debug.txt").find("loadwav"), std::string::npos);
}

TEST_F(SoundFixture, PortFileNameRules) {
  // The chart names .wav with "\" and other letter case; the song ships .ogg.
  Tone("song/Sub/kick.ogg", 48000, 0.05, SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  g.chart.WavFile[1] = dir.path() + "/song/" + "SUB\\KICK.WAV";
  loadwav(g, 1);
  ASSERT_NE(g.sound.WavBuffers[1], 0u) << g.sound.LastMessage;
  EXPECT_EQ(g.sound.WavBaseFrequency[1], 48000);
  EXPECT_EQ(g.sound.LastMessage.rfind("WAV LOAD: 1 (in ", 0), 0u);

  // Trailing blanks after the name, a FLAC file, a stereo file, six channels.
  Tone("song/pad.flac", 32000, 0.05, SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
  g.chart.WavFile[2] = dir.path() + "/song/pad.wav  ";
  loadwav(g, 2);
  EXPECT_EQ(g.sound.WavBaseFrequency[2], 32000);
  std::string stereo = Tone("song/st.wav", 44100, 0.05, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 2);
  std::string six = Tone("song/six.wav", 44100, 0.05, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 6);
  DecodedSound s2 = DecodeSoundFile(stereo);
  DecodedSound s6 = DecodeSoundFile(six);
  EXPECT_EQ(s2.channels, 2);
  EXPECT_EQ(s2.samples.size(), 2u * 2205);
  EXPECT_EQ(s6.channels, 1);
  EXPECT_EQ(s6.samples.size(), 2205u);
  EXPECT_NEAR(s6.samples[100], s2.samples[200], 2);  // the mix of equal channels is the channel

  // A WAV header without samples loads as a moment of silence.
  std::string empty = Tone("song/empty.wav", 44100, 0.0);
  DecodedSound e = DecodeSoundFile(empty);
  EXPECT_EQ(e.error, SoundError::None);
  EXPECT_EQ(e.samples.size(), 1u);
}

TEST_F(SoundFixture, PrefetchGivesTheSameResultsInTheReadersOrder) {
  // A chart with its #WAV lines; 03 names a missing file, 04 repeats 01's file.
  for (int i = 1; i <= 6; ++i) Tone("song/k" + std::to_string(i) + ".ogg", 22050 + i * 1000, 0.05,
                                    SF_FORMAT_OGG | SF_FORMAT_VORBIS);
  std::string chart =
      "#TITLE x\r\n#WAV01 k1.wav\r\n#wav02 K2.ogg\r\n#WAV03 gone.wav\r\n#WAV04 k1.wav\r\n"
      "#WAV05 k5.wav\n#WAV06 k6.wav\r#WAVZZ bad.wav\r\n#WAV00 zero.wav\r\n";
  std::string path = dir.Write("song/chart.bms", chart);
  const std::string folder = dir.path() + "/song/";
  const char* names[] = {"", "k1.wav", "K2.ogg", "gone.wav", "k1.wav", "k5.wav", "k6.wav"};

  PrefetchChartSounds(g, path);
  ASSERT_TRUE(g.sound.prefetch);
  for (int id = 1; id <= 6; ++id) {
    g.chart.WavFile[id] = folder + names[id];
    loadwav(g, id);
  }
  std::vector<int32_t> frequencies(g.sound.WavBaseFrequency.begin(), g.sound.WavBaseFrequency.begin() + 7);
  EXPECT_EQ(g.sound.prefetch->Queued(), 0u);  // everything asked for was handed out
  EXPECT_EQ(frequencies[1], 23050);
  EXPECT_EQ(frequencies[2], 24050);
  EXPECT_EQ(frequencies[3], 0);
  EXPECT_EQ(frequencies[4], 23050);
  EXPECT_EQ(frequencies[6], 28050);
  std::string log = Log();
  size_t at = 0;
  for (int id = 1; id <= 6; ++id) {
    size_t next = log.find("loadwav: " + std::to_string(id) + "\r\n", at);
    ASSERT_NE(next, std::string::npos) << id;
    at = next;
  }
  EXPECT_NE(log.find("Err[53]: other error : " + folder + "gone.wav"), std::string::npos);

  // Without prefetch the same chart gives the same buffers.
  Game other;
  other.SetProgramFolder(dir.path() + "/other");
  other.options.headless = true;
  MakeFolder(other.paths.program);
  MakeFolder(other.paths.data);
  InitDS(other);
  ASSERT_TRUE(SoundAvailable(other.sound));
  for (int id = 1; id <= 6; ++id) {
    other.chart.WavFile[id] = folder + names[id];
    loadwav(other, id);
    EXPECT_EQ(other.sound.WavBaseFrequency[id], frequencies[id]) << id;
    ASSERT_TRUE(other.sound.device->MakeCurrent());
    ALint a = -1, b = -2;
    if (other.sound.WavBuffers[id]) alGetBufferi(other.sound.WavBuffers[id], AL_SIZE, &a);
    Al();
    if (g.sound.WavBuffers[id]) alGetBufferi(g.sound.WavBuffers[id], AL_SIZE, &b);
    if (g.sound.WavBuffers[id]) {
      EXPECT_EQ(a, b) << id;
    }
  }

  // A second load of the chart skips what is already loaded; leftovers are dropped.
  PrefetchChartSounds(g, path);
  EXPECT_EQ(g.sound.prefetch->Queued(), 1u);  // only the missing file
  ReleaseChangedSounds(g.sound, g.chart);
  EXPECT_EQ(g.sound.prefetch->Queued(), 0u);

  // Nothing is prefetched when sounds load on first use.
  g.settings.WAVLoadmode = 1;
  for (int id = 1; id <= 6; ++id) g.chart.WavFile[id] = folder + "x" + names[id];
  PrefetchChartSounds(g, path);
  EXPECT_EQ(g.sound.prefetch->Queued(), 0u);
}

TEST_F(SoundFixture, CourseStagesReuseAndPreload) {
  std::string a = Tone("c/a.wav", 44100), b = Tone("c/b.wav", 22050);
  g.chart.CourseMode = true;
  g.chart.CourseWavFile.assign(kCourseWavSlots, "");
  g.chart.CourseWavLoaded.assign(kCourseWavSlots, false);
  g.app.GameState = Screen::Play;
  g.chart.CourseWavFile[0 + 128 * 5] = a;
  g.chart.CourseWavFile[1 + 128 * 5] = a;
  g.chart.CourseWavFile[2 + 128 * 5] = b;

  g.chart.CourseSong = 0;
  PlayWav(g, 5);  // first use loads the stage's file
  EXPECT_EQ(Count("loadwav2: 5"), 1u);
  EXPECT_TRUE(g.chart.CourseWavLoaded[0 + 128 * 5]);
  uint32_t buffer = g.sound.WavBuffers[5];
  ASSERT_NE(buffer, 0u);
  PlayWav(g, 5);  // loaded: no second load
  EXPECT_EQ(Count("loadwav2: 5"), 1u);

  g.chart.CourseSong = 1;  // same file: reused
  loadwav(g, 5);
  EXPECT_EQ(Count("loadwav: 5 > cancelled"), 1u);
  EXPECT_EQ(g.sound.WavBuffers[5], buffer);
  g.chart.CourseSong = 2;  // another file
  loadwav(g, 5);
  EXPECT_EQ(Count("loadwav2: 5"), 2u);
  EXPECT_EQ(g.sound.WavBaseFrequency[5], 22050);

  // CourseLoadMode 2: created while reading, played from the song's own buffer.
  g.settings.CourseLoadMode = 2;
  g.chart.CourseWavLoaded.assign(kCourseWavSlots, false);
  LoadCourseWav(g, 0, 5);
  EXPECT_TRUE(g.chart.CourseWavLoaded[0 + 128 * 5]);
  ASSERT_NE(g.sound.CourseWavBuffer[0 + 128 * 5], 0u);
  g.chart.CourseSong = 0;
  g.settings.RealHiSpeed = 2.0f;
  PlayWav(g, 5);
  EXPECT_EQ(Count("loadwav2: 5"), 2u);  // not loaded again
  EXPECT_EQ(static_cast<uint32_t>(SourceInt(g.sound.WavSources[5], AL_BUFFER)), g.sound.CourseWavBuffer[0 + 128 * 5]);
  EXPECT_FLOAT_EQ(SourceFloat(g.sound.WavSources[5], AL_PITCH), 2.0f);

  // A single chart afterwards releases the course buffers.
  g.chart.CourseMode = false;
  ReleaseChangedSounds(g.sound, g.chart);
  EXPECT_TRUE(g.sound.CourseWavBuffer.empty());
  EXPECT_EQ(SourceInt(g.sound.WavSources[5], AL_BUFFER), 0);
}

}  // namespace
}  // namespace kvx
