#include "app/debug_log.h"

#include "app/game.h"

namespace kvx {

void DebugLog(Game& game, std::string_view message, int delta) { game.log.Write(message, delta); }

}  // namespace kvx
