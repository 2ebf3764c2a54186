// List files: the bytes written, loading them back, the boxes and the quiet
// rules, the never-shortened rule and broken files.
#include "library/list_file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "app/game.h"
#include "library/jukebox.h"
#include "library/song_search.h"
#include "platform/files.h"
#include "test_support.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

SongEntry Song(const std::string& title, int32_t length, const std::string& path) {
  SongEntry e;
  e.Title = title;
  e.Artist = "Ar";
  e.Bpm = 150;
  e.Player = 1;
  e.PlayLevel = 3;
  e.Rank = 2;
  e.LengthMs = length;
  e.StageFile = "st.png";
  e.WavCount = 2;
  e.BmpCount = 1;
  e.FilePath = path;
  return e;
}

std::string I32(uint32_t v) { return {char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; }
// A text field: its 16-bit length, then the bytes.
std::string Text(const std::string& s) { return std::string{char(s.size()), char(s.size() >> 8)} + s; }

struct ListFile : ::testing::Test {
  test::TempFolder dir;
  Game g;
  void SetUp() override { test::UseHeadlessGame(g, dir.path()); }
  std::string Path(const std::string& name) { return dir.path() + "/" + name; }
  // Runs f and returns what it wrote to stderr (where boxes go without a display).
  template <class F>
  std::string Boxes(F f) {
    testing::internal::CaptureStderr();
    f();
    return testing::internal::GetCapturedStderr();
  }
  void Save(const std::vector<SongEntry>& list, const std::string& path) {
    g.library.SongList = list;
    g.library.SongListLast = static_cast<int32_t>(list.size()) - 1;
    SaveListFile(g, path, false);
  }
};

TEST_F(ListFile, OneChartListBytes) {
  Save({Song("", 18000, "/s/a.bms")}, Path("one.kbl"));
  const std::string expected = std::string("kvx_juke") + std::string(11, '\0') + '\x01' + I32(0) + Text("") +
                               Text("Ar") + Text("") + I32(0x43160000) + I32(1) + I32(3) + Text("") + I32(2) +
                               I32(0) + I32(0) + I32(18000) + Text("st.png") + I32(2) + I32(1) + Text("/s/a.bms");
  const std::string bytes = dir.Read("one.kbl");
  EXPECT_EQ(bytes, expected);
  EXPECT_EQ(bytes.substr(20, 4), I32(0));                 // the last index
  EXPECT_EQ(bytes.substr(24, 2), std::string("\0\0", 2));  // the empty title
  EXPECT_EQ(g.library.CurrentListFile, Path("one.kbl"));
  EXPECT_EQ(g.library.ProgressTitle, "Adding...0 files of 1files / 00:00:00");
  // Only the list file is left in the folder (no temporary file).
  int files = 0;
  for (const auto& entry : fs::directory_iterator(dir.path())) files += entry.is_regular_file();
  EXPECT_EQ(files, 1);
  // An empty list is the header with the last index -1.
  Save({}, Path("none.kbl"));
  EXPECT_EQ(dir.Read("none.kbl"), expected.substr(0, 20) + I32(0xFFFFFFFF));
}

TEST_F(ListFile, RoundTripWithDecodedTitlesAndTotals) {
  // A Shift-JIS chart title is stored decoded, as UTF-8.
  const std::string chart = dir.Write("s/sjis.bms", "\r\n#TITLE \x93\xfa\x96\x7b\r\n#BPM 120\r\n#00911:01\r\n");
  AddSongFile(g, chart);
  ASSERT_EQ(g.library.SongList[0].Title, "日本");
  g.library.SongList.push_back(Song("夜明け", 61000, "/s/b.bme"));
  g.library.SongList.push_back(Song("Third", 1000, "/s/c.bms"));
  g.library.SongListLast = 2;
  const std::vector<SongEntry> saved = g.library.SongList;
  SaveListFile(g, Path("r.kbl"), false);
  EXPECT_EQ(dir.Read("r.kbl").substr(24, 8), Text("日本"));

  g.app.ListCursor = 2;
  const std::string boxes = Boxes([&] { LoadListFile(g, Path("r.kbl"), false); });
  EXPECT_EQ(boxes, "");
  EXPECT_EQ(g.library.SongList, saved);
  EXPECT_EQ(g.library.SongListLast, 2);
  EXPECT_EQ(g.library.TotalPlayTime, 18000 + 61000 + 1000);
  EXPECT_EQ(g.library.SongMarks, std::vector<bool>(3, false));
  EXPECT_EQ(g.app.ListCursor, 0);
  EXPECT_EQ(g.library.CurrentListFile, Path("r.kbl"));
  EXPECT_EQ(g.library.ProgressTitle, "Adding...0 files of 3files / 00:01:20");
  EXPECT_EQ(EncodeListFile(saved), dir.Read("r.kbl"));
}

TEST_F(ListFile, NeverShortened) {
  const std::vector<SongEntry> three{Song("A", 1, "/a.bms"), Song("B", 2, "/b.bms"), Song("C", 3, "/c.bms")};
  Save(three, Path("n.kbl"));
  const std::string before = dir.Read("n.kbl");
  ::chmod(Path("n.kbl").c_str(), 0640);
  Save({Song("Z", 9, "/z.bms")}, Path("n.kbl"));
  const std::string after = dir.Read("n.kbl");
  const std::string head = EncodeListFile({Song("Z", 9, "/z.bms")});
  ASSERT_EQ(after.size(), before.size());
  EXPECT_EQ(after.substr(0, head.size()), head);
  EXPECT_EQ(after.substr(head.size()), before.substr(head.size()));
  EXPECT_EQ(fs::status(Path("n.kbl")).permissions(), static_cast<fs::perms>(0640));
  LoadListFile(g, Path("n.kbl"), false);
  ASSERT_EQ(g.library.SongList.size(), 1u);
  EXPECT_EQ(g.library.SongList[0].Title, "Z");
  // A longer list grows the file.
  Save(three, Path("n.kbl"));
  Save({three[0], three[1], three[2], three[0]}, Path("n.kbl"));
  EXPECT_GT(dir.Read("n.kbl").size(), before.size());
}

TEST_F(ListFile, MissingFilesAndWriteErrorsShowTheirBoxesUnlessQuiet) {
  g.library.SongList = {Song("Keep", 1, "/k.bms"), Song("Me", 2, "/m.bms")};
  g.library.SongListLast = 1;
  const std::string missing = Path("gone.kbl");
  EXPECT_EQ(Boxes([&] { LoadListFile(g, missing, false); }), "error: listfile " + missing + "is not exist.\n");
  EXPECT_EQ(Boxes([&] { LoadListFile(g, missing, true); }), "");
  EXPECT_EQ(g.library.SongList.size(), 2u);  // left as it was
  EXPECT_EQ(g.library.CurrentListFile, "");

  const std::string nowhere = Path("no/such/folder/x.kbl");
  EXPECT_EQ(Boxes([&] { SaveListFile(g, nowhere, false); }), "error: an error occured in list saving process!\n");
  EXPECT_EQ(Boxes([&] { SaveListFile(g, nowhere, true); }), "");
  EXPECT_EQ(g.library.CurrentListFile, nowhere);
}

TEST_F(ListFile, BrokenFilesGiveWhatIsReallyThere) {
  const std::string two = EncodeListFile({Song("A", 1000, "/a.bms"), Song("B", 2000, "/b.bms")});
  auto with_index = [&](uint32_t index) { return two.substr(0, 20) + I32(index) + two.substr(24); };
  const std::string kError = "error: an error occured in list loading process!\n";
  struct Case {
    const char* what;
    std::string bytes;
    size_t entries;
    bool error;
  };
  std::string long_text = two;
  long_text[long_text.size() - 6 - 2] = '\xff';  // the last path's length runs past the end
  long_text[long_text.size() - 6 - 1] = '\xff';
  const Case cases[] = {
      {"short header", "kvx_juke", 0, true},
      {"negative index", with_index(static_cast<uint32_t>(-5)), 0, true},
      {"empty list", with_index(static_cast<uint32_t>(-1)), 0, false},
      {"huge index", with_index(0x7FFFFFFF), 2, true},
      {"lying index", with_index(10), 2, true},
      {"smaller index", with_index(0), 1, false},
      {"truncated record", two.substr(0, two.size() - 3), 1, true},
      {"text past the end", long_text, 1, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir.Write("bad.kbl", c.bytes);
    EXPECT_EQ(Boxes([&] { LoadListFile(g, path, false); }), c.error ? kError : "");
    EXPECT_EQ(g.library.SongList.size(), c.entries);
    EXPECT_EQ(g.library.SongListLast, static_cast<int32_t>(c.entries) - 1);
    EXPECT_EQ(g.library.SongMarks.size(), c.entries);
    EXPECT_EQ(g.library.TotalPlayTime, c.entries == 2 ? 3000 : c.entries == 1 ? 1000 : 0);
    EXPECT_EQ(Boxes([&] { LoadListFile(g, path, true); }), "");
    EXPECT_EQ(g.library.SongList.size(), c.entries);
  }
  // Random bytes never give more records than the bytes can hold.
  std::mt19937 rng(12);
  for (int round = 0; round < 300; ++round) {
    std::string junk(rng() % 3000, '\0');
    for (char& ch : junk) ch = static_cast<char>(rng() % 4 ? rng() % 8 : rng());
    if (junk.size() >= 24 && round % 2) junk.replace(20, 4, I32(rng() % 100));
    const DecodedList list = DecodeListFile(junk);
    const size_t room = junk.size() < 24 ? 0 : (junk.size() - 24) / kMinListRecordBytes;
    EXPECT_LE(list.entries.size(), room);
  }
  const std::string path = dir.Write("junk.kbl", std::string(5000, '\x7f'));
  LoadListFile(g, path, true);
  EXPECT_TRUE(g.library.SongList.empty());
}

TEST_F(ListFile, OverlongTextIsCutAtACharacter) {
  std::string title;
  for (int i = 0; i < 40000; ++i) title += "é";
  Save({Song(title, 1, "/x.bms")}, Path("long.kbl"));
  const std::string bytes = dir.Read("long.kbl");
  EXPECT_EQ(bytes.substr(24, 2), "\xfe\xff");  // 65534: 32767 two-byte characters
  const DecodedList list = DecodeListFile(bytes);
  ASSERT_TRUE(list.complete);
  EXPECT_EQ(list.entries[0].Title, title.substr(0, 65534));
  EXPECT_EQ(list.entries[0].FilePath, "/x.bms");
}

}  // namespace
}  // namespace kvx
