#pragma once
// Background animation images.
#include <array>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "app/app_state.h"
#include "media/surface.h"

namespace kvx {

struct Game;

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

// Loads image n (the file named by chart.BmpFile[n]).
void LoadBmp(Game& game, int n);
// Releases the images whose file the newly read chart no longer names.
void ReleaseChangedImages(Game& game);
// Course play: loads chart.CourseBmpFile[song + 128 * id] into the song's
// image table (called through coursebmsdbga while a course is read).
void LoadCourseBmp(Game& game, int song, int id);
// Forgets which chart images are loaded (BMSInit; the surfaces stay cached).
void ClearImageLoadFlags(Game& game);

// The play's image changes: the base (layer 0) or layer (1) image, with the
// release mark of an image shown once; the picture shown after a BAD or POOR.
void SetBgaImage(Game& game, int layer, int32_t id, bool releaseMark);
void SetPoorImage(Game& game, int32_t id);
// No base or layer image (a course song change).
void ResetBgaLayers(Game& game);
// Forgets the count of images loaded on first display (end of play).
void ClearPendingImages(Game& game);
// Releases the chart's images after the stage transition (in a course, the
// images of the songs already played).
void ReleaseChartImages(Game& game);

// Composes the current base and layer images into BgaSurface.
void ComposeBga(Game& game);
// Draws the background animation window of the play screen (poor picture,
// recomposition when dirty, tile modes).
void DrawBgaWindow(Game& game);

// Releases all image surfaces (ReleaseDisplay at shutdown, before the
// renderer that owns them goes away).
void ReleaseBgaSurfaces(Game& game);

}  // namespace kvx
