// The direction of knowledge in the source tree: platform/, chart/ and
// media/ look only down and never see the game; library/ sees the chart and
// media but not the state of the play or the screens.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "platform/files.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

fs::path SourceRoot() { return fs::path(KVX_TEST_DATA_DIR).parent_path().parent_path() / "src"; }

// The folders each folder may include from (besides its own and libraries).
const std::map<std::string, std::set<std::string>>& AllowedIncludes() {
  static const std::map<std::string, std::set<std::string>> allowed = {
      {"platform", {}},
      {"chart", {"platform"}},
      {"media", {"platform", "chart"}},
      {"library", {"platform", "chart", "media", "app"}},
  };
  return allowed;
}

struct SourceFile {
  std::string name;  // "chart/bms.h"
  std::string folder;
  std::string text;
};

std::vector<SourceFile> SourcesOf(const std::string& folder) {
  std::vector<SourceFile> files;
  for (const auto& e : fs::recursive_directory_iterator(SourceRoot() / folder)) {
    if (!e.is_regular_file()) continue;
    const std::string ext = e.path().extension().string();
    if (ext != ".h" && ext != ".cpp") continue;
    files.push_back({fs::relative(e.path(), SourceRoot()).generic_string(), folder,
                     ReadFileBytes(e.path().string()).value_or("")});
  }
  return files;
}

// "file: what" for every include of a project folder the file's folder may not use.
std::vector<std::string> UpwardIncludes(const SourceFile& file) {
  static const std::regex include(R"re(#include\s+"([a-z_]+)/)re");
  const std::set<std::string>& allowed = AllowedIncludes().at(file.folder);
  std::vector<std::string> found;
  for (std::sregex_iterator it(file.text.begin(), file.text.end(), include), end; it != end; ++it) {
    const std::string target = (*it)[1];
    if (target != file.folder && !allowed.count(target) && fs::is_directory(SourceRoot() / target))
      found.push_back(file.name + ": includes " + target + "/");
  }
  return found;
}

// "file: Game" when a file names the whole game.
std::vector<std::string> GameUses(const SourceFile& file) {
  static const std::regex game(R"re(\bGame\s*[&*]|struct\s+Game\s*;)re");
  if (std::regex_search(file.text, game)) return {file.name + ": sees the game"};
  return {};
}

TEST(Layers, LowerFoldersLookOnlyDownAndNeverSeeTheGame) {
  std::vector<std::string> found;
  size_t checked = 0;
  for (const char* folder : {"platform", "chart", "media"}) {
    for (const SourceFile& file : SourcesOf(folder)) {
      ++checked;
      for (auto& f : UpwardIncludes(file)) found.push_back(f);
      for (auto& f : GameUses(file)) found.push_back(f);
    }
  }
  EXPECT_GT(checked, 40u);
  EXPECT_EQ(found, std::vector<std::string>{});
}

TEST(Layers, TheLibraryLeavesPlayAndScreenStateToThem) {
  static const std::regex upper(R"re(\b(g|game|g_)\.(play|screens|judge)\.)re");
  std::vector<std::string> found;
  for (const SourceFile& file : SourcesOf("library")) {
    for (auto& f : UpwardIncludes(file)) found.push_back(f);
    if (std::regex_search(file.text, upper)) found.push_back(file.name + ": uses play or screen state");
  }
  EXPECT_EQ(found, std::vector<std::string>{});
}

TEST(Layers, TheCheckFindsAnUpwardIncludeAndTheGame) {
  const SourceFile bad{"chart/x.cpp", "chart", "#include \"chart/a.h\"\n#include \"app/game.h\"\nvoid F(Game& g);\n"};
  EXPECT_EQ(UpwardIncludes(bad), std::vector<std::string>{"chart/x.cpp: includes app/"});
  EXPECT_EQ(GameUses(bad), std::vector<std::string>{"chart/x.cpp: sees the game"});
  const SourceFile good{"media/y.cpp", "media", "#include \"chart/a.h\"\n#include \"platform/b.h\"\nvoid F(Games& g);\n"};
  EXPECT_TRUE(UpwardIncludes(good).empty());
  EXPECT_TRUE(GameUses(good).empty());
}

}  // namespace
}  // namespace kvx
