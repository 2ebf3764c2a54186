// The startup menu in a real window under an X server (the session's, or an
// Xvfb started for the test), driven by SDL events injected at the places the
// controls were drawn: a box is checked, a folder is added through the folder
// chooser with the keyboard, the search runs to "Scan complete: ...", "起動"
// brings up the game on the jukebox list, and the settings file written at
// exit holds the change. Screenshots of the menu and of the search panel are
// saved as PNG files in build/screenshots.
#include <SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <set>

#include "app/game.h"
#include "app/program.h"
#include "app/texts.h"
#include "menu/menu_layout.h"
#include "menu/menu_search.h"
#include "menu/menu_window_support.h"
#include "platform/files.h"
#include "platform/imgui_window.h"
#include "platform/text.h"
#include "test_support.h"
#include "xserver.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

// The startup menu's window: where its controls were drawn, and the pointer
// moved off them.
class MenuInput : public test::WindowEvents {
 public:
  explicit MenuInput(Game& g) : WindowEvents([&g] { return g.menu.window ? g.menu.window->id() : 0; }), g_(g) {}
  // True when the control was drawn inside the window as large as it is now.
  bool Visible(const std::string& control) const {
    auto it = g_.menu.control_rects.find(control);
    SDL_Window* window = SDL_GetWindowFromID(Window());
    if (it == g_.menu.control_rects.end() || !window) return false;
    int w = 0, h = 0;
    SDL_GetWindowSize(window, &w, &h);
    return it->second.x1 <= w && it->second.y1 <= h;
  }
  // The middle of a control drawn in the last frame.
  bool Centre(const std::string& control, int* x, int* y) const {
    auto it = g_.menu.control_rects.find(control);
    if (it == g_.menu.control_rects.end()) return false;
    *x = static_cast<int>((it->second.x0 + it->second.x1) / 2);
    *y = static_cast<int>((it->second.y0 + it->second.y1) / 2);
    return true;
  }
  // The pointer leaves the controls (so no tooltip covers a screenshot).
  void MoveAway() { Move(kMenuWidth - 4, static_cast<int>(g_.menu.content_height) - 4); }

 private:
  Game& g_;
};

// A click at the middle of a control drawn in the last frame.
void Click(MenuInput& input, test::StepScript& script, const std::string& control) {
  int x = -1, y = -1;
  ASSERT_TRUE(input.Centre(control, &x, &y)) << control;
  script.Press(x, y);
}

// A click on the entry `rows` rows below the bottom edge of an open drop-down
// (1.5 the first entry, 2.5 the second...).
void ClickBelow(test::StepScript& script, const MenuControlRect& r, float rows) {
  script.Press(static_cast<int>((r.x0 + r.x1) / 2), static_cast<int>(r.y1 + rows * (r.y1 - r.y0)));
}

// A program folder with the generated data (no settings, key table, log or
// lists) and SDL on an X server. Each test skips without either.
class StartupMenuWindow : public ::testing::Test {
 protected:
  void SetUp() override {
    x = std::make_unique<test::XDisplay>();
    if (x->display().empty()) GTEST_SKIP() << "No X server: " << x->reason();
    if (!fs::exists(build / "_kvxfiles" / "kvx_scr.brd")) GTEST_SKIP() << "generated default data missing";
    fs::copy(build / "_kvxfiles", fs::path(dir.path()) / "_kvxfiles", fs::copy_options::recursive);
    for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt", "jukelist"})
      fs::remove_all(fs::path(dir.path()) / "_kvxfiles" / leftover);
  }
  void TearDown() override {
    SDL_QuitSubSystem(SDL_INIT_VIDEO);  // the windows go before their X server does
    x.reset();
  }
  const fs::path build{KVX_BUILD_DIR};
  test::TempFolder dir;
  std::unique_ptr<test::XDisplay> x;
};

TEST_F(StartupMenuWindow, CheckAddSearchStartAndSaveSettings) {
  const std::string packs = dir.path() + "/packs";
  fs::create_directories(packs);
  fs::copy(build / "songs" / "sunrise_parade", packs + "/sunrise_parade", fs::copy_options::recursive);
  const std::string tide = dir.path() + "/more/clockwork_tide";
  fs::create_directories(dir.path() + "/more");
  fs::copy(build / "songs" / "clockwork_tide", tide, fs::copy_options::recursive);
  dir.Write("_kvxfiles/kvx_searchdir.txt", "//my search folders\r\n");

  x->Use();
  Game g;
  g.SetProgramFolder(dir.path());
  MenuInput input(g);
  const fs::path shots =
      test::FreshScreenshots({"menu.png", "menu_search_panel.png", "menu_searching.png", "menu_search_done.png"});

  std::map<std::string, MenuControlRect> layout;  // the controls of the first frames
  std::set<std::string> busy_titles;
  int chooser_frames = 0;  // frames the chooser has been open
  bool searching_shot = false;
  bool smooth_before = false;
  int frames_since_open = 0;
  int course_mode_before = -1;
  test::StepScript script(input);
  auto click = [&](const std::string& control) { return [&, control] { Click(input, script, control); }; };
  auto drawn = [&](const std::string& control) { return [&, control] { return input.Visible(control); }; };
  script.steps = {
      {"first frames", drawn("cmdNorm"),
       [&] {
         g.menu.screenshot_path = (shots / "menu.png").string();
         layout = g.menu.control_rects;
       }},
      {"check chkNoSmooth", drawn("chkNoSmooth"),
       [&] {
         smooth_before = g.settings.NOSMOOTHSCROLL;
         click("chkNoSmooth")();
       }},
      // A drop-down closed with a quick Escape, then a click on another one
      // in the very next frame: it opens, and its third entry is chosen.
      {"open a drop-down", [&] { return g.settings.NOSMOOTHSCROLL != smooth_before; }, click("cmbDrawLimit")},
      {"escape", [&] { return ++frames_since_open >= 3; }, [&] { input.Tap(SDL_SCANCODE_ESCAPE); }},
      {"open another", [] { return true; },
       [&] {
         course_mode_before = g.settings.CourseLoadMode;
         click("cmbCourse")();
       }},
      {"choose its third entry", [&] { return ++frames_since_open >= 8; },
       [&] { ClickBelow(script, g.menu.control_rects["cmbCourse"], 2.5f); }},
      {"open the search panel", [&] { return g.settings.CourseLoadMode != course_mode_before; }, click("cmbSearch")},
      {"add", [&] { return g.menu.search_panel_open && input.Visible("cmdAdd0"); }, click("cmdAdd0")},
      {"type the folder", [&] { return chooser_frames >= 3; }, [&] { input.Type(packs); }},
      // A quick tap: the press and the release reach the window in one frame.
      {"enter", [&] { return g.menu.chooser.path_field == packs; }, [&] { input.Tap(SDL_SCANCODE_RETURN); }},
      {"drop a chart", [&] { return !g.menu.chooser.open && g.menu.folders.entries.size() == 1; },
       [&] { input.Drop(tide + "/tide_normal.bms"); }},
      {"screenshot of the panel", [&] { return g.menu.folders.entries.size() == 2; },
       [&] {
         input.MoveAway();
         g.menu.screenshot_path = (shots / "menu_search_panel.png").string();
       }},
      {"start the search", drawn("cmdSStart"), click("cmdSStart")},
      {"scan complete, the title back",
       [&] {
         return g.menu.progress.ran && !g.menu.busy && SearchSummaryLine(g, kTextsEn).starts_with("Scan complete: ") &&
                g.menu.title == "korvex startup menu";
       },
       [&] { g.menu.screenshot_path = (shots / "menu_search_done.png").string(); }},
      {"start", [&] { return fs::exists(shots / "menu_search_done.png"); }, click("cmdNorm")},
  };
  int lowest_bottom = 0;  // the lowest the window's bottom edge reached
  g.menu.frame_script = [&](Game&) {
    if (SDL_Window* window = SDL_GetWindowFromID(input.Window())) {
      int x = 0, y = 0, w = 0, h = 0;
      SDL_GetWindowPosition(window, &x, &y);
      SDL_GetWindowSize(window, &w, &h);
      lowest_bottom = std::max(lowest_bottom, y + h);
    }
    if (g.menu.busy) {
      busy_titles.insert(g.menu.title.substr(0, 9));
      if (!searching_shot) {
        input.MoveAway();
        g.menu.screenshot_path = (shots / "menu_searching.png").string();
      }
      searching_shot = true;
      return;  // the controls are off: nothing to click
    }
    chooser_frames = g.menu.chooser.open ? chooser_frames + 1 : 0;
    if (script.Frame()) frames_since_open = 0;
  };
  // Once the game shows the jukebox list, its window is closed.
  bool reached_jukebox_list = false;
  const uint32_t game_give_up_ms = g.NowMs() + 120000;
  g.pump.AddSource([&](std::vector<PlatformEvent>& events) {
    if (g.app.Running && !reached_jukebox_list && g.NowMs() > game_give_up_ms) events.push_back(PlatformEvent{});
    if (g.app.started && g.app.Running && g.app.GameState == Screen::JukeboxList && !reached_jukebox_list) {
      reached_jukebox_list = true;
      events.push_back(PlatformEvent{});
    }
  });

  EXPECT_EQ(RunGame(g), 0);
  EXPECT_TRUE(script.Done()) << "stuck before: " << script.Waiting();
  EXPECT_EQ(g.settings.CourseLoadMode, 2);
  EXPECT_TRUE(reached_jukebox_list);
  // The window stayed on the 768-pixel screen with the search panel open.
  EXPECT_GT(lowest_bottom, 0);
  EXPECT_LE(lowest_bottom, 768);
  EXPECT_FALSE(g.library.JukeList.empty());

  // What the menu changed is in the files written at exit.
  const std::string ini = dir.Read("_kvxfiles/kvx_conf.ini");
  EXPECT_NE(ini.find(std::string("NOSMOOTHSCROLL=") + (smooth_before ? "False" : "True")), std::string::npos) << ini;
  EXPECT_EQ(dir.Read("_kvxfiles/kvx_searchdir.txt"), "//my search folders\r\n" + packs + "\r\n" + tide + "\r\n");
  EXPECT_TRUE(FileExists(dir.path() + "/_kvxfiles/jukelist/packs.kbl"));
  EXPECT_TRUE(FileExists(dir.path() + "/_kvxfiles/jukelist/clockwork_tide.kbl"));
  EXPECT_EQ(g.menu.progress.folder, 2);
  EXPECT_EQ(g.menu.progress.folders, 2);
  // The search showed its progress in the title while the controls were off.
  EXPECT_TRUE(busy_titles.count("Seaching ") || busy_titles.count("Adding...")) << busy_titles.size();
  const std::string log = dir.Read("_kvxfiles/debug.txt");
  EXPECT_NE(log.find("[frmMenu] shown"), std::string::npos);
  EXPECT_NE(log.find("initialize complete. songlist mode."), std::string::npos);

  // The scaling list, the offset fields and the calibration button are in the
  // window and clear of every other control.
  for (const char* name : {"cmbScaling", "txtJudgeOffset", "txtVisualOffset", "cmdCalibrate"}) {
    ASSERT_TRUE(layout.count(name)) << name;
    const MenuControlRect& a = layout[name];
    EXPECT_LE(a.x1, kMenuWidth) << name;
    for (const auto& [other, b] : layout) {
      if (other == name) continue;
      EXPECT_TRUE(test::Apart(a, b)) << name << " overlaps " << other;
    }
  }
  EXPECT_TRUE(searching_shot);
  for (const char* name : {"menu.png", "menu_search_panel.png", "menu_searching.png", "menu_search_done.png"}) {
    const test::ShotLook look = test::LookAt(shots / name);
    ASSERT_GE(look.width, 0) << name << ": " << look.error;
    EXPECT_EQ(look.width, 640) << name;
    // Not one flat colour: the controls were drawn.
    EXPECT_GT(look.colours, 20u) << name;
  }
}

// The language list switches every text of the window at once; in English,
// with the search panel open, every control stays in the window and clear of
// the others (the English labels are longer). The choice is saved at exit.
TEST_F(StartupMenuWindow, LanguageSwitchesTheTextsAtOnceAndTheLayoutHolds) {
  dir.Write("_kvxfiles/kvx_searchdir.txt", dir.path() + "/songs\r\n");

  x->Use();
  Game g;
  g.SetProgramFolder(dir.path());
  MenuInput input(g);
  const fs::path shots = test::FreshScreenshots({"menu_en.png"});
  std::map<std::string, MenuControlRect> layout;
  std::string language_before;
  int frames = 0;
  test::StepScript script(input);
  script.steps = {
      {"open the language list", [&] { return input.Visible("cmbLanguage"); },
       [&] {
         language_before = g.settings.Language;
         Click(input, script, "cmbLanguage");
       }},
      {"choose English", [&] { return frames >= 8; },
       [&] { ClickBelow(script, g.menu.control_rects["cmbLanguage"], 1.5f); }},
      {"open the search panel", [&] { return g.settings.Language == "en"; },
       [&] { Click(input, script, "cmbSearch"); }},
      {"screenshot", [&] { return g.menu.search_panel_open && input.Visible("cmdSStart") && frames >= 8; },
       [&] {
         input.MoveAway();
         g.menu.screenshot_path = (shots / "menu_en.png").string();
       }},
      {"layout of the shot", [&] { return fs::exists(shots / "menu_en.png"); },
       [&] { layout = g.menu.control_rects; }},
      {"close", [] { return true; }, [&] { input.Close(); }},
  };
  g.menu.frame_script = [&](Game&) {
    ++frames;
    if (script.Frame()) frames = 0;
  };
  EXPECT_EQ(RunGame(g), 0);
  EXPECT_TRUE(script.Done()) << "stuck before: " << script.Waiting();
  EXPECT_EQ(language_before, "ja");
  EXPECT_NE(dir.Read("_kvxfiles/kvx_conf.ini").find("Language=en"), std::string::npos);

  // Every control of the English window, the search panel's too, is inside
  // the window and clear of every other control.
  for (const char* name : {"chkClearList", "chkNoSmooth", "cmbLanguage", "cmbDrawLimit", "cmbCourse", "cmdNorm",
                           "cmdServer", "cmdConnect", "cmdSStart", "chkNoLimit", "cmdAdd1", "sldVolumeSystem"})
    EXPECT_TRUE(layout.count(name)) << name;
  for (const auto& [name, a] : layout) {
    EXPECT_GE(a.x0, 0) << name;
    EXPECT_LE(a.x1, kMenuWidth) << name;
    for (const auto& [other, b] : layout) {
      if (other <= name) continue;
      EXPECT_TRUE(test::Apart(a, b)) << name << " overlaps " << other;
    }
  }
  const test::ShotLook look = test::LookAt(shots / "menu_en.png");
  ASSERT_GE(look.width, 0) << look.error;
  EXPECT_EQ(look.width, kMenuWidth);
}

}  // namespace
}  // namespace kvx
