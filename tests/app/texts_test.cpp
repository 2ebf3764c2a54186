#include "app/texts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "app/game.h"
#include "app/settings.h"
#include "japanese_text.h"

namespace kvx {
namespace {

using test::HoldsJapanese;

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
