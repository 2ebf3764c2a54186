#include "platform/text.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

TEST(Text, DecodesShiftJisAndUtf8) {
  // "テスト" in Shift-JIS and in UTF-8.
  const std::string sjis = "\x83\x65\x83\x58\x83\x67";
  const std::string utf8 = "テスト";
  EXPECT_FALSE(IsValidUtf8(sjis));
  EXPECT_EQ(DecodeText(sjis), utf8);
  EXPECT_EQ(DecodeText(utf8), utf8);
  // Half-width katakana and the CP932-only wave dash / NEC row 13 characters.
  EXPECT_EQ(DecodeText("\xB1\xB2"), "ｱｲ");
  EXPECT_EQ(DecodeText("\x87\x40"), "①");
  EXPECT_EQ(Utf8ToCp932(utf8), sjis);
  // A broken lead byte at the end does not stop the rest.
  EXPECT_EQ(DecodeText("ab\x83"), "ab\xEF\xBF\xBD");
  EXPECT_FALSE(IsValidUtf8("\xC0\x80"));  // overlong
  EXPECT_FALSE(IsValidUtf8("\xE3\x81"));  // truncated
  EXPECT_EQ(Utf8Left("あいう", 2), "あい");
  EXPECT_EQ(Utf8Length("aあ"), 2u);
}

TEST(Text, LineEndsOfEveryKind) {
  EXPECT_EQ(SplitLines("a\r\nb\rc\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines("a\r\n\r\nb\r\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(SplitLines("\n\n"), (std::vector<std::string>{"", ""}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_TRUE(EndsWithNoCase("list.kPl", ".KPL"));
  EXPECT_EQ(Trim("  x y \t"), "x y");
}

}  // namespace
}  // namespace kvx
