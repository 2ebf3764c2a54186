#pragma once
// Setting a damaged file aside: it is renamed, never deleted, so the evidence
// stays and a fresh file can take its name.
#include <optional>
#include <string>

namespace kvx {

// Renames `path` to `path` + ".damaged" (".damaged-2", ".damaged-3"... when
// that name is taken; an earlier damaged file is never replaced). Returns the
// new name, or nothing when the rename failed (`error` says why).
std::optional<std::string> SetAsideFile(const std::string& path, std::string* error = nullptr);

}  // namespace kvx
