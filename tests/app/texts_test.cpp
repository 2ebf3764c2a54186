#include "app/texts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/game.h"
#include "app/settings.h"

namespace kvx {
namespace {

// A text holding a kana or CJK character (hiragana, katakana, CJK
// ideographs, full-width forms, CJK punctuation), read from its UTF-8 bytes.
bool HoldsJapanese(const std::string& text) {
  for (size_t i = 0; i < text.size();) {
    const unsigned char c = text[i];
    const int length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
    if (length == 3 && i + 2 < text.size()) {
      const uint32_t code = ((c & 0x0Fu) << 12) | ((text[i + 1] & 0x3Fu) << 6) | (text[i + 2] & 0x3Fu);
      if ((code >= 0x3000 && code <= 0x30FF) || (code >= 0x4E00 && code <= 0x9FFF) || (code >= 0xFF00 && code <= 0xFFEF))
        return true;
    }
    i += length;
  }
  return false;
}

TEST(Texts, EveryTableFillsEveryEntryAndEnglishHoldsNoJapanese) {
  for (const Language& l : Languages()) {
    const auto entries = TextEntries(*l.texts);
    ASSERT_GT(entries.size(), 50u);
    for (size_t i = 0; i < entries.size(); ++i) {
      ASSERT_NE(entries[i], nullptr) << l.code << " entry " << i;
      EXPECT_NE(std::string(entries[i]), "") << l.code << " entry " << i;
    }
  }
  for (const char* text : TextEntries(kTextsEn)) EXPECT_FALSE(HoldsJapanese(text)) << text;
  EXPECT_TRUE(HoldsJapanese(kTextsJa.menu_start));
  EXPECT_STREQ(kTextsJa.menu_start, "起動");
  EXPECT_STREQ(kTextsEn.menu_start, "Start");
}

TEST(Texts, LanguageSettingChoosesTheTableAndUnknownCodesAreTheDefault) {
  EXPECT_EQ(&TextsFor("en"), &kTextsEn);
  EXPECT_EQ(&TextsFor("ja"), &kTextsJa);
  EXPECT_EQ(&TextsFor("xx"), &kTextsJa);
  EXPECT_STREQ(Languages()[0].code, "ja");

  Game g;
  EXPECT_EQ(g.settings.Language, "ja");
  EXPECT_EQ(&TextsOf(g), &kTextsJa);
  const std::string file = "[Setting]\r\nLanguage=";
  for (const auto& [given, kept] : {std::pair{"en", "en"}, {"EN", "en"}, {"ja", "ja"}, {"fr", "ja"}, {"", "ja"}}) {
    LoadSettingsBytes(g, file + given + "\r\n");
    EXPECT_EQ(g.settings.Language, kept) << given;
  }
  LoadSettingsBytes(g, file + "en\r\n");
  EXPECT_EQ(&TextsOf(g), &kTextsEn);
  LoadSettingsBytes(g, std::nullopt);  // a new settings file
  EXPECT_EQ(g.settings.Language, "ja");
}

}  // namespace
}  // namespace kvx
