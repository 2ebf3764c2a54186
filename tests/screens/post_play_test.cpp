// The steps after a play: the record is reloaded, ranked with a typed name
// when the play counts, and written safely.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "post_play_fixture.h"
#include "screens/ranking_screen.h"
#include "screens/song_select_text.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;
using PostPlay = test::PostPlayFixture;

TEST_F(PostPlay, FirstPlayCreatesTheRecordWithPlayCountOne) {
  Result(150000.4, 85.5f, 1234.6f, 77);
  g.settings.Sudden = true;
  g.settings.Vexo = true;
  g.settings.RealHiSpeed = 1.25f;
  g.settings.HiSpeed = 2.5f;
  script.push_back(Tap(SDL_SCANCODE_RETURN));  // Enter at once keeps the offered name
  RunScoreRecord(g, true);

  const std::string bytes = RecordBytes();
  ASSERT_EQ(bytes.size(), 446u);
  EXPECT_EQ(bytes.substr(0, 4), std::string("\x01\0\0\0", 4));
  EXPECT_EQ(bytes.substr(444), "\xFF\xFF");  // cleared
  const ScoreRecord r = OnDisk();
  EXPECT_EQ(r, g.screens.Record);
  EXPECT_EQ(r.PlayCount, 1);
  const RankEntry& first = r.Ranking[0];
  EXPECT_EQ(first.Name, "Default");
  EXPECT_TRUE(first.Cleared);
  EXPECT_FLOAT_EQ(first.Score, 150000.4f);
  EXPECT_FLOAT_EQ(first.JPts, 1234.6f);
  EXPECT_FLOAT_EQ(first.HiSpeed, 2.5f);
  EXPECT_FLOAT_EQ(first.RealHiSpeed, 1.25f);
  EXPECT_EQ(first.MaxCombo, 77);
  EXPECT_EQ(first.Class, 3);
  EXPECT_EQ(first.CoverOption, 2);
  EXPECT_EQ(first.EffectOption, 2);
  EXPECT_EQ(first.FGreatCount, 40);
  EXPECT_EQ(first.PoorCount, 3);
  EXPECT_EQ(r.Ranking[1], RankEntry{});
  EXPECT_TRUE(g.library.SongMarks[0]);
  EXPECT_EQ(g.app.GameState, Screen::SongList);  // the name entry ends on the song list
  EXPECT_GE(entry_frames, 1);
  // The combo-linked hi-speed is stored as -1.
  g.settings.ComboLinkedHiSpeed = true;
  Result(160000, 85);
  script.push_back(Text("\r"));
  RunScoreRecord(g, true);
  EXPECT_FLOAT_EQ(OnDisk().Ranking[0].HiSpeed, -1.0f);
  EXPECT_EQ(OnDisk().PlayCount, 2);
}

TEST_F(PostPlay, AnEqualScoreRanksBelowAndTheTenthPlaceDropsOut) {
  WriteRecord(TenPlaces(100000));
  Result(97000, 50);  // equal to place 4
  Type("NEW");
  script.push_back(Text("\r"));
  RunScoreRecord(g, true);
  const ScoreRecord r = OnDisk();
  EXPECT_EQ(r.Ranking[3].Name, "P4");
  EXPECT_EQ(r.Ranking[4].Name, "DefaultN");  // "Default" + "NEW", cut to eight
  EXPECT_FLOAT_EQ(r.Ranking[4].Score, 97000);
  EXPECT_FALSE(r.Ranking[4].Cleared);
  EXPECT_EQ(r.Ranking[5].Name, "P5");
  EXPECT_EQ(r.Ranking[9].Name, "P9");  // P10 dropped out
  EXPECT_EQ(r.PlayCount, 11);
  EXPECT_FALSE(r.ClearedFlag);
  EXPECT_FALSE(g.library.SongMarks[0]);
  // Equal to the best: place 2, not place 1.
  Result(100000, 50);
  script.push_back(Text("\r"));
  RunScoreRecord(g, true);
  EXPECT_EQ(OnDisk().Ranking[0].Name, "P1");
  EXPECT_EQ(OnDisk().Ranking[1].Name, "DefaultN");
  EXPECT_FLOAT_EQ(OnDisk().Ranking[1].Score, 100000);
}

TEST_F(PostPlay, AnUnrankedPlayStillCountsAndClears) {
  const ScoreRecord before = TenPlaces(200000);
  WriteRecord(before);
  Result(190000, 90);  // below all ten
  script.push_back(Text("X\r"));
  RunScoreRecord(g, true);
  EXPECT_EQ(entry_frames, 0);  // no name entry
  ASSERT_EQ(script.size(), 1u);
  const ScoreRecord r = OnDisk();
  EXPECT_EQ(r.Ranking, before.Ranking);
  EXPECT_EQ(r.PlayCount, 11);
  EXPECT_TRUE(r.ClearedFlag);
  EXPECT_TRUE(g.library.SongMarks[0]);
}

TEST_F(PostPlay, AChangedSettingBlocksTheRankingButNotTheClearMark) {
  g.playopt.OptionsChanged = true;
  Result(150000, 80);  // 80 is a clear
  RunScoreRecord(g, true);
  EXPECT_EQ(entry_frames, 0);
  const ScoreRecord r = OnDisk();
  EXPECT_EQ(r.Ranking[0], RankEntry{});
  EXPECT_TRUE(r.ClearedFlag);
  EXPECT_EQ(r.PlayCount, 1);
  EXPECT_NE(Log().find("a play setting was changed during the play"), std::string::npos);
}

TEST_F(PostPlay, ADemoOrUnfinishedPlayIsOnlyCounted) {
  Result(150000, 95);
  RunScoreRecord(g, false);
  const ScoreRecord r = OnDisk();
  EXPECT_EQ(r.PlayCount, 1);
  EXPECT_FALSE(r.ClearedFlag);
  EXPECT_EQ(r.Ranking[0], RankEntry{});
  EXPECT_EQ(entry_frames, 0);
}

TEST_F(PostPlay, EnterAtOnceWithAnEmptyNameStoresVeXo) {
  g.screens.RankingName.clear();
  Result(150000, 50);
  script.push_back(Tap(SDL_SCANCODE_RETURN));
  RunScoreRecord(g, true);
  EXPECT_EQ(OnDisk().Ranking[0].Name, "VeXo :-");
  EXPECT_EQ(g.screens.RankingName, "VeXo :-");  // offered at the next entry
  // Backspace over the whole offered name, and once more on the empty name:
  // Escape ends with the empty name too.
  g.screens.RankingName = "AB";
  Result(160000, 50);
  for (int i = 0; i < 3; ++i) script.push_back(Text("\b"));
  script.push_back(Tap(SDL_SCANCODE_ESCAPE));
  RunScoreRecord(g, true);
  EXPECT_EQ(OnDisk().Ranking[0].Name, "VeXo :-");
  EXPECT_EQ(g.app.GameState, Screen::SongList);  // Escape ended the entry, not the program
}

TEST_F(PostPlay, TenTypedCharactersKeepTheFirstEight) {
  g.screens.RankingName.clear();
  Result(150000, 50);
  Type("ABCDEFGHIJ");
  script.push_back(Text("\r"));
  RunScoreRecord(g, true);
  EXPECT_EQ(OnDisk().Ranking[0].Name, "ABCDEFGH");
  EXPECT_EQ(RecordBytes().substr(6, 8), "ABCDEFGH");
  // Ten in one go with Enter in the same frame; bytes outside 32..127 are not taken.
  g.screens.RankingName.clear();
  Result(160000, 50);
  script.push_back(Text("0123\xC3\xA9\t456789\r"));
  RunScoreRecord(g, true);
  EXPECT_EQ(OnDisk().Ranking[0].Name, "01234567");
  // Digits typed into the name are letters, not option keys (5 toggles the BGA).
  g.screens.RankingName = "P";
  g.settings.ShowBGA = true;
  Result(165000, 50);
  std::vector<PlatformEvent> five = Tap(SDL_SCANCODE_5);
  five.insert(five.begin() + 1, Text("5")[0]);
  script.push_back(five);
  script.push_back(Text("\r"));
  RunScoreRecord(g, true);
  EXPECT_EQ(OnDisk().Ranking[0].Name, "P5");
  EXPECT_TRUE(g.settings.ShowBGA);
  // The player's name from the settings loses its bytes outside 32..127.
  g.screens.RankingName = "\xE5\x90\x8D K";
  Result(170000, 50);
  script.push_back(Text("\r"));
  RunScoreRecord(g, true);
  EXPECT_EQ(OnDisk().Ranking[0].Name, " K");
}

TEST_F(PostPlay, AChartInAReadOnlyFolderKeepsItsRecordUnderRoScore) {
  const std::string folder = FolderOf(chart);
  // A record beside the chart from before the folder became read-only.
  ScoreRecord old;
  old.PlayCount = 4;
  old.Ranking[0].Name = "OLD";
  old.Ranking[0].Score = 5000;
  WriteRecord(old);
  fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                              fs::perms::group_exec);
  Result(150000, 90);
  script.push_back(Text("\r"));
  RunScoreRecord(g, true);
  const std::string roRecord = g.paths.data + "/ro_score/pack/song.ksd";
  ASSERT_TRUE(FileExists(roRecord));
  EXPECT_EQ(ReadScoreRecord(g, chart).PlayCount, 5);  // readers look where it was written
  EXPECT_EQ(DecodeScoreRecord(ReadFileBytes(roRecord).value()).Ranking[1].Name, "OLD");
  EXPECT_EQ(OnDisk(), old);  // the file beside the chart is untouched
  // The next play reads and writes the same place.
  Result(1000, 50);
  RunScoreRecord(g, false);
  EXPECT_EQ(DecodeScoreRecord(ReadFileBytes(roRecord).value()).PlayCount, 6);
  EXPECT_EQ(g.screens.Record.Ranking[0].Name, "Default");
  fs::permissions(folder, fs::perms::owner_all);
}

TEST_F(PostPlay, AFailedWriteLeavesTheOldRecordAndLogsALine) {
  ScoreRecord old = TenPlaces(100000);
  old.PlayCount = 41;
  WriteRecord(old);
  const std::string oldBytes = RecordBytes();
  Result(50000, 50);
  g.screens.Record = old;
  ScoreRecord expected = old;
  expected.PlayCount = 42;
  const std::string newBytes = EncodeScoreRecord(expected);
  // Every byte count of the record write, and the flush and the rename.
  for (uint64_t n = 0; n <= 446; ++n) {
    std::ofstream(RecordPath(), std::ios::binary | std::ios::trunc) << oldBytes;
    g.screens.Record = old;
    {
      ScopedWriteFault fault(n);
      SaveScoreDat(g);
      ASSERT_EQ(fault.writes(), 1);
    }
    const std::string now = RecordBytes();
    ASSERT_TRUE(now == oldBytes || now == newBytes) << "torn record after " << n << " bytes";
    EXPECT_EQ(now, n >= 446 ? newBytes : oldBytes) << n;
  }
  for (auto stage : {ScopedWriteFault::Stage::Flush, ScopedWriteFault::Stage::Rename}) {
    std::ofstream(RecordPath(), std::ios::binary | std::ios::trunc) << oldBytes;
    g.screens.Record = old;
    ScopedWriteFault fault(stage);
    SaveScoreDat(g);
    EXPECT_EQ(RecordBytes(), oldBytes);
  }
  EXPECT_NE(Log().find("[SaveScoreDat] Error: can't write the record file " + RecordPath()), std::string::npos);
  EXPECT_EQ(g.display.MessageLine.text, "Score record could not be saved!");  // on screen too
  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(FolderOf(chart))) names.push_back(e.path().filename().string());
  EXPECT_EQ(names.size(), 2u);  // the chart and its record: no temporary file left
}

TEST_F(PostPlay, ARecordThatIsASymbolicLinkIsNotFollowed) {
  // A chart pack that ships its record as a link to a file elsewhere.
  test::TempFolder outside;
  const std::string victim = outside.Write("anything", std::string(600, 'v'));
  fs::create_symlink(victim, RecordPath());
  Result(50000, 50);
  SaveScoreDat(g);
  EXPECT_EQ(ReadFileBytes(victim), std::string(600, 'v'));
  EXPECT_TRUE(fs::is_symlink(RecordPath()));
  EXPECT_NE(Log().find("[SaveScoreDat] Error: can't write the record file " + RecordPath() +
                       " (the file is a symbolic link; it is not followed)"),
            std::string::npos)
      << Log();
}

TEST_F(PostPlay, ALongRecordIsReadAndWrittenWithoutLosingItsTail) {
  ScoreRecord old = TenPlaces(100000);
  ASSERT_TRUE(WriteFileBytes(RecordPath(), EncodeScoreRecord(old) + "EXTRA"));
  Result(1000, 50);
  RunScoreRecord(g, true);  // not ranked
  const std::string now = RecordBytes();
  ASSERT_EQ(now.size(), 451u);
  EXPECT_EQ(now.substr(446), "EXTRA");  // written in place, never shortened
  EXPECT_EQ(OnDisk().Ranking[0].Name, "P1");
  EXPECT_EQ(OnDisk().PlayCount, 11);
}

// A record the format does not allow is set aside as "song.ksd.damaged" (a
// log line and a message say so) and a fresh record takes its place; the
// damaged bytes stay as they were.
TEST_F(PostPlay, ADamagedRecordIsSetAsideAndAFreshOneStarted) {
  std::string garbage(446, '\0');
  std::mt19937 random(29);
  for (char& c : garbage) c = static_cast<char>(random());
  std::string control = EncodeScoreRecord(TenPlaces(100000));
  control[6] = '\x01';  // a control byte in place 1's name
  ScoreRecord unordered = TenPlaces(100000);
  std::swap(unordered.Ranking[0], unordered.Ranking[3]);
  ScoreRecord bad_class = TenPlaces(100000);
  bad_class.Ranking[2].Class = 9;
  const std::pair<std::string, std::string> cases[] = {
      {garbage, ""},
      {"abc", "only 3 of 446 bytes"},
      {control, "a name with control bytes in place 1"},
      {EncodeScoreRecord(unordered), "places out of score order"},
      {EncodeScoreRecord(bad_class), "a class out of range in place 3"}};
  for (const auto& [bytes, reason] : cases) {
    SCOPED_TRACE(reason);
    fs::remove(RecordPath() + ".damaged");
    ASSERT_TRUE(WriteFileBytes(RecordPath(), bytes));
    EXPECT_FALSE(ScoreRecordProblem(bytes).empty());
    EXPECT_EQ(ReadClearedFlag(g, chart), false);  // the clear check takes no mark from it
    Result(150000, 90);
    script.push_back(Text("\r"));
    RunScoreRecord(g, true);
    EXPECT_EQ(ReadFileBytes(RecordPath() + ".damaged").value_or(""), bytes);
    const ScoreRecord fresh = OnDisk();
    EXPECT_EQ(fresh.PlayCount, 1);
    EXPECT_EQ(fresh.Ranking[0].Name, "Default");
    EXPECT_EQ(fresh.Ranking[1], RankEntry{});
    EXPECT_NE(Log().find("# damaged score record (" + reason), std::string::npos) << Log();
    EXPECT_NE(Log().find("set aside as " + RecordPath() + ".damaged"), std::string::npos);
    EXPECT_EQ(g.display.MessageLine.text, "Damaged score record set aside");
  }
  // A second damaged record keeps the first one's evidence.
  ASSERT_TRUE(WriteFileBytes(RecordPath(), "xyz"));
  LoadScoreDat(g);
  EXPECT_EQ(ReadFileBytes(RecordPath() + ".damaged-2").value_or(""), "xyz");
  // Sound records are taken as they are: every value the program writes.
  ScoreRecord sound = TenPlaces(100000);
  sound.Ranking[0].HiSpeed = -1;
  sound.Ranking[0].JPts = -600;
  sound.Ranking[0].Class = 6;
  sound.Ranking[0].CoverOption = 7;
  sound.Ranking[0].RandomOption = 3;
  sound.Ranking[0].EffectOption = 7;
  sound.Ranking[9] = RankEntry{};
  sound.ClearedFlag = true;
  EXPECT_EQ(ScoreRecordProblem(EncodeScoreRecord(sound)), "");
  EXPECT_EQ(ScoreRecordProblem(EncodeScoreRecord(ScoreRecord{})), "");
}

// The program ends while the result screen or the name entry shows: the
// play's record is written first, a ranked place with the offered name.
TEST_F(PostPlay, APendingRecordIsWrittenWhenTheProgramEnds) {
  WriteRecord(TenPlaces(100000));
  Result(150000, 90);
  MarkScoreRecordPending(g, true);
  EXPECT_THROW(CloseGameWindow(g), ProgramExit);  // closed on the result screen
  EXPECT_EQ(OnDisk().PlayCount, 11);
  EXPECT_EQ(OnDisk().Ranking[0].Name, "Default");
  EXPECT_FLOAT_EQ(OnDisk().Ranking[0].Score, 150000);
  EXPECT_EQ(g.screens.PendingRecord, ScreensState::RecordStep::None);

  // In the name entry: the place holds the offered name.
  g.app.Running = true;  // the game runs again
  Result(160000, 90);
  g.screens.RankingName = "RIN";
  PlatformEvent quit;  // the window is closed while the name is being typed
  script.push_back(Text("X"));
  script.push_back({quit});
  MarkScoreRecordPending(g, true);
  EXPECT_THROW(RunScoreRecord(g, true), ProgramExit);
  EXPECT_EQ(OnDisk().PlayCount, 12);
  EXPECT_EQ(OnDisk().Ranking[0].Name, "RIN");
  EXPECT_FLOAT_EQ(OnDisk().Ranking[1].Score, 150000);

  // Written once: a normal end of the steps leaves nothing pending.
  Result(1000, 50);
  MarkScoreRecordPending(g, false);
  RunScoreRecord(g, false);
  EXPECT_EQ(OnDisk().PlayCount, 13);
  EXPECT_THROW(CloseGameWindow(g), ProgramExit);
  EXPECT_EQ(OnDisk().PlayCount, 13);
}

TEST(RankingScreen, OrdinalsAndStoredNames) {
  EXPECT_EQ(OrdinalSuffix(1), "st");
  EXPECT_EQ(OrdinalSuffix(2), "nd");
  EXPECT_EQ(OrdinalSuffix(3), "rd");
  EXPECT_EQ(OrdinalSuffix(4), "th");
  EXPECT_EQ(OrdinalSuffix(10), "th");
  EXPECT_EQ(StorableRankingName("ABCDEFGHIJ"), "ABCDEFGH");
  EXPECT_EQ(StorableRankingName("A\x7F\x80\x1F"
                                "B"),
            "A\x7F"
            "B");
}

}  // namespace
}  // namespace kvx
