#include "app/debug_log.h"

#include <gtest/gtest.h>

#include <regex>

#include "platform/text.h"
#include "test_support.h"

namespace kvx {
namespace {

TEST(DebugLog, LineFormatAndIndentationRules) {
  EXPECT_EQ(FormatLogLine(13, 5, 9, 1, "[InitDD]"), "13:05:09>     [InitDD]");
  EXPECT_EQ(FormatLogLine(0, 0, 0, 0, ""), "00:00:00> Ready.");

  test::TempFolder dir;
  Logger log;
  log.SetPath(dir.path() + "/debug.txt");
  log.Write("before");
  log.Write("[Block]", +1);  // written at the old level
  log.Write("inside");
  log.Write("complete.", -1);  // written at the inner level
  log.Write("after");
  log.Write("", -1);  // at level 0: stays 0
  log.Write("still zero");
  EXPECT_EQ(log.Level(), 0);

  auto lines = SplitLines(dir.Read("debug.txt"));
  ASSERT_EQ(lines.size(), 7u);
  std::regex prefix(R"(^\d\d:\d\d:\d\d> (.*)$)");
  std::vector<std::string> bodies;
  for (const auto& line : lines) {
    std::smatch m;
    ASSERT_TRUE(std::regex_match(line, m, prefix)) << line;
    bodies.push_back(m[1]);
  }
  EXPECT_EQ(bodies, (std::vector<std::string>{"before", "[Block]", "    inside", "    complete.", "after",
                                              "Ready.", "still zero"}));
  EXPECT_NE(dir.Read("debug.txt").find("before\r\n"), std::string::npos);
}

TEST(DebugLog, WriteErrorsAreIgnoredButTheLevelMoves) {
  Logger log;
  log.SetPath("/nonexistent-folder/debug.txt");
  log.Write("[Open]", +1);
  log.Write("[Deeper]", +1);
  EXPECT_EQ(log.Level(), 2);
}

}  // namespace
}  // namespace kvx
