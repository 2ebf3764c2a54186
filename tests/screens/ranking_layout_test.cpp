// The ranking screen's layout with the generated default skin on the dummy
// display: with the widest figures a row can hold (a negative five-digit
// J-PTS, a five-digit combo, 10.0x speeds, an eight-letter name), no two
// texts, score digits or class pictures overlap, everything is on the screen,
// and each class picture sits on its own row.
#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "app/skin_loading.h"
#include "app/game.h"
#include "media/display.h"
#include "media/skin.h"
#include "screens/ranking_screen.h"
#include "layout_check.h"
#include "test_support.h"

namespace kvx {
namespace {

namespace fs = std::filesystem;

using test::Describe;
using test::Overlap;

TEST(RankingLayout, WidestRowsKeepTheirColumnsApart) {
  test::TempFolder dir;
  Game g;
  test::UseHeadlessGame(g, dir.path());
  fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", g.paths.data,
           fs::copy_options::recursive | fs::copy_options::overwrite_existing);
  InitDX(g);
  ShowGameWindow(g);
  InitDD(g);
  CreateSurfaces(g);
  LoadRectData(g, g.paths.In("kvx_scr.brd"));
  ASSERT_GT(g.display.CharWidth, 0);
  RankEntry widest;
  widest.Name = "WWWWWWWW";
  widest.Score = 999999;
  widest.JPts = -99999;
  widest.MaxCombo = 32767;
  widest.HiSpeed = 10.0f;
  widest.RealHiSpeed = 10.0f;
  widest.Class = 0;
  for (int i = 0; i < kRankingPlaces; ++i) g.screens.Record.Ranking[i] = widest;
  g.screens.RankingName = "WWWWWWWW";
  std::vector<DrawnText> trace;
  g.display.TextTrace = &trace;
  for (int place : {0, 4, 9}) {
    trace.clear();
    DrawRankingScreen(g, place, widest);  // drawn at a moment the new row shows its figures
    const RankingColumns c = RankingColumnsFor(g);
    std::vector<DrawnText> items = trace;
    for (int i = 0; i < kRankingPlaces; ++i) {
      const int y = RankingRowTop(i);
      const Rect digits{c.score, y, c.score + 6 * g.skin.PtsNumAdvance, y + g.skin.PtsNumRects[0].Height()};
      items.push_back({"score " + std::to_string(i + 1), digits, 0});
      const Rect cls = RankingClassRect(g, y, widest.Class);
      items.push_back({"class " + std::to_string(i + 1), cls, 0});
      // The class picture is on its row: its middle within the row's text.
      EXPECT_GE((cls.top + cls.bottom) / 2, y);
      EXPECT_LE((cls.top + cls.bottom) / 2, y + g.display.CharHeight);
      EXPECT_LE(cls.Height(), kRankingRowHeight);
    }
    EXPECT_LE(c.right, 640);
    for (size_t i = 0; i < items.size(); ++i) {
      const Rect& r = items[i].rect;
      EXPECT_TRUE(r.left >= 0 && r.top >= 0 && r.right <= 640 && r.bottom <= 480) << Describe(items[i]);
      for (size_t j = i + 1; j < items.size(); ++j)
        EXPECT_FALSE(Overlap(r, items[j].rect)) << "place " << place + 1 << ": " << Describe(items[i]) << " and "
                                                << Describe(items[j]);
    }
  }
  g.display.TextTrace = nullptr;
  ReleaseDirectX(g);
}

}  // namespace
}  // namespace kvx
