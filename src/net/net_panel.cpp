// The players' panel of a battle: one line per player in ranking order (best
// J-PTS first) with the name, a gauge bar, the gauge percent and the J-PTS;
// the song each player chose on song select.
#include <algorithm>
#include <cstdio>

#include "app/game.h"
#include "media/display.h"
#include "media/surface.h"
#include "net/net_panel.h"
#include "net/net_session.h"

namespace kvx {

namespace {

constexpr int kPanelWidth = 200, kSongPanelWidth = 272;
constexpr int kRowHeight = 14;
constexpr int kHeaderHeight = 16;
constexpr int kBarWidth = 56, kBarHeight = 6;
constexpr uint32_t kLocalColor = 0xFFFF60;
constexpr uint32_t kGaugeColor = 0x3C8CFF, kClearColor = 0xFF5050, kBarBack = 0x202040;

uint32_t NameColor(const Game& g) { return g.skin.NetNameColor ? g.skin.NetNameColor : 0xFFE890; }
uint32_t TitleColor(const Game& g) { return g.skin.NetTitleColor ? g.skin.NetTitleColor : 0xC8E0FF; }

// The skin's panel picture: the left of its title strip as it is (it holds
// the caption), the rest of the strip and the body stretched to the box.
void DrawBase(Game& g, const Rect& box) {
  DisplayState& d = g.display;
  const Rect& s = g.skin.NetBaseRect;
  constexpr int kCaption = 100;
  if (s.Width() <= kCaption || s.Height() <= kHeaderHeight || !d.SkinSurface.Valid()) {
    FillSurface(g.display, d.BackSurface, &box, 0x101830);
    return;
  }
  BltClipped(g.display, d.BackSurface, box, box.left, box.top, d.SkinSurface,
             Rect{s.left, s.top, s.left + kCaption, s.top + kHeaderHeight}, 0);
  BltStretch(g.display, d.BackSurface, Rect{box.left + kCaption, box.top, box.right, box.top + kHeaderHeight}, d.SkinSurface,
             Rect{s.left + kCaption, s.top, s.right, s.top + kHeaderHeight}, 0);
  BltStretch(g.display, d.BackSurface, Rect{box.left, box.top + kHeaderHeight, box.right, box.bottom}, d.SkinSurface,
             Rect{s.left, s.top + kHeaderHeight, s.right, s.bottom}, 0);
}

void DrawGaugeBar(Game& g, int x, int y, float gauge) {
  Surface& back = g.display.BackSurface;
  const Rect frame{x, y, x + kBarWidth, y + kBarHeight};
  FillSurface(g.display, back, &frame, kBarBack);
  const int filled = static_cast<int>(std::clamp(gauge, 0.0f, 100.0f) * kBarWidth / 100.0f);
  if (filled <= 0) return;
  const Rect bar{x, y, x + filled, y + kBarHeight};
  FillSurface(g.display, back, &bar, gauge > 80 ? kClearColor : kGaugeColor);
}

}  // namespace

Rect NetPanelRect(const Game& g, int x, int y, bool with_songs) {
  const int rows = std::max(1, g.net.PlayerCount);
  return Rect{x, y, x + (with_songs ? kSongPanelWidth : kPanelWidth), y + kHeaderHeight + rows * kRowHeight + 4};
}

void DrawNetPanelAt(Game& g, int x, int y, bool with_songs) {
  NetState& n = g.net;
  Surface& back = g.display.BackSurface;
  if (!back.Valid()) return;
  const Rect box = NetPanelRect(g, x, y, with_songs);
  DrawBase(g, box);
  char header[64];
  std::snprintf(header, sizeof header, "%d/%d", n.PlayerCount, kNetMaxPlayers);
  DrawGdiText(g, back, GdiFont::Status, box.right - 30, y + 3, header, TitleColor(g));
  for (int k = 0; k < n.PlayerCount; ++k) {
    const int row = n.RankOrder[k];
    const NetPlayerRow& r = n.NetPlayers[row];
    const int top = y + kHeaderHeight + 2 + k * kRowHeight;
    const uint32_t color = row == n.LocalPlayerIndex ? kLocalColor : NameColor(g);
    const std::string name = std::to_string(k + 1) + " " + r.Name + (r.Ended ? " *" : "");
    DrawGdiTextClipped(g, back, GdiFont::Status, x + 4, top, name, color, x + 78);
    if (with_songs) {
      // The song each player has under the cursor; "> " once decided.
      std::string song = r.Title.empty() ? "-" : r.Title;
      if (r.Decided) song = "> " + song;
      DrawGdiTextClipped(g, back, GdiFont::Status, x + 82, top, song, TitleColor(g), box.right - 4);
      continue;
    }
    DrawGaugeBar(g, x + 80, top + 3, r.Gauge);
    char figures[48];
    std::snprintf(figures, sizeof figures, "%3d%% %6.0f", static_cast<int>(r.Gauge), static_cast<double>(r.JPoints));
    DrawGdiTextClipped(g, back, GdiFont::Status, x + 140, top, figures, 0xFFFFFF, box.right - 2);
  }
}

void DrawNetPlayersPanel(Game& g) {
  if (!g.net.NetPlay) return;
  DrawNetPanelAt(g, kNetPanelSongSelectX, kNetPanelSongSelectY, true);
}

void DrawNetPlayPanel(Game& g) {
  if (!g.net.NetPlay || !g.net.NetBattleRunning) return;
  const SkinLayout& s = g.skin;
  const int x = s.NetNameRect.Width() > 0 ? s.NetNameRect.left - 4 : 436;
  const int y = s.NetTitleRect.Height() > 0 ? s.NetTitleRect.top - 4 : 296;
  DrawNetPanelAt(g, x, y, false);
}

}  // namespace kvx
