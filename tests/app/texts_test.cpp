#include "app/texts.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>

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
  // Each entry takes as many values in every language.
  const auto ja = TextEntries(kTextsJa), en = TextEntries(kTextsEn);
  const auto holes = [](std::string_view text) {
    size_t n = 0;
    for (size_t at = text.find("{}"); at != std::string_view::npos; at = text.find("{}", at + 2)) ++n;
    return n;
  };
  for (size_t i = 0; i < ja.size(); ++i) EXPECT_EQ(holes(ja[i]), holes(en[i])) << ja[i] << " / " << en[i];
  EXPECT_EQ(holes(kTextsEn.calibration_summary), 4u);
  // The search panel's, the network's and the calibration's lines are
  // Japanese in the Japanese texts, but for the one message box whose
  // classic text is English.
  for (const char* Texts::*entry :
       {&Texts::menu_host_hint, &Texts::menu_empty_folder, &Texts::menu_search_hint,
        &Texts::search_progress_folders, &Texts::search_progress_charts, &Texts::search_totals,
        &Texts::search_missing, &Texts::search_without_charts, &Texts::search_done, &Texts::search_done_no_charts,
        &Texts::search_done_unsaved, &Texts::search_lists_unsaved, &Texts::search_mark_missing,
        &Texts::search_mark_empty, &Texts::search_already_listed, &Texts::search_unstorable,
        &Texts::search_list_unsaved, &Texts::net_hosting, &Texts::net_host_failed, &Texts::net_not_an_address, &Texts::net_no_ipv6,
        &Texts::net_connecting, &Texts::net_join_failed, &Texts::net_no_answer, &Texts::net_joined,
        &Texts::net_session_ended, &Texts::net_no_player_list, &Texts::calibration_caption,
        &Texts::calibration_instructions, &Texts::calibration_no_sound, &Texts::calibration_summary,
        &Texts::calibration_save, &Texts::calibration_again, &Texts::calibration_close})
    EXPECT_TRUE(HoldsJapanese(kTextsJa.*entry)) << kTextsJa.*entry;
  EXPECT_STREQ(kTextsJa.message_standalone, "No connections aviliable. standalone mode.");
  EXPECT_TRUE(HoldsJapanese(kTextsJa.menu_start));
  EXPECT_STREQ(kTextsJa.menu_start, "起動");
  EXPECT_STREQ(kTextsEn.menu_start, "Start");
}

TEST(Texts, ValuesFillTheHolesInOrderAndCountsTakeTheirForm) {
  EXPECT_EQ(TextWith("{} of {} charts", {"3", "12"}), "3 of 12 charts");
  EXPECT_EQ(TextWith("{}({}を検索)", {"4譜面", "2フォルダ"}), "4譜面(2フォルダを検索)");
  // A value holding "{}" (a folder's name) is not filled again.
  EXPECT_EQ(TextWith("Already listed: {} ({})", {"/a{}b", "x"}), "Already listed: /a{}b (x)");
  EXPECT_EQ(TextWith("{} and {}", {"one"}), "one and {}");
  EXPECT_EQ(TextWith("no holes", {"x"}), "no holes");
  EXPECT_EQ(TextWith("The session ended", {}), "The session ended");
  EXPECT_EQ(CountText(kTextsEn.search_charts, 1), "1 chart");
  EXPECT_EQ(CountText(kTextsEn.search_charts, 0), "0 charts");
  EXPECT_EQ(CountText(kTextsEn.search_folders, 2), "2 folders");
  EXPECT_EQ(CountText(kTextsJa.search_charts, 1), "1譜面");
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
