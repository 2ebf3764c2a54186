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

// Chart text is decided per file: UTF-8 when valid, Korean (CP949) when the
// bytes read as Korean rather than Shift-JIS and Korean is allowed, otherwise
// Shift-JIS. "한국어" in EUC-KR is C7 D1 B1 B9 BE EE (half-width katakana in
// Shift-JIS); "東京" in Shift-JIS is 93 8C 8B 9E (also pairs as CP949, but
// is valid Shift-JIS without half-width katakana).
TEST(Text, ChartTextUtf8ShiftJisOrKorean) {
  const std::string korean = "\xC7\xD1\xB1\xB9\xBE\xEE";
  const char* encoding = nullptr;
  EXPECT_TRUE(LooksLikeCp949(korean));
  EXPECT_EQ(DecodeChartBytes(korean, true, &encoding), "한국어");
  EXPECT_STREQ(encoding, "EUC-KR");
  EXPECT_EQ(DecodeChartBytes(korean, false, &encoding), "ﾇﾑｱｹｾ\xEF\xBF\xBD");
  EXPECT_STREQ(encoding, "Shift-JIS");
  EXPECT_FALSE(LooksLikeCp949("\x93\x8C\x8B\x9E"));
  EXPECT_EQ(DecodeChartBytes("\x93\x8C\x8B\x9E", true), "東京");
  EXPECT_EQ(DecodeChartBytes("テスト", true, &encoding), "テスト");
  EXPECT_STREQ(encoding, "UTF-8");
  // A CP949 extension character (81 41) before the Hangul syllable B0 A1: Korean.
  EXPECT_TRUE(LooksLikeCp949("\x81\x41\xB0\xA1"));
  EXPECT_FALSE(LooksLikeCp949("\xFF\xFF"));  // neither
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
