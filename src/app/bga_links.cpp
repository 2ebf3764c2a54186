#include "app/bga_links.h"

#include <utility>

#include "app/game.h"

namespace kvx {

namespace {

constexpr double kPoorUnits = 192;  // the poor picture lasts one measure

}  // namespace

BgaLinks BgaLinksOf(Game& g) {
  BgaLinks links{g.Services()};
  links.show_message = [&g](const std::string& text) { ShowMessage(g.display, g.NowMs(), text); };
  links.no_bga = g.settings.NoBGA;
  links.bmp_load_mode = g.settings.BMPLoadmode;
  links.bmp_release = g.settings.BMPRelease;
  links.realtime_stretch = g.settings.RealtimeStretch;
  const AppState& a = g.app;
  links.window = Rect{a.BgaX, a.BgaY, a.BgaX + a.BgaWidth, a.BgaY + a.BgaHeight};
  links.tile_mode = g.skin.TileMode;
  links.lane_area = g.skin.LaneAreaRect;
  return links;
}

BgaFrame TakeBgaFrame(Game& g) {
  BgaFrame frame;
  frame.changed = std::exchange(g.judge.BgaChanged, false);
  if (g.judge.PoorImageShown && g.play.PlayPosition >= g.judge.PoorImagePosition + kPoorUnits) {
    g.judge.PoorImageShown = false;
    frame.changed = true;
  }
  frame.poor = g.judge.PoorImageShown;
  frame.elapsed_ms = g.play.ElapsedMs;
  return frame;
}

void LoadBmp(Game& g, int n) { LoadBmp(g.bga, g.display, g.chart, BgaLinksOf(g), n); }

void LoadCourseBmp(Game& g, int song, int id) { LoadCourseBmp(g.bga, g.display, g.chart, BgaLinksOf(g), song, id); }

void ComposeBga(Game& g) { ComposeBga(g.bga, g.display, g.chart, BgaLinksOf(g)); }

void DrawBgaWindow(Game& g) {
  // Nothing is taken from the play while the window is not drawn.
  if (g.settings.NoBGA || !g.display.BgaSurface.Valid() || !g.display.BackSurface.Valid()) return;
  DrawBgaWindow(g.bga, g.display, g.chart, BgaLinksOf(g), TakeBgaFrame(g));
}

}  // namespace kvx
