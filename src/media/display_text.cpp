// TrueType text for the song lists, the status line and the surfaces' own
// text drawing. Fonts are found through fontconfig; the default face of the
// settings ("ＭＳ Ｐゴシック") is served by IPA P Gothic. Text is drawn without
// anti-aliasing, which suits the small sizes of these fonts and keeps the
// display's colour-key rule exact: every text pixel is either the text colour
// or untouched.
#include <SDL.h>
#include <SDL_ttf.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <unordered_map>
#include <vector>

#include "app/game.h"
#include "media/display.h"
#include "media/display_internal.h"

namespace kvx {

namespace {

struct FontStyle {
  int cell_height;   // GDI cell height in pixels (0: use em_pixels)
  int em_pixels;     // em size for point-sized fonts
  int avg_width;     // requested average character width (0: natural)
  bool bold;
  bool window_face;  // face from the Font setting instead of the fixed face
};

// Status, List1, List2, Bold16, Bold12, Title, Window (9 pt), Graph (8 pt).
constexpr FontStyle kFontStyles[kGdiFontCount] = {
    {10, 0, 0, false, false}, {10, 0, 0, false, false}, {10, 0, 0, false, false}, {16, 0, 0, true, false},
    {12, 0, 0, true, false},  {26, 0, 9, false, false}, {0, 12, 0, false, true},  {0, 11, 0, false, true},
};

constexpr const char* kDefaultFace = "ＭＳ Ｐゴシック";
constexpr size_t kMaxCachedTexts = 512;
constexpr size_t kMaxTextBytes = 1024;

struct CachedText {
  SDL_Texture* texture = nullptr;
  int width = 0, height = 0;  // drawn size (width already scaled)
  uint64_t last_use = 0;
};

}  // namespace

class DisplayText {
 public:
  struct Font {
    TTF_Font* font = nullptr;
    TTF_Font* fallback = nullptr;  // same size, for letters the face lacks (Hangul)
    std::string file;
    float xscale = 1.0f;
  };
  Font fonts[kGdiFontCount];
  std::unordered_map<std::string, CachedText> cache;
  // Texts cut to a width (whole characters and "…"), by font, width and text.
  std::unordered_map<std::string, std::string> fitted;
  uint64_t uses = 0;
  bool ttf = false;
  bool opened = false;
  std::string window_face;  // the Font setting the window fonts were opened with

  ~DisplayText() { Close(); }
  void Flush() {
    for (auto& [key, entry] : cache)
      if (entry.texture) SDL_DestroyTexture(entry.texture);
    cache.clear();
    fitted.clear();
  }
  void Close() {
    Flush();
    for (auto& f : fonts) {
      if (f.font) TTF_CloseFont(f.font);
      if (f.fallback) TTF_CloseFont(f.fallback);
      f = Font{};
    }
    if (ttf) TTF_Quit();
    ttf = false;
    opened = false;
  }
};

// Windows face names that Linux systems do not have, and their stand-ins.
std::string MapFontFace(const std::string& face) {
  static const std::pair<const char*, const char*> kMap[] = {
      {"ＭＳ Ｐゴシック", "IPAPGothic"}, {"MS PGothic", "IPAPGothic"}, {"ＭＳ ゴシック", "IPAGothic"},
      {"MS Gothic", "IPAGothic"},        {"MS UI Gothic", "IPAPGothic"}, {"ＭＳ Ｐ明朝", "IPAPMincho"},
      {"MS PMincho", "IPAPMincho"},      {"ＭＳ 明朝", "IPAMincho"},     {"MS Mincho", "IPAMincho"},
  };
  for (const auto& [from, to] : kMap)
    if (face == from) return to;
  return face.empty() ? "IPAPGothic" : face;
}

namespace {

// The font file fontconfig matches for a family (empty: any) and a language.
std::string MatchFontFile(const std::string& family, const char* lang, int* index) {
  *index = 0;
  if (!FcInit()) return "";
  FcPattern* pattern = FcPatternCreate();
  if (!family.empty()) FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddString(pattern, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string file;
  if (match) {
    FcChar8* path = nullptr;
    if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path)
      file = reinterpret_cast<const char*>(path);
    int i = 0;
    if (FcPatternGetInteger(match, FC_INDEX, 0, &i) == FcResultMatch) *index = i;
    FcPatternDestroy(match);
  }
  FcPatternDestroy(pattern);
  return file;
}

}  // namespace

std::string FindFontFile(const std::string& face, int* index) {
  return MatchFontFile(MapFontFace(face), "ja", index);
}

static TTF_Font* OpenSized(const std::string& file, int index, const FontStyle& style) {
  if (style.cell_height <= 0) return TTF_OpenFontIndex(file.c_str(), style.em_pixels, index);
  // A GDI height is the whole cell: take the largest size whose line fits it.
  TTF_Font* font = TTF_OpenFontIndex(file.c_str(), style.cell_height, index);
  if (!font) return nullptr;
  for (int size = style.cell_height; size > 4 && TTF_FontHeight(font) > style.cell_height; --size)
    TTF_SetFontSize(font, size - 1);
  return font;
}

void InitDisplayText(Game& g) {
  if (!g.display.text) g.display.text = std::make_shared<DisplayText>();
  DisplayText& t = *g.display.text;
  if (!t.ttf) {
    if (TTF_Init() != 0) {
      DebugLog(g, std::string("Error : can't start the font engine : ") + SDL_GetError());
      return;
    }
    t.ttf = true;
  }
  if (t.opened && t.window_face == g.settings.Font) return;
  t.Flush();
  t.opened = true;
  t.window_face = g.settings.Font;
  // Korean titles: the Japanese faces have no Hangul.
  int fallback_index = 0;
  const std::string fallback_file = MatchFontFile("", "ko", &fallback_index);
  for (int i = 0; i < kGdiFontCount; ++i) {
    auto& f = t.fonts[i];
    if (f.font) TTF_CloseFont(f.font);
    if (f.fallback) TTF_CloseFont(f.fallback);
    f = DisplayText::Font{};
    const FontStyle& style = kFontStyles[i];
    std::string face = style.window_face ? g.settings.Font : kDefaultFace;
    int index = 0;
    f.file = FindFontFile(face, &index);
    if (f.file.empty()) {
      DebugLog(g, "Error : no font found for " + face);
      continue;
    }
    f.font = OpenSized(f.file, index, style);
    if (!f.font) {
      DebugLog(g, "Error : can't open font " + f.file + " : " + SDL_GetError());
      continue;
    }
    TTF_SetFontHinting(f.font, TTF_HINTING_MONO);
    if (style.bold) TTF_SetFontStyle(f.font, TTF_STYLE_BOLD);
    if (!fallback_file.empty() && fallback_file != f.file) {
      f.fallback = OpenSized(fallback_file, fallback_index, style);
      if (f.fallback) {
        TTF_SetFontHinting(f.fallback, TTF_HINTING_MONO);
        if (style.bold) TTF_SetFontStyle(f.fallback, TTF_STYLE_BOLD);
      }
    }
    if (style.avg_width > 0) {
      int w = 0, h = 0;
      if (TTF_SizeUTF8(f.font, "abcdefghijklmnopqrstuvwxyz", &w, &h) == 0 && w > 0)
        f.xscale = std::clamp(static_cast<float>(style.avg_width) * 26.0f / static_cast<float>(w), 0.25f, 4.0f);
    }
  }
  DebugLog(g, "Fonts: " + t.fonts[0].file + " (list), " + t.fonts[static_cast<int>(GdiFont::Window)].file +
                  " (" + g.settings.Font + ")");
}

void FlushTextCache(Game& g) {
  if (g.display.text) g.display.text->Flush();
}

void ReleaseDisplayText(Game& g) {
  if (g.display.text) g.display.text->Close();
}

namespace {

DisplayText::Font* FontOf(Game& g, GdiFont font) {
  if (!g.display.text) return nullptr;
  int i = static_cast<int>(font);
  if (i < 0 || i >= kGdiFontCount || !g.display.text->fonts[i].font) return nullptr;
  return &g.display.text->fonts[i];
}

// Control characters would show as boxes; a tab becomes a space.
std::string Printable(const std::string& utf8) {
  std::string out;
  out.reserve(std::min(utf8.size(), kMaxTextBytes));
  for (char c : utf8) {
    if (out.size() >= kMaxTextBytes) break;
    unsigned char u = static_cast<unsigned char>(c);
    if (u == '\t') out += ' ';
    else if (u >= 0x20 && u != 0x7F) out += c;
  }
  // Do not leave a cut multi-byte character at the end.
  while (!out.empty() && (static_cast<unsigned char>(out.back()) & 0xC0) == 0x80) {
    size_t start = out.size() - 1;
    while (start > 0 && (static_cast<unsigned char>(out[start]) & 0xC0) == 0x80) --start;
    unsigned char lead = static_cast<unsigned char>(out[start]);
    size_t need = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    if (out.size() - start >= need) break;
    out.resize(start);
  }
  return out;
}

struct TextRun {
  std::string text;
  TTF_Font* font;
};

// One character of UTF-8 text at i (U+FFFD and one byte when it is not UTF-8).
uint32_t CodePointAt(const std::string& s, size_t i, size_t* length) {
  unsigned char lead = static_cast<unsigned char>(s[i]);
  *length = 1;
  if (lead < 0x80) return lead;
  size_t extra = lead >= 0xC2 && lead < 0xE0 ? 1 : lead >= 0xE0 && lead < 0xF0 ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
  if (extra == 0 || i + extra >= s.size()) return 0xFFFD;
  uint32_t cp = lead & (0x3F >> extra);
  for (size_t k = 1; k <= extra; ++k) {
    unsigned char c = static_cast<unsigned char>(s[i + k]);
    if ((c & 0xC0) != 0x80) return 0xFFFD;
    cp = (cp << 6) | (c & 0x3F);
  }
  *length = extra + 1;
  return cp;
}

// Splits the text into runs of the face and runs of the fallback font, which
// draws the letters the face lacks and the fallback has.
std::vector<TextRun> SplitRuns(DisplayText::Font& f, const std::string& text) {
  if (!f.fallback) return {{text, f.font}};
  std::vector<TextRun> runs;
  for (size_t i = 0; i < text.size();) {
    size_t length = 1;
    uint32_t cp = CodePointAt(text, i, &length);
    TTF_Font* font = f.font;
    if (cp >= 0x80 && !TTF_GlyphIsProvided32(f.font, cp) && TTF_GlyphIsProvided32(f.fallback, cp)) font = f.fallback;
    if (runs.empty() || runs.back().font != font) runs.push_back({"", font});
    runs.back().text.append(text, i, length);
    i += length;
  }
  return runs;
}

CachedText* RenderText(Game& g, DisplayText::Font& f, int font_index, const std::string& text, uint32_t rgb,
                       const uint32_t* background) {
  DisplayText& t = *g.display.text;
  std::string key;
  key.reserve(text.size() + 24);
  key += std::to_string(font_index) + ':' + std::to_string(rgb & 0xFFFFFF) + ':' +
         (background ? std::to_string(*background & 0xFFFFFF) : std::string("-")) + ':' + text;
  auto it = t.cache.find(key);
  if (it != t.cache.end()) {
    it->second.last_use = ++t.uses;
    return &it->second;
  }
  // Each run in its font, side by side on the face's baseline.
  const int ascent = TTF_FontAscent(f.font);
  std::vector<std::pair<SDL_Surface*, int>> pieces;  // picture, its top
  int w = 0, h = TTF_FontHeight(f.font);
  for (const TextRun& run : SplitRuns(f, text)) {
    SDL_Surface* glyphs = TTF_RenderUTF8_Solid(run.font, run.text.c_str(), SDL_Color{255, 255, 255, 255});
    if (!glyphs) continue;
    pieces.emplace_back(glyphs, ascent - TTF_FontAscent(run.font));
    w += glyphs->w;
    if (run.font == f.font) h = std::max(h, glyphs->h);
  }
  if (pieces.empty() || w <= 0 || h <= 0) {
    for (auto& [piece, top] : pieces) SDL_FreeSurface(piece);
    return nullptr;
  }
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * h);
  uint32_t fg = background ? WithKeyAlpha(rgb) : ((rgb & 0xFFFFFF) | 0xFF000000u);
  uint32_t bg = background ? WithKeyAlpha(*background) : 0u;
  std::fill(pixels.begin(), pixels.end(), bg);
  int left = 0;
  for (auto& [piece, top] : pieces) {
    SDL_LockSurface(piece);
    for (int y = 0; y < piece->h; ++y) {
      int ty = y + top;
      if (ty < 0 || ty >= h) continue;
      const uint8_t* row = static_cast<const uint8_t*>(piece->pixels) + static_cast<size_t>(y) * piece->pitch;
      for (int x = 0; x < piece->w; ++x)
        if (row[x]) pixels[static_cast<size_t>(ty) * w + left + x] = fg;
    }
    SDL_UnlockSurface(piece);
    left += piece->w;
    SDL_FreeSurface(piece);
  }
  SDL_Texture* tex = CreateTargetTexture(g.display, w, h);
  if (!tex || SDL_UpdateTexture(tex, nullptr, pixels.data(), w * 4) != 0) {
    if (tex) SDL_DestroyTexture(tex);
    return nullptr;
  }
  if (t.cache.size() >= kMaxCachedTexts) {
    // Drop the older half.
    std::vector<uint64_t> ages;
    ages.reserve(t.cache.size());
    for (auto& [k, e] : t.cache) ages.push_back(e.last_use);
    std::nth_element(ages.begin(), ages.begin() + ages.size() / 2, ages.end());
    uint64_t cut = ages[ages.size() / 2];
    for (auto i = t.cache.begin(); i != t.cache.end();) {
      if (i->second.last_use <= cut) {
        SDL_DestroyTexture(i->second.texture);
        i = t.cache.erase(i);
      } else {
        ++i;
      }
    }
  }
  CachedText entry;
  entry.texture = tex;
  entry.width = std::max(1, static_cast<int>(std::lround(w * f.xscale)));
  entry.height = h;
  entry.last_use = ++t.uses;
  return &(t.cache[key] = entry);
}

}  // namespace

namespace {

// The text cut after the last whole character that fits in `width` pixels
// together with "…" (the text itself when it fits).
const std::string& FittedText(Game& g, GdiFont font, const std::string& text, int width) {
  auto& fitted = g.display.text->fitted;
  const std::string key = std::to_string(static_cast<int>(font)) + ":" + std::to_string(width) + ":" + text;
  if (auto it = fitted.find(key); it != fitted.end()) return it->second;
  if (fitted.size() > 4096) fitted.clear();
  std::vector<size_t> starts;  // where each character starts
  for (size_t i = 0; i < text.size(); ++i)
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) starts.push_back(i);
  std::string best;
  size_t low = 0, high = starts.size();  // characters kept: the most that fit
  while (low < high) {
    const size_t mid = (low + high + 1) / 2;
    std::string candidate = text.substr(0, mid < starts.size() ? starts[mid] : text.size()) + "…";
    if (GdiTextWidth(g, font, candidate) <= width) {
      low = mid;
      best = std::move(candidate);
    } else {
      high = mid - 1;
    }
  }
  return fitted[key] = best;
}

int DrawTextUpTo(Game& g, Surface& dest, GdiFont font, int x, int y, const std::string& utf8, uint32_t rgb,
                 const uint32_t* background, int right) {
  DisplayText::Font* f = FontOf(g, font);
  if (!f || !dest.Valid() || !g.display.renderer || right <= x) return 0;
  std::string text = Printable(utf8);
  if (text.empty()) return 0;
  CachedText* c = RenderText(g, *f, static_cast<int>(font), text, rgb, background);
  if (!c) return 0;
  // A text too long for its place loses its last characters, never a part of one.
  if (c->width > right - x) {
    text = FittedText(g, font, text, right - x);
    if (text.empty()) return 0;
    c = RenderText(g, *f, static_cast<int>(font), text, rgb, background);
    if (!c) return 0;
  }
  Surface piece;
  piece.texture = c->texture;
  int tw = 0, th = 0;
  SDL_QueryTexture(c->texture, nullptr, nullptr, &tw, &th);
  piece.width = tw;
  piece.height = th;
  piece.color_key = true;
  // Only the part left of `right`, with the source cut in proportion.
  int width = std::min(c->width, right - x);
  int source_width = width == c->width ? tw : std::max(1, static_cast<int>(static_cast<int64_t>(tw) * width / c->width));
  // Opaque text replaces its cell; transparent text leaves the cell's background.
  CopyRect(g.display, dest, SDL_Rect{x, y, width, c->height}, piece, SDL_Rect{0, 0, source_width, th}, background == nullptr);
  if (g.display.TextTrace && &dest == &g.display.BackSurface)
    g.display.TextTrace->push_back({text, Rect{x, y, x + width, y + c->height}, rgb});
  return width;
}

}  // namespace

int DrawGdiText(Game& g, Surface& dest, GdiFont font, int x, int y, const std::string& utf8, uint32_t rgb,
                const uint32_t* background) {
  return DrawTextUpTo(g, dest, font, x, y, utf8, rgb, background, std::numeric_limits<int>::max());
}

int DrawGdiTextClipped(Game& g, Surface& dest, GdiFont font, int x, int y, const std::string& utf8, uint32_t rgb,
                       int right) {
  return DrawTextUpTo(g, dest, font, x, y, utf8, rgb, nullptr, right);
}

int GdiTextWidth(Game& g, GdiFont font, const std::string& utf8) {
  DisplayText::Font* f = FontOf(g, font);
  if (!f) return 0;
  std::string text = Printable(utf8);
  if (text.empty()) return 0;
  int total = 0;
  for (const TextRun& run : SplitRuns(*f, text)) {
    int w = 0, h = 0;
    if (TTF_SizeUTF8(run.font, run.text.c_str(), &w, &h) == 0) total += w;
  }
  return static_cast<int>(std::lround(total * f->xscale));
}

int GdiFontHeight(Game& g, GdiFont font) {
  DisplayText::Font* f = FontOf(g, font);
  return f ? TTF_FontHeight(f->font) : 0;
}

void DrawSurfaceText(Game& g, Surface& dest, int x, int y, const std::string& utf8) {
  if (&dest == &g.display.GraphSurface) {
    const uint32_t background = 0x008000;
    DrawGdiText(g, dest, GdiFont::Graph, x, y, utf8, 0x000000, &background);
  } else {
    DrawGdiText(g, dest, GdiFont::Window, x, y, utf8, g.display.BackTextColor);
  }
}

}  // namespace kvx
