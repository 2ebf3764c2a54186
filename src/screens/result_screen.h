#pragma once
// The result screen after a play.
#include <cstdint>

namespace kvx {

struct Game;

// Shows the tally of the last play until a lane button or Escape is pressed.
void RunResultScreen(Game& game);
void ProcessKey_EnterName(Game& game, int16_t character);

}  // namespace kvx
