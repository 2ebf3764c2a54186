// The startup menu in a real window under an X server (the session's, or an
// Xvfb started for the test), driven by SDL events injected at the places the
// controls were drawn: a box is checked, a folder is added through the folder
// chooser with the keyboard, the search runs to "Scan complete: ...", "起動"
// brings up the game on the jukebox list, and the settings file written at
// exit holds the change. Screenshots of the menu and of the search panel are
// saved as PNG files in build/screenshots.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "app/game.h"
#include "app/program.h"
#include "menu/menu_layout.h"
#include "platform/files.h"
#include "platform/imgui_window.h"
#include "platform/text.h"
#include "test_support.h"
#include "xserver.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

// Pushes events into the menu window as the X server would deliver them.
class MenuInput {
 public:
  explicit MenuInput(Game& g) : g_(g) {}
  uint32_t Window() const { return g_.menu.window ? g_.menu.window->id() : 0; }
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
  void Close() {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = Window();
    SDL_PushEvent(&e);
  }
  // A file dropped from the file manager onto the window.
  void Drop(const std::string& path) {
    SDL_Event e{};
    e.type = SDL_DROPFILE;
    e.drop.windowID = Window();
    e.drop.file = SDL_strdup(path.c_str());
    SDL_PushEvent(&e);
  }
  // The pointer leaves the controls (so no tooltip covers a screenshot).
  void MoveAway() { Move(kMenuWidth - 4, static_cast<int>(g_.menu.content_height) - 4); }
  void Move(int x, int y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = Window();
    e.motion.x = x, e.motion.y = y;
    SDL_PushEvent(&e);
  }
  void Button(int x, int y, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = Window();
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = x, e.button.y = y;
    SDL_PushEvent(&e);
  }
  void Key(SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = Window();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    e.key.keysym.sym = SDL_GetKeyFromScancode(code);
    SDL_PushEvent(&e);
  }
  void Type(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
      size_t n = std::min<size_t>(text.size() - at, 24);
      while (at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80) --n;
      SDL_Event e{};
      e.type = SDL_TEXTINPUT;
      e.text.windowID = Window();
      std::memcpy(e.text.text, text.data() + at, n);
      SDL_PushEvent(&e);
      at += n;
    }
  }

 private:
  Game& g_;
};

// A step of the script: waits until `ready`, then acts; a click is a press in
// one frame and a release in the next.
struct Step {
  std::string name;
  std::function<bool()> ready;
  std::function<void()> act;
};

class StartupMenuWindow : public ::testing::Test {
 protected:
  void TearDown() override {
    // The windows go before their X server does (Xlib ends the process when
    // its server disappears).
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    xserver.reset();
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    if (had_display)
      setenv("DISPLAY", old_display.c_str(), 1);
    else
      unsetenv("DISPLAY");
  }
  std::unique_ptr<test::XServer> xserver;
  bool had_display = false;
  std::string old_display;
};

TEST_F(StartupMenuWindow, CheckAddSearchStartAndSaveSettings) {
  const char* d = std::getenv("DISPLAY");
  had_display = d != nullptr;
  if (d) old_display = d;
  xserver = std::make_unique<test::XServer>();
  if (xserver->display().empty()) GTEST_SKIP() << "No X server: " << xserver->reason();
  const fs::path build(KVX_BUILD_DIR);
  if (!fs::exists(build / "_kvxfiles" / "kvx_scr.brd")) GTEST_SKIP() << "generated default data missing";

  test::TempFolder dir;
  fs::copy(build / "_kvxfiles", fs::path(dir.path()) / "_kvxfiles", fs::copy_options::recursive);
  for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt", "jukelist"})
    fs::remove_all(fs::path(dir.path()) / "_kvxfiles" / leftover);
  const std::string packs = dir.path() + "/packs";
  fs::create_directories(packs);
  fs::copy(build / "songs" / "sunrise_parade", packs + "/sunrise_parade", fs::copy_options::recursive);
  const std::string tide = dir.path() + "/more/clockwork_tide";
  fs::create_directories(dir.path() + "/more");
  fs::copy(build / "songs" / "clockwork_tide", tide, fs::copy_options::recursive);
  dir.Write("_kvxfiles/kvx_searchdir.txt", "//my search folders\r\n");

  setenv("DISPLAY", xserver->display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  Game g;
  g.SetProgramFolder(dir.path());
  MenuInput input(g);
  const fs::path shots = build / "screenshots";
  fs::create_directories(shots);
  fs::remove(shots / "menu.png");
  fs::remove(shots / "menu_search_panel.png");
  fs::remove(shots / "menu_searching.png");
  fs::remove(shots / "menu_search_done.png");

  std::map<std::string, MenuControlRect> layout;  // the controls of the first frames
  std::set<std::string> busy_titles;
  int chooser_frames = 0;  // frames the chooser has been open
  bool searching_shot = false;
  bool smooth_before = false;
  int pressed_x = -1, pressed_y = -1;
  int frames_since_open = 0;
  int course_mode_before = -1;
  auto click = [&](const std::string& control) {
    return [&, control] {
      ASSERT_TRUE(input.Centre(control, &pressed_x, &pressed_y)) << control;
      input.Move(pressed_x, pressed_y);
      input.Button(pressed_x, pressed_y, true);
    };
  };
  auto drawn = [&](const std::string& control) { return [&, control] { return input.Visible(control); }; };
  std::vector<Step> steps = {
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
      {"escape", [&] { return ++frames_since_open >= 3; },
       [&] {
         input.Key(SDL_SCANCODE_ESCAPE, true);
         input.Key(SDL_SCANCODE_ESCAPE, false);
       }},
      {"open another", [] { return true; },
       [&] {
         course_mode_before = g.settings.CourseLoadMode;
         click("cmbCourse")();
       }},
      {"choose its third entry", [&] { return ++frames_since_open >= 8; },
       [&] {
         const MenuControlRect r = g.menu.control_rects["cmbCourse"];
         pressed_x = static_cast<int>((r.x0 + r.x1) / 2);
         pressed_y = static_cast<int>(r.y1 + 2.5f * (r.y1 - r.y0));
         input.Move(pressed_x, pressed_y);
         input.Button(pressed_x, pressed_y, true);
       }},
      {"open the search panel", [&] { return g.settings.CourseLoadMode != course_mode_before; }, click("cmbSearch")},
      {"add", [&] { return g.menu.search_panel_open && input.Visible("cmdAdd0"); }, click("cmdAdd0")},
      {"type the folder", [&] { return chooser_frames >= 3; }, [&] { input.Type(packs); }},
      // A quick tap: the press and the release reach the window in one frame.
      {"enter", [&] { return g.menu.chooser.path_field == packs; },
       [&] {
         input.Key(SDL_SCANCODE_RETURN, true);
         input.Key(SDL_SCANCODE_RETURN, false);
       }},
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
         return !g.menu.busy && g.menu.search_summary.starts_with("Scan complete: ") &&
                g.menu.title == "korvex startup menu";
       },
       [&] { g.menu.screenshot_path = (shots / "menu_search_done.png").string(); }},
      {"start", [&] { return fs::exists(shots / "menu_search_done.png"); }, click("cmdNorm")},
  };
  size_t step = 0;
  int wait_frames = 0;
  bool release = false;
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
    if (release) {  // the second half of a click
      input.Button(pressed_x, pressed_y, false);
      release = false;
      pressed_x = -1;
      return;
    }
    if (step >= steps.size()) return;
    if (++wait_frames > 600) {  // about ten seconds on one step: give up, close the menu
      input.Close();
      return;
    }
    if (g.menu.busy || !steps[step].ready()) return;
    wait_frames = 0;
    steps[step].act();
    frames_since_open = 0;
    release = pressed_x >= 0;
    ++step;
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
  EXPECT_EQ(step, steps.size()) << "stuck before: " << (step < steps.size() ? steps[step].name : "");
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
      const bool apart = a.x1 <= b.x0 || b.x1 <= a.x0 || a.y1 <= b.y0 || b.y1 <= a.y0;
      EXPECT_TRUE(apart) << name << " overlaps " << other;
    }
  }
  EXPECT_TRUE(searching_shot);
  for (const char* name : {"menu.png", "menu_search_panel.png", "menu_searching.png", "menu_search_done.png"}) {
    SDL_Surface* shot = IMG_Load((shots / name).string().c_str());
    ASSERT_NE(shot, nullptr) << name << ": " << IMG_GetError();
    EXPECT_EQ(shot->w, 640) << name;
    // Not one flat colour: the controls were drawn.
    SDL_Surface* rgba = SDL_ConvertSurfaceFormat(shot, SDL_PIXELFORMAT_RGBA32, 0);
    std::set<uint32_t> colours;
    for (int y = 0; y < rgba->h; y += 3)
      for (int x = 0; x < rgba->w; x += 3)
        colours.insert(static_cast<uint32_t*>(rgba->pixels)[y * rgba->pitch / 4 + x]);
    EXPECT_GT(colours.size(), 20u) << name;
    SDL_FreeSurface(rgba);
    SDL_FreeSurface(shot);
  }
}

// The language list switches every text of the window at once; in English,
// with the search panel open, every control stays in the window and clear of
// the others (the English labels are longer). The choice is saved at exit.
TEST_F(StartupMenuWindow, LanguageSwitchesTheTextsAtOnceAndTheLayoutHolds) {
  const char* d = std::getenv("DISPLAY");
  had_display = d != nullptr;
  if (d) old_display = d;
  xserver = std::make_unique<test::XServer>();
  if (xserver->display().empty()) GTEST_SKIP() << "No X server: " << xserver->reason();
  const fs::path build(KVX_BUILD_DIR);
  if (!fs::exists(build / "_kvxfiles" / "kvx_scr.brd")) GTEST_SKIP() << "generated default data missing";
  test::TempFolder dir;
  fs::copy(build / "_kvxfiles", fs::path(dir.path()) / "_kvxfiles", fs::copy_options::recursive);
  for (const char* leftover : {"kvx_conf.ini", "kvx_keycnf.dat", "debug.txt", "jukelist"})
    fs::remove_all(fs::path(dir.path()) / "_kvxfiles" / leftover);
  dir.Write("_kvxfiles/kvx_searchdir.txt", dir.path() + "/songs\r\n");

  setenv("DISPLAY", xserver->display().c_str(), 1);
  setenv("SDL_VIDEODRIVER", "x11", 1);
  Game g;
  g.SetProgramFolder(dir.path());
  MenuInput input(g);
  const fs::path shots = build / "screenshots";
  fs::create_directories(shots);
  fs::remove(shots / "menu_en.png");
  std::map<std::string, MenuControlRect> layout;
  std::string language_before;
  int pressed_x = -1, pressed_y = -1, frames = 0;
  auto click = [&](const std::string& control) {
    ASSERT_TRUE(input.Centre(control, &pressed_x, &pressed_y)) << control;
    input.Move(pressed_x, pressed_y);
    input.Button(pressed_x, pressed_y, true);
  };
  std::vector<Step> steps = {
      {"open the language list", [&] { return input.Visible("cmbLanguage"); },
       [&] {
         language_before = g.settings.Language;
         click("cmbLanguage");
       }},
      {"choose English", [&] { return frames >= 8; },
       [&] {
         const MenuControlRect r = g.menu.control_rects["cmbLanguage"];
         pressed_x = static_cast<int>((r.x0 + r.x1) / 2);
         pressed_y = static_cast<int>(r.y1 + 1.5f * (r.y1 - r.y0));
         input.Move(pressed_x, pressed_y);
         input.Button(pressed_x, pressed_y, true);
       }},
      {"open the search panel", [&] { return g.settings.Language == "en"; }, [&] { click("cmbSearch"); }},
      {"screenshot", [&] { return g.menu.search_panel_open && input.Visible("cmdSStart") && frames >= 8; },
       [&] {
         input.MoveAway();
         g.menu.screenshot_path = (shots / "menu_en.png").string();
       }},
      {"layout of the shot", [&] { return fs::exists(shots / "menu_en.png"); },
       [&] { layout = g.menu.control_rects; }},
      {"close", [] { return true; }, [&] { input.Close(); }},
  };
  size_t step = 0;
  int wait_frames = 0;
  bool release = false;
  g.menu.frame_script = [&](Game&) {
    ++frames;
    if (release) {
      input.Button(pressed_x, pressed_y, false);
      release = false;
      pressed_x = -1;
      return;
    }
    if (step >= steps.size()) return;
    if (++wait_frames > 600) {
      input.Close();
      return;
    }
    if (!steps[step].ready()) return;
    wait_frames = 0;
    steps[step].act();
    frames = 0;
    release = pressed_x >= 0;
    ++step;
  };
  EXPECT_EQ(RunGame(g), 0);
  EXPECT_EQ(step, steps.size()) << "stuck before: " << (step < steps.size() ? steps[step].name : "");
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
      const bool apart = a.x1 <= b.x0 || b.x1 <= a.x0 || a.y1 <= b.y0 || b.y1 <= a.y0;
      EXPECT_TRUE(apart) << name << " overlaps " << other;
    }
  }
  SDL_Surface* shot = IMG_Load((shots / "menu_en.png").string().c_str());
  ASSERT_NE(shot, nullptr) << IMG_GetError();
  EXPECT_EQ(shot->w, kMenuWidth);
  SDL_FreeSurface(shot);
}

}  // namespace
}  // namespace kvx
