// Sound files a chart names but that are not there: counted for the song
// select panel, listed in the log and announced on the message line once the
// chart is read.
#include "app/sound_links.h"
#include "media/sound.h"
#include "screens/song_select_internal.h"
#include "song_select_fixture.h"

namespace kvx::test {
namespace {

using MissingSounds = SongSelectFixture;

TEST_F(MissingSounds, ArePanelCountedLoggedAndAnnouncedBeforePlay) {
  const std::string chart = dir.Write("songs/a/a.bms",
                                      "*---\r\n#TITLE A\r\n#WAV01 kick.wav\r\n#WAV02 gone.wav\r\n"
                                      "#WAV03 Snare.WAV\r\n#WAV04 gone.wav\r\n#WAV05 lost.ogg\r\n"
                                      "#00111:0102030405\r\n");
  dir.Write("songs/a/kick.ogg", "x");   // a .wav name finds the .ogg
  dir.Write("songs/a/snare.wav", "x");  // any letter case
  const std::string folder = dir.path() + "/songs/a/";
  EXPECT_EQ(MissingSoundFiles({folder + "kick.wav", folder + "gone.wav", folder + "Snare.WAV", folder + "gone.wav",
                               folder + "lost.ogg"}),
            (std::vector<std::string>{folder + "gone.wav", folder + "lost.ogg"}));

  // The panel's count of the entry under the cursor.
  SongEntry a = Song("A", 3, chart), b = Song("B", 3, dir.Write("songs/b/b.bms", "*---\r\n#WAV01 b.wav\r\n"));
  a.WavCount = 5;
  b.WavCount = 1;
  dir.Write("songs/b/b.wav", "x");
  ShowSongs({a, b});
  LoadStagePicture(g);
  EXPECT_EQ(g.screens.MissingSoundsEntry, 0);
  EXPECT_EQ(g.screens.MissingSounds, 2);
  g.app.ListCursor = 1;
  LoadStagePicture(g);
  EXPECT_EQ(g.screens.MissingSoundsEntry, 1);
  EXPECT_EQ(g.screens.MissingSounds, 0);

  // Once the chart is read: the log lists them, the message line says how many.
  const char* names[] = {"", "kick.wav", "gone.wav", "Snare.WAV", "gone.wav", "lost.ogg"};
  for (int id = 1; id <= 5; ++id) g.chart.WavFile[id] = folder + names[id];
  EXPECT_EQ(ReportMissingChartSounds(g), 2);
  EXPECT_NE(Log().find("Missing sound files: 2 (of 5 the chart names)"), std::string::npos) << Log();
  EXPECT_NE(Log().find("  missing: " + folder + "gone.wav"), std::string::npos);
  EXPECT_NE(Log().find("  missing: " + folder + "lost.ogg"), std::string::npos);
  EXPECT_EQ(Log().find("missing: " + folder + "kick.wav"), std::string::npos);
  EXPECT_EQ(g.display.MessageLine.text, "2 SOUND FILES MISSING");
  // Nothing is said about a chart whose files are all there.
  g.display.MessageLine.text.clear();
  g.chart.WavFile[2] = g.chart.WavFile[4] = g.chart.WavFile[5] = "";
  EXPECT_EQ(ReportMissingChartSounds(g), 0);
  EXPECT_EQ(g.display.MessageLine.text, "");
  // A course: the files of all its songs.
  g.chart.CourseMode = true;
  g.chart.CourseWavFile.assign(128 * 4, "");
  g.chart.CourseWavFile[0 + 128 * 1] = folder + "kick.wav";
  g.chart.CourseWavFile[1 + 128 * 1] = folder + "lost.ogg";
  g.chart.CourseWavFile[2 + 128 * 3] = folder + "gone.wav";
  EXPECT_EQ(ReportMissingChartSounds(g), 2);
  EXPECT_EQ(g.display.MessageLine.text, "2 SOUND FILES MISSING");
}

}  // namespace
}  // namespace kvx::test
