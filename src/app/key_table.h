#pragma once
// The game's key table file: where it is, loading it at start-up and saving
// it (its byte layout and the default table are in media/key_table_format.h).
#include <string>

#include "media/key_table_format.h"

namespace kvx {

struct Game;

std::string KeyTablePath(const Game& game);
// Loads the key table at start-up, with the default table when the file is
// missing and a notice when it cannot be read. A file that is too short or
// holds a value no button can have is set aside as damaged.
void LoadKeyTable(Game& game);
bool SaveKeyTable(Game& game);

}  // namespace kvx
