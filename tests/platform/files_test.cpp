#include "platform/files.h"

#include <gtest/gtest.h>

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

}  // namespace
}  // namespace kvx
