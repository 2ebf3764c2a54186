#include "menu/startup_menu.h"

#include <SDL.h>

#include "app/game.h"
#include "app/startup.h"
#include "library/jukebox.h"
#include "media/display_internal.h"
#include "media/input.h"
#include "menu/key_config_window.h"
#include "menu/calibration.h"
#include "menu/menu_controls.h"
#include "menu/menu_layout.h"
#include "menu/menu_search.h"
#include "net/net_setup.h"
#include "platform/imgui_window.h"
#include "platform/message_box.h"
#include "platform/sdl_events.h"

namespace kvx {

namespace {

constexpr const char* kCaption = "korvex startup menu";
constexpr uint32_t kBusyFrameMs = 50;

// The window is as tall as its controls were in the last frame.
int MenuHeight(const MenuState& m) {
  return m.content_height > 0 ? static_cast<int>(m.content_height + 0.5f) : kMenuHeight;
}

// Reads the window's pending events. Closing the window ends the program;
// dropped files add their folders (not while a search runs).
bool PumpMenuEvents(Game& g, ImGuiWindow& window) {
  bool any = false;
  SDL_Event e;
  while (SDL_PollEvent(&e)) {
    any = true;
    if (e.type == SDL_DROPFILE) {
      const std::string path = e.drop.file ? e.drop.file : "";
      SDL_free(e.drop.file);
      if (e.drop.windowID == window.id() && !path.empty()) DropOnFolderList(g, path);
      continue;
    }
    if (e.type == SDL_JOYDEVICEADDED || e.type == SDL_JOYDEVICEREMOVED) {
      // Controllers plugged in while the menu is shown are ready for the game.
      PlatformEvent p;
      if (TranslateSdlEvent(e, window.id(), &p)) HandleInputEvent(g, p);
      continue;
    }
    if (window.HandleEvent(e) != ImGuiWindow::Event::None) CloseStartupMenu(g);
  }
  return any;
}

// The menu is drawn a few frames after each event (the controls settle: the
// window's height, hover colours) and then rests in the event wait. A search
// and a scripted test draw every frame.
bool MenuRests(Game& g, bool events) {
  MenuState& m = g.menu;
  constexpr int kSettleFrames = 3;
  constexpr int kLongestRestMs = 1000;
  if (events || m.busy || m.frame_script || g.options.redraw_always) {
    m.quiet_frames = 0;
    return false;
  }
  if (++m.quiet_frames <= kSettleFrames) return false;
  SDL_WaitEventTimeout(nullptr, kLongestRestMs);
  return true;
}

// One frame: scripted input, events, the controls, the picture.
MenuAction RunMenuFrame(Game& g, ImGuiWindow& window) {
  MenuState& m = g.menu;
  if (m.frame_script) m.frame_script(g);
  if (MenuRests(g, PumpMenuEvents(g, window))) return MenuAction::None;
  window.SetSize(kMenuWidth, MenuHeight(m));
  window.SetCaption(m.title);
  window.BeginFrame();
  const MenuAction action = DrawStartupMenu(g);
  window.EndFrame(m.screenshot_path);
  m.screenshot_path.clear();
  return action;
}

void RunMenuAction(Game& g, MenuAction action) {
  switch (action) {
    case MenuAction::StartSearch: StartMenuSearch(g); break;
    case MenuAction::KeyConfig: OpenKeyConfigWindow(g); break;
    case MenuAction::Calibrate: OpenCalibrationWindow(g); break;
    case MenuAction::StartGame: cmdNorm_Click(g); break;
    case MenuAction::HostBattle:
      // The host enters the game at once.
      if (cmdServer_Click(g)) cmdNorm_Click(g);
      break;
    case MenuAction::JoinBattle: cmdConnect_Click(g); break;
    case MenuAction::None: break;
  }
  // A joined copy enters the game when the host's INIT has come.
  if (NetMenuTick(g)) cmdNorm_Click(g);
}

void StartWithoutMenu(Game& g) {
  if (cmdNorm_Click(g)) return;
  DebugLog(g, "# the game could not start and there is no menu to return to.");
  ExitApp(g, 1);
}

// --host and --join: host and enter the game, or join and enter it when the
// host's INIT has come. False when neither was asked for or it failed.
bool StartBattleFromCommandLine(Game& g) {
  const OwnOptions& o = g.options;
  if (!o.net_name.empty()) g.menu.txtUserName = o.net_name;
  if (!o.net_bind.empty()) g.net.bind_address = o.net_bind;
  if (o.net_host) {
    g.net.host_port = o.net_port;
    return cmdServer_Click(g) && cmdNorm_Click(g);
  }
  if (o.net_join.empty()) return false;
  g.menu.txtHost = o.net_join;
  return cmdConnect_Click(g) && WaitForInit(g, 10000) && cmdNorm_Click(g);
}

}  // namespace

void LoadStartupMenu(Game& g) {
  LoadMenuControls(g);
  g.menu.title = kCaption;
}

void ShowStartupMenu(Game& g) {
  MenuState& m = g.menu;
  if (g.options.calibrate) OpenCalibrationWindow(g);
  if (StartBattleFromCommandLine(g)) return;
  if (g.options.no_menu || g.options.headless || g.display.headless || !DisplayAvailable()) {
    StartWithoutMenu(g);
    return;
  }
  ImGuiWindowSetup setup;
  setup.caption = kCaption;
  setup.width = kMenuWidth;
  setup.height = MenuHeight(m);
  setup.font_file = FindFontFile("ＭＳ Ｐゴシック", &setup.font_index);
  setup.font_size = 16.0f;
  setup.glyph_texts = MenuWindowTexts();
  setup.keyboard_navigation = true;
  ImGuiWindow window;
  if (!window.Open(setup)) {
    DebugLog(g, "Menu: " + window.error());
    StartWithoutMenu(g);
    return;
  }
  if (window.UsesBuiltInFont()) DebugLog(g, "Menu: the Japanese font was not found; using the built-in font");
  DebugLog(g, "[frmMenu] shown");
  m.window = &window;
  m.visible = true;
  struct Detach {
    MenuState& m;
    ~Detach() {
      m.window = nullptr;
      m.visible = false;
    }
  } detach{m};
  // The loop ends when the game has been started and has come back.
  while (m.visible) RunMenuAction(g, RunMenuFrame(g, window));
}

void HideStartupMenu(Game& g) {
  MenuState& m = g.menu;
  m.visible = false;
  if (m.window) m.window->Close();
}

bool cmdNorm_Click(Game& g) {
  MenuState& m = g.menu;
  m.started = true;
  g.settings.MyName = m.txtUserName;
  if (UpdateJukeList(g) == 0) {
    DebugLog(g, "# BMS-list(s) aren't found. Make now.");
    if (!RunChartSearch(g, false)) return false;
  }
  PrepareNetworkStart(g);
  if (!Start(g)) return false;
  HideStartupMenu(g);
  return true;
}

void CloseStartupMenu(Game& g) {
  g.menu.started = true;
  DebugLog(g, "[frmMenu] closed");
  HideStartupMenu(g);
  ExitApp(g);
}

void DrawBusyMenuFrame(Game& g) {
  MenuState& m = g.menu;
  if (!m.window || !m.window->IsOpen()) return;
  const uint32_t now = SDL_GetTicks();
  if (m.last_busy_frame_ms != 0 && now - m.last_busy_frame_ms < kBusyFrameMs) return;
  m.last_busy_frame_ms = now;
  RunMenuFrame(g, *m.window);
}

}  // namespace kvx
