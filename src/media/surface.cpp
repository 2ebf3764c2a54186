// Surface operations on SDL render-target textures. The colour-key rule of
// display.h (alpha 0 exactly for black pixels) is kept by every operation here.
#include "media/surface.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "app/game.h"
#include "media/display_internal.h"
#include "media/picture_file.h"
#include "platform/files.h"

namespace kvx {

void ApplyKeyAlpha(uint32_t* pixels, int width, int height, int pitch_pixels) {
  for (int y = 0; y < height; ++y) {
    uint32_t* row = pixels + static_cast<size_t>(y) * pitch_pixels;
    for (int x = 0; x < width; ++x) row[x] = WithKeyAlpha(row[x]);
  }
}

SDL_Texture* CreateTargetTexture(Game& g, int width, int height) {
  if (!g.display.renderer || width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide)
    return nullptr;
  SDL_Texture* t =
      SDL_CreateTexture(g.display.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
  if (!t) return nullptr;
  SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
  SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
  return t;
}

bool TargetSurface(Game& g, Surface& s) {
  if (!g.display.renderer || !s.texture) return false;
  return SDL_SetRenderTarget(g.display.renderer, s.texture) == 0;
}

void CopyRect(Game& g, Surface& dest, const SDL_Rect& dst, Surface& source, const SDL_Rect& src, bool keyed) {
  SDL_Renderer* r = g.display.renderer;
  if (!r || !dest.texture || !source.texture) return;
  SDL_Texture* from = source.texture;
  SDL_Texture* temp = nullptr;
  if (from == dest.texture) {
    // A texture cannot be drawn onto itself: copy the piece out first.
    temp = CreateTargetTexture(g, src.w, src.h);
    if (!temp || SDL_SetRenderTarget(r, temp) != 0) {
      if (temp) SDL_DestroyTexture(temp);
      return;
    }
    SDL_SetTextureBlendMode(from, SDL_BLENDMODE_NONE);
    SDL_RenderCopy(r, from, &src, nullptr);
    from = temp;
  }
  if (SDL_SetRenderTarget(r, dest.texture) == 0) {
    SDL_SetTextureBlendMode(from, keyed ? SDL_BLENDMODE_BLEND : SDL_BLENDMODE_NONE);
    SDL_Rect whole{0, 0, src.w, src.h};
    SDL_RenderCopy(r, from, temp ? &whole : &src, &dst);
  }
  if (temp) SDL_DestroyTexture(temp);
}

namespace {

bool InsideSurface(const Surface& s, const SDL_Rect& r) {
  return r.x >= 0 && r.y >= 0 && r.w > 0 && r.h > 0 && r.x + r.w <= s.width && r.y + r.h <= s.height;
}

}  // namespace

const std::vector<std::string>& PictureFileExtensions() {
  static const std::vector<std::string> extensions = {".bmp", ".png", ".jpg", ".jpeg", ".gif", ".tga"};
  return extensions;
}

std::optional<std::string> FindPictureFile(const std::string& path) {
  if (path.empty()) return std::nullopt;
  if (FileExists(path)) return path;
  return ResolveWithExtensions("", path, PictureFileExtensions());
}

bool LoadSurfaceFromFile(Game& g, Surface& surface, const std::string& path, bool color_key_black) {
  const std::optional<std::string> found = FindPictureFile(path);
  if (!found) {
    DebugLog(g, "Error : can't load image : " + path + " (file not found)");
    return false;
  }
  const std::string& real = *found;
  if (!g.display.renderer) {
    DebugLog(g, "Error : can't load image : " + path + " (no display)");
    return false;
  }
  // The size the header claims is checked before anything is decoded.
  if (FileSize(real).value_or(0) > kMaxPictureFileBytes) {
    DebugLog(g, "Error : can't load image : " + path + " (the file is larger than " +
                    std::to_string(kMaxPictureFileBytes >> 20) + " MB)");
    return false;
  }
  const std::optional<std::string> bytes = ReadFileBytes(real);
  std::string why = "the file cannot be read";
  SDL_Surface* loaded = bytes ? DecodePicture(*bytes, real, PictureLimits{}, why) : nullptr;
  if (!loaded) {
    DebugLog(g, "Error : can't load image : " + path + " (" + why + ")");
    return false;
  }
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (!argb) {
    DebugLog(g, "Error : can't load image : " + path + " : " + SDL_GetError());
    return false;
  }
  // The picture's own alpha is not used: black is transparent, everything else opaque.
  ApplyKeyAlpha(static_cast<uint32_t*>(argb->pixels), argb->w, argb->h, argb->pitch / 4);
  SDL_Texture* t = CreateTargetTexture(g, argb->w, argb->h);
  if (!t || SDL_UpdateTexture(t, nullptr, argb->pixels, argb->pitch) != 0) {
    DebugLog(g, "Error : can't create surface for image : " + path + " : " + SDL_GetError());
    if (t) SDL_DestroyTexture(t);
    SDL_FreeSurface(argb);
    return false;
  }
  ReleaseSurface(surface);
  surface.texture = t;
  surface.width = argb->w;
  surface.height = argb->h;
  surface.color_key = color_key_black;
  SDL_FreeSurface(argb);
  return true;
}

bool CreateSurface(Game& g, Surface& surface, int width, int height, bool color_key_black) {
  SDL_Texture* t = CreateTargetTexture(g, width, height);
  if (!t) return false;
  ReleaseSurface(surface);
  surface.texture = t;
  surface.width = width;
  surface.height = height;
  surface.color_key = color_key_black;
  FillSurface(g, surface, nullptr, 0);
  return true;
}

void ReleaseSurface(Surface& surface) {
  if (surface.texture) SDL_DestroyTexture(surface.texture);
  surface = Surface{};
}

void FillSurface(Game& g, Surface& dest, const Rect* rect, uint32_t rgb) {
  if (!TargetSurface(g, dest)) return;
  SDL_Rect area{0, 0, dest.width, dest.height};
  if (rect) {
    SDL_Rect wanted = ToSdlRect(*rect), clipped;
    if (!SDL_IntersectRect(&wanted, &area, &clipped)) return;
    area = clipped;
  }
  uint32_t argb = WithKeyAlpha(rgb);
  SDL_Renderer* r = g.display.renderer;
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(r, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
  SDL_RenderFillRect(r, &area);
}

void BltClipped(Game& g, Surface& dest, const Rect& clip, int x, int y, Surface& source, const Rect& sourceRect,
                int flags) {
  Rect s = sourceRect;
  int w = s.right - s.left, h = s.bottom - s.top;
  if (!(x <= clip.right && x + w >= clip.left && y <= clip.bottom && y + h >= clip.top)) return;
  if (x < clip.left) {
    s.left += clip.left - x;
    w -= clip.left - x;
    x = clip.left;
  }
  if (y < clip.top) {
    s.top += clip.top - y;
    h -= clip.top - y;
    y = clip.top;
  }
  if (x + w > clip.right) s.right -= x + w - clip.right;
  if (y + h > clip.bottom) s.bottom -= y + h - clip.bottom;
  SDL_Rect src = ToSdlRect(s);
  SDL_Rect dst{x, y, src.w, src.h};
  // Like a fast copy without a clipper: a rectangle outside either surface is refused.
  if (!dest.Valid() || !source.Valid() || !InsideSurface(source, src) || !InsideSurface(dest, dst)) return;
  CopyRect(g, dest, dst, source, src, (flags & kBltSourceColorKey) && source.color_key);
}

void BltStretch(Game& g, Surface& dest, const Rect& destRect, Surface& source, const Rect& sourceRect, int flags) {
  SDL_Rect src = ToSdlRect(sourceRect), dst = ToSdlRect(destRect);
  if (!dest.Valid() || !source.Valid() || !InsideSurface(source, src) || !InsideSurface(dest, dst)) return;
  CopyRect(g, dest, dst, source, src, (flags & kBltSourceColorKey) && source.color_key);
}

void BltStretchClipped(Game& g, Surface& dest, const Rect& destRect, Surface& source, const Rect& sourceRect,
                       int flags) {
  const int dw = destRect.Width(), dh = destRect.Height();
  const int sw = sourceRect.Width(), sh = sourceRect.Height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  Rect d = destRect, s = sourceRect;
  auto cut = [](int32_t& edge, int32_t& sourceEdge, int over, int sourceLength, int destLength, int sign) {
    edge += sign * over;
    sourceEdge += sign * static_cast<int32_t>(static_cast<int64_t>(over) * sourceLength / destLength);
  };
  if (d.left < 0) cut(d.left, s.left, -d.left, sw, dw, 1);
  if (d.top < 0) cut(d.top, s.top, -d.top, sh, dh, 1);
  if (d.right > dest.width) cut(d.right, s.right, d.right - dest.width, sw, dw, -1);
  if (d.bottom > dest.height) cut(d.bottom, s.bottom, d.bottom - dest.height, sh, dh, -1);
  if (d.Width() <= 0 || d.Height() <= 0 || s.Width() <= 0 || s.Height() <= 0) return;
  BltStretch(g, dest, d, source, s, flags);
}

void DarkenSurface(Game& g, Surface& dest, int percent) {
  if (percent <= 0 || !TargetSurface(g, dest)) return;
  SDL_Renderer* r = g.display.renderer;
  const int alpha = std::min(percent, 100) * 255 / 100;
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_BLEND);
  SDL_SetRenderDrawColor(r, 0, 0, 0, static_cast<Uint8>(alpha));
  SDL_Rect all{0, 0, dest.width, dest.height};
  SDL_RenderFillRect(r, &all);
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
}

void DrawLine(Game& g, Surface& dest, int x0, int y0, int x1, int y1, uint32_t rgb) {
  if (!TargetSurface(g, dest)) return;
  SDL_Renderer* r = g.display.renderer;
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(r, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 0xFF);
  SDL_RenderDrawLine(r, x0, y0, x1, y1);
}

}  // namespace kvx
