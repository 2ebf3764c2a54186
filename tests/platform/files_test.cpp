#include "platform/files.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <vector>

#include "test_support.h"

namespace kvx {
namespace {

TEST(Files, CaseInsensitiveResolutionWithBackslashes) {
  test::TempFolder dir;
  std::string real = dir.Write("Songs/My Song/Kick.OGG", "x");
  EXPECT_EQ(ResolvePathNoCase(dir.path(), "songs\\my song\\kick.ogg"), real);
  EXPECT_EQ(ResolvePathNoCase(dir.path(), "SONGS/MY SONG/KICK.OGG"), real);
  EXPECT_EQ(ResolvePathNoCase(dir.path(), "songs\\nothing.ogg"), std::nullopt);
  // A .wav name finds the shipped .ogg.
  EXPECT_EQ(ResolveWithExtensions(dir.path(), "songs\\my song\\kick.wav", {".ogg", ".flac", ".wav", ".mp3"}),
            real);
  EXPECT_EQ(ResolveWithExtensions(dir.path(), "songs\\my song\\snare.wav", {".ogg", ".wav"}), std::nullopt);
  EXPECT_EQ(FolderOf("a/b/c.bms"), "a/b/");
  EXPECT_EQ(FileNameOf("a/b/c.bms"), "c.bms");
}

TEST(Files, ExistenceAndTextReads) {
  test::TempFolder dir;
  std::string empty = dir.Write("empty.dat", "");
  EXPECT_TRUE(FileExists(empty));  // an empty file exists
  EXPECT_FALSE(FileExists(dir.path()));  // a folder does not
  EXPECT_FALSE(FileExists(dir.path() + "/missing"));
  std::string withNul = dir.Write("nul.txt", std::string("abc\0def", 7));
  EXPECT_EQ(ReadTextFile(withNul), "abc");
  EXPECT_EQ(ReadFileBytes(withNul)->size(), 7u);
  EXPECT_EQ(ReadTextFile(dir.path() + "/missing"), std::nullopt);
}

// Two different 446-byte records (the size of a score record).
std::string Record(char seed) {
  std::string bytes(446, '\0');
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(seed + i * 7);
  return bytes;
}

// A plain write, without the safe write's flush (quick to repeat).
void Overwrite(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

std::vector<std::string> FolderEntries(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TEST(SafeWrite, AFailureAfterAnyByteCountLeavesTheOldOrTheNewRecord) {
  test::TempFolder dir;
  const std::string older = Record(1), newer = Record(2);
  std::string path = dir.Write("song.ksd", older);
  for (uint64_t n = 0; n <= newer.size() + 1; ++n) {
    Overwrite(path, older);
    bool ok;
    {
      ScopedWriteFault fault(n);
      ok = WriteFileSafely(path, newer, true);
      EXPECT_EQ(fault.writes(), 1);
    }
    std::string now = ReadFileBytes(path).value();
    EXPECT_TRUE(now == older || now == newer) << "torn file after " << n << " bytes";
    EXPECT_EQ(ok, n >= newer.size()) << n;
    EXPECT_EQ(now, ok ? newer : older) << n;
    EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"song.ksd"}) << "temporary file left after " << n;
  }
  // Failures at the flush and the rename leave the old record as well.
  Overwrite(path, older);
  for (auto stage : {ScopedWriteFault::Stage::Flush, ScopedWriteFault::Stage::Rename}) {
    ScopedWriteFault fault(stage);
    std::string error;
    EXPECT_FALSE(WriteFileSafely(path, newer, true, &error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(ReadFileBytes(path), older);
  }
  EXPECT_EQ(FolderEntries(dir.path()), std::vector<std::string>{"song.ksd"});
}

TEST(SafeWrite, KeepsTheTailOnlyWhenAsked) {
  test::TempFolder dir;
  std::string path = dir.Write("keys.dat", "0123456789");
  EXPECT_TRUE(WriteFileSafely(path, "abc", true));
  EXPECT_EQ(ReadFileBytes(path), "abc3456789");  // never shortened
  EXPECT_TRUE(WriteFileSafely(path, "abcdefghijkl", true));
  EXPECT_EQ(ReadFileBytes(path), "abcdefghijkl");
  EXPECT_TRUE(WriteFileSafely(path, "xy", false));
  EXPECT_EQ(ReadFileBytes(path), "xy");
  // A new file is created; a missing folder is not.
  EXPECT_TRUE(WriteFileSafely(dir.path() + "/new.dat", "n", true));
  EXPECT_EQ(dir.Read("new.dat"), "n");
  std::string error;
  EXPECT_FALSE(WriteFileSafely(dir.path() + "/no/such/folder.dat", "n", false, &error));
  EXPECT_NE(error.find("temporary"), std::string::npos);
}

TEST(SafeWrite, KeepsModeAndLinksAndRefusesReadOnlyTargets) {
  test::TempFolder dir;
  std::string path = dir.Write("conf.ini", "old");
  std::filesystem::permissions(path, std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                                         std::filesystem::perms::group_read);
  EXPECT_TRUE(WriteFileBytes(path, "new"));
  auto perms = std::filesystem::status(path).permissions();
  EXPECT_EQ(perms & std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::owner_write |
                std::filesystem::perms::group_read);
  // By default (files of the data folder) writing through a symbolic link
  // replaces the file it names and keeps the link.
  std::string link = dir.path() + "/link.ini";
  std::filesystem::create_symlink(path, link);
  EXPECT_TRUE(WriteFileBytes(link, "via link"));
  EXPECT_TRUE(std::filesystem::is_symlink(link));
  EXPECT_EQ(ReadFileBytes(path), "via link");
  // A file marked read-only is left alone, even for a user who could write it.
  std::filesystem::permissions(path, std::filesystem::perms::owner_read);
  EXPECT_TRUE(IsReadOnly(path));
  EXPECT_FALSE(WriteFileBytes(path, "refused"));
  EXPECT_EQ(ReadFileBytes(path), "via link");
  EXPECT_FALSE(IsReadOnly(dir.path()));
  EXPECT_FALSE(IsReadOnly(dir.path() + "/missing"));
}

TEST(SafeWrite, RefusingLinksLeavesTheLinkAndItsTargetUntouched) {
  test::TempFolder outside, pack;
  const std::string victim = outside.Write("anything", std::string(1000, 'v'));
  const std::string record = pack.path() + "/song.ksd";
  std::filesystem::create_symlink(victim, record);
  std::string error;
  for (bool keep_tail : {true, false}) {
    EXPECT_FALSE(WriteFileSafely(record, Record(3), keep_tail, &error, LinkRule::Refuse));
    EXPECT_NE(error.find("symbolic link"), std::string::npos) << error;
  }
  EXPECT_EQ(ReadFileBytes(victim), std::string(1000, 'v'));
  EXPECT_TRUE(std::filesystem::is_symlink(record));
  EXPECT_EQ(FolderEntries(pack.path()), std::vector<std::string>{"song.ksd"});
  // A dangling link is refused too, and nothing is created where it points.
  std::filesystem::remove(victim);
  EXPECT_FALSE(WriteFileSafely(record, Record(3), true, &error, LinkRule::Refuse));
  EXPECT_FALSE(std::filesystem::exists(victim));
  // A plain file is written as usual.
  std::filesystem::remove(record);
  EXPECT_TRUE(WriteFileSafely(record, Record(4), true, &error, LinkRule::Refuse));
  EXPECT_EQ(ReadFileBytes(record), Record(4));
}

// The id of a process that has ended.
long EndedProcess() {
  pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}

TEST(SafeWrite, StaleTemporaryFilesOfTheTargetAreRemovedAndNothingElse) {
  test::TempFolder dir;
  const std::string dead = std::to_string(EndedProcess());
  const std::string mine = std::to_string(::getpid());
  EXPECT_TRUE(IsTemporaryFileName("song.ksd." + dead + "-0.kvx-tmp", "song.ksd"));
  EXPECT_TRUE(IsTemporaryFileName("song.ksd." + dead + "-0.kvx-tmp"));
  EXPECT_TRUE(IsTemporaryFileName("song.ksd.tmp" + dead + "-7", "song.ksd"));
  EXPECT_FALSE(IsTemporaryFileName("song.ksd.tmp" + dead + "-7"));
  EXPECT_FALSE(IsTemporaryFileName("other.ksd." + dead + "-0.kvx-tmp", "song.ksd"));
  EXPECT_FALSE(IsTemporaryFileName("song.ksd.x-0.kvx-tmp", "song.ksd"));
  EXPECT_FALSE(IsTemporaryFileName(".kvx-tmp"));
  dir.Write("song.ksd", Record(1));
  dir.Write("song.ksd." + dead + "-0.kvx-tmp", "stale");
  dir.Write("song.ksd.tmp" + dead + "-3", "stale, earlier name");
  dir.Write("song.ksd." + mine + "-99.kvx-tmp", "being written by this process");
  dir.Write("other.ksd." + dead + "-0.kvx-tmp", "another target's");
  dir.Write("song.ksd.bak", "the player's own");
  dir.Write("song.ksd.kvx-tmp", "not of the pattern");
  ASSERT_TRUE(WriteFileSafely(dir.path() + "/song.ksd", Record(2), true));
  EXPECT_EQ(FolderEntries(dir.path()),
            (std::vector<std::string>{"other.ksd." + dead + "-0.kvx-tmp", "song.ksd", "song.ksd." + mine + "-99.kvx-tmp",
                                      "song.ksd.bak", "song.ksd.kvx-tmp"}));
  // An hour-old one of this process is stale as well.
  std::filesystem::last_write_time(dir.path() + "/song.ksd." + mine + "-99.kvx-tmp",
                                   std::filesystem::file_time_type::clock::now() - std::chrono::hours(2));
  // The sweep of a whole folder (the data folder at start) takes every
  // target's stale files, down to the depth asked, and only those.
  dir.Write("jukelist/list.kbl." + dead + "-1.kvx-tmp", "stale");
  dir.Write("jukelist/deep/er/x.kbl." + dead + "-1.kvx-tmp", "too deep");
  EXPECT_EQ(RemoveStaleTemporaryFiles(dir.path(), 2), 3);
  EXPECT_EQ(FolderEntries(dir.path()),
            (std::vector<std::string>{"jukelist", "song.ksd", "song.ksd.bak", "song.ksd.kvx-tmp"}));
  EXPECT_EQ(FolderEntries(dir.path() + "/jukelist"), std::vector<std::string>{"deep"});
  EXPECT_EQ(dir.Read("jukelist/deep/er/x.kbl." + dead + "-1.kvx-tmp"), "too deep");
}

}  // namespace
}  // namespace kvx
