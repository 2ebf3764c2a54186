// The words the project uses about itself: the two rule sets are the classic
// and the modern rules, the options of our own are ours, and comments describe
// the code rather than the work plan.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/files.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

// Where `phrase` stands as whole words in `text` (both lower case).
bool HasPhrase(const std::string& text, const std::string& phrase) {
  for (size_t at = text.find(phrase); at != std::string::npos; at = text.find(phrase, at + 1)) {
    const bool starts = at == 0 || !std::isalpha(static_cast<unsigned char>(text[at - 1]));
    const size_t end = at + phrase.size();
    const bool ends = end == text.size() || !std::isalpha(static_cast<unsigned char>(text[end]));
    if (starts && ends) return true;
  }
  return false;
}

TEST(Words, NoSourceFileNorTheReadmeSpeaksOfAnOriginalOrAPort) {
  const std::string data = KVX_TEST_DATA_DIR;
  const fs::path root = fs::path(data).parent_path().parent_path();
  const std::vector<std::string> phrases = {"the original", "original rule", "original rules", "original way",
                                            "original skin", "original format", "original options",
                                            "port's options", "port's long", "port's own", "port's file",
                                            "options of the port", "portoptions", "isoriginalobjectchannel",
                                            "matchoriginal", "network issue"};
  std::vector<fs::path> files = {root / "README.md"};
  for (const char* folder : {"src", "tests", "fuzz", "bench", "tools"})
    for (const auto& e : fs::recursive_directory_iterator(root / folder))
      if (e.is_regular_file() && e.path().filename() != "words_test.cpp") files.push_back(e.path());
  ASSERT_GT(files.size(), 100u);
  std::vector<std::string> found;
  for (const fs::path& file : files) {
    std::string text = ReadFileBytes(file.string()).value_or("");
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    for (const std::string& phrase : phrases)
      if (HasPhrase(text, phrase)) found.push_back(fs::relative(file, root).string() + ": " + phrase);
  }
  EXPECT_EQ(found, std::vector<std::string>{});
}

}  // namespace
}  // namespace kvx
