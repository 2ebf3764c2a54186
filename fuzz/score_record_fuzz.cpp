// The score record reader (".ksd"), fed the bytes of a record file: what it
// reads is written back and read again unchanged, a new score finds its
// place, and the ranking screen draws every row with the default skin.
#include <cstdlib>

#include "app/display_game.h"
#include "app/skin_loading.h"
#include "fuzz_game.h"
#include "media/display.h"
#include "media/skin.h"
#include "screens/ranking_screen.h"
#include "screens/score_record.h"

using namespace kvx;

namespace {
Game* game = nullptr;
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  setenv("SDL_VIDEODRIVER", "dummy", 1);
  game = fuzz::MakeGame().release();
  Game& g = *game;
  InitDX(g);
  ShowGameWindow(g);
  InitDD(g);
  CreateSurfaces(g);
  LoadRectData(g, std::string(KVX_BUILD_DIR) + "/_kvxfiles/kvx_scr.brd");
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes = fuzz::Bytes(data, size);
  const ScoreRecord record = DecodeScoreRecord(bytes);
  const std::string written = EncodeScoreRecord(record);
  if (written.size() != kScoreFileSize || !(DecodeScoreRecord(written) == record)) fuzz::Fail();

  Game& g = *game;
  g.screens.Record = record;
  const uint32_t choice = fuzz::Choice(bytes);
  RankEntry entry = record.Ranking[choice % kRankingPlaces];
  for (float score : {0.0f, 1.0f, entry.Score, 200000.0f, -1.0f}) {
    const int place = RankingPlaceOf(record, score);
    if (place < -1 || place >= kRankingPlaces) fuzz::Fail();
  }
  DrawRankingScreen(g, static_cast<int>(choice % (kRankingPlaces + 1)) - 1, entry);
  return 0;
}
