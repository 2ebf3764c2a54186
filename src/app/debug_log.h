#pragma once
// Writing to the game's debug log (the Logger itself lives in platform/log.h).
#include <string_view>

#include "platform/log.h"

namespace kvx {

struct Game;

void DebugLog(Game& game, std::string_view message, int delta = 0);

}  // namespace kvx
