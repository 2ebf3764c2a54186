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
