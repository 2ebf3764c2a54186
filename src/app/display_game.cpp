#include "app/display_game.h"

#include <SDL.h>

#include "app/game.h"
#include "app/skin_loading.h"
#include "media/bga.h"
#include "media/input.h"
#include "media/sound.h"
#include "play/play_loop.h"

namespace kvx {

DisplayOptions DisplayOptionsOf(const Game& g) {
  DisplayOptions o;
  o.headless = g.options.headless;
  o.fullscreen = g.options.fullscreen;
  o.max_fps = g.options.max_fps;
  o.input_per_frame = g.options.input_per_frame;
  o.redraw_always = g.options.redraw_always;
  o.scale_to_fit = g.settings.ScaleToFit;
  o.no_vsync = g.settings.NOVSync;
  o.direct_blt = g.settings.DirectBlt;
  o.sleep_ms = g.settings.Sleep;
  o.screen_colors = g.settings.ScreenColors;
  return o;
}

void InitDX(Game& g) {
  if (!InitDX(g.Services(), g.display, g.pump, g.window, DisplayOptionsOf(g), g.settings.Font)) throw ProgramExit{1};
}

void ShowGameWindow(Game& g) { ShowGameWindow(g.Services(), g.display, g.pump, g.window, DisplayOptionsOf(g)); }

void InitDD(Game& g) { InitDD(g.Services(), g.display, g.pump, g.window, DisplayOptionsOf(g)); }

void CreateSurfaces(Game& g) {
  CreateSurfaces(g.Services(), g.display, g.app.BgaWidth, g.app.BgaHeight, g.settings.Font);
}

void ShowStartupText(Game& g, const std::string& text) {
  ShowStartupText(g.Services(), g.display, g.settings.ScaleToFit, text);
}

void LoadSS(Game& g) {
  ScreensState& screens = g.screens;
  ShowStartupText(g, "NOW LOADING ... BITMAP FILES");
  // Every one of the five is released before it is loaded again.
  for (Surface* s : {&screens.SongSelectBgSurface, &screens.SongSelectBgGreySurface, &screens.SongSelectObjSurface,
                     &screens.NoStageSurface, &screens.ResultObjSurface})
    ReleaseSurface(*s);
  auto load = [&g](Surface& s, const char* name, bool key) {
    LoadSurfaceFromFile(g.Services(), g.display, s, g.paths.In(name), key);
  };
  load(screens.SongSelectBgSurface, "ssbg.bmp", false);
  load(screens.SongSelectBgGreySurface, "ssbg.bmp", false);
  DebugLog(g, "[LoadSS] SongSelect Surface created. VRAM FREE:" + std::to_string(FreeVideoMemory()));
  GreyCopy(g.display, screens.SongSelectBgGreySurface, 640, 480);
  load(screens.SongSelectObjSurface, "ssobj.bmp", true);
  DebugLog(g, "[LoadSS] SSObj Surface created. VRAM FREE:" + std::to_string(FreeVideoMemory()));
  load(screens.NoStageSurface, "ssnostg.bmp", true);
  DebugLog(g, "[LoadSS] SSNOSTG Surface created. VRAM FREE:" + std::to_string(FreeVideoMemory()));
  load(screens.ResultObjSurface, "resobj.bmp", false);
  DebugLog(g, "[LoadSS] Result Surface created. VRAM FREE:" + std::to_string(FreeVideoMemory()));
  screens.SongSelectObjSurface.color_key = true;
  screens.NoStageSurface.color_key = true;
}

void PreparePreviewSurface(Game& g) {
  if (!g.display.renderer) return;
  if (!CreateSurface(g.display, g.screens.PreviewSurface, 192, 144, false))
    DebugLog(g, std::string("Error : can't create preview surface : ") + SDL_GetError());
}

void PresentFrame(Game& g, bool noVSync) {
  // The loading screen (the one frame that asks for no wait) has its own
  // "NOW LOADING" line where play shows the message: the message goes to the
  // bottom line there.
  DrawMessageAndFps(g.display, g.NowMs(), g.app.GameState == Screen::Play && !noVSync);
  PresentFrame(g.Services(), g.display, g.pump, DisplayOptionsOf(g), noVSync);
  PollJoysticks(g);
  CountFrame(g.display, g.NowMs());
}

bool RestFrame(Game& g) {
  if (!RestFrame(g.Services(), g.display, g.pump, DisplayOptionsOf(g), ScreenNumber(g.app.GameState))) return false;
  RestSound(g.sound, g.NowMs());
  return true;
}

bool CheckDisplay(Game& g) {
  DisplayState& d = g.display;
  if (DisplayHidden(d)) {
    if (NoteDisplayLost(g.Services(), d) && g.play.Playing && !g.play.Paused) {
      BMSPause(g);
      d.paused_by_loss = true;
    }
    WaitWhileHidden(g.Services(), d, g.pump, g.settings.Sleep);
    return false;
  }
  if (NoteDisplayRestored(g.Services(), d)) {
    CreateSurfaces(g);
    LoadRectData(g, g.settings.brd);
    LoadSS(g);
    // Resume only a play that the loss paused (a play paused by the player stays paused).
    if (d.paused_by_loss && g.play.Playing) BMSResume(g);
    d.paused_by_loss = false;
  }
  return true;
}

void Loading(Game& g) {
  LoadingView view;
  view.now = g.NowMs();
  view.since_fade_ms = static_cast<int32_t>(view.now - g.play.FadeStart);
  view.stretch_in = !g.settings.DontStretch;
  view.tiles_falling = g.play.FadeState == kFadeIntro;
  std::string course_line;
  if (g.chart.CourseMode) {
    const int song = g.chart.CourseSong;
    const bool known = song >= 0 && song < static_cast<int>(g.chart.CourseSongs.size());
    course_line = std::to_string(song + 1) + ". " + (known ? g.chart.CourseSongs[song].Title : "");
    view.course_line = &course_line;
  }
  if (DrawLoadingScreen(g.display, view)) g.play.FadeState = kFadeNone;
  PresentFrame(g, true);
}

void DrawScrollingTiles(Game& g, const Rect& covered) {
  if (g.settings.DRAWLIMIT >= 3) return ClearAround(g.display, covered);
  DrawScrollingTiles(g.display, g.screens.ResultObjSurface, g.NowMs(), covered);
}

void ReleaseDirectX(Game& g) {
  ReleaseInput(g);
  if (g.display.renderer) ReleaseBgaSurfaces(g.bga);
  ScreensState& screens = g.screens;
  for (Surface* s : {&screens.SongSelectBgSurface, &screens.SongSelectBgGreySurface, &screens.SongSelectObjSurface,
                     &screens.NoStageSurface, &screens.ResultObjSurface, &screens.PreviewSurface})
    ReleaseSurface(*s);
  ReleaseDisplay(g.display, g.window);
  ReleaseSound(g.sound);
  CloseDisplay(g.display, g.pump);
}

}  // namespace kvx
