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

#include "app/app_state.h"
#include "media/surface.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Surface;
struct SDL_Rect;

namespace kvx {

struct Game;

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

  std::shared_ptr<DisplayText> text;
  // When set, every text drawn onto BackSurface is added here (layout checks).
  std::vector<DrawnText>* TextTrace = nullptr;
};

void InitDX(Game& game);
void ShowGameWindow(Game& game);
void InitDD(Game& game);
void CreateSurfaces(Game& game);
// Clears the back surface, draws text at its top-left corner and presents it.
void ShowStartupText(Game& game, const std::string& text);
void LoadSS(Game& game);
void PreparePreviewSurface(Game& game);
void PresentFrame(Game& game, bool noVSync = false);
// Where the 640x480 picture goes in a window of width x height: centred,
// aspect kept, enlarged by whole factors, or by any factor when `fit`
// (always when the window is smaller than 640x480).
SDL_Rect PictureRect(int width, int height, bool fit);
void ShowMessage(Game& game, const std::string& text);
// Called by a static screen's loop before it draws a frame. True when nothing
// changed since its last frame: the program then waits for input until the
// next frame's time, and the caller draws nothing. Only on a real-time clock.
bool RestFrame(Game& game);
// The frame being drawn has moving parts: the next frame is drawn too.
void KeepAnimating(Game& game);
// A part of the frame being drawn moves again at `when`.
void RedrawAt(Game& game, uint32_t when);
// The frame rate PresentFrame measured last (frames x 1000 / elapsed ms); the
// time step of the play easing is its inverse. 60 until the first measurement.
double MeasuredFps(Game& game);
// True when the display is usable this frame (the play loop skips drawing otherwise).
bool CheckDisplay(Game& game);
void ReleaseDirectX(Game& game);
// Draws one frame of the loading screen.
void Loading(Game& game);
// Releases the stage (loading) picture, if one is loaded.
void ReleaseStageImage(Game& game);
// Sets the game window's title (chart preparation names the chart there).
void SetWindowCaption(Game& game, const std::string& caption);

// Releases every surface and the renderer and window. Surfaces of other
// subsystems must be released before (ReleaseDirectX does that).
void ReleaseDisplay(Game& game);

// Bitmap-font text of the skin onto BackSurface; spacing is added after every
// character. Bytes outside 33..126 (and the second bytes of double-byte
// characters) take their place but draw nothing.
void DrawFontText(Game& game, int x, int y, const std::string& text, float spacing = 0);
// Digits of value onto BackSurface from `source` (screens.SongSelectObjSurface
// when null); digits 0 means 3. A minus sign leaves its cell empty.
void DrawNumber(Game& game, const NumberFont& font, int x, int y, int32_t value, int digits = 3,
                Surface* source = nullptr);
// The number text DrawNumber draws ("007", "-005", "12345").
std::string FormatNumber(int32_t value, int digits);
// The moving tiled background of the result screens (black under draw limit
// 3); the `covered` part (drawn over opaquely afterwards) is left out.
void DrawScrollingTiles(Game& game, const Rect& covered = {});
// Lays out the 300 falling tiles with new random fall distances.
void InitTileTransition(Game& game);
// One frame of the falling tiles (active while FadeState is 200).
void DrawTileTransition(Game& game);
// Makes the surface's picture grey over width x height from (0,0).
void GreyCopy(Game& game, Surface& surface, int width, int height);

// Text in a TrueType font (Japanese included) onto a surface at (x, y), the
// top-left corner of the text's cell; rgb is 0xRRGGBB. With `background`
// (0xRRGGBB) the text cell is filled first (opaque text). Returns the width
// in pixels that was drawn.
int DrawGdiText(Game& game, Surface& dest, GdiFont font, int x, int y, const std::string& utf8,
                uint32_t rgb, const uint32_t* background = nullptr);
// The same, transparent, drawing only the part of the text left of x = right
// (long titles in a column). Returns the width drawn.
int DrawGdiTextClipped(Game& game, Surface& dest, GdiFont font, int x, int y, const std::string& utf8, uint32_t rgb,
                       int right);
// Width and height of the text in that font (0 when no font is available).
int GdiTextWidth(Game& game, GdiFont font, const std::string& utf8);
int GdiFontHeight(Game& game, GdiFont font);
// The surface's own text drawing: BackSurface in the window font and
// BackTextColor, GraphSurface opaque in the graph font (black on RGB(0,128,0)),
// any other surface like BackSurface.
void DrawSurfaceText(Game& game, Surface& dest, int x, int y, const std::string& utf8);

// Reads the pixels of a surface as 0xAARRGGBB values, row by row (tests,
// screenshots). Empty when it cannot be read.
std::vector<uint32_t> ReadSurfacePixels(Game& game, Surface& surface);
// Frees memory of the renderer as a number for the log lines ("VRAM FREE:").
uint64_t FreeVideoMemory();

}  // namespace kvx
