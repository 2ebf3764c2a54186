// Background animation images: loading the chart's pictures, composing the
// base and layer pictures into BgaSurface and drawing the play screen's BGA
// window (poor picture, tile modes).
#include "media/bga.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "app/game.h"
#include "platform/files.h"
#include "play/play_loop_links.h"

namespace kvx {

namespace {

constexpr int kComposeSize = 256;  // the composition area of BgaSurface is always 256 x 256
constexpr double kPoorUnits = 192;  // the poor picture lasts one measure

std::string Hex(int n) {
  char text[16];
  std::snprintf(text, sizeof text, "%X", static_cast<unsigned>(n));
  return text;
}

bool ValidId(int32_t id) { return id >= 0 && id < kBgaImageIds; }

int CourseSlot(int song, int id) { return std::clamp(song, 0, kMaxCourseSongs - 1) + kMaxCourseSongs * id; }

void EnsureCourseImageTables(BgaState& b) {
  if (b.CourseBmpSurface.size() != static_cast<size_t>(kCourseTableSize)) {
    b.CourseBmpSurface.resize(kCourseTableSize);
    b.CourseBmpRect.resize(kCourseTableSize);
  }
}

void ReleaseCourseImages(BgaState& b) {
  for (auto& s : b.CourseBmpSurface) ReleaseSurface(s);
  b.CourseBmpSurface.clear();
  b.CourseBmpRect.clear();
}

// Finds the file a chart names: exact path first, then without regard to
// letter case and "\" separators below the chart folder, then the same name
// with the other picture extensions (charts often name .bmp but ship .png).
std::string ResolveImagePath(Game& g, const std::string& path) {
  if (FileExists(path)) return path;
  std::string base = FolderOf(path), name = FileNameOf(path);
  const std::string& folder = g.chart.ChartFolder;
  if (!folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0) {
    base = folder;
    name = path.substr(folder.size());
  }
  if (auto found = ResolveWithExtensions(base, name, PictureFileExtensions())) return *found;
  return path;
}

// Loads one picture into a surface with source colour key black. Shows the
// load message, or an error message when the file cannot be used.
bool LoadImageInto(Game& g, int n, const std::string& path, Surface& surface, Rect& rect) {
  const uint32_t t0 = g.NowMs();
  ReleaseSurface(surface);
  rect = Rect{};
  const std::string real = ResolveImagePath(g, path);
  if (!LoadSurfaceFromFile(g.Services(), g.display, surface, real, true)) {
    DebugLog(g, "Error : can't load BGA " + Hex(n) + " : " + path);
    ShowMessage(g, "BGA LOAD ERROR: " + Hex(n) + " (" + FileNameOf(NormalizeSeparators(path)) + ")");
    return false;
  }
  rect = Rect{0, 0, surface.width, surface.height};
  ShowMessage(g, "BGA LOAD: " + Hex(n) + " (in " + std::to_string(g.NowMs() - t0) + "ms)");
  return true;
}

// The surface and rectangle that show image id now (the current course song's
// in course play); loads it first when it is due to be loaded on display.
Surface* ImageFor(Game& g, int32_t id, Rect** rect, bool loadIfMissing) {
  if (!ValidId(id)) return nullptr;
  BgaState& b = g.bga;
  ChartState& c = g.chart;
  if (c.CourseMode) {
    const int slot = CourseSlot(c.CourseSong, id);
    const bool named = slot < static_cast<int>(c.CourseBmpFile.size()) && !c.CourseBmpFile[slot].empty();
    const bool tried = slot < static_cast<int>(c.CourseBmpLoaded.size()) && c.CourseBmpLoaded[slot];
    if (loadIfMissing && named && !tried) {
      LoadCourseBmp(g, c.CourseSong, id);
      ++b.PendingImages;
    }
    if (slot >= static_cast<int>(b.CourseBmpSurface.size())) return nullptr;
    if (rect) *rect = &b.CourseBmpRect[slot];
    return b.CourseBmpSurface[slot].Valid() ? &b.CourseBmpSurface[slot] : nullptr;
  }
  if (loadIfMissing && g.settings.BMPLoadmode == 1 && !b.BmpSurface[id].Valid() && !b.BmpFailed[id] &&
      !c.BmpFile[id].empty()) {
    LoadBmp(g, id);
    ++b.PendingImages;
  }
  if (rect) *rect = &b.BmpRect[id];
  return b.BmpSurface[id].Valid() ? &b.BmpSurface[id] : nullptr;
}

void ReleaseImage(Game& g, int32_t id) {
  if (!ValidId(id)) return;
  BgaState& b = g.bga;
  ChartState& c = g.chart;
  if (c.CourseMode) {
    const int slot = CourseSlot(c.CourseSong, id);
    if (slot < static_cast<int>(b.CourseBmpSurface.size())) ReleaseSurface(b.CourseBmpSurface[slot]);
  } else {
    ReleaseSurface(b.BmpSurface[id]);
    // Forget the path too, so a later chart naming this file loads it again
    // instead of reusing a surface that no longer exists.
    b.LoadedBmpFile[id].clear();
  }
  ShowMessage(g, "BGA Release: " + std::to_string(id));
}

Rect WholeOf(const Surface& s) { return Rect{0, 0, s.width, s.height}; }

// The composition area, cut to the surface (a skin may make BgaSurface smaller).
Rect ComposeArea(const Surface& s) {
  return Rect{0, 0, std::min(kComposeSize, s.width), std::min(kComposeSize, s.height)};
}

// Copies an image to ((256 - width) / 2, 0) of BgaSurface, clipped to the surface.
void PlaceImage(Game& g, Surface& image, const Rect& rect, bool keyed) {
  Surface& bga = g.display.BgaSurface;
  const int x = (kComposeSize - rect.Width()) / 2;
  BltClipped(g.display, bga, WholeOf(bga), x, 0, image, rect, keyed ? kBltSourceColorKey | kBltWait : kBltWait);
}

void DrawStageImage(Game& g) {
  Surface& bga = g.display.BgaSurface;
  Surface& stage = g.display.StageImageSurface;
  if (stage.width <= 0 || stage.height <= 0) return;
  const int64_t sw = bga.width, sh = bga.height, iw = stage.width, ih = stage.height;
  Rect dest;
  if (iw * sh >= ih * sw) {  // at least as wide as the surface: full width
    const int h = static_cast<int>(std::nearbyint(static_cast<double>(ih) * sw / iw));
    dest = Rect{0, static_cast<int>((sh - h) / 2), static_cast<int>(sw), static_cast<int>((sh - h) / 2) + h};
  } else {
    const int w = static_cast<int>(std::nearbyint(static_cast<double>(iw) * sh / ih));
    dest = Rect{static_cast<int>((sw - w) / 2), 0, static_cast<int>((sw - w) / 2) + w, static_cast<int>(sh)};
  }
  BltStretch(g.display, bga, dest, stage, WholeOf(stage), kBltWait);
}

Rect WindowRect(Game& g) {
  const AppState& a = g.app;
  return Rect{a.BgaX, a.BgaY, a.BgaX + a.BgaWidth, a.BgaY + a.BgaHeight};
}

// Stretches the composition area onto the window, clipped to the screen.
void StretchToWindow(Game& g) {
  DisplayState& d = g.display;
  Rect win = WindowRect(g);
  const Rect area = ComposeArea(d.BgaSurface);
  if (win.left >= 0 && win.top >= 0 && win.right <= d.BackSurface.width && win.bottom <= d.BackSurface.height) {
    BltStretch(g.display, d.BackSurface, win, d.BgaSurface, area, kBltWait);
  }
}

int Bounce(std::mt19937& rng) {
  std::uniform_real_distribution<double> uni(0.0, 1.0);
  return static_cast<int>(std::nearbyint(uni(rng) * 3)) + 1;
}

void StartTiles(BgaState& b) {
  // Spread over the screen, each moving its own way.
  static constexpr BgaTile kStart[kBgaTiles] = {{0, 0, 2, 1},     {128, 180, -1, -3}, {256, 40, 3, 2},
                                                {384, 224, -2, -1}, {64, 120, 1, -2},  {320, 96, -3, 3}};
  for (int i = 0; i < kBgaTiles; ++i) b.Tiles[i] = kStart[i];
  b.TilesMoving = true;
}

void MoveTiles(BgaState& b) {
  if (!b.TilesMoving) StartTiles(b);
  for (BgaTile& t : b.Tiles) {
    t.x += t.dx;
    t.y += t.dy;
    if (t.x > 384) t.x = 384, t.dx = -Bounce(b.random);
    if (t.y > 224) t.y = 224, t.dy = -Bounce(b.random);
    if (t.x < 0) t.x = 0, t.dx = Bounce(b.random);
    if (t.y < 0) t.y = 0, t.dy = Bounce(b.random);
  }
}

// Tile mode 2: the newest picture enters the ring; returns false when the
// chain cannot be made (the tiles then show BgaSurface itself).
bool AdvanceDelayChain(Game& g) {
  BgaState& b = g.bga;
  DisplayState& d = g.display;
  if (b.DelayChain.size() != static_cast<size_t>(kBgaDelayFrames)) {
    b.DelayChain.assign(kBgaDelayFrames, Surface{});
    for (Surface& s : b.DelayChain) {
      if (!CreateSurface(g.display, s, kComposeSize, kComposeSize, false)) {
        DebugLog(g, "Error : can't create BGA delay surfaces");
        for (Surface& r : b.DelayChain) ReleaseSurface(r);
        b.DelayChain.clear();
        return false;
      }
    }
    b.DelayHead = 0;
  }
  b.DelayHead = (b.DelayHead + kBgaDelayFrames - 1) % kBgaDelayFrames;
  Surface& newest = b.DelayChain[b.DelayHead];
  FillSurface(g.display, newest, nullptr, 0);
  const Rect area = ComposeArea(d.BgaSurface);
  BltClipped(g.display, newest, WholeOf(newest), 0, 0, d.BgaSurface, area, kBltWait);
  return true;
}

}  // namespace

void LoadBmp(Game& g, int n) {
  if (!ValidId(n)) return;
  ChartState& c = g.chart;
  if (c.CourseMode) {
    LoadCourseBmp(g, c.CourseSong, n);
    return;
  }
  BgaState& b = g.bga;
  const std::string& path = c.BmpFile[n];
  if (path.empty() || path == b.LoadedBmpFile[n]) return;
  b.LoadedBmpFile[n] = path;
  if (!LoadImageInto(g, n, path, b.BmpSurface[n], b.BmpRect[n])) {
    b.LoadedBmpFile[n].clear();
    b.BmpFailed[n] = true;
  }
}

void ReleaseChangedImages(Game& g) {
  BgaState& b = g.bga;
  for (int id = 0; id < kBgaImageIds; ++id) {
    if (g.chart.BmpFile[id] != b.LoadedBmpFile[id]) {
      ReleaseSurface(b.BmpSurface[id]);
      b.BmpRect[id] = Rect{};
      b.LoadedBmpFile[id].clear();
    }
  }
}

void LoadCourseBmp(Game& g, int song, int id) {
  ChartState& c = g.chart;
  if (song < 0 || song >= kMaxCourseSongs || !ValidId(id)) return;
  const int slot = CourseSlot(song, id);
  if (slot >= static_cast<int>(c.CourseBmpFile.size())) return;
  BgaState& b = g.bga;
  EnsureCourseImageTables(b);
  if (c.CourseBmpLoaded.size() == static_cast<size_t>(kCourseTableSize)) c.CourseBmpLoaded[slot] = true;
  const std::string& path = c.CourseBmpFile[slot];
  if (path.empty()) return;
  LoadImageInto(g, id, path, b.CourseBmpSurface[slot], b.CourseBmpRect[slot]);
}

void ClearImageLoadFlags(Game& g) {
  BgaState& b = g.bga;
  b.BmpFailed.fill(false);
  // A new chart or course begins: the previous course's pictures go.
  ReleaseCourseImages(b);
  b.BgaBaseId = b.BgaLayerId = -1;
  b.PoorImageId = 0;
  b.BgaReleaseMarks = {false, false};
  b.BgaDirty = true;
}

void ReleaseBgaSurfaces(Game& g) {
  BgaState& b = g.bga;
  for (int id = 0; id < kBgaImageIds; ++id) {
    ReleaseSurface(b.BmpSurface[id]);
    b.BmpRect[id] = Rect{};
    b.LoadedBmpFile[id].clear();
  }
  ReleaseCourseImages(b);
  for (Surface& s : b.DelayChain) ReleaseSurface(s);
  b.DelayChain.clear();
}

void SetBgaImage(Game& g, int layer, int32_t id, bool releaseMark) {
  if (layer != 0 && layer != 1) return;
  BgaState& b = g.bga;
  (layer == 0 ? b.BgaBaseId : b.BgaLayerId) = id;
  if (releaseMark) b.BgaReleaseMarks[layer] = true;
  b.BgaDirty = true;
}

void SetPoorImage(Game& g, int32_t id) { g.bga.PoorImageId = id; }

void ResetBgaLayers(Game& g) {
  BgaState& b = g.bga;
  b.BgaBaseId = b.BgaLayerId = -1;
  b.BgaReleaseMarks = {false, false};
  b.BgaDirty = true;
}

void ClearPendingImages(Game& g) { g.bga.PendingImages = 0; }

void ReleaseChartImages(Game& g) {
  BgaState& b = g.bga;
  ChartState& c = g.chart;
  if (c.CourseMode) {
    // The earlier songs of the course are over: their pictures are not shown again.
    for (int slot = 0; slot < static_cast<int>(b.CourseBmpSurface.size()); ++slot)
      if (slot % kMaxCourseSongs < c.CourseSong) ReleaseSurface(b.CourseBmpSurface[slot]);
    return;
  }
  for (int id = 0; id < kBgaImageIds; ++id) {
    ReleaseSurface(b.BmpSurface[id]);
    b.LoadedBmpFile[id].clear();
  }
}

void ComposeBga(Game& g) {
  if (g.settings.NoBGA) return;
  BgaState& b = g.bga;
  Surface& bga = g.display.BgaSurface;
  if (!bga.Valid()) return;
  // The whole surface, so nothing of an earlier stage picture stays outside
  // the composition area of a larger BGA window.
  FillSurface(g.display, bga, nullptr, 0);
  if (b.BgaBaseId == -1 && b.BgaLayerId == -1 && g.display.StageImageSurface.Valid()) DrawStageImage(g);
  for (int layer = 0; layer < 2; ++layer) {
    const int32_t id = layer == 0 ? b.BgaBaseId : b.BgaLayerId;
    if (id == -1) continue;
    Rect* rect = nullptr;
    if (Surface* image = ImageFor(g, id, &rect, true)) {
      PlaceImage(g, *image, *rect, layer == 1);
      if (g.settings.BMPRelease == 1 && b.BgaReleaseMarks[layer]) {
        b.BgaReleaseMarks[layer] = false;
        ReleaseImage(g, id);
      }
    }
  }
}

void DrawBgaWindow(Game& g) {
  if (g.settings.NoBGA) return;
  BgaState& b = g.bga;
  DisplayState& d = g.display;
  if (!d.BgaSurface.Valid() || !d.BackSurface.Valid()) return;
  if (g.judge.BgaChanged) {
    g.judge.BgaChanged = false;
    b.BgaDirty = true;
  }

  // The poor picture, for one measure after a BAD or POOR.
  bool poorShown = false;
  if (g.judge.PoorImageShown) {
    if (g.play.PlayPosition >= g.judge.PoorImagePosition + kPoorUnits) {
      g.judge.PoorImageShown = false;
      b.BgaDirty = true;
    } else {
      Rect* rect = nullptr;
      if (Surface* poor = ImageFor(g, b.PoorImageId, &rect, true)) {
        const Rect area = ComposeArea(d.BgaSurface);
        FillSurface(g.display, d.BgaSurface, &area, 0);
        PlaceImage(g, *poor, *rect, false);
        StretchToWindow(g);
        poorShown = true;
      }
    }
  }

  // Recompose after a change; while the poor picture is up it waits, so
  // the poor picture is not replaced before its measure is over.
  if (b.BgaDirty && !poorShown) {
    ComposeBga(g);
    b.BgaDirty = false;
  }

  // The window, by the skin's tile mode.
  const Rect area = ComposeArea(d.BgaSurface);
  const AppState& a = g.app;
  switch (g.skin.TileMode) {
    case 1:
    case 2: {
      MoveTiles(b);
      const bool delayed = g.skin.TileMode == 2 && AdvanceDelayChain(g);
      for (int i = 0; i < kBgaTiles; ++i) {
        Surface& from = delayed ? b.DelayChain[(b.DelayHead + i * 10 + 9) % kBgaDelayFrames] : d.BgaSurface;
        BltClipped(g.display, d.BackSurface, d.ScreenRect, b.Tiles[i].x, b.Tiles[i].y, from, delayed ? WholeOf(from) : area,
                   kBltWait);
      }
      break;
    }
    case 3: {
      const int32_t elapsed = ((g.play.ElapsedMs % 2048) + 2048) % 2048;
      const int o = elapsed / 8;
      Rect clip = g.skin.LaneAreaRect;
      if (clip.Width() <= 0 || clip.Height() <= 0) clip = d.ScreenRect;
      for (int i = 0; i < 4; ++i) {
        BltClipped(g.display, d.BackSurface, clip, (i - 1) * 256 + o, -o, d.BgaSurface, area, kBltWait);
        BltClipped(g.display, d.BackSurface, clip, i * 256 - o, 256 - o, d.BgaSurface, area, kBltWait);
        BltClipped(g.display, d.BackSurface, clip, (i - 1) * 256 + o, 512 - o, d.BgaSurface, area, kBltWait);
      }
      break;
    }
    default: {
      const bool stretch = (a.BgaWidth != 256 || a.BgaHeight != 256) && g.settings.RealtimeStretch &&
                           (b.BgaBaseId != -1 || b.BgaLayerId != -1);
      if (stretch) {
        StretchToWindow(g);
      } else {
        const Rect whole{0, 0, std::min(a.BgaWidth, d.BgaSurface.width), std::min(a.BgaHeight, d.BgaSurface.height)};
        BltClipped(g.display, d.BackSurface, d.ScreenRect, a.BgaX, a.BgaY, d.BgaSurface, whole, kBltWait);
      }
      break;
    }
  }
}

}  // namespace kvx
