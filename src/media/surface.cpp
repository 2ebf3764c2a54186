// Surface operations on SDL render-target textures. The colour-key rule of
// display.h (alpha 0 exactly for black pixels) is kept by every operation here.
#include "media/surface.h"

#include <SDL.h>

#include <algorithm>
#include <vector>

#include "media/display.h"
#include "media/display_internal.h"
#include "media/picture_file.h"
#include "platform/files.h"
#include "platform/services.h"

namespace kvx {

void ApplyKeyAlpha(uint32_t* pixels, int width, int height, int pitch_pixels) {
  for (int y = 0; y < height; ++y) {
    uint32_t* row = pixels + static_cast<size_t>(y) * pitch_pixels;
    for (int x = 0; x < width; ++x) row[x] = WithKeyAlpha(row[x]);
  }
}

SDL_Texture* CreateTargetTexture(DisplayState& d, int width, int height) {
  if (!d.renderer || width <= 0 || height <= 0 || width > kMaxSurfaceSide || height > kMaxSurfaceSide)
    return nullptr;
  SDL_Texture* t =
      SDL_CreateTexture(d.renderer, SDL_PIXELFORMAT_ARGB8888, SDL_TEXTUREACCESS_TARGET, width, height);
  if (!t) return nullptr;
  SDL_SetTextureScaleMode(t, SDL_ScaleModeNearest);
  SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
  return t;
}

bool TargetSurface(DisplayState& d, Surface& s) {
  if (!d.renderer || !s.texture) return false;
  return SDL_SetRenderTarget(d.renderer, s.texture) == 0;
}

void CopyRect(DisplayState& d, Surface& dest, const SDL_Rect& dst, Surface& source, const SDL_Rect& src, bool keyed) {
  SDL_Renderer* r = d.renderer;
  if (!r || !dest.texture || !source.texture) return;
  SDL_Texture* from = source.texture;
  SDL_Texture* temp = nullptr;
  if (from == dest.texture) {
    // A texture cannot be drawn onto itself: copy the piece out first.
    temp = CreateTargetTexture(d, src.w, src.h);
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

bool LoadSurfaceFromFile(const Services& services, DisplayState& d, Surface& surface, const std::string& path, bool color_key_black) {
  const std::optional<std::string> found = FindPictureFile(path);
  if (!found) {
    services.Log("Error : can't load image : " + path + " (file not found)");
    return false;
  }
  const std::string& real = *found;
  if (!d.renderer) {
    services.Log("Error : can't load image : " + path + " (no display)");
    return false;
  }
  // The size the header claims is checked before anything is decoded.
  if (FileSize(real).value_or(0) > kMaxPictureFileBytes) {
    services.Log("Error : can't load image : " + path + " (the file is larger than " +
                    std::to_string(kMaxPictureFileBytes >> 20) + " MB)");
    return false;
  }
  const std::optional<std::string> bytes = ReadFileBytes(real);
  std::string why = "the file cannot be read";
  SDL_Surface* loaded = bytes ? DecodePicture(*bytes, real, PictureLimits{}, why) : nullptr;
  if (!loaded) {
    services.Log("Error : can't load image : " + path + " (" + why + ")");
    return false;
  }
  SDL_Surface* argb = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_ARGB8888, 0);
  SDL_FreeSurface(loaded);
  if (!argb) {
    services.Log("Error : can't load image : " + path + " : " + SDL_GetError());
    return false;
  }
  // The picture's own alpha is not used: black is transparent, everything else opaque.
  ApplyKeyAlpha(static_cast<uint32_t*>(argb->pixels), argb->w, argb->h, argb->pitch / 4);
  SDL_Texture* t = CreateTargetTexture(d, argb->w, argb->h);
  if (!t || SDL_UpdateTexture(t, nullptr, argb->pixels, argb->pitch) != 0) {
    services.Log("Error : can't create surface for image : " + path + " : " + SDL_GetError());
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

bool CreateSurface(DisplayState& d, Surface& surface, int width, int height, bool color_key_black) {
  SDL_Texture* t = CreateTargetTexture(d, width, height);
  if (!t) return false;
  ReleaseSurface(surface);
  surface.texture = t;
  surface.width = width;
  surface.height = height;
  surface.color_key = color_key_black;
  FillSurface(d, surface, nullptr, 0);
  return true;
}

void ReleaseSurface(Surface& surface) {
  if (surface.texture) SDL_DestroyTexture(surface.texture);
  surface = Surface{};
}

void FillSurface(DisplayState& d, Surface& dest, const Rect* rect, uint32_t rgb) {
  if (!TargetSurface(d, dest)) return;
  SDL_Rect area{0, 0, dest.width, dest.height};
  if (rect) {
    SDL_Rect wanted = ToSdlRect(*rect), clipped;
    if (!SDL_IntersectRect(&wanted, &area, &clipped)) return;
    area = clipped;
  }
  uint32_t argb = WithKeyAlpha(rgb);
  SDL_Renderer* r = d.renderer;
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(r, (argb >> 16) & 0xFF, (argb >> 8) & 0xFF, argb & 0xFF, argb >> 24);
  SDL_RenderFillRect(r, &area);
}

void BltClipped(DisplayState& d, Surface& dest, const Rect& clip, int x, int y, Surface& source, const Rect& sourceRect,
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
  CopyRect(d, dest, dst, source, src, (flags & kBltSourceColorKey) && source.color_key);
}

void BltStretch(DisplayState& d, Surface& dest, const Rect& destRect, Surface& source, const Rect& sourceRect, int flags) {
  SDL_Rect src = ToSdlRect(sourceRect), dst = ToSdlRect(destRect);
  if (!dest.Valid() || !source.Valid() || !InsideSurface(source, src) || !InsideSurface(dest, dst)) return;
  CopyRect(d, dest, dst, source, src, (flags & kBltSourceColorKey) && source.color_key);
}

void BltStretchClipped(DisplayState& display, Surface& dest, const Rect& destRect, Surface& source, const Rect& sourceRect,
                       int flags) {
  const int dw = destRect.Width(), dh = destRect.Height();
  const int sw = sourceRect.Width(), sh = sourceRect.Height();
  if (dw <= 0 || dh <= 0 || sw <= 0 || sh <= 0) return;
  Rect to = destRect, s = sourceRect;
  auto cut = [](int32_t& edge, int32_t& sourceEdge, int over, int sourceLength, int destLength, int sign) {
    edge += sign * over;
    sourceEdge += sign * static_cast<int32_t>(static_cast<int64_t>(over) * sourceLength / destLength);
  };
  if (to.left < 0) cut(to.left, s.left, -to.left, sw, dw, 1);
  if (to.top < 0) cut(to.top, s.top, -to.top, sh, dh, 1);
  if (to.right > dest.width) cut(to.right, s.right, to.right - dest.width, sw, dw, -1);
  if (to.bottom > dest.height) cut(to.bottom, s.bottom, to.bottom - dest.height, sh, dh, -1);
  if (to.Width() <= 0 || to.Height() <= 0 || s.Width() <= 0 || s.Height() <= 0) return;
  BltStretch(display, dest, to, source, s, flags);
}

void DarkenSurface(DisplayState& d, Surface& dest, int percent) {
  if (percent <= 0 || !TargetSurface(d, dest)) return;
  SDL_Renderer* r = d.renderer;
  const int alpha = std::min(percent, 100) * 255 / 100;
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_BLEND);
  SDL_SetRenderDrawColor(r, 0, 0, 0, static_cast<Uint8>(alpha));
  SDL_Rect all{0, 0, dest.width, dest.height};
  SDL_RenderFillRect(r, &all);
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
}

void DrawLine(DisplayState& d, Surface& dest, int x0, int y0, int x1, int y1, uint32_t rgb) {
  if (!TargetSurface(d, dest)) return;
  SDL_Renderer* r = d.renderer;
  SDL_SetRenderDrawBlendMode(r, SDL_BLENDMODE_NONE);
  SDL_SetRenderDrawColor(r, (rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF, 0xFF);
  SDL_RenderDrawLine(r, x0, y0, x1, y1);
}

}  // namespace kvx
