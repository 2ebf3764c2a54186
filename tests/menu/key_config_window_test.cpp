// The key configuration window: the game's side of the model, and the
// window itself under an X server, driven by SDL events at the places its
// controls were drawn (a row is clicked, a key bound, a held key lights its
// lane, a key removed, OK), with a layout check and a screenshot in each
// language saved as build/screenshots/key_config_en.png and key_config_ja.png.
#include "menu/key_config_window.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <vector>

#include "app/game.h"
#include "app/key_table.h"
#include "media/input.h"
#include "menu/menu_window_support.h"
#include "platform_events.h"
#include "platform/files.h"
#include "test_support.h"
#include "xserver.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

class KeyConfigGame : public ::testing::Test {
 protected:
  void SetUp() override {
    test::UseHeadlessGame(g, dir.path());
    InitDI_Keyboard(g);
    InitJoysticks(g);
  }
  PlatformEvent Event(PlatformEvent::Kind kind, int code, int x = 0, int y = 0) {
    return test::MakeEvent(kind, code, 0, x, y);
  }
  test::TempFolder dir;
  Game g;
};

TEST_F(KeyConfigGame, EventsReachTheModelAndTheBoxesTheSettings) {
  using K = PlatformEvent::Kind;
  KeyConfigModel m;
  LoadKeyConfig(g, m);
  EXPECT_FALSE(m.modern);  // a game without a settings file: the classic capture
  m.current = 12;
  KeyConfigInput(g, m, Event(K::KeyDown, SDL_SCANCODE_2));  // next function
  EXPECT_EQ(m.current, 13);
  KeyConfigInput(g, m, Event(K::KeyUp, SDL_SCANCODE_2));
  KeyConfigInput(g, m, Event(K::JoyAdded, 0));
  EXPECT_EQ(m.joystick_count, 1);
  KeyConfigInput(g, m, Event(K::JoyButtonDown, 0, 5));
  EXPECT_EQ(m.work[256 + 4 + 5], 13);
  SetJoyXY(g, m, true);
  EXPECT_TRUE(g.settings.JoyXYEnable);
  KeyConfigInput(g, m, Event(K::JoyAxis, 0, 0, -32768));
  EXPECT_EQ(m.work[256], 13);
  EXPECT_FALSE(KeyConfigTick(g, m));  // nothing new

  SetModernKeyConfig(g, m, true);
  EXPECT_TRUE(g.settings.ModernKeyConfig);
  EXPECT_EQ(m.current, 13);
  KeyConfigInput(g, m, Event(K::KeyDown, SDL_SCANCODE_1));  // bound, in place of the others
  EXPECT_EQ(m.rows[2], "13\t[2]");
  EXPECT_EQ(m.current, 0);  // the binding ends the selection
  SetModernKeyConfig(g, m, false);
  EXPECT_EQ(m.current, 11);
  ASSERT_TRUE(KeyConfigOK(g, m));
  EXPECT_EQ(g.app.KeyTable[2], 13);
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_keycnf.dat").substr(4, 2), std::string("\x0D\x00", 2));
}

TEST_F(KeyConfigGame, HeadlessWindowDoesNothing) {
  g.app.KeyTable[5] = 3;
  OpenKeyConfigWindow(g);
  EXPECT_EQ(g.app.KeyTable[5], 3);
  EXPECT_FALSE(FileExists(g.paths.data + "/kvx_keycnf.dat"));
  EXPECT_NE(dir.Read("_kvxfiles/debug.txt").find("KeyConfig: no display"), std::string::npos);
}

// The window in a language: a row is clicked, 1 binds it, S held lights lane 12,
// the new key is removed by its button, and OK saves. Each step waits for the
// frame after the last one's events.
void RunWindow(const std::string& folder, const std::string& language) {
  Game g;
  g.SetProgramFolder(folder);
  MakeFolder(g.paths.data);
  g.settings.ModernKeyConfig = true;
  g.settings.Language = language;
  const std::string shot = "key_config_" + language + ".png";
  test::WindowEvents input([&g] { return g.menu.key_config.window_id; });
  KeyConfigWindowState& s = g.menu.key_config;
  const fs::path shots = test::FreshScreenshots({shot.c_str()});

  std::map<std::string, MenuControlRect> layout;
  float width = 0, height = 0;
  bool lit_12 = false, lit_13 = false;
  int frame = 0, step = 0;
  float px = -1, py = -1;  // a click's place: pressed in one frame, released in the next
  auto click = [&](const std::string& name, bool left_edge = false) {
    ASSERT_TRUE(s.control_rects.count(name)) << name;
    const MenuControlRect r = s.control_rects[name];
    px = left_edge ? r.x0 + 8 : (r.x0 + r.x1) / 2;
    py = (r.y0 + r.y1) / 2;
    input.Move(px, py);
    input.Button(px, py, true);
  };
  const std::vector<std::function<void()>> steps = {
      [&] { input.Move(2, 2); },
      [&] { click("row12", true); },
      [&] { input.Key(SDL_SCANCODE_1, true); },
      [&] { input.Key(SDL_SCANCODE_1, false); },
      [&] { input.Key(SDL_SCANCODE_S, true); },  // S no longer plays lane 12
      [&] {
        lit_12 = LitFunctions(*s.model)[12];
        input.Key(SDL_SCANCODE_S, false);
        input.Key(SDL_SCANCODE_X, true);  // X: lane 13
      },
      [&] {
        lit_13 = LitFunctions(*s.model)[13];
        layout = s.control_rects;
        width = s.width, height = s.height;
        input.Move(width - 3, height - 3);
        s.screenshot_path = (shots / shot).string();
      },
      [&] { input.Key(SDL_SCANCODE_X, false); },
      [&] { click("bind2"); },
      [&] { click("cmdOK"); },
  };
  s.frame_script = [&](Game&) {
    ++frame;
    if (frame > 2000) {  // stuck: cancel through the window's close event
      input.Close();
      return;
    }
    if (px >= 0) {
      input.Button(px, py, false);
      px = py = -1;
      return;
    }
    if (frame < 4 || frame % 3 != 0 || step >= static_cast<int>(steps.size())) return;
    steps[step++]();
  };
  OpenKeyConfigWindow(g);
  SDL_QuitSubSystem(SDL_INIT_VIDEO);

  EXPECT_EQ(step, static_cast<int>(steps.size()));
  EXPECT_FALSE(lit_12);  // S left lane 12 when 1 replaced it
  EXPECT_TRUE(lit_13);
  // 1 was bound to lane 12 and then removed; S went with the replacement.
  EXPECT_EQ(g.app.KeyTable[2], 0);
  EXPECT_EQ(g.app.KeyTable[0x1F], 0);
  EXPECT_EQ(g.app.KeyTable[0x2D], 13);
  const auto bytes = ReadFileBytes(KeyTablePath(g));
  ASSERT_TRUE(bytes);
  EXPECT_EQ(DecodeKeyTable(*bytes), g.app.KeyTable);
  EXPECT_TRUE(fs::exists(shots / shot));

  // Layout: every control inside the window, the key list's rows and key
  // buttons inside the list, the other controls clear of each other.
  ASSERT_GT(width, 0);
  const MenuControlRect window{0, 0, width, height};
  ASSERT_TRUE(layout.count("lstKeyList"));
  const MenuControlRect list = layout["lstKeyList"];
  std::vector<std::string> panel;
  for (const auto& [name, r] : layout) {
    EXPECT_TRUE(test::Within(r, window)) << name << " " << r.x0 << "," << r.y0 << "-" << r.x1 << "," << r.y1;
    if (name.starts_with("row") || name.starts_with("bind") || name.starts_with("name") ||
        name.starts_with("none"))
      EXPECT_TRUE(test::Within(r, list)) << name << " " << r.y1 << " > " << list.y1;
    else
      panel.push_back(name);
    // A function's name ends before its row's keys begin.
    if (name.starts_with("bind") || name.starts_with("none"))
      for (const auto& [other, n] : layout)
        if (other.starts_with("name")) EXPECT_TRUE(test::Apart(r, n)) << other << " runs into " << name;
  }
  EXPECT_GE(panel.size(), 14u);
  for (size_t i = 0; i < panel.size(); ++i)
    for (size_t j = i + 1; j < panel.size(); ++j)
      EXPECT_TRUE(test::Apart(layout[panel[i]], layout[panel[j]])) << panel[i] << " overlaps " << panel[j];
  for (int16_t f : {11, 12, 19, 29, 1, 8}) EXPECT_TRUE(layout.count("row" + std::to_string(f))) << f;
}

TEST(KeyConfigWindow, BindsLightsRemovesAndSavesInEnglishAndJapanese) {
  if (!fs::exists(fs::path(KVX_BUILD_DIR) / "_kvxfiles")) GTEST_SKIP() << "generated default data missing";
  std::string reason;
  for (const char* language : {"en", "ja"}) {
    SCOPED_TRACE(language);
    test::TempFolder dir;
    if (!test::RunOnXServer([&] { RunWindow(dir.path(), language); }, &reason)) GTEST_SKIP() << reason;
  }
}

}  // namespace
}  // namespace kvx
