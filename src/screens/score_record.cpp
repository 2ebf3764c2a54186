#include "screens/score_record.h"

#include "app/game.h"

namespace kvx {

// Records arrive with the result screen; until then every chart has an empty
// record and nothing is written.
void LoadScoreDat(Game& g) { g.screens.Record = ScoreRecord{}; }
void SaveScoreDat(Game& g) {}
void AddScoreDat(Game& g) {}
void ReadRecordOfPlay(Game& g, const std::string& path) {
  DebugLog(g, "record-of-play files are not supported yet: " + path);
}

}  // namespace kvx
