// Background animation images: loading the chart's pictures, composing the
// base and layer pictures into BgaSurface and drawing the play screen's BGA
// window (poor picture, tile modes).
#include "media/bga.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "chart/chart_state.h"
#include "media/display.h"
#include "platform/files.h"

namespace kvx {

namespace {

constexpr int kComposeSize = 256;  // the composition area of BgaSurface is always 256 x 256

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
std::string ResolveImagePath(const ChartState& c, const std::string& path) {
  if (FileExists(path)) return path;
  std::string base = FolderOf(path), name = FileNameOf(path);
  const std::string& folder = c.ChartFolder;
  if (!folder.empty() && path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0) {
    base = folder;
    name = path.substr(folder.size());
  }
  if (auto found = ResolveWithExtensions(base, name, PictureFileExtensions())) return *found;
  return path;
}

// Loads one picture into a surface with source colour key black. Shows the
// load message, or an error message when the file cannot be used.
void Show(const BgaLinks& links, const std::string& text) {
  if (links.show_message) links.show_message(text);
}

bool LoadImageInto(DisplayState& d, const ChartState& c, const BgaLinks& links, int n, const std::string& path,
                   Surface& surface, Rect& rect) {
  const uint32_t t0 = links.services.NowMs();
  ReleaseSurface(surface);
  rect = Rect{};
  const std::string real = ResolveImagePath(c, path);
  if (!LoadSurfaceFromFile(links.services, d, surface, real, true)) {
    links.services.Log("Error : can't load BGA " + Hex(n) + " : " + path);
    Show(links, "BGA LOAD ERROR: " + Hex(n) + " (" + FileNameOf(NormalizeSeparators(path)) + ")");
    return false;
  }
  rect = Rect{0, 0, surface.width, surface.height};
  Show(links, "BGA LOAD: " + Hex(n) + " (in " + std::to_string(links.services.NowMs() - t0) + "ms)");
  return true;
}

// The surface and rectangle that show image id now (the current course song's
// in course play); loads it first when it is due to be loaded on display.
Surface* ImageFor(BgaState& b, DisplayState& d, ChartState& c, const BgaLinks& links, int32_t id, Rect** rect,
                  bool loadIfMissing) {
  if (!ValidId(id)) return nullptr;
  if (c.CourseMode) {
    const int slot = CourseSlot(c.CourseSong, id);
    const bool named = slot < static_cast<int>(c.CourseBmpFile.size()) && !c.CourseBmpFile[slot].empty();
    const bool tried = slot < static_cast<int>(c.CourseBmpLoaded.size()) && c.CourseBmpLoaded[slot];
    if (loadIfMissing && named && !tried) {
      LoadCourseBmp(b, d, c, links, c.CourseSong, id);
      ++b.PendingImages;
    }
    if (slot >= static_cast<int>(b.CourseBmpSurface.size())) return nullptr;
    if (rect) *rect = &b.CourseBmpRect[slot];
    return b.CourseBmpSurface[slot].Valid() ? &b.CourseBmpSurface[slot] : nullptr;
  }
  if (loadIfMissing && links.bmp_load_mode == 1 && !b.BmpSurface[id].Valid() && !b.BmpFailed[id] &&
      !c.BmpFile[id].empty()) {
    LoadBmp(b, d, c, links, id);
    ++b.PendingImages;
  }
  if (rect) *rect = &b.BmpRect[id];
  return b.BmpSurface[id].Valid() ? &b.BmpSurface[id] : nullptr;
}

void ReleaseImage(BgaState& b, const ChartState& c, const BgaLinks& links, int32_t id) {
  if (!ValidId(id)) return;
  if (c.CourseMode) {
    const int slot = CourseSlot(c.CourseSong, id);
    if (slot < static_cast<int>(b.CourseBmpSurface.size())) ReleaseSurface(b.CourseBmpSurface[slot]);
  } else {
    ReleaseSurface(b.BmpSurface[id]);
    // Forget the path too, so a later chart naming this file loads it again
    // instead of reusing a surface that no longer exists.
    b.LoadedBmpFile[id].clear();
  }
  Show(links, "BGA Release: " + std::to_string(id));
}

Rect WholeOf(const Surface& s) { return Rect{0, 0, s.width, s.height}; }

// The composition area, cut to the surface (a skin may make BgaSurface smaller).
Rect ComposeArea(const Surface& s) {
  return Rect{0, 0, std::min(kComposeSize, s.width), std::min(kComposeSize, s.height)};
}

// Copies an image to ((256 - width) / 2, 0) of BgaSurface, clipped to the surface.
void PlaceImage(DisplayState& d, Surface& image, const Rect& rect, bool keyed) {
  Surface& bga = d.BgaSurface;
  const int x = (kComposeSize - rect.Width()) / 2;
  BltClipped(d, bga, WholeOf(bga), x, 0, image, rect, keyed ? kBltSourceColorKey | kBltWait : kBltWait);
}

void DrawStageImage(DisplayState& d) {
  Surface& bga = d.BgaSurface;
  Surface& stage = d.StageImageSurface;
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
  BltStretch(d, bga, dest, stage, WholeOf(stage), kBltWait);
}

// Stretches the composition area onto the window, clipped to the screen.
void StretchToWindow(DisplayState& d, const BgaLinks& links) {
  const Rect win = links.window;
  const Rect area = ComposeArea(d.BgaSurface);
  if (win.left >= 0 && win.top >= 0 && win.right <= d.BackSurface.width && win.bottom <= d.BackSurface.height) {
    BltStretch(d, d.BackSurface, win, d.BgaSurface, area, kBltWait);
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
bool AdvanceDelayChain(BgaState& b, DisplayState& d, const BgaLinks& links) {
  if (b.DelayChain.size() != static_cast<size_t>(kBgaDelayFrames)) {
    b.DelayChain.assign(kBgaDelayFrames, Surface{});
    for (Surface& s : b.DelayChain) {
      if (!CreateSurface(d, s, kComposeSize, kComposeSize, false)) {
        links.services.Log("Error : can't create BGA delay surfaces");
        for (Surface& r : b.DelayChain) ReleaseSurface(r);
        b.DelayChain.clear();
        return false;
      }
    }
    b.DelayHead = 0;
  }
  b.DelayHead = (b.DelayHead + kBgaDelayFrames - 1) % kBgaDelayFrames;
  Surface& newest = b.DelayChain[b.DelayHead];
  FillSurface(d, newest, nullptr, 0);
  const Rect area = ComposeArea(d.BgaSurface);
  BltClipped(d, newest, WholeOf(newest), 0, 0, d.BgaSurface, area, kBltWait);
  return true;
}

}  // namespace

void LoadBmp(BgaState& b, DisplayState& d, ChartState& c, const BgaLinks& links, int n) {
  if (!ValidId(n)) return;
  if (c.CourseMode) {
    LoadCourseBmp(b, d, c, links, c.CourseSong, n);
    return;
  }
  const std::string& path = c.BmpFile[n];
  if (path.empty() || path == b.LoadedBmpFile[n]) return;
  b.LoadedBmpFile[n] = path;
  if (!LoadImageInto(d, c, links, n, path, b.BmpSurface[n], b.BmpRect[n])) {
    b.LoadedBmpFile[n].clear();
    b.BmpFailed[n] = true;
  }
}

void ReleaseChangedImages(BgaState& b, const ChartState& c) {
  for (int id = 0; id < kBgaImageIds; ++id) {
    if (c.BmpFile[id] != b.LoadedBmpFile[id]) {
      ReleaseSurface(b.BmpSurface[id]);
      b.BmpRect[id] = Rect{};
      b.LoadedBmpFile[id].clear();
    }
  }
}

void LoadCourseBmp(BgaState& b, DisplayState& d, ChartState& c, const BgaLinks& links, int song, int id) {
  if (song < 0 || song >= kMaxCourseSongs || !ValidId(id)) return;
  const int slot = CourseSlot(song, id);
  if (slot >= static_cast<int>(c.CourseBmpFile.size())) return;
  EnsureCourseImageTables(b);
  if (c.CourseBmpLoaded.size() == static_cast<size_t>(kCourseTableSize)) c.CourseBmpLoaded[slot] = true;
  const std::string& path = c.CourseBmpFile[slot];
  if (path.empty()) return;
  LoadImageInto(d, c, links, id, path, b.CourseBmpSurface[slot], b.CourseBmpRect[slot]);
}

void ClearImageLoadFlags(BgaState& b) {
  b.BmpFailed.fill(false);
  // A new chart or course begins: the previous course's pictures go.
  ReleaseCourseImages(b);
  b.BgaBaseId = b.BgaLayerId = -1;
  b.PoorImageId = 0;
  b.BgaReleaseMarks = {false, false};
  b.BgaDirty = true;
}

void ReleaseBgaSurfaces(BgaState& b) {
  for (int id = 0; id < kBgaImageIds; ++id) {
    ReleaseSurface(b.BmpSurface[id]);
    b.BmpRect[id] = Rect{};
    b.LoadedBmpFile[id].clear();
  }
  ReleaseCourseImages(b);
  for (Surface& s : b.DelayChain) ReleaseSurface(s);
  b.DelayChain.clear();
}

void SetBgaImage(BgaState& b, int layer, int32_t id, bool releaseMark) {
  if (layer != 0 && layer != 1) return;
  (layer == 0 ? b.BgaBaseId : b.BgaLayerId) = id;
  if (releaseMark) b.BgaReleaseMarks[layer] = true;
  b.BgaDirty = true;
}

void SetPoorImage(BgaState& b, int32_t id) { b.PoorImageId = id; }

void ResetBgaLayers(BgaState& b) {
  b.BgaBaseId = b.BgaLayerId = -1;
  b.BgaReleaseMarks = {false, false};
  b.BgaDirty = true;
}

void ClearPendingImages(BgaState& b) { b.PendingImages = 0; }

void ReleaseChartImages(BgaState& b, const ChartState& c) {
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

void ComposeBga(BgaState& b, DisplayState& d, ChartState& c, const BgaLinks& links) {
  if (links.no_bga) return;
  Surface& bga = d.BgaSurface;
  if (!bga.Valid()) return;
  // The whole surface, so nothing of an earlier stage picture stays outside
  // the composition area of a larger BGA window.
  FillSurface(d, bga, nullptr, 0);
  if (b.BgaBaseId == -1 && b.BgaLayerId == -1 && d.StageImageSurface.Valid()) DrawStageImage(d);
  for (int layer = 0; layer < 2; ++layer) {
    const int32_t id = layer == 0 ? b.BgaBaseId : b.BgaLayerId;
    if (id == -1) continue;
    Rect* rect = nullptr;
    if (Surface* image = ImageFor(b, d, c, links, id, &rect, true)) {
      PlaceImage(d, *image, *rect, layer == 1);
      if (links.bmp_release == 1 && b.BgaReleaseMarks[layer]) {
        b.BgaReleaseMarks[layer] = false;
        ReleaseImage(b, c, links, id);
      }
    }
  }
}

void DrawBgaWindow(BgaState& b, DisplayState& d, ChartState& c, const BgaLinks& links, const BgaFrame& frame) {
  if (links.no_bga) return;
  if (!d.BgaSurface.Valid() || !d.BackSurface.Valid()) return;
  if (frame.changed) b.BgaDirty = true;

  // The poor picture, while the play shows it.
  bool poorShown = false;
  if (frame.poor) {
    Rect* rect = nullptr;
    if (Surface* poor = ImageFor(b, d, c, links, b.PoorImageId, &rect, true)) {
      const Rect area = ComposeArea(d.BgaSurface);
      FillSurface(d, d.BgaSurface, &area, 0);
      PlaceImage(d, *poor, *rect, false);
      StretchToWindow(d, links);
      poorShown = true;
    }
  }

  // Recompose after a change; while the poor picture is up it waits, so
  // the poor picture is not replaced before its measure is over.
  if (b.BgaDirty && !poorShown) {
    ComposeBga(b, d, c, links);
    b.BgaDirty = false;
  }

  // The window, by the skin's tile mode.
  const Rect area = ComposeArea(d.BgaSurface);
  const Rect& win = links.window;
  switch (links.tile_mode) {
    case 1:
    case 2: {
      MoveTiles(b);
      const bool delayed = links.tile_mode == 2 && AdvanceDelayChain(b, d, links);
      for (int i = 0; i < kBgaTiles; ++i) {
        Surface& from = delayed ? b.DelayChain[(b.DelayHead + i * 10 + 9) % kBgaDelayFrames] : d.BgaSurface;
        BltClipped(d, d.BackSurface, d.ScreenRect, b.Tiles[i].x, b.Tiles[i].y, from, delayed ? WholeOf(from) : area,
                   kBltWait);
      }
      break;
    }
    case 3: {
      const int32_t elapsed = ((frame.elapsed_ms % 2048) + 2048) % 2048;
      const int o = elapsed / 8;
      Rect clip = links.lane_area;
      if (clip.Width() <= 0 || clip.Height() <= 0) clip = d.ScreenRect;
      for (int i = 0; i < 4; ++i) {
        BltClipped(d, d.BackSurface, clip, (i - 1) * 256 + o, -o, d.BgaSurface, area, kBltWait);
        BltClipped(d, d.BackSurface, clip, i * 256 - o, 256 - o, d.BgaSurface, area, kBltWait);
        BltClipped(d, d.BackSurface, clip, (i - 1) * 256 + o, 512 - o, d.BgaSurface, area, kBltWait);
      }
      break;
    }
    default: {
      const bool stretch = (win.Width() != 256 || win.Height() != 256) && links.realtime_stretch &&
                           (b.BgaBaseId != -1 || b.BgaLayerId != -1);
      if (stretch) {
        StretchToWindow(d, links);
      } else {
        const Rect whole{0, 0, std::min(win.Width(), d.BgaSurface.width), std::min(win.Height(), d.BgaSurface.height)};
        BltClipped(d, d.BackSurface, d.ScreenRect, win.left, win.top, d.BgaSurface, whole, kBltWait);
      }
      break;
    }
  }
}

}  // namespace kvx
