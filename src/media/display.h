#pragma once
// The display: the game window, the surfaces and the text routines.
//
// Every surface is an SDL render-target texture in ARGB8888. The frame is
// composed on BackSurface (640x480) and presented scaled into the window.
//
// Colour keys: all surfaces keep one rule, "a pixel has alpha 0 exactly when
// it is black". Loading, fills and text keep it. A colour-keyed copy from a
// keyed source is drawn with alpha blending, so black (alpha 0) pixels are
// skipped and every other pixel (alpha 255) is copied unchanged; a plain copy
// is drawn without blending and copies the pixels, black included. Scaling is
// nearest-neighbour, so stretched copies keep the rule. This works the same on
// the software renderer and on accelerated renderers.
#include <array>
#include <cstdint>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "media/surface.h"
#include "media/window_geometry.h"
#include "platform/rect.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Rect;

namespace kvx {

class EventPump;
struct Services;

// A digit font of the skin: advance width, then the rectangles of 0..9.
struct NumberFont {
  int16_t advance = 0;
  std::array<Rect, 10> rects{};
};

// The one-line status message.
struct MessageLineState {
  bool visible = false;
  std::string text;
  uint32_t start = 0;  // ms on the game clock
};

struct FpsCounterState {
  int32_t frames = 0;
  uint32_t last_update = 0;
  double fps = 0;
};

// One tile of the falling-tile transition.
struct FallingTile {
  Rect rect;
  int32_t fall = 480;
};

// The list-text fonts, and the fonts of the surfaces' own text drawing.
enum class GdiFont {
  Status,   // 10 px
  List1,    // 10 px
  List2,    // 10 px
  Bold16,   // 16 px, bold
  Bold12,   // 12 px, bold
  Title,    // 26 px, 9 px average width
  Window,   // the game window's font (face from the Font setting): BackSurface text
  Graph,    // the Font face at size 8: GraphSurface text
};
constexpr int kGdiFontCount = 8;

// How the last frame went to the screen (flip or copy, with or without the
// vertical-blank wait).
enum class PresentMode { None, Flip, FlipNoVSync, BltAfterVBlank, Blt };

class DisplayText;  // fonts and rendered-text cache (display_text.cpp)

// Screens that rest: a static screen is drawn again only when something
// changed since its last frame (an event, a timer, an animation step).
struct RestState {
  bool animating = true;      // the frame being drawn has moving parts
  bool wake_set = false;      // a part moves again at wake_at
  uint32_t wake_at = 0;
  uint64_t events = ~0ull;    // the pump's counters when the last frame was drawn
  uint64_t timers = ~0ull;
  int32_t screen = -1;        // the screen last drawn
  uint32_t last_drawn = 0;
  uint32_t frames_rested = 0;
};

// One text drawn onto BackSurface: what, where (the cell it covers) and in
// which colour (0xRRGGBB; 0 for the skin's bitmap font).
struct DrawnText {
  std::string text;
  Rect rect;
  uint32_t rgb = 0;
};

struct DisplayState {
  // Platform objects.
  SDL_Window* window = nullptr;
  SDL_Renderer* renderer = nullptr;
  SDL_Surface* canvas = nullptr;  // the picture of a run without a window
  uint32_t window_id = 0;
  bool sdl_events = false;        // InitDX took the SDL event subsystem
  bool sdl_video = false;         // InitDX took the SDL video subsystem
  bool headless = false;          // drawing goes to `canvas`
  bool software = false;          // the renderer is SDL's software renderer
  bool fullscreen = false;
  int scale = 1;                  // window size / 640 when it was made
  int vsync = -1;                 // what the renderer was last told (-1 unknown)
  int event_source = 0, event_listener = 0;

  // The screen.
  Rect ScreenRect{0, 0, 640, 480};
  int32_t ScreenWidth = 640, ScreenHeight = 480;
  Rect BgaRect{0, 0, 256, 256};
  int32_t ColorBits = 16;  // (ScreenColors + 1) x 8, logged only

  Surface BackSurface;
  Surface BgaSurface;
  Surface GraphSurface;
  Surface CaptureSurface;
  Surface SkinSurface;           // created by the skin loader
  Surface StageImageSurface;     // the chart's stage picture (chart loading)

  // The skin's bitmap font (set by the skin loader).
  uint8_t CharWidth = 0, CharHeight = 0;
  std::array<Rect, 97> GlyphRects{};  // index = character code - 32

  MessageLineState MessageLine;
  FpsCounterState FpsCounter;

  // Falling-tile transition.
  std::array<FallingTile, 300> Tiles{};
  std::mt19937 random{0};

  // Text colour of BackSurface's own text drawing (0xRRGGBB).
  uint32_t BackTextColor = 0x0000FF;

  // Display loss (window minimised or hidden, render targets reset).
  bool window_hidden = false;   // from WindowHidden / WindowShown events
  bool targets_reset = false;   // the renderer lost its target textures
  bool DisplayLost = false;
  bool paused_by_loss = false;

  std::string caption;  // the game window's title

  RestState rest;

  PresentMode last_present = PresentMode::None;
  uint32_t frames_presented = 0;

  // Frame pacing where the present does not wait for the vertical retrace.
  int refresh_hz = 0;             // of the window's display; 0 until asked
  bool vsync_unreliable = false;  // vsync was asked for, yet frames came far too fast
  bool pacing = false;            // the frames below are being paced
  uint32_t pace_origin = 0;       // clock time of paced frame 0
  uint32_t paced_frames = 0;
  uint32_t last_present_end = 0;  // clock time the last present returned

  bool input_per_frame = false;   // the events are read once per frame (DisplayOptions)

  std::shared_ptr<DisplayText> text;
  // When set, every text drawn onto BackSurface is added here (layout checks).
  std::vector<DrawnText>* TextTrace = nullptr;
};

// What the display reads of the command line and the settings; the game
// fills it for each call that needs it.
struct DisplayOptions {
  bool headless = false;         // never open a window
  bool fullscreen = false;
  int max_fps = 0;               // frame-rate cap (0: the display's rate)
  bool input_per_frame = false;  // events read once per frame instead of as they come
  bool redraw_always = false;    // static screens do not rest
  bool scale_to_fit = false;     // ScaleToFit: enlarge by any factor
  bool no_vsync = false;         // NOVSync
  bool direct_blt = false;       // DirectBlt
  int32_t sleep_ms = 0;          // Sleep: wait before every present
  int32_t screen_colors = 0;     // ScreenColors (logged only)
};

// Starts the event and video subsystems and the fonts (window_face: the Font
// setting) and listens to the pump for window events; the window's moves are
// recorded in `window`, which lives as long as the pump. False (logged) when
// the event subsystem cannot start.
bool InitDX(const Services& services, DisplayState& display, EventPump& pump, WindowGeometry& window,
            const DisplayOptions& options, const std::string& window_face);
void ShowGameWindow(const Services& services, DisplayState& display, EventPump& pump, WindowGeometry& window,
                    const DisplayOptions& options);
void InitDD(const Services& services, DisplayState& display, EventPump& pump, WindowGeometry& window,
            const DisplayOptions& options);
// Makes the back, background-picture (bga_width x bga_height, the skin's),
// graph and capture surfaces; the window font follows window_face.
void CreateSurfaces(const Services& services, DisplayState& display, int bga_width, int bga_height,
                    const std::string& window_face);
// Clears the back surface, draws text at its top-left corner and presents it.
void ShowStartupText(const Services& services, DisplayState& display, bool scale_to_fit, const std::string& text);
// Draws the status message (on the play screen's line or the bottom line) and
// the FPS figure onto BackSurface; the message scrolls away after a second.
void DrawMessageAndFps(DisplayState& display, uint32_t now, bool message_on_play_line);
// Waits out the frame (Sleep, the frame rate, vsync) with input handled
// meanwhile, and shows BackSurface. CountFrame then counts it.
void PresentFrame(const Services& services, DisplayState& display, EventPump& pump, const DisplayOptions& options,
                  bool noVSync);
// Counts a presented frame into the FPS figure (measured every 200 ms).
void CountFrame(DisplayState& display, uint32_t now);
// Where the 640x480 picture goes in a window of width x height: centred,
// aspect kept, enlarged by whole factors, or by any factor when `fit`
// (always when the window is smaller than 640x480).
SDL_Rect PictureRect(int width, int height, bool fit);
void ShowMessage(DisplayState& display, uint32_t now, const std::string& text);
// Called by a static screen's loop before it draws a frame. True when nothing
// changed since its last frame (`screen` is the screen being drawn): the
// program then waits for input until the next frame's time, and the caller
// draws nothing. Only on a real-time clock.
bool RestFrame(const Services& services, DisplayState& display, EventPump& pump, const DisplayOptions& options,
               int32_t screen);
// The frame being drawn has moving parts: the next frame is drawn too.
void KeepAnimating(DisplayState& display);
// A part of the frame being drawn moves again at `when`.
void RedrawAt(DisplayState& display, uint32_t when);
// The frame rate PresentFrame measured last (frames x 1000 / elapsed ms); the
// time step of the play easing is its inverse. 60 until the first measurement.
double MeasuredFps(const DisplayState& display);
// Display loss: the window is minimised or hidden, or the renderer lost its
// targets. NoteDisplayLost is true the first time (logged); WaitWhileHidden
// handles events and sleeps a little; NoteDisplayRestored is true when the
// display comes back (logged; the text cache is dropped) and the caller then
// rebuilds its surfaces.
bool DisplayHidden(const DisplayState& display);
bool NoteDisplayLost(const Services& services, DisplayState& display);
void WaitWhileHidden(const Services& services, DisplayState& display, EventPump& pump, int32_t sleep_ms);
bool NoteDisplayRestored(const Services& services, DisplayState& display);
// What the loading screen shows besides the stage picture.
struct LoadingView {
  uint32_t now = 0;
  int32_t since_fade_ms = 0;               // since the fade started (the picture zooms in over 500 ms)
  bool stretch_in = true;                  // DontStretch off
  bool tiles_falling = false;              // the falling-tile transition runs
  const std::string* course_line = nullptr;  // "2. Title" in a course
};
// Draws one frame of the loading screen onto BackSurface; true when the
// falling tiles have finished.
bool DrawLoadingScreen(DisplayState& display, const LoadingView& view);
// Releases the stage (loading) picture, if one is loaded.
void ReleaseStageImage(DisplayState& display);
// Sets the game window's title (chart preparation names the chart there).
void SetWindowCaption(DisplayState& display, const std::string& caption);

// Releases the display's surfaces and the renderer and window (its geometry
// recorded in `window`). Surfaces of other subsystems go first.
void ReleaseDisplay(DisplayState& display, WindowGeometry& window);
// Leaves the pump and closes the fonts and the SDL subsystems.
void CloseDisplay(DisplayState& display, EventPump& pump);

// Bitmap-font text of the skin onto BackSurface; spacing is added after every
// character. Bytes outside 33..126 (and the second bytes of double-byte
// characters) take their place but draw nothing.
void DrawFontText(DisplayState& display, int x, int y, const std::string& text, float spacing = 0);
// Digits of value onto BackSurface from the digit pictures of `source`;
// digits 0 means 3. A minus sign leaves its cell empty.
void DrawNumber(DisplayState& display, Surface& source, const NumberFont& font, int x, int y, int32_t value,
                int digits = 3);
// The number text DrawNumber draws ("007", "-005", "12345").
std::string FormatNumber(int32_t value, int digits);
// The moving tiled background of the result screens (tiles from `tiles`);
// the `covered` part (drawn over opaquely afterwards) is left out.
void DrawScrollingTiles(DisplayState& display, Surface& tiles, uint32_t now, const Rect& covered = {});
// Black over the screen around `covered` (the tiles' place under draw limit 3).
void ClearAround(DisplayState& display, const Rect& covered);
// Lays out the 300 falling tiles with new random fall distances.
void InitTileTransition(DisplayState& display, uint32_t seed);
// One frame of the falling tiles, elapsed_ms into the transition; true when
// they have fallen.
bool DrawTileTransition(DisplayState& display, int32_t elapsed_ms);
// Makes the surface's picture grey over width x height from (0,0).
void GreyCopy(DisplayState& display, Surface& surface, int width, int height);

// Text in a TrueType font (Japanese included) onto a surface at (x, y), the
// top-left corner of the text's cell; rgb is 0xRRGGBB. With `background`
// (0xRRGGBB) the text cell is filled first (opaque text). Returns the width
// in pixels that was drawn.
int DrawGdiText(DisplayState& display, Surface& dest, GdiFont font, int x, int y, const std::string& utf8,
                uint32_t rgb, const uint32_t* background = nullptr);
// The same, transparent, drawing only the part of the text left of x = right
// (long titles in a column). Returns the width drawn.
int DrawGdiTextClipped(DisplayState& display, Surface& dest, GdiFont font, int x, int y, const std::string& utf8, uint32_t rgb,
                       int right);
// Width and height of the text in that font (0 when no font is available).
int GdiTextWidth(DisplayState& display, GdiFont font, const std::string& utf8);
int GdiFontHeight(DisplayState& display, GdiFont font);
// The surface's own text drawing: BackSurface in the window font and
// BackTextColor, GraphSurface opaque in the graph font (black on RGB(0,128,0)),
// any other surface like BackSurface.
void DrawSurfaceText(DisplayState& display, Surface& dest, int x, int y, const std::string& utf8);

// Reads the pixels of a surface as 0xAARRGGBB values, row by row (tests,
// screenshots). Empty when it cannot be read.
std::vector<uint32_t> ReadSurfacePixels(DisplayState& display, Surface& surface);
// Frees memory of the renderer as a number for the log lines ("VRAM FREE:").
uint64_t FreeVideoMemory();

}  // namespace kvx
