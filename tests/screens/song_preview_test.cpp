// The preview of the chart under the cursor: it starts after PreviewDelay
// from its first sounding object on the null sound device, fades the
// song-select music, stops at once on a cursor move, never loads while the
// cursor keeps moving, and stays silent for a chart that vanished.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "chart/ready_bms.h"
#include "app/sound_links.h"
#include "media/sound.h"
#include "media/sound_test_support.h"
#include "screens/song_preview.h"
#include "screens/song_select.h"
#include "song_select_fixture.h"

namespace kvx {
namespace {

using test::Song;

class Preview : public test::SongSelectFixture {
 protected:
  void SetUp() override {
    SongSelectFixture::SetUp();
    MakeFolder(g.paths.data + "/wav");
    InitDS(g);
    ASSERT_TRUE(SoundAvailable(g.sound)) << "the OpenAL null device should open (ALSOFT_DRIVERS=null)";
    g.settings.BMSPreview = true;
    g.settings.PreviewDelay = 300;
    const std::string folder = dir.path() + "/songs/tune";
    MakeFolder(dir.path() + "/songs");
    MakeFolder(folder);
    // Sounds long enough to be still playing when looked at.
    ASSERT_TRUE(test::WriteTone(folder + "/kick.wav", 22050, 1, 2.0, 110));
    ASSERT_TRUE(test::WriteTone(folder + "/bass.ogg", 22050, 1, 2.0, 55, SF_FORMAT_OGG | SF_FORMAT_VORBIS));
    ASSERT_TRUE(test::WriteTone(folder + "/lead.wav", 22050, 1, 2.0, 440));
    // Nothing sounds in measure 0; the first sounding object is the key at
    // the start of measure 2 (position 384), the background sound one beat
    // later is loaded with it, the lead in measure 3 later on.
    chart = dir.Write("songs/tune/tune.bms",
                      "#PLAYER 1\r\n#TITLE Tune\r\n#BPM 120\r\n#WAV01 kick.wav\r\n#WAV02 bass.wav\r\n"
                      "#WAV03 lead.wav\r\n#00211:01000000\r\n#00201:00020000\r\n#00311:03\r\n");
  }

  // Pumps frames of `step` ms until the condition holds or `limit` ms of the
  // scripted clock have passed; real time is given to the sound decoders.
  template <typename Condition>
  bool PumpUntil(Condition done, uint32_t limit, uint32_t step = 16) {
    for (uint32_t t = 0; t <= limit; t += step) {
      if (done()) return true;
      clock->Advance(step);
      g.pump.Pump();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
  }

  // Pumps frames for `ms` of the scripted clock.
  void Wait(uint32_t ms) { PumpUntil([] { return false; }, ms); }

  std::string chart;
};

TEST_F(Preview, PlaysFromTheFirstSoundingObjectAndStopsAtOnceOnAMove) {
  ShowSongs({Song("Tune", 3, chart), Song("Other", 3, chart + ".missing")});
  PlaySE(g.sound, kSeSelect, true);
  // Nothing happens before the delay.
  Wait(250);
  EXPECT_FALSE(SongPreviewActive(g));
  // Then the chart is read and plays itself.
  ASSERT_TRUE(PumpUntil([&] { return IsWavPlaying(g.sound, 1); }, 3000));
  EXPECT_TRUE(SongPreviewPlaying(g));
  EXPECT_TRUE(g.chart.BackgroundPreview);
  EXPECT_FALSE(g.settings.UserPlay);
  EXPECT_GE(g.play.PlayPosition, 384.0);  // started at the first sounding object, not at 0
  EXPECT_TRUE(HasWavBuffer(g.sound, 2));        // loaded with the first beat
  EXPECT_NE(Log().find("[BMSLoad] tune.bms"), std::string::npos);
  // The background sound one beat later plays, and the music fades.
  ASSERT_TRUE(PumpUntil([&] { return IsWavPlaying(g.sound, 2); }, 1000));
  EXPECT_LT(g.play.PreviewFadeVolume, -200);
  // The lead of measure 3 is decoded ahead and played when its time comes.
  ASSERT_TRUE(PumpUntil([&] { return IsWavPlaying(g.sound, 3); }, 3000));
  // A cursor move stops every sound at once.
  Press(208);
  EXPECT_FALSE(IsWavPlaying(g.sound, 1));
  EXPECT_FALSE(IsWavPlaying(g.sound, 2));
  EXPECT_FALSE(IsWavPlaying(g.sound, 3));
  EXPECT_FALSE(SongPreviewActive(g));
  EXPECT_FALSE(g.pump.HasTimer(kPreviewPlayTimerId));
  EXPECT_FALSE(g.chart.BackgroundPreview);
  EXPECT_EQ(g.play.PreviewFadeVolume, 0);
  EXPECT_TRUE(g.settings.UserPlay);
}

TEST_F(Preview, AVanishedChartLogsAndStaysSilent) {
  ShowSongs({Song("Gone", 3, dir.path() + "/songs/tune/gone.bms")});
  Wait(600);
  EXPECT_FALSE(SongPreviewActive(g));
  EXPECT_FALSE(g.pump.HasTimer(kPreviewPlayTimerId));
  EXPECT_FALSE(g.chart.BackgroundPreview);
  EXPECT_NE(Log().find("preview: the chart file is missing: " + dir.path() + "/songs/tune/gone.bms"),
            std::string::npos);
}

TEST_F(Preview, MovingOnBeforeTheDelayNeverLoadsAChart) {
  std::vector<SongEntry> list;
  for (int i = 0; i < 20; ++i) list.push_back(Song("Tune " + std::to_string(i), 3, chart));
  ShowSongs(list);
  for (int i = 0; i < 30; ++i) {
    Wait(200);
    Press(208);
  }
  EXPECT_EQ(Log().find("[BMSLoad]"), std::string::npos);
  EXPECT_FALSE(SongPreviewActive(g));
  // Coming to rest starts it.
  ASSERT_TRUE(PumpUntil([&] { return SongPreviewPlaying(g); }, 3000));
}

TEST_F(Preview, OffOrOnAnotherListNothingIsLoaded) {
  g.settings.BMSPreview = false;
  ShowSongs({Song("Tune", 3, chart)});
  Wait(600);
  EXPECT_EQ(Log().find("[BMSLoad]"), std::string::npos);
  g.settings.BMSPreview = true;
  ShowSongs({Song("Tune", 3, chart)});
  g.app.GameState = Screen::JukeboxList;
  Wait(600);
  EXPECT_EQ(Log().find("[BMSLoad]"), std::string::npos);
}

}  // namespace
}  // namespace kvx
