// The in-program folder chooser, driven by the keyboard alone through a Dear
// ImGui context without a window, and its folder listing.
#include "menu/folder_chooser.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>

#include "imgui.h"
#include "test_support.h"

namespace kvx {
namespace {

// Key indices of the test context (any distinct numbers will do).
enum TestKey { kEnter = 1, kEscape, kUp, kDown, kLeft, kRight, kSpace, kTab, kBackspace, kKeyA };

class ChooserKeyboard : public ::testing::Test {
 protected:
  void SetUp() override {
    context_ = ImGui::CreateContext();
    ImGuiIO& io = ImGui::GetIO();
    io.IniFilename = nullptr;
    io.DisplaySize = ImVec2(800, 600);
    io.DeltaTime = 1.0f / 60;
    io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
    io.KeyMap[ImGuiKey_Enter] = kEnter;
    io.KeyMap[ImGuiKey_KeyPadEnter] = 0;
    io.KeyMap[ImGuiKey_Escape] = kEscape;
    io.KeyMap[ImGuiKey_UpArrow] = kUp;
    io.KeyMap[ImGuiKey_DownArrow] = kDown;
    io.KeyMap[ImGuiKey_LeftArrow] = kLeft;
    io.KeyMap[ImGuiKey_RightArrow] = kRight;
    io.KeyMap[ImGuiKey_Space] = kSpace;
    io.KeyMap[ImGuiKey_Tab] = kTab;
    io.KeyMap[ImGuiKey_Backspace] = kBackspace;
    io.KeyMap[ImGuiKey_A] = kKeyA;
    unsigned char* pixels = nullptr;
    int w = 0, h = 0;
    io.Fonts->AddFontDefault();
    io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);

    old_home_ = std::getenv("HOME") ? std::getenv("HOME") : "";
    setenv("HOME", (dir.path() + "/home").c_str(), 1);
    dir.Write("home/Charts/pack one/a.bms", "");
    dir.Write("home/Charts/Pack Two/b.bms", "");
    dir.Write("home/.hidden/c.bms", "");
    dir.Write("home/Music/d.txt", "");
    dir.Write("home/notes.txt", "");
    dir.Write("korvex/songs/e.bms", "");
  }
  void TearDown() override {
    ImGui::DestroyContext(context_);
    setenv("HOME", old_home_.c_str(), 1);
  }

  // One frame with these keys down (and no others) and this text typed.
  ChooserOutcome Frame(std::initializer_list<int> keys = {}, const char* typed = nullptr) {
    ImGuiIO& io = ImGui::GetIO();
    for (bool& down : io.KeysDown) down = false;  // the previous frame's keys are released
    for (int k : keys) io.KeysDown[k] = true;
    if (typed) io.AddInputCharactersUTF8(typed);
    ImGui::NewFrame();
    ImGui::Begin("host");
    const ChooserOutcome outcome = DrawFolderChooser(chooser, &chosen);
    ImGui::End();
    ImGui::Render();
    return outcome;
  }

  void Open() { OpenFolderChooser(chooser, "検索パスの追加", HomeFolder(), dir.path() + "/korvex", ""); }

  test::TempFolder dir;
  FolderChooser chooser;
  std::string chosen = "untouched";
  ImGuiContext* context_ = nullptr;
  std::string old_home_;
};

TEST_F(ChooserKeyboard, TypedPathAndEnterChoosesTheFolder) {
  Open();
  EXPECT_EQ(chooser.path_field, dir.path() + "/home");  // starts at home
  EXPECT_EQ(Frame(), ChooserOutcome::Open);
  EXPECT_EQ(Frame(), ChooserOutcome::Open);
  // The field has the focus and its text is selected: typing replaces it.
  EXPECT_EQ(Frame({}, "~/Charts/Pack Two"), ChooserOutcome::Open);
  EXPECT_EQ(chooser.path_field, "~/Charts/Pack Two");
  EXPECT_EQ(Frame({kEnter}), ChooserOutcome::Chosen);
  EXPECT_EQ(chosen, dir.path() + "/home/Charts/Pack Two");
  EXPECT_FALSE(chooser.open);
}

TEST_F(ChooserKeyboard, EnterOnAPathThatIsNoFolderKeepsTheChooserOpen) {
  Open();
  Frame();
  Frame();
  Frame({}, "~/notes.txt");
  EXPECT_EQ(Frame({kEnter}), ChooserOutcome::Open);
  EXPECT_TRUE(chooser.open);
  EXPECT_EQ(chosen, "untouched");
}

TEST_F(ChooserKeyboard, EscapeCancelsAndReturnsNothing) {
  Open();
  Frame();
  Frame({}, "/tmp");
  EXPECT_EQ(Frame({kEscape}), ChooserOutcome::Cancelled);
  EXPECT_EQ(chosen, "untouched");
  EXPECT_FALSE(chooser.open);
}

TEST_F(ChooserKeyboard, ArrowKeysWalkTheTreeAndEnterChoosesTheFocusedFolder) {
  Open();
  Frame();
  Frame();
  // Down leaves the field for the first folder of the tree: home.
  Frame({kDown});
  Frame();
  EXPECT_EQ(chooser.selected_path, dir.path() + "/home");
  Frame({kRight});  // opens home: Charts, Music (".hidden" is not shown)
  Frame();
  Frame({kDown});
  Frame();
  EXPECT_EQ(chooser.selected_path, dir.path() + "/home/Charts");
  Frame({kRight});
  Frame();
  Frame({kDown});
  Frame();
  EXPECT_EQ(chooser.selected_path, dir.path() + "/home/Charts/pack one");
  EXPECT_EQ(chooser.path_field, dir.path() + "/home/Charts/pack one");
  EXPECT_EQ(Frame({kEnter}), ChooserOutcome::Chosen);
  EXPECT_EQ(chosen, dir.path() + "/home/Charts/pack one");
}

// Up and Down move exactly one row each, through open folders too; Left
// closes an open folder, then goes to its parent.
TEST_F(ChooserKeyboard, UpDownMoveOneRowAndLeftGoesToTheParent) {
  dir.Write("home/Charts/pack one/inner/x.bms", "");
  Open();
  Frame();
  Frame();
  Frame({kDown});
  for (int key : {kRight, kDown, kRight, kDown, kRight}) {  // home, Charts, pack one opened
    Frame({key});
    Frame();
  }
  const std::string home = dir.path() + "/home";
  const std::vector<std::string> rows = {home, home + "/Charts", home + "/Charts/pack one",
                                         home + "/Charts/pack one/inner", home + "/Charts/Pack Two", home + "/Music"};
  ASSERT_GE(chooser.rows.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(chooser.rows[i].first, rows[i]) << i;
  EXPECT_EQ(chooser.selected_path, rows[2]);
  for (size_t i = 3; i < rows.size(); ++i) {
    Frame({kDown});
    EXPECT_EQ(chooser.selected_path, rows[i]);
    Frame();
  }
  for (size_t i = rows.size() - 1; i-- > 0;) {
    Frame({kUp});
    EXPECT_EQ(chooser.selected_path, rows[i]) << "Up from row " << i + 1;
    Frame();
  }
  // On "inner" (closed): Left goes to "pack one"; there it closes it, then
  // goes on to Charts.
  for (int i = 0; i < 3; ++i) {
    Frame({kDown});
    Frame();
  }
  ASSERT_EQ(chooser.selected_path, rows[3]);
  Frame({kLeft});
  EXPECT_EQ(chooser.selected_path, rows[2]);
  Frame();
  Frame({kLeft});
  Frame();
  EXPECT_EQ(chooser.selected_path, rows[2]);
  EXPECT_EQ(chooser.open_folders.count(rows[2]), 0u);
  Frame({kLeft});
  EXPECT_EQ(chooser.selected_path, rows[1]);
  Frame();
  EXPECT_EQ(Frame({kEnter}), ChooserOutcome::Chosen);
  EXPECT_EQ(chosen, rows[1]);
}

// After a refused path the field holds the focus with its text selected, so
// the next path typed replaces it.
TEST_F(ChooserKeyboard, ARefusedPathIsSelectedForTheNextOne) {
  Open();
  Frame();
  Frame();
  Frame({}, "~/notes.txt");
  EXPECT_EQ(Frame({kEnter}), ChooserOutcome::Open);
  Frame();
  Frame();
  Frame({}, "~/Music");
  EXPECT_EQ(chooser.path_field, "~/Music");
  EXPECT_EQ(Frame({kEnter}), ChooserOutcome::Chosen);
  EXPECT_EQ(chosen, dir.path() + "/home/Music");
}

TEST(FolderChooser, ListsFoldersOnlySortedWithoutRegardToCaseAndNamesTheProgramFolder) {
  test::TempFolder dir;
  for (const char* f : {"b/x", "A/x", "c/x", ".git/x"}) dir.Write(f, "");
  dir.Write("file.bms", "");
  EXPECT_EQ(ListSubfolders(dir.path()), (std::vector<std::string>{"A", "b", "c"}));
  EXPECT_TRUE(ListSubfolders(dir.path() + "/missing").empty());
  EXPECT_TRUE(ListSubfolders(dir.path() + "/file.bms").empty());

  FolderChooser c;
  OpenFolderChooser(c, "検索パスの追加", dir.path() + "/A", dir.path() + "/b", "");
  ASSERT_EQ(c.starting_points.size(), 3u);
  EXPECT_EQ(c.starting_points[0].path, dir.path() + "/A");
  EXPECT_EQ(c.starting_points[1].path, dir.path() + "/b");
  EXPECT_EQ(c.starting_points[2].path, "/");
  c.path_field = dir.path() + "/c/";
  EXPECT_EQ(ChooserFolder(c), dir.path() + "/c");
  c.path_field = dir.path() + "/file.bms";
  EXPECT_EQ(ChooserFolder(c), std::nullopt);
  c.path_field = "   ";
  EXPECT_EQ(ChooserFolder(c), std::nullopt);
}

}  // namespace
}  // namespace kvx
