#include <gtest/gtest.h>

#include <random>

#include "app/game.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx {
namespace {

std::string Body(std::initializer_list<std::string> lines, const char* end = "\r\n") {
  std::string text = end;
  for (const auto& l : lines) text += l + end;
  return text;
}

struct HeaderScan : ::testing::Test {
  test::TempFolder dir;
  SongEntry Scan(const std::string& bytes) {
    SongEntry e;
    ScanBMSHeader(dir.Write("c.bms", bytes), e);
    return e;
  }
};

TEST_F(HeaderScan, PlayLengths) {
  EXPECT_EQ(Scan(Body({"#BPM 150"})).LengthMs, 0);
  std::vector<std::string> lines{"#BPM 120"};
  const std::string nine = Body({"#BPM 120", "#00111:01", "#00911:01"});
  EXPECT_EQ(Scan(nine).LengthMs, 18000);
  EXPECT_EQ(Scan(nine + "#00503:F0\r\n").LengthMs, 14000);
  // A tempo change in the middle of a measure and a 3/4 measure.
  EXPECT_EQ(Scan(Body({"#BPM 120", "#00102:0.75", "#00303:00F0", "#00411:01"})).LengthMs,
            2000 + 1500 + 2000 + 1000 + 500);  // m0, 3/4 m1, m2, half of m3 at 120, the rest at 240
  // Without a tempo there is no length; a change from no tempo moves no origin,
  // so the whole chart counts at the new tempo.
  EXPECT_EQ(Scan(Body({"#00511:01"})).LengthMs, 0);
  EXPECT_EQ(Scan(Body({"#00103:78", "#00211:01"})).LengthMs, 4000);
}

TEST_F(HeaderScan, FieldsDefaultsAndLineRules) {
  SongEntry e = Scan(Body({"#TITLE  Song  ", "#ARTIST Art", "#GENRE Gen", "#BPM 150.5", "#PLAYLEVEL 9",
                           "#RANK 1", "#RANDOM 3", "#TOTAL 320", "#VOLWAV 90", "#MIDIFILE m.mid",
                           "#STAGEFILE stage.png", "#WAV01 a.wav", "#WAV02 b.wav", "#BMP01 a.bmp",
                           "#PLAYER 2", "#TITLE Last"}));
  EXPECT_EQ(e.Title, "Last");
  EXPECT_EQ(e.Artist, "Art");
  EXPECT_EQ(e.Genre, "Gen");
  EXPECT_FLOAT_EQ(e.Bpm, 150.5f);
  EXPECT_EQ(e.PlayLevel, 9);
  EXPECT_EQ(e.Rank, 1);  // #RANDOM 3 does not convert and leaves it
  EXPECT_EQ(e.Total, 320);
  EXPECT_EQ(e.VolWav, 90);
  EXPECT_EQ(e.MidiFile, "m.mid");
  EXPECT_EQ(e.StageFile, "stage.png");
  EXPECT_EQ(e.WavCount, 2);
  EXPECT_EQ(e.BmpCount, 1);
  EXPECT_EQ(e.Player, 2);
  EXPECT_EQ(e.FilePath, dir.path() + "/c.bms");

  SongEntry d = Scan("#TITLE First\r\n#ARTIST A\r\n");
  EXPECT_EQ(d.Title, "First");  // the first line is read
  EXPECT_EQ(d.Artist, "A");
  EXPECT_EQ(d.Player, 1);
  EXPECT_EQ(d.PlayLevel, 3);
  EXPECT_EQ(d.Rank, 2);
  EXPECT_EQ(d.Bpm, 0.0f);

  // Mac and Unix line ends scan like CR LF.
  const SongEntry crlf = Scan(Body({"#TITLE T", "#BPM 120", "#00911:01"}));
  EXPECT_EQ(Scan(Body({"#TITLE T", "#BPM 120", "#00911:01"}, "\r")), crlf);
  EXPECT_EQ(Scan(Body({"#TITLE T", "#BPM 120", "#00911:01"}, "\n")), crlf);
  EXPECT_EQ(crlf.LengthMs, 18000);
}

TEST_F(HeaderScan, BrokenFilesKeepTheDefaults) {
  EXPECT_EQ(Scan("").LengthMs, 0);
  SongEntry t = Scan(Body({"#", "#0", "#00103:", "#00103:F", "#STA", "#BPM", "#00102:x", "#BPM 120", "#00211:01"}));
  EXPECT_EQ(t.LengthMs, 4000);
  std::mt19937 rng(5);
  for (int round = 0; round < 20; ++round) {
    std::string junk(20000, '\0');
    for (auto& ch : junk) {
      uint32_t r = rng() % 12;
      ch = r == 0 ? '\n' : r == 1 ? '#' : r < 5 ? static_cast<char>('0' + rng() % 10) : static_cast<char>(rng());
    }
    SongEntry e = Scan(junk);
    EXPECT_GE(e.LengthMs, 0);
  }
  // Many tempo changes are bounded.
  std::string many = "\r\n#BPM 120\r\n";
  for (int m = 0; m < 999; ++m) {
    char line[32];
    std::snprintf(line, sizeof line, "#%03d03:7878\r\n", m);
    many += line;
  }
  EXPECT_GT(Scan(many).LengthMs, 0);
}

struct SongListTest : ::testing::Test {
  test::TempFolder dir;
  Game g;
};

TEST_F(SongListTest, AddAndClear) {
  const std::string chart = dir.Write("a.bms", "\r\n#TITLE A\r\n#BPM 120\r\n#00911:01\r\n");
  AddSongFile(g, chart);
  AddSongFile(g, dir.path() + "/missing.bms");
  AddSongFile(g, chart);
  LibraryState& l = g.library;
  ASSERT_EQ(l.SongList.size(), 3u);
  EXPECT_EQ(l.SongListLast, 2);
  EXPECT_EQ(l.SongList[0].Title, "A");
  EXPECT_EQ(l.SongList[1], SongEntry{});  // a missing file leaves the entry empty
  EXPECT_EQ(l.TotalPlayTime, 36000);
  EXPECT_EQ(l.ProgressTitle, "Adding...0 files of 3files / 00:00:36");

  g.app.ListCursor = 2;
  l.CurrentListFile = "x.kbl";
  l.SongMarks = {true, false, true};
  ClearSongList(g);
  EXPECT_TRUE(l.SongList.empty());
  EXPECT_EQ(l.SongListLast, -1);
  EXPECT_EQ(l.TotalPlayTime, 0);
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_EQ(l.CurrentListFile, "");
  EXPECT_TRUE(l.SongMarks.empty());
  EXPECT_EQ(l.ProgressTitle, "Adding...0 files of 0files / 00:00:00");

  EXPECT_EQ(FormatPlayTime(3723000), "01:02:03");
  EXPECT_EQ(FormatPlayTime(360000000), "100:00:00");
  // An index outside the list is ignored.
  ReadBMSHeader(g, chart, 5);
  EXPECT_TRUE(l.SongList.empty());
}

}  // namespace
}  // namespace kvx
