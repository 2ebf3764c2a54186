// The game window, the frame loop's present step, the fixed surfaces and the
// bitmap-font and screen drawing routines.
#include "media/display.h"

#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "media/display_internal.h"
#include "platform/event_pump.h"
#include "platform/rounding.h"
#include "platform/sdl_events.h"
#include "platform/services.h"
#include "platform/text.h"

namespace kvx {

namespace {

constexpr int kTwipsPerPixel = 15;
constexpr int kFpsX = 310;  // the FPS figure on the bottom line

bool DummyVideoDriver() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0);
}

// The window's normal geometry and state, kept for the settings file.
// A stored window coordinate in pixels. The settings file may hold anything:
// values beyond any desktop are held at a million pixels.
int TwipsToPixels(float twips) {
  constexpr double kFar = 1e6;
  const double pixels = static_cast<double>(twips) / kTwipsPerPixel;
  if (!(pixels > -kFar)) return static_cast<int>(-kFar);  // NaN too
  if (pixels > kFar) return static_cast<int>(kFar);
  return static_cast<int>(std::lround(pixels));
}

void RememberWindowGeometry(DisplayState& d, WindowGeometry& window) {
  if (!d.window || d.fullscreen) return;
  Uint32 flags = SDL_GetWindowFlags(d.window);
  if (flags & SDL_WINDOW_MINIMIZED) {
    window.WindowState = 1;
    return;
  }
  if (flags & SDL_WINDOW_MAXIMIZED) {
    window.WindowState = 2;
    return;
  }
  window.WindowState = 0;
  int x = 0, y = 0, w = 0, h = 0;
  SDL_GetWindowPosition(d.window, &x, &y);
  SDL_GetWindowSize(d.window, &w, &h);
  if (w <= 0 || h <= 0) return;
  window.Left = static_cast<float>(x * kTwipsPerPixel);
  window.Top = static_cast<float>(y * kTwipsPerPixel);
  window.Width = static_cast<float>(w * kTwipsPerPixel);
  window.Height = static_cast<float>(h * kTwipsPerPixel);
}

void ObserveSdlEvent(DisplayState& d, WindowGeometry& window, const SDL_Event& e) {
  if (e.type == SDL_RENDER_TARGETS_RESET || e.type == SDL_RENDER_DEVICE_RESET) {
    d.targets_reset = true;
    return;
  }
  if (e.type != SDL_WINDOWEVENT || e.window.windowID != d.window_id) return;
  switch (e.window.event) {
    case SDL_WINDOWEVENT_MOVED:
    case SDL_WINDOWEVENT_SIZE_CHANGED:
    case SDL_WINDOWEVENT_MINIMIZED:
    case SDL_WINDOWEVENT_MAXIMIZED:
    case SDL_WINDOWEVENT_RESTORED:
      RememberWindowGeometry(d, window);
      break;
    default:
      break;
  }
}

// The display's listeners on the pump. The display state and the window
// geometry live as long as the pump (both belong to the game).
void InstallEvents(const Services& services, DisplayState& d, EventPump& pump, WindowGeometry& window) {
  if (!d.event_listener) {
    d.event_listener = pump.AddListener([&d](const PlatformEvent& e) {
      if (e.kind == PlatformEvent::Kind::WindowHidden) d.window_hidden = true;
      if (e.kind == PlatformEvent::Kind::WindowShown) d.window_hidden = false;
    });
  }
  if (!d.event_source && d.sdl_events) {
    SdlEventSourceOptions options;
    options.clock = &services.clock;
    options.game_window = [&d] { return d.window_id; };
    options.observer = [&d, &window](const SDL_Event& e) { ObserveSdlEvent(d, window, e); };
    options.server_times = [&d] { return !d.input_per_frame; };
    d.event_source = InstallSdlEventSource(pump, std::move(options));
  }
}

bool MakeCanvas(DisplayState& d) {
  d.headless = true;
  if (!d.canvas) d.canvas = SDL_CreateRGBSurfaceWithFormat(0, 640, 480, 32, SDL_PIXELFORMAT_ARGB8888);
  return d.canvas != nullptr;
}

// Shows BackSurface: scaled into the window (whole-number factors while the
// window is at least 640x480, letterboxed), or copied onto the canvas.
void PresentBackSurface(const Services& services, DisplayState& d, bool vsync, bool scale_to_fit) {
  if (!d.renderer || !d.BackSurface.Valid()) return;
  SDL_Renderer* r = d.renderer;
  if (d.window && d.vsync != (vsync ? 1 : 0)) {
    SDL_RenderSetVSync(r, vsync ? 1 : 0);
    d.vsync = vsync ? 1 : 0;
  }
  SDL_SetRenderTarget(r, nullptr);
  SDL_SetTextureBlendMode(d.BackSurface.texture, SDL_BLENDMODE_NONE);
  if (d.window) {
    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(r, &ow, &oh);
    const SDL_Rect dst = PictureRect(ow, oh, scale_to_fit);
    // Only a letterboxed picture leaves borders to clear (a software renderer
    // pays for every pixel it clears).
    if (dst.x > 0 || dst.y > 0 || dst.w < ow || dst.h < oh) {
      SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
      SDL_SetRenderDrawColor(r, 0, 0, 0, 255);
      SDL_RenderClear(r);
    }
    // Scaling by a fraction blends neighbouring pixels, so none is doubled
    // more than another; whole factors copy them.
    const bool whole = dst.w % 640 == 0 && dst.h % 480 == 0;
    SDL_SetTextureScaleMode(d.BackSurface.texture, whole ? SDL_ScaleModeNearest : SDL_ScaleModeLinear);
    SDL_RenderCopy(r, d.BackSurface.texture, nullptr, &dst);
    SDL_SetTextureScaleMode(d.BackSurface.texture, SDL_ScaleModeNearest);
  } else {
    SDL_RenderCopy(r, d.BackSurface.texture, nullptr, nullptr);
  }
  SDL_RenderPresent(r);
  d.last_present_end = services.NowMs();
  ++d.frames_presented;
}

// The refresh rate of the game window's display; 60 Hz without one.
int RefreshRate(DisplayState& d) {
  if (d.refresh_hz > 0) return d.refresh_hz;
  SDL_DisplayMode mode{};
  int hz = 0;
  if (d.window && SDL_GetWindowDisplayMode(d.window, &mode) == 0) hz = mode.refresh_rate;
  d.refresh_hz = hz >= 24 && hz <= 480 ? hz : 60;
  return d.refresh_hz;
}

// The frame rate the loop keeps: the display's, or less under --max-fps.
double FrameRate(DisplayState& d, const DisplayOptions& options) {
  const int hz = RefreshRate(d);
  const int cap = options.max_fps;
  return cap > 0 && cap < hz ? cap : hz;
}

// Whether the present will wait for the vertical retrace. A renderer may take
// the vsync request and still not wait (software renderers, some X servers):
// when frames come much faster than the display refreshes, it is not trusted.
// Under a frame-rate cap the loop paces itself.
bool VsyncPaces(const Services& services, DisplayState& d, const DisplayOptions& options, bool vsync_asked) {
  if (!vsync_asked || !d.window || d.headless || d.vsync_unreliable) return false;
  if (FrameRate(d, options) < RefreshRate(d)) return false;
  if (d.FpsCounter.fps > 1.5 * RefreshRate(d)) {
    d.vsync_unreliable = true;
    services.Log("VSync does not pace the frames: sleeping to the refresh rate");
    return false;
  }
  return true;
}

// Waits for input until `deadline`: each press is handled as it arrives. With
// input read once per frame (a benchmark's "before"), it only sleeps.
void WaitForInput(const Services& services, EventPump& pump, const DisplayOptions& options, uint32_t deadline) {
  if (options.input_per_frame) {
    const int32_t left = static_cast<int32_t>(deadline - services.clock.NowMs());
    if (left > 0) services.clock.SleepMs(static_cast<uint32_t>(left));
    return;
  }
  pump.WaitUntil(deadline);
}

// Waits out the frame: until this frame's time at the frame rate when nothing
// else paces the frames (the dummy display, NOVSync, a cap), so no screen
// spins a core; with vsync, until shortly before the next retrace, where the
// present then waits. Input is handled meanwhile. A frame that is late does
// not make the next ones hurry: after falling a whole frame behind, the
// schedule starts again from now.
void PaceFrame(const Services& services, DisplayState& d, EventPump& pump, const DisplayOptions& options,
               bool vsync_asked) {
  if (!services.clock.RealTime()) {
    d.pacing = false;
    return;
  }
  const uint32_t now = services.clock.NowMs();
  const double budget = 1000.0 / FrameRate(d, options);
  if (VsyncPaces(services, d, options, vsync_asked)) {
    d.pacing = false;
    constexpr int kPresentMarginMs = 4;
    WaitForInput(services, pump, options, d.last_present_end + static_cast<uint32_t>(budget) - kPresentMarginMs);
    return;
  }
  if (!d.pacing) {
    // The first frame of a schedule (after a rest, say) goes out at once.
    d.pacing = true;
    d.pace_origin = now;
    d.paced_frames = 0;
    return;
  }
  ++d.paced_frames;
  const double due = d.paced_frames * budget;
  const double elapsed = static_cast<int32_t>(now - d.pace_origin);
  if (due > elapsed) {
    WaitForInput(services, pump, options, d.pace_origin + static_cast<uint32_t>(std::lround(due)));
  } else if (elapsed - due > budget) {
    d.pace_origin = now;
    d.paced_frames = 0;
  }
}

std::string Utf8Mid(const std::string& text, size_t from_char) {
  // from_char is 1-based, as the wipe counts characters.
  size_t skip = from_char > 0 ? from_char - 1 : 0;
  size_t i = 0;
  while (i < text.size() && skip > 0) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    --skip;
  }
  return text.substr(i);
}

// The first `count` characters of a UTF-8 text.
std::string Utf8Left(const std::string& text, size_t count) {
  size_t i = 0;
  while (i < text.size() && count > 0) {
    ++i;
    while (i < text.size() && (static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) ++i;
    --count;
  }
  return text.substr(0, i);
}

}  // namespace

uint64_t FreeVideoMemory() {
  // The textures live in the memory the system has available.
  std::ifstream meminfo("/proc/meminfo");
  std::string key;
  uint64_t value = 0;
  std::string unit;
  while (meminfo >> key >> value >> unit)
    if (key == "MemAvailable:") return value * 1024;
  return 0;
}

bool InitDX(const Services& services, DisplayState& d, EventPump& pump, WindowGeometry& window,
            const DisplayOptions& options, const std::string& window_face) {
  d.input_per_frame = options.input_per_frame;
  if (!d.sdl_events) {
    if (SDL_InitSubSystem(SDL_INIT_EVENTS) != 0) {
      services.Log("Error: Can't create DirectX7 object.");
      return false;
    }
    d.sdl_events = true;
  }
  if (!options.headless && !d.sdl_video) {
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
      d.sdl_video = true;
      const char* driver = SDL_GetCurrentVideoDriver();
      services.Log(std::string("Video driver: ") + (driver ? driver : "?"));
      if (DummyVideoDriver()) d.headless = true;
    } else {
      services.Log(std::string("No video device (") + SDL_GetError() + "): drawing without a window.");
      d.headless = true;
    }
  }
  if (options.headless) d.headless = true;
  IMG_Init(IMG_INIT_PNG | IMG_INIT_JPG);
  InitDisplayText(services, d, window_face);
  InitTileTransition(d, services.NowMs());
  InstallEvents(services, d, pump, window);
  return true;
}

void ShowGameWindow(const Services& services, DisplayState& d, EventPump& pump, WindowGeometry& window,
                    const DisplayOptions& options) {
  InstallEvents(services, d, pump, window);
  if (d.window || d.canvas) {
    if (d.window) SDL_ShowWindow(d.window);
    return;
  }
  if (d.headless || !d.sdl_video) {
    MakeCanvas(d);
    services.Log("Game window: 640x480 (no display)");
    return;
  }
  d.fullscreen = options.fullscreen;
  SDL_Rect bounds{0, 0, 640, 480};
  if (SDL_GetDisplayUsableBounds(0, &bounds) != 0) SDL_GetDisplayBounds(0, &bounds);
  d.scale = std::max(1, std::min(bounds.w / 640, bounds.h / 480));
  int w = 640 * d.scale, h = 480 * d.scale;
  int x = SDL_WINDOWPOS_CENTERED, y = SDL_WINDOWPOS_CENTERED;
  if (window.applied && !d.fullscreen) {
    int sw = TwipsToPixels(window.Width);
    int sh = TwipsToPixels(window.Height);
    int sx = TwipsToPixels(window.Left);
    int sy = TwipsToPixels(window.Top);
    if (sw >= 320 && sh >= 240) {
      w = std::min(sw, std::max(bounds.w, 640));
      h = std::min(sh, std::max(bounds.h, 480));
    }
    // Keep the window reachable when the stored place is off the desktop.
    if (sx + w > bounds.x + 64 && sx < bounds.x + bounds.w - 64 && sy >= bounds.y - 16 &&
        sy < bounds.y + bounds.h - 64) {
      x = sx, y = sy;
    }
  }
  Uint32 flags = SDL_WINDOW_RESIZABLE | (d.fullscreen ? SDL_WINDOW_FULLSCREEN_DESKTOP : 0);
  d.window = SDL_CreateWindow("korvex", x, y, w, h, flags);
  if (!d.window) {
    services.Log(std::string("Error : can't create the game window : ") + SDL_GetError());
    MakeCanvas(d);
    return;
  }
  d.window_id = SDL_GetWindowID(d.window);
  SDL_SetWindowMinimumSize(d.window, 320, 240);
  if (!d.caption.empty()) SDL_SetWindowTitle(d.window, d.caption.c_str());
  if (window.applied && window.WindowState == 2 && !d.fullscreen) SDL_MaximizeWindow(d.window);
  d.window_hidden = false;
  services.Log("Game window: " + std::to_string(w) + "x" + std::to_string(h) + (d.fullscreen ? " full screen" : "") +
               " (scale " + std::to_string(d.scale) + ")");
  RememberWindowGeometry(d, window);
}

void InitDD(const Services& services, DisplayState& d, EventPump& pump, WindowGeometry& window,
            const DisplayOptions& options) {
  services.Log("[InitDD]");
  if (!d.window && !d.canvas) ShowGameWindow(services, d, pump, window, options);
  if (!d.renderer) {
    if (d.window) {
      d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_ACCELERATED | SDL_RENDERER_TARGETTEXTURE);
      if (!d.renderer) d.renderer = SDL_CreateRenderer(d.window, -1, SDL_RENDERER_SOFTWARE);
      if (!d.renderer) {
        services.Log(std::string("Error : no renderer for the window : ") + SDL_GetError());
        if (MakeCanvas(d)) d.renderer = SDL_CreateSoftwareRenderer(d.canvas);
      }
    } else if (d.canvas) {
      d.renderer = SDL_CreateSoftwareRenderer(d.canvas);
    }
    if (!d.renderer) {
      services.Log(std::string("Error: Can't create DirectDraw object. : -1 (") + SDL_GetError() + ")");
      return;
    }
    SDL_RendererInfo info{};
    SDL_GetRendererInfo(d.renderer, &info);
    d.software = (info.flags & SDL_RENDERER_SOFTWARE) != 0 || (info.name && std::strcmp(info.name, "software") == 0);
    d.vsync = -1;
    services.Log(std::string("Renderer: ") + (info.name ? info.name : "?") + (d.headless ? " (no window)" : ""));
  }
  d.ColorBits = (options.screen_colors + 1) * 8;
  services.Log("Display mode changed to 640x480x" + std::to_string(d.ColorBits) + " : error = 0");
  services.Log("Primary Surface created. VRAM FREE:" + std::to_string(FreeVideoMemory()));
  d.BgaRect = Rect{0, 0, 256, 256};
}

void CreateSurfaces(const Services& services, DisplayState& d, int bga_width, int bga_height,
                    const std::string& window_face) {
  if (!d.renderer) return;
  ReleaseSurface(d.BgaSurface);
  services.Log("[CreateSurfaces]");
  services.Log("VRAM " + std::to_string(FreeVideoMemory()) + "bytes free");
  services.Log("Creating surfaces...");
  // The window font follows the Font setting.
  InitDisplayText(services, d, window_face);
  // The back buffer belongs to the screen: it is made once and kept.
  if (!d.BackSurface.Valid() && !CreateSurface(d, d.BackSurface, 640, 480, true))
    services.Log(std::string("Error : can't create back surface : ") + SDL_GetError());
  d.BackSurface.color_key = true;
  d.BackTextColor = 0x0000FF;
  int bw = bga_width, bh = bga_height;
  if (bw <= 0 || bh <= 0 || bw > kMaxSurfaceSide || bh > kMaxSurfaceSide) bw = bh = 256;
  if (!CreateSurface(d, d.BgaSurface, bw, bh, false))
    services.Log(std::string("Error : can't create BGA surface : ") + SDL_GetError());
  ReleaseSurface(d.GraphSurface);
  if (!CreateSurface(d, d.GraphSurface, 300, 203, true))
    services.Log(std::string("Error : can't create Graph surface : ") + SDL_GetError());
  ReleaseSurface(d.CaptureSurface);
  if (!CreateSurface(d, d.CaptureSurface, 640, 480, true))
    services.Log(std::string("Error : can't create Capture surface : ") + SDL_GetError());
}

void ShowStartupText(const Services& services, DisplayState& d, bool scale_to_fit, const std::string& text) {
  if (!d.BackSurface.Valid()) return;
  FillSurface(d, d.BackSurface, &d.ScreenRect, 0);
  DrawSurfaceText(d, d.BackSurface, 0, 0, text);
  PresentBackSurface(services, d, false, scale_to_fit);
}

void GreyCopy(DisplayState& d, Surface& s, int width, int height) {
  if (!TargetSurface(d, s)) return;
  width = std::min(width, s.width), height = std::min(height, s.height);
  if (width <= 0 || height <= 0) return;
  std::vector<uint32_t> pixels(static_cast<size_t>(width) * height);
  SDL_Rect area{0, 0, width, height};
  if (SDL_RenderReadPixels(d.renderer, &area, SDL_PIXELFORMAT_ARGB8888, pixels.data(), width * 4) != 0)
    return;
  // Through a 256-level grey palette: each colour becomes its nearest grey.
  for (uint32_t& p : pixels) {
    uint32_t r = (p >> 16) & 0xFF, gr = (p >> 8) & 0xFF, b = p & 0xFF;
    uint32_t v = (r + gr + b + 1) / 3;
    p = WithKeyAlpha((v << 16) | (v << 8) | v);
  }
  SDL_UpdateTexture(s.texture, &area, pixels.data(), width * 4);
}

void DrawFontText(DisplayState& d, int x, int y, const std::string& text, float spacing) {
  if (!d.BackSurface.Valid() || !d.SkinSurface.Valid()) return;
  std::string bytes = Utf8ToCp932(text);
  if (d.TextTrace && !bytes.empty()) {
    const int width = RoundEven(static_cast<double>(bytes.size()) * (d.CharWidth + static_cast<double>(spacing)));
    d.TextTrace->push_back({text, Rect{x, y, x + width, y + d.CharHeight}, 0});
  }
  bool trail = false;
  for (size_t i = 0; i < bytes.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(bytes[i]);
    if (trail) {  // second byte of a double-byte character: its place only
      trail = false;
      continue;
    }
    if ((c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC)) {
      trail = true;
      continue;
    }
    if (c < 33 || c > 126) continue;
    int px = RoundEven(x + static_cast<double>(i) * d.CharWidth + static_cast<double>(spacing) * (i + 1));
    BltClipped(d, d.BackSurface, d.ScreenRect, px, y, d.SkinSurface, d.GlyphRects[c - 32], kBltSourceColorKey);
  }
}

std::string FormatNumber(int32_t value, int digits) {
  if (digits <= 0) digits = 3;
  digits = std::min(digits, 32);
  int64_t v = value;
  char text[48];
  std::snprintf(text, sizeof text, "%s%0*lld", v < 0 ? "-" : "", digits, static_cast<long long>(v < 0 ? -v : v));
  return text;
}


void DrawNumber(DisplayState& d, Surface& source, const NumberFont& font, int x, int y, int32_t value, int digits) {
  std::string text = FormatNumber(value, digits);
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c < '0' || c > '9') continue;
    BltClipped(d, d.BackSurface, d.ScreenRect, x + font.advance * static_cast<int>(i), y, source, font.rects[c - '0'],
               kBltSourceColorKey);
  }
}

// The parts of the screen around a covered rectangle (the whole screen when
// nothing is covered).
static std::vector<Rect> AreasAround(const Rect& s, const Rect& covered) {
  const Rect c{std::clamp(covered.left, s.left, s.right), std::clamp(covered.top, s.top, s.bottom),
               std::clamp(covered.right, s.left, s.right), std::clamp(covered.bottom, s.top, s.bottom)};
  if (c.Width() <= 0 || c.Height() <= 0) return {s};
  std::vector<Rect> areas;
  for (const Rect& a : {Rect{s.left, s.top, s.right, c.top}, Rect{s.left, c.bottom, s.right, s.bottom},
                        Rect{s.left, c.top, c.left, c.bottom}, Rect{c.right, c.top, s.right, c.bottom}})
    if (a.Width() > 0 && a.Height() > 0) areas.push_back(a);
  return areas;
}

void ClearAround(DisplayState& d, const Rect& covered) {
  for (const Rect& area : AreasAround(d.ScreenRect, covered)) FillSurface(d, d.BackSurface, &area, 0x000000);
}

void DrawScrollingTiles(DisplayState& d, Surface& tiles, uint32_t now, const Rect& covered) {
  // A screen at rest moves the tiles at the same speed in fewer, larger steps
  // (each step redraws the whole picture: with a software renderer 20 steps a
  // second cost 7-8 % of a core, 10 under 5 %), at 50 ms past each tenth of a
  // second, so other parts that change there (the ranking's blink) share them.
  constexpr uint32_t kRestingStepMs = 100, kStepPhaseMs = 50;
  RedrawAt(d, now + kRestingStepMs - (now + kRestingStepMs - kStepPhaseMs) % kRestingStepMs);
  int o = static_cast<int>((now % 3200) / 10);
  const Rect tile{0, 0, 160, 120};
  // Under a panel that covers most of the screen, the tiles would cost a
  // whole screen of copying for a frame's edges: only the edges are drawn.
  for (const Rect& area : AreasAround(d.ScreenRect, covered)) {
    for (int i = 0; i < 6; ++i) {
      for (int r = 0; r < 6; ++r) {
        int x = (r % 2 == 0) ? i * 160 - 320 + o : i * 160 - o;
        int y = RoundEven(-0.75 * o) + 120 * r;
        if (x >= area.right || x + tile.right <= area.left || y >= area.bottom || y + tile.bottom <= area.top) continue;
        BltClipped(d, d.BackSurface, area, x, y, tiles, tile, kBltWait);
      }
    }
  }
}

void InitTileTransition(DisplayState& d, uint32_t seed) {
  d.random.seed(seed);
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  for (int i = 0; i < 300; ++i) {
    int left = (i % 20) * 32, top = (i / 20) * 32;
    d.Tiles[i].rect = Rect{left, top, left + 32, top + 32};
    d.Tiles[i].fall = 480 + RoundEven(unit(d.random) * 480);
  }
}

bool DrawTileTransition(DisplayState& d, int32_t elapsed_ms) {
  int32_t q = elapsed_ms / 10;
  if (q < 0) q = 0;
  double p = std::min(1.0, q / 30.0);
  double p4 = p * p * p * p;
  for (int i = 0; i < 300; ++i) {
    int x = (i % 20) * 32;
    int y = (i / 20) * 32 + RoundEven(p4 * d.Tiles[i].fall);
    BltClipped(d, d.BackSurface, d.ScreenRect, x, y, d.CaptureSurface, d.Tiles[i].rect, kBltWait);
  }
  return p >= 1.0;
}

bool DrawLoadingScreen(DisplayState& d, const LoadingView& view) {
  FillSurface(d, d.BackSurface, &d.ScreenRect, 0);
  if (d.StageImageSurface.Valid()) {
    Surface& stage = d.StageImageSurface;
    const int32_t t = view.since_fade_ms;
    if (t >= 0 && t < 500 && view.stretch_in) {
      double k = static_cast<double>(500 - t) * (500 - t) / 500;
      int32_t h = RoundEven(k) / 2;
      Rect src{0, 0, stage.width, stage.height};
      src.left = RoundEven(h * 0.96);
      src.top = RoundEven(h * 1.28);
      src.right -= src.top;
      src.bottom -= src.left;
      BltStretch(d, d.BackSurface, d.ScreenRect, stage, src, kBltWait);
    } else {
      BltClipped(d, d.BackSurface, d.ScreenRect, 0, 0, stage, Rect{0, 0, stage.width, stage.height}, kBltWait);
    }
  }
  const bool tiles_done = view.tiles_falling && DrawTileTransition(d, view.since_fade_ms);
  int y = 400 - d.CharHeight;
  DrawFontText(d, 200, y, "NOW LOADING");
  DrawFontText(d, 200 + 11 * d.CharWidth, y, std::string((view.now / 200) % 4, '.'));
  if (view.course_line) {
    d.BackTextColor = 0xFFFFFF;
    DrawSurfaceText(d, d.BackSurface, 200 + 15 * d.CharWidth, 398 - d.CharHeight, *view.course_line);
  }
  return tiles_done;
}

SDL_Rect PictureRect(int width, int height, bool fit) {
  SDL_Rect dst{0, 0, 640, 480};
  if (width <= 0 || height <= 0) return dst;
  const int factor = std::min(width / 640, height / 480);
  if (factor >= 1 && !fit) {
    dst.w = 640 * factor, dst.h = 480 * factor;
  } else {
    const double f = std::min(width / 640.0, height / 480.0);
    dst.w = std::max(1, static_cast<int>(std::lround(640 * f))), dst.h = std::max(1, static_cast<int>(std::lround(480 * f)));
    dst.w = std::min(dst.w, width), dst.h = std::min(dst.h, height);
  }
  dst.x = (width - dst.w) / 2, dst.y = (height - dst.h) / 2;
  return dst;
}

void KeepAnimating(DisplayState& d) { d.rest.animating = true; }

void RedrawAt(DisplayState& d, uint32_t when) {
  RestState& r = d.rest;
  if (!r.wake_set || static_cast<int32_t>(when - r.wake_at) < 0) r.wake_at = when;
  r.wake_set = true;
}

bool RestFrame(const Services& services, DisplayState& d, EventPump& pump, const DisplayOptions& options,
               int32_t screen) {
  RestState& r = d.rest;
  d.input_per_frame = options.input_per_frame;
  if (!services.clock.RealTime() || options.redraw_always) return false;
  // A static screen is still drawn at least this often (a part that changes
  // without saying so is not frozen for long).
  constexpr uint32_t kLongestRestMs = 1000;
  const uint32_t now = services.NowMs();
  const bool changed = r.animating || d.MessageLine.visible || d.DisplayLost || pump.EventsDispatched() != r.events ||
                       pump.TimersRun() != r.timers || screen != r.screen ||
                       (r.wake_set && static_cast<int32_t>(now - r.wake_at) >= 0) || now - r.last_drawn >= kLongestRestMs;
  if (changed) {
    r.animating = r.wake_set = false;
    r.events = pump.EventsDispatched();
    r.timers = pump.TimersRun();
    r.screen = screen;
    r.last_drawn = now;
    return false;
  }
  ++r.frames_rested;
  pump.Pump();
  // The program sleeps until something is due: the screen's next change, a
  // timer, the longest rest, and at the latest kRestWaitMs from now, since the
  // screens' loops look at a few things between frames. Input ends it at once.
  constexpr uint32_t kRestWaitMs = 100;
  uint32_t deadline = now + kRestWaitMs;
  const auto sooner = [&deadline](uint32_t when) {
    if (static_cast<int32_t>(when - deadline) < 0) deadline = when;
  };
  if (r.wake_set) sooner(r.wake_at);
  if (uint32_t due = 0; pump.NextTimerDue(&due)) sooner(due);
  sooner(r.last_drawn + kLongestRestMs);
  WaitForInput(services, pump, options, deadline);
  // The frame rate is measured over frames drawn one after another.
  d.pacing = false;
  d.FpsCounter.frames = 0;
  d.FpsCounter.last_update = services.NowMs();
  return true;
}

void ShowMessage(DisplayState& d, uint32_t now, const std::string& text) {
  MessageLineState& m = d.MessageLine;
  m.visible = true;
  m.start = now;
  m.text = text;
}

void DrawMessageAndFps(DisplayState& d, uint32_t now, bool message_on_play_line) {
  MessageLineState& m = d.MessageLine;
  if (m.visible) {
    if (message_on_play_line) {
      DrawFontText(d, 220, 385, m.text, 0);
    } else {
      // On the bottom line the message ends before the FPS figure at x 310.
      const size_t room = d.CharWidth > 0 ? (kFpsX - d.CharWidth) / d.CharWidth : m.text.size();
      DrawFontText(d, 0, 465, Utf8Left(m.text, room), 0);
    }
    int32_t shown = static_cast<int32_t>(now - m.start);
    if (shown > 1000) {
      int32_t n = (shown - 1000) / 100;
      if (n != 0) m.text = Utf8Mid(m.text, static_cast<size_t>(n));
    }
    if (m.text.empty()) m.visible = false;
  }
  if (d.BackSurface.Valid()) {
    char fps[48];
    std::snprintf(fps, sizeof fps, "FPS:%.1f", d.FpsCounter.fps);
    DrawFontText(d, kFpsX, 479 - d.CharHeight, fps);
  }
}

void PresentFrame(const Services& services, DisplayState& d, EventPump& pump, const DisplayOptions& options,
                  bool noVSync) {
  d.input_per_frame = options.input_per_frame;
  pump.Pump();
  if (options.sleep_ms > 0 && services.clock.RealTime())
    WaitForInput(services, pump, options, services.NowMs() + static_cast<uint32_t>(options.sleep_ms));
  else
    services.clock.SleepMs(static_cast<uint32_t>(std::max<int32_t>(options.sleep_ms, 0)));

  bool no_wait = noVSync || options.no_vsync;
  if (options.direct_blt)
    d.last_present = no_wait ? PresentMode::Blt : PresentMode::BltAfterVBlank;
  else
    d.last_present = no_wait ? PresentMode::FlipNoVSync : PresentMode::Flip;
  PaceFrame(services, d, pump, options, !no_wait);
  PresentBackSurface(services, d, !no_wait, options.scale_to_fit);
}

void CountFrame(DisplayState& d, uint32_t now) {
  FpsCounterState& f = d.FpsCounter;
  ++f.frames;
  uint32_t elapsed = now - f.last_update;
  if (elapsed >= 200) {
    f.fps = f.frames * 1000.0 / elapsed;
    f.frames = 0;
    f.last_update = now;
  }
}

double MeasuredFps(const DisplayState& d) { return d.FpsCounter.fps > 0 ? d.FpsCounter.fps : 60.0; }

bool DisplayHidden(const DisplayState& d) {
  bool hidden = d.window_hidden || d.targets_reset;
  if (d.window && (SDL_GetWindowFlags(d.window) & (SDL_WINDOW_MINIMIZED | SDL_WINDOW_HIDDEN))) hidden = true;
  return hidden;
}

bool NoteDisplayLost(const Services& services, DisplayState& d) {
  if (d.DisplayLost) return false;
  d.DisplayLost = true;
  services.Log("Display lost.");
  return true;
}

void WaitWhileHidden(const Services& services, DisplayState& d, EventPump& pump, int32_t sleep_ms) {
  d.targets_reset = false;  // seen; the restore rebuilds everything
  pump.Pump();
  // Wait a little even with Sleep 0, so a minimised game does not spin.
  services.clock.SleepMs(static_cast<uint32_t>(std::max<int32_t>(sleep_ms, 10)));
}

bool NoteDisplayRestored(const Services& services, DisplayState& d) {
  if (!d.DisplayLost) return false;
  d.DisplayLost = false;
  services.Log("Display restored.");
  FlushTextCache(d);
  return true;
}

void ReleaseStageImage(DisplayState& d) { ReleaseSurface(d.StageImageSurface); }

void SetWindowCaption(DisplayState& d, const std::string& caption) {
  if (caption == d.caption) return;
  d.caption = caption;
  if (d.window) SDL_SetWindowTitle(d.window, caption.c_str());
}

std::vector<uint32_t> ReadSurfacePixels(DisplayState& d, Surface& s) {
  std::vector<uint32_t> pixels;
  if (!TargetSurface(d, s)) return pixels;
  pixels.resize(static_cast<size_t>(s.width) * s.height);
  if (SDL_RenderReadPixels(d.renderer, nullptr, SDL_PIXELFORMAT_ARGB8888, pixels.data(), s.width * 4) != 0)
    pixels.clear();
  return pixels;
}

void ReleaseDisplay(DisplayState& d, WindowGeometry& window) {
  for (Surface* s : {&d.BackSurface, &d.BgaSurface, &d.GraphSurface, &d.CaptureSurface, &d.SkinSurface,
                     &d.StageImageSurface})
    ReleaseSurface(*s);
  FlushTextCache(d);
  if (d.renderer) SDL_DestroyRenderer(d.renderer);
  d.renderer = nullptr;
  if (d.window) {
    RememberWindowGeometry(d, window);
    SDL_DestroyWindow(d.window);
  }
  d.window = nullptr;
  d.window_id = 0;
  if (d.canvas) SDL_FreeSurface(d.canvas);
  d.canvas = nullptr;
}

void CloseDisplay(DisplayState& d, EventPump& pump) {
  if (d.event_source) {
    pump.RemoveSource(d.event_source);
    pump.SetWaiter(nullptr);
  }
  if (d.event_listener) pump.RemoveListener(d.event_listener);
  d.event_source = d.event_listener = 0;
  ReleaseDisplayText(d);
  if (d.sdl_video) SDL_QuitSubSystem(SDL_INIT_VIDEO);
  if (d.sdl_events) SDL_QuitSubSystem(SDL_INIT_EVENTS);
  d.sdl_video = d.sdl_events = false;
}

}  // namespace kvx
