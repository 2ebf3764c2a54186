#pragma once
// Helpers shared by the display's source files (surfaces, text, frames).
#include <SDL.h>

#include <cstdint>
#include <string>

#include "app/app_state.h"
#include "media/surface.h"

namespace kvx {

struct Game;
struct DisplayState;

// The largest surface side the display creates (a bigger picture is refused).
constexpr int kMaxSurfaceSide = 8192;

inline SDL_Rect ToSdlRect(const Rect& r) { return SDL_Rect{r.left, r.top, r.right - r.left, r.bottom - r.top}; }

// Alpha of a pixel under the display's colour-key rule: 0 for black, else 255.
inline uint32_t WithKeyAlpha(uint32_t rgb) {
  rgb &= 0xFFFFFFu;
  return rgb ? (rgb | 0xFF000000u) : 0u;
}

// Sets every pixel's alpha by the colour-key rule (ARGB8888 pixels).
void ApplyKeyAlpha(uint32_t* pixels, int width, int height, int pitch_pixels);

// Makes the surface the renderer's target; false when there is no renderer.
bool TargetSurface(DisplayState& display, Surface& surface);
// Copies src rectangle of source to dst rectangle of dest (scaled when the
// sizes differ), keyed (black skipped) or plain. No bounds checks.
void CopyRect(DisplayState& display, Surface& dest, const SDL_Rect& dst, Surface& source, const SDL_Rect& src,
              bool keyed);
// Creates a target texture of the given size for the display's renderer.
SDL_Texture* CreateTargetTexture(DisplayState& display, int width, int height);

// Text module.
void InitDisplayText(Game& game);
void ReleaseDisplayText(Game& game);
// Drops the cached text pictures (their textures belong to the renderer).
void FlushTextCache(Game& game);
// The font file fontconfig chooses for a face (Windows face names mapped to
// their stand-ins, Japanese coverage preferred) and its face index; empty
// when none is found.
std::string FindFontFile(const std::string& face, int* index);

}  // namespace kvx
