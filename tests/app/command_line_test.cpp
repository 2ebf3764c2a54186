#include "app/command_line.h"

#include <gtest/gtest.h>

#include "app/game.h"

namespace kvx {
namespace {

TEST(CommandLine, QuotesGroupNamesWithSpacesAndAreRemoved) {
  auto args = SplitCommandLine("-B- \"C:\\my songs\\a b.bms\" x.bms");
  ASSERT_EQ(args.size(), 3u);
  EXPECT_EQ(args[0], "-B-");
  EXPECT_EQ(args[1], "C:\\my songs\\a b.bms");
  EXPECT_EQ(args[2], "x.bms");
  EXPECT_EQ(SplitCommandLine("a  b"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(JoinCommandLine({"-W-", "my song.bms"}), "-W- \"my song.bms\"");
  EXPECT_EQ(SplitCommandLine(JoinCommandLine({"-W-", "my song.bms"})),
            (std::vector<std::string>{"-W-", "my song.bms"}));
}

TEST(CommandLine, OptionLettersInAnyCaseAndThirdCharacter) {
  Game g;
  g.settings.NoBGA = false;
  ParseCommandLine(g, "-b-");
  EXPECT_TRUE(g.settings.NoBGA);
  ParseCommandLine(g, "-Bx");  // anything after the letter but "-" means on
  EXPECT_FALSE(g.settings.NoBGA);
  ParseCommandLine(g, "/W-");
  EXPECT_TRUE(g.settings.NoWAV);
  ParseCommandLine(g, "/w+");
  EXPECT_FALSE(g.settings.NoWAV);
  EXPECT_FALSE(g.app.PlayStop);
  auto result = ParseCommandLine(g, "-s -P /q- -Q+");
  EXPECT_TRUE(g.app.PlayStop);
  EXPECT_EQ(result.charts_added, 0);
  EXPECT_FALSE(g.app.play_first_entry);
}

TEST(CommandLine, SeedChoosesTheRandomBranches) {
  std::string error;
  OwnOptions o = ParseOwnOptions({"--seed", "42", "a.bms"}, &error);
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(o.seed, 42u);
  EXPECT_EQ(o.rest, "a.bms");
  EXPECT_EQ(ParseOwnOptions({"--seed=18446744073709551615"}, &error).seed, 18446744073709551615ull);
  EXPECT_FALSE(ParseOwnOptions({}, &error).seed.has_value());
  ParseOwnOptions({"--seed", "-1"}, &error);
  EXPECT_NE(error.find("--seed needs a whole number"), std::string::npos);
  error.clear();
  ParseOwnOptions({"--seed"}, &error);
  EXPECT_FALSE(error.empty());
}

TEST(CommandLine, TwoChartsClearTheListOnceAndPlayListsDoNotStartPlay) {
  Game g;
  auto two = ParseCommandLine(g, "a.bms \"b c.bme\"");
  EXPECT_EQ(two.lists_cleared, 1);
  EXPECT_EQ(two.charts_added, 2);
  EXPECT_TRUE(g.app.play_first_entry);

  Game h;
  auto list = ParseCommandLine(h, "party.KpL");
  EXPECT_EQ(list.lists_loaded, 1);
  EXPECT_EQ(list.charts_added, 0);
  EXPECT_EQ(list.lists_cleared, 0);
  EXPECT_FALSE(h.app.play_first_entry);
}

TEST(CommandLine, OwnOptionsAreTakenOutFirst) {
  std::string error;
  auto o = ParseOwnOptions({"--data", "/tmp/x", "--headless", "-B-", "my song.bms", "--no-menu"}, &error);
  EXPECT_TRUE(error.empty());
  EXPECT_EQ(o.data_folder, "/tmp/x");
  EXPECT_TRUE(o.headless);
  EXPECT_TRUE(o.no_menu);
  EXPECT_EQ(o.rest, "-B- \"my song.bms\"");
  ParseOwnOptions({"--bogus"}, &error);
  EXPECT_EQ(error, "unknown option --bogus");
  auto info = ParseOwnOptions({"--chart-info", "a.bms", "b.bms"}, &error);
  EXPECT_EQ(info.chart_info.size(), 2u);
}

}  // namespace
}  // namespace kvx
