#pragma once
// Background animation images.
#include <array>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "media/surface.h"
#include "platform/rect.h"
#include "platform/services.h"

namespace kvx {

struct ChartState;
struct DisplayState;

constexpr int kBgaImageIds = 1296;  // image numbers 00..ZZ (base 36)
constexpr int kBgaTiles = 6;
constexpr int kBgaDelayFrames = 60;  // 6 tiles x 10 frames

// One bouncing tile of tile modes 1 and 2.
struct BgaTile {
  int32_t x = 0, y = 0, dx = 0, dy = 0;
};

struct BgaState {
  // Images of the loaded chart by number.
  std::array<std::string, kBgaImageIds> LoadedBmpFile{};  // the path held in BmpSurface[n]
  std::array<Surface, kBgaImageIds> BmpSurface{};
  std::array<Rect, kBgaImageIds> BmpRect{};
  // Numbers whose file could not be loaded for this chart (not retried).
  std::array<bool, kBgaImageIds> BmpFailed{};

  // Course play: images per song, indexed [song + 128 * id] like the chart's
  // course name table; sized on first use.
  std::vector<Surface> CourseBmpSurface;
  std::vector<Rect> CourseBmpRect;

  // What the play loop shows.
  int32_t BgaBaseId = -1, BgaLayerId = -1;
  int32_t PoorImageId = 0;  // #BMP00 unless the chart names another one
  std::array<bool, 2> BgaReleaseMarks{};
  bool BgaDirty = false;
  // Images loaded on first display during the current play.
  int32_t PendingImages = 0;

  // Tile modes 1 and 2.
  bool TilesMoving = false;
  std::array<BgaTile, kBgaTiles> Tiles{};
  std::mt19937 random{20061206u};
  // Tile mode 2: a ring of older pictures; DelayHead is the newest.
  std::vector<Surface> DelayChain;
  int DelayHead = 0;
};

// What the image routines use of the program around them, like an import
// table: the log and the clock, the message line, the few settings they
// follow and the skin's window. The caller fills it for each call.
struct BgaLinks {
  Services services;
  // Shows a line on the message line; may be empty (nothing is shown).
  std::function<void(const std::string&)> show_message{};
  bool no_bga = false;            // NoBGA: no picture is composed or drawn
  int bmp_load_mode = 0;          // BMPLoadmode: 1 = a picture loads when first shown
  int bmp_release = 0;            // BMPRelease: 1 = a picture with a release mark goes once shown
  bool realtime_stretch = false;  // RealtimeStretch: stretch to a window other than 256 x 256
  Rect window{};                   // the BGA window on the back surface (BgaX, BgaY, BgaWidth, BgaHeight)
  int tile_mode = 0;              // the skin's TileMode
  Rect lane_area{};                // the skin's LaneAreaRect (the clip of tile mode 3)
};

// What the play shows in the BGA window this frame.
struct BgaFrame {
  bool changed = false;    // a picture changed since the last frame (base, layer, or the poor picture ended)
  bool poor = false;       // the poor picture is up (one measure after a BAD or POOR)
  int32_t elapsed_ms = 0;  // the play's elapsed time (tile mode 3 moves with it)
};

// Loads image n (the file named by chart.BmpFile[n]).
void LoadBmp(BgaState& bga, DisplayState& display, ChartState& chart, const BgaLinks& links, int n);
// Releases the images whose file the newly read chart no longer names.
void ReleaseChangedImages(BgaState& bga, const ChartState& chart);
// Course play: loads chart.CourseBmpFile[song + 128 * id] into the song's
// image table (called through coursebmsdbga while a course is read).
void LoadCourseBmp(BgaState& bga, DisplayState& display, ChartState& chart, const BgaLinks& links, int song, int id);
// Forgets which chart images are loaded (BMSInit; the surfaces stay cached).
void ClearImageLoadFlags(BgaState& bga);

// The play's image changes: the base (layer 0) or layer (1) image, with the
// release mark of an image shown once; the picture shown after a BAD or POOR.
void SetBgaImage(BgaState& bga, int layer, int32_t id, bool releaseMark);
void SetPoorImage(BgaState& bga, int32_t id);
// No base or layer image (a course song change).
void ResetBgaLayers(BgaState& bga);
// Forgets the count of images loaded on first display (end of play).
void ClearPendingImages(BgaState& bga);
// Releases the chart's images after the stage transition (in a course, the
// images of the songs already played).
void ReleaseChartImages(BgaState& bga, const ChartState& chart);

// Composes the current base and layer images into BgaSurface.
void ComposeBga(BgaState& bga, DisplayState& display, ChartState& chart, const BgaLinks& links);
// Draws the background animation window of the play screen (the poor picture
// when the play shows it, recomposition after a change, tile modes).
void DrawBgaWindow(BgaState& bga, DisplayState& display, ChartState& chart, const BgaLinks& links,
                   const BgaFrame& frame);

// Releases all image surfaces (ReleaseDisplay at shutdown, before the
// renderer that owns them goes away).
void ReleaseBgaSurfaces(BgaState& bga);

}  // namespace kvx
