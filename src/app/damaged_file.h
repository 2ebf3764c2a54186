#pragma once
// Damaged files of the program (score records, the key table, list and course
// files): each is set aside under a ".damaged" name, with a log line and a
// status message, so a fresh file can start and nothing good is lost.
#include <string>

namespace kvx {

struct Game;

// Sets `path` aside because `reason`; `what` names the file for the player
// ("score record", "key table"...). Returns false when it could not be
// renamed (the log says so; the file is then left alone and not used).
bool SetAsideDamagedFile(Game& game, const std::string& path, const std::string& what, const std::string& reason);

}  // namespace kvx
