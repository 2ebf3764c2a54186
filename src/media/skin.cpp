#include "media/skin.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <filesystem>
#include <limits>

#include "media/surface.h"
#include "platform/files.h"
#include "platform/services.h"
#include "platform/text.h"

namespace kvx {

namespace {

// An argument that is missing or cannot be stored: the rest of the command is
// abandoned.
struct BadArgument {};

// Reads a decimal number the lenient way: leading blanks are skipped and the
// longest numeric prefix is taken; text without one reads as 0.
double LenientNumber(std::string_view s) {
  size_t i = 0;
  while (i < s.size() && (s[i] == ' ' || s[i] == '\t')) ++i;
  bool negative = false;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
  double value = 0;
  auto [end, ec] = std::from_chars(s.data() + i, s.data() + s.size(), value, std::chars_format::general);
  if (ec != std::errc() || !std::isfinite(value)) return 0;
  (void)end;
  return negative ? -value : value;
}

// Every number of a skin is a place or a size on the screen or in a picture,
// or a count; one beyond 2^24 names nothing drawable and does not convert, so
// the sums the drawing makes of a few of them always fit in 32 bits.
constexpr double kSkinNumberLimit = 1 << 24;

// Rounds to the nearest integer, ties to even.
int32_t Round32(double v) {
  double r = std::nearbyint(v);
  if (!std::isfinite(r) || r < -kSkinNumberLimit || r > kSkinNumberLimit) throw BadArgument{};
  return static_cast<int32_t>(r);
}

int16_t Round16(double v) {
  int32_t r = Round32(v);
  if (r < std::numeric_limits<int16_t>::min() || r > std::numeric_limits<int16_t>::max()) throw BadArgument{};
  return static_cast<int16_t>(r);
}

// Whole-number conversion: the whole argument (blanks around it allowed) must
// be a number; it is rounded to an integer.
int32_t WholeNumber(std::string_view s) {
  std::string t = Trim(s);
  if (t.empty()) throw BadArgument{};
  size_t i = 0;
  bool negative = false;
  if (t[0] == '+' || t[0] == '-') negative = t[i++] == '-';
  double value = 0;
  auto [end, ec] = std::from_chars(t.data() + i, t.data() + t.size(), value, std::chars_format::general);
  if (ec != std::errc() || end != t.data() + t.size()) throw BadArgument{};
  return Round32(negative ? -value : value);
}

// The comma-separated arguments of one command line.
class Args {
 public:
  explicit Args(std::string_view text) {
    if (!text.empty()) parts_ = Split(text, ',');
  }
  const std::string& Text(size_t i) const {
    if (i >= parts_.size()) throw BadArgument{};
    return parts_[i];
  }
  double Number(size_t i) const { return LenientNumber(Text(i)); }
  int32_t Int(size_t i) const { return Round32(Number(i)); }
  int32_t Whole(size_t i) const { return WholeNumber(Text(i)); }

 private:
  std::vector<std::string> parts_;
};

// Glyph i of a row (or column) of equal cells, x,y,w,h as given in the file.
Rect Cell(double x, double y, double w, double h, int i, bool column) {
  double left = column ? x : x + i * w;
  double top = column ? y + i * h : y;
  return Rect{Round32(left), Round32(top), Round32(left + w), Round32(top + h)};
}

template <size_t N>
void RowOf(std::array<Rect, N>& cells, const Args& a) {
  double x = a.Number(0), y = a.Number(1), w = a.Number(2), h = a.Number(3);
  for (size_t i = 0; i < N; ++i) cells[i] = Cell(x, y, w, h, static_cast<int>(i), false);
}

void ReadRect(Rect& r, const Args& a) {
  double x = a.Number(0);
  r.left = Round32(x);
  double y = a.Number(1);
  r.top = Round32(y);
  r.right = Round32(x + a.Number(2));
  r.bottom = Round32(y + a.Number(3));
}

// far - near of a stored rectangle; a span that does not fit in 32 bits cannot
// be stored, so the field it sets keeps its value.
int32_t Span(int32_t near, int32_t far) {
  const int64_t span = int64_t{far} - near;
  if (span < std::numeric_limits<int32_t>::min() || span > std::numeric_limits<int32_t>::max()) throw BadArgument{};
  return static_cast<int32_t>(span);
}

void ReadPoint(int32_t& x, int32_t& y, const Args& a) {
  x = a.Whole(0);
  y = a.Whole(1);
}

int32_t FrameCount(const Args& a, size_t i) {
  int32_t n = a.Int(i);
  if (n < 0 || n > kSkinMaxFrames) throw BadArgument{};
  return n;
}

uint32_t HexColor(const std::string& text) {
  std::string t = Trim(text);
  if (!t.empty() && t[0] == '#') t.erase(0, 1);
  if (t.size() < 6) throw BadArgument{};
  uint32_t rgb = 0;
  for (int i = 0; i < 6; ++i) {
    char c = t[i];
    int d = (c >= '0' && c <= '9') ? c - '0' : (c >= 'a' && c <= 'f') ? c - 'a' + 10 : (c >= 'A' && c <= 'F') ? c - 'A' + 10 : -1;
    if (d < 0) throw BadArgument{};
    rgb = rgb * 16 + static_cast<uint32_t>(d);
  }
  return rgb;
}

uint8_t ByteValue(double v) {
  int32_t r = Round32(v);
  if (r < 0 || r > 255) throw BadArgument{};
  return static_cast<uint8_t>(r);
}

struct Reader {
  const Services& services;
  SkinLayout& s;
  DisplayState& d;
  std::string folder;  // the skin file's folder, with its "/"
  bool image_named = false;

  void Warn(int line, const std::string& what) {
    services.Log("# Skin line " + std::to_string(line) + ": " + what);
  }

  void LoadImage(const std::string& name) {
    image_named = true;
    ReleaseSurface(d.SkinSurface);
    std::string relative = NormalizeSeparators(name);
    std::string path = folder + relative;
    if (auto found = ResolvePathNoCase(folder.empty() ? "." : folder, relative)) path = *found;
    if (!LoadSurfaceFromFile(services, d, d.SkinSurface, path, true)) {
      services.Log("# Skin image can't be loaded: " + path);
      return;
    }
    d.SkinSurface.color_key = true;
    services.Log("[LoadRect] Object Surface created. VRAM FREE:" + std::to_string(FreeVideoMemory()));
  }

  // Applies one "#" line; returns false when the keyword is unknown.
  bool Apply(const std::string& line, const std::string& keyword, const std::string& rest) {
    const Args a(rest);
    auto side = [&](const char* first) { return keyword == first ? 0 : 1; };

    if (keyword == "#TILEMODE") {
      std::string word = Trim(rest);
      s.TileMode = word == "SCROLL" ? 3 : word == "DELEY" ? 2 : 1;
    } else if (keyword == "#GAUGESTEP") {
      s.GaugeStep = a.Int(0);
    } else if (keyword == "#GAUGEBG") {
      ReadRect(s.GaugeRects[1], a);
    } else if (keyword == "#GAUGE") {
      ReadRect(s.GaugeRects[0], a);
      s.GaugeUnit = static_cast<float>(Span(s.GaugeRects[0].left, s.GaugeRects[0].right)) / 100.0f;
    } else if (keyword == "#EXGAUGEBG") {
      ReadRect(s.ExGaugeBgRect, a);
    } else if (keyword == "#EXGAUGE") {
      ReadRect(s.ExGaugeRect, a);
    } else if (keyword == "#BGA") {
      s.BgaX = a.Whole(0);
      s.BgaY = a.Whole(1);
      s.BgaWidth = a.Whole(2);
      s.BgaHeight = a.Whole(3);
    } else if (keyword == "#FILE") {
      LoadImage(Trim(line.size() > 6 ? line.substr(6) : std::string()));
    } else if (keyword == "#POOR" || keyword == "#BAD" || keyword == "#GOOD" || keyword == "#GREAT") {
      int k = keyword == "#POOR" ? 0 : keyword == "#BAD" ? 1 : keyword == "#GOOD" ? 2 : 3;
      ReadRect(s.JudgeRects[k], a);
      s.JudgeWidths[k] = Span(s.JudgeRects[k].left, s.JudgeRects[k].right);
      s.JudgeHeights[k] = Span(s.JudgeRects[k].top, s.JudgeRects[k].bottom);
    } else if (keyword == "#FGREAT") {
      double x = a.Number(0), y = a.Number(1), w = a.Number(2), h = a.Number(3);
      int32_t n = FrameCount(a, 4);
      std::vector<Rect> frames;
      for (int i = 0; i < n; ++i) frames.push_back(Cell(x, y, w, h, i, true));
      int32_t fw = Round32(w), fh = Round32(h);
      s.FGreatFrameCount = n;
      s.FGreatFrames = std::move(frames);
      s.JudgeWidths[4] = fw;
      s.JudgeHeights[4] = fh;
    } else if (keyword == "#GRAPH") {
      double x = a.Number(0), y = a.Number(1);
      for (int ai = 0; ai < 2; ++ai)
        for (int b = 0; b < 5; ++b)
          s.GraphCells[b + ai * 5] = Rect{Round32(x + 3 * ai), Round32(y + 3 * b), Round32(x + 3 * ai + 3),
                                          Round32(y + 3 * b + 3)};
    } else if (keyword == "#JGRAPH") {
      double x = a.Number(0), y = a.Number(1);
      for (int b = 0; b < 5; ++b)
        s.JGraphCells[b] = Rect{Round32(x), Round32(y + 3 * b), Round32(x + 3), Round32(y + 3 * b + 3)};
    } else if (keyword == "#ELM_CLASS") {
      ReadRect(s.ClassRect, a);
    } else if (keyword == "#CLASSSTR") {
      RowOf(s.ClassStrRects, a);
    } else if (keyword == "#BOMB") {
      double x = a.Number(0), y = a.Number(1), w = a.Number(2), h = a.Number(3);
      int32_t n = FrameCount(a, 4);
      std::vector<Rect> frames;
      for (int i = 0; i < n; ++i) frames.push_back(Cell(x, y, w, h, i, false));
      int32_t ox = Round32(-w) / 2, oy = Round32(-h) / 2;
      s.BombFrameCount = n;
      s.BombFrames = std::move(frames);
      s.BombOffsetX = ox;
      s.BombOffsetY = oy;
    } else if (keyword == "#NUM") {
      RowOf(s.NumRects, a);
      s.NumAdvance = Round32(a.Number(2));
    } else if (keyword == "#1PPTSPOS" || keyword == "#2PPTSPOS") {
      int p = side("#1PPTSPOS");
      ReadPoint(s.PtsPosX[p], s.PtsPosY[p], a);
    } else if (keyword == "#1PJPTSPOS" || keyword == "#2PJPTSPOS") {
      int p = side("#1PJPTSPOS");
      ReadPoint(s.JPtsPosX[p], s.JPtsPosY[p], a);
    } else if (keyword == "#NETJPTSPOS") {
      ReadPoint(s.NetJPtsPosX, s.NetJPtsPosY, a);
    } else if (keyword == "#PTSNUM") {
      RowOf(s.PtsNumRects, a);
      s.PtsNumAdvance = Round16(a.Number(2));
    } else if (keyword == "#PERPOS1P" || keyword == "#PERPOS2P") {
      int p = side("#PERPOS1P");
      ReadPoint(s.PerPosX[p], s.PerPosY[p], a);
    } else if (keyword == "#PERNUM") {
      RowOf(s.PerNumRects, a);
      s.PercentFont.rects = s.PerNumRects;
      s.PercentFont.advance = Round16(a.Number(2));
    } else if (keyword == "#BGLINE") {
      ReadRect(s.BgLineRect, a);
    } else if (keyword == "#KEYPANEL1P" || keyword == "#KEYPANEL2P") {
      int p = side("#KEYPANEL1P");
      int32_t obj = a.Whole(0);
      if (obj < std::numeric_limits<int16_t>::min() || obj > std::numeric_limits<int16_t>::max())
        throw BadArgument{};
      s.KeyPanelObj[p] = static_cast<int16_t>(obj);
      s.KeyPanelX[p] = a.Whole(1);
      s.KeyPanelY[p] = a.Whole(2);
    } else if (keyword == "#BASEPANEL1P" || keyword == "#BASEPANEL2P") {
      int p = side("#BASEPANEL1P");
      int32_t obj = a.Whole(0);
      if (obj < std::numeric_limits<int16_t>::min() || obj > std::numeric_limits<int16_t>::max())
        throw BadArgument{};
      s.BasePanelObj[p] = static_cast<int16_t>(obj);
      s.BasePanelX[p] = a.Whole(1);
      s.BasePanelY[p] = a.Whole(2);
    } else if (keyword == "#1PGAUGEPOS" || keyword == "#2PGAUGEPOS") {
      int p = side("#1PGAUGEPOS");
      ReadPoint(s.GaugePosX[p], s.GaugePosY[p], a);
    } else if (keyword == "#1PJUDGEPOS" || keyword == "#2PJUDGEPOS") {
      int p = side("#1PJUDGEPOS");
      ReadPoint(s.JudgePosX[p], s.JudgePosY[p], a);
    } else if (keyword == "#NETNAMEPOS") {
      ReadRect(s.NetNameRect, a);
    } else if (keyword == "#MAXCOMBO") {
      ReadRect(s.MaxComboRect, a);
    } else if (keyword == "#COMBOGRAPH") {
      ReadRect(s.ComboGraphRect, a);
      s.ComboGraphRect2 = s.ComboGraphRect;
      s.ComboGraphWidth = Span(s.ComboGraphRect.left, s.ComboGraphRect.right);
    } else if (keyword == "#NOMISS") {
      ReadRect(s.NoMissRect, a);
    } else if (keyword == "#NETNAMECOLOR") {
      s.NetNameColor = HexColor(rest);
    } else if (keyword == "#NETTITLEPOS") {
      ReadRect(s.NetTitleRect, a);
    } else if (keyword == "#NETTITLECOLOR") {
      s.NetTitleColor = HexColor(rest);
    } else if (keyword == "#NETGAUGEPOS") {
      ReadPoint(s.NetGaugePosX, s.NetGaugePosY, a);
    } else if (keyword == "#BPMPOS") {
      ReadPoint(s.BpmPosX, s.BpmPosY, a);
    } else if (keyword == "#NETPERPOS") {
      ReadPoint(s.NetPerPosX, s.NetPerPosY, a);
    } else if (keyword == "#LENGRAPH") {
      double x = a.Number(0), y = a.Number(1);
      s.LenGraphRect = Rect{Round32(x), Round32(y), Round32(x + 5), Round32(y + 380)};
    } else if (keyword == "#SYSFONT") {
      double x = a.Number(0), y = a.Number(1), w = a.Number(2), h = a.Number(3);
      d.CharWidth = ByteValue(w);
      d.CharHeight = ByteValue(h);
      for (int c = 33; c <= 128; ++c) {
        double left = x + ((c % 32) - 1) * w, top = y + ((c / 32) - 1) * h;
        d.GlyphRects[c - 32] = Rect{Round32(left), Round32(top), Round32(left + w), Round32(top + h)};
      }
    } else if (keyword == "#NETBASE") {
      ReadRect(s.NetBaseRect, a);
    } else if (keyword == "#LNBODY" || keyword == "#LNACTIVE" || keyword == "#LNEND" || keyword == "#MINE") {
      ReadLanePicture(keyword, a, rest);
    } else {
      return ApplyTableLine(line);
    }
    return true;
  }

  // "#LNBODY ch,x,y,w,h" and the other pictures of a lane channel.
  void ReadLanePicture(const std::string& keyword, const Args& a, const std::string& rest) {
    const int32_t ch = a.Whole(0);
    if (!((ch >= 11 && ch <= 19) || (ch >= 21 && ch <= 29))) throw BadArgument{};
    auto& table = keyword == "#LNBODY" ? s.LongBodyRects
                  : keyword == "#LNACTIVE" ? s.LongActiveRects
                  : keyword == "#LNEND" ? s.LongEndRects
                                         : s.MineRects;
    const size_t comma = rest.find(',');
    ReadRect(table[ch - 11], Args(comma == std::string::npos ? std::string_view() : std::string_view(rest).substr(comma + 1)));
  }

  // "#KEYnn obj,x,c" and "#OBJnn x,y,w,h".
  bool ApplyTableLine(const std::string& line) {
    std::string kind = ToUpperAscii(line.substr(1, 3));
    if (kind != "KEY" && kind != "OBJ") return false;
    int32_t nn = Round32(LenientNumber(line.size() > 4 ? line.substr(4, 2) : std::string()));
    if (nn < 0 || nn >= kSkinTableSize) throw BadArgument{};
    const Args a(line.size() > 7 ? line.substr(7) : std::string());
    if (kind == "KEY") {
      s.KeyDefs[nn][0] = a.Int(0);
      s.KeyDefs[nn][1] = a.Int(1);
      s.KeyDefs[nn][3] = a.Int(2);
    } else {
      ReadRect(s.ObjRects[nn], a);
      int32_t w = a.Int(2), h = a.Int(3);
      s.ObjSizes[nn][1] = h;
      s.ObjSizes[nn][2] = w;
      s.ObjSizes[nn][3] = h;
    }
    return true;
  }
};

void ComputeDerived(SkinLayout& s) {
  int32_t left = 0;
  bool any = false;
  for (int ch = 11; ch <= 19; ++ch) {
    int64_t right = static_cast<int64_t>(s.KeyDefs[ch][1]) + SkinObjWidth(s, s.KeyDefs[ch][0]);
    right = std::clamp<int64_t>(right, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max());
    if (!any || right > left) left = static_cast<int32_t>(right);
    any = true;
  }
  s.LaneAreaRect = Rect{left, 0, 640, 480};
  for (int c = 33; c <= 126; ++c) {
    int32_t l = ((c % 32) - 1) * 3, t = (c / 32) * 5 + 117;
    s.MiniFontRects[c - 33] = Rect{l, t, l + 3, t + 5};
  }
  s.ScreenRect2 = Rect{0, 0, 640, 480};
}

}  // namespace

bool ParseRect(Rect& rect, const std::string& line) {
  size_t space = line.find(' ');
  try {
    ReadRect(rect, Args(space == std::string::npos ? std::string_view() : std::string_view(line).substr(space + 1)));
  } catch (const BadArgument&) {
    return false;
  }
  return true;
}

Rect SkinObjRect(const SkinLayout& skin, int32_t object) {
  if (object < 0 || object >= kSkinTableSize) return Rect{};
  return skin.ObjRects[object];
}

int32_t SkinObjWidth(const SkinLayout& skin, int32_t object) {
  if (object < 0 || object >= kSkinTableSize) return 0;
  return skin.ObjSizes[object][2];
}

bool ReadSkinFile(const Services& services, SkinLayout& skin, DisplayState& display, const std::string& path) {
  services.Log("[LoadRectData] " + FileNameOf(NormalizeSeparators(path)));
  if (!FileExists(path)) {
    services.Log("# Skin file not found: " + path);
    return false;
  }
  ReadSkinText(services, skin, display, path, ReadTextFile(path).value_or(""));
  return true;
}

void ReadSkinText(const Services& services, SkinLayout& s, DisplayState& display, const std::string& path,
                  std::string_view bytes) {
  s.GaugeRects = {};
  s.KeyDefs = {};
  s.ObjRects = {};
  // The sizes belong to the rectangles: a lane naming an object the new skin
  // does not define must not take its width from the previous skin.
  s.ObjSizes = {};
  // Likewise the lane pictures of long notes and mines.
  s.LongBodyRects = {};
  s.LongActiveRects = {};
  s.LongEndRects = {};
  s.MineRects = {};
  std::string text = DecodeText(bytes.substr(0, bytes.find('\0')));
  s.BgaWidth = 256, s.BgaHeight = 256, s.BgaY = 128, s.BgaX = 192;
  s.TileMode = 0;
  s.Loading = true;

  Reader reader{services, s, display, FolderOf(NormalizeSeparators(path))};
  int number = 0;
  for (const std::string& line : SplitLines(text)) {
    ++number;
    if (line.empty() || line[0] != '#') continue;
    size_t space = line.find(' ');
    std::string keyword = ToUpperAscii(line.substr(0, space));
    std::string rest = space == std::string::npos ? std::string() : line.substr(space + 1);
    try {
      if (!reader.Apply(line, keyword, rest)) reader.Warn(number, "unknown command " + keyword);
    } catch (const BadArgument&) {
      reader.Warn(number, "bad arguments: " + line);
    }
  }
  if (!reader.image_named) {
    services.Log("# Skin has no image (#FILE)");
    ReleaseSurface(display.SkinSurface);
  }
  ComputeDerived(s);
  s.Loading = false;
}

void UpdateSkinList(const Services& services, SkinLayout& skin, const std::string& data_folder,
                    const std::string& chosen) {
  services.Log("[UpdateSkinList]");
  std::vector<std::string> found;
  std::error_code ec;
  for (std::filesystem::directory_iterator it(data_folder, ec), end; !ec && it != end; it.increment(ec)) {
    std::error_code fec;
    if (!it->is_regular_file(fec)) continue;
    std::string name = it->path().filename().string();
    if (name.size() > 4 && EndsWithNoCase(name, ".brd")) found.push_back(data_folder + "/" + name);
  }
  std::sort(found.begin(), found.end());
  skin.SkinList = std::move(found);
  int16_t index = 0;
  for (size_t i = 0; i < skin.SkinList.size(); ++i)
    if (skin.SkinList[i] == chosen) index = static_cast<int16_t>(i);
  skin.SkinIndex = index;
  services.Log(std::to_string(skin.SkinList.size()) + " skins(s) has detected.");
}

std::vector<std::string> SkinFileList(const SkinLayout& skin) { return skin.SkinList; }

}  // namespace kvx
