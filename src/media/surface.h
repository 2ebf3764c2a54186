#pragma once
// Drawing surfaces: the stand-in for off-screen and back-buffer surfaces.
// Every operation draws with the renderer of the DisplayState it is given;
// loading logs its failures through the services.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "platform/rect.h"

struct SDL_Texture;

namespace kvx {

struct DisplayState;
struct Services;

struct Surface {
  SDL_Texture* texture = nullptr;
  int width = 0, height = 0;
  bool color_key = false;  // black pixels are not copied when this is the source of a keyed copy
  bool Valid() const { return texture != nullptr; }
};

// Fast-copy flags.
constexpr int kBltSourceColorKey = 1;
constexpr int kBltWait = 16;

// The picture extensions tried, in order, when a named picture is missing.
const std::vector<std::string>& PictureFileExtensions();
// The file a picture name stands for: the path itself, else the same name
// without regard to letter case and "\" separators, else that name with the
// other picture extensions (title.bmp found as Title.png). Empty when none.
std::optional<std::string> FindPictureFile(const std::string& path);
// Loads a picture file (any format SDL2_image reads) into a surface of its
// size; the file is looked up as FindPictureFile does.
bool LoadSurfaceFromFile(const Services& services, DisplayState& display, Surface& surface, const std::string& path, bool color_key_black);
// Creates a blank (black) surface that can be drawn to.
bool CreateSurface(DisplayState& display, Surface& surface, int width, int height, bool color_key_black);
void ReleaseSurface(Surface& surface);
// Fills the rectangle (the whole surface when rect is null) with 0xRRGGBB.
void FillSurface(DisplayState& display, Surface& dest, const Rect* rect, uint32_t rgb);
// Copies sourceRect of source to (x, y) of dest, clipped to clip.
void BltClipped(DisplayState& display, Surface& dest, const Rect& clip, int x, int y, Surface& source,
                const Rect& sourceRect, int flags);
// Copies sourceRect of source stretched into destRect of dest.
void BltStretch(DisplayState& display, Surface& dest, const Rect& destRect, Surface& source, const Rect& sourceRect,
                int flags);

// A one-pixel line from (x0, y0) to (x1, y1), both ends included.
// A stretching copy whose destination may reach past the edges of dest: the
// part outside is cut off, with the source cut in proportion.
void BltStretchClipped(DisplayState& display, Surface& dest, const Rect& destRect, Surface& source, const Rect& sourceRect,
                       int flags);

void DrawLine(DisplayState& display, Surface& dest, int x0, int y0, int x1, int y1, uint32_t rgb);
// Darkens the whole surface towards black by percent (0 nothing, 100 black).
void DarkenSurface(DisplayState& display, Surface& dest, int percent);

}  // namespace kvx
