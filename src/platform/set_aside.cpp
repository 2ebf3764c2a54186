#include "platform/set_aside.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace kvx {

namespace {

bool NameTaken(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

}  // namespace

std::optional<std::string> SetAsideFile(const std::string& path, std::string* error) {
  constexpr int kMaxTries = 1000;
  std::string target = path + ".damaged";
  for (int n = 2; NameTaken(target); ++n) {
    if (n > kMaxTries) {
      if (error) *error = "too many damaged copies beside it";
      return std::nullopt;
    }
    target = path + ".damaged-" + std::to_string(n);
  }
  // rename() moves a link itself, never the file it points to.
  if (std::rename(path.c_str(), target.c_str()) != 0) {
    if (error) *error = std::strerror(errno);
    return std::nullopt;
  }
  return target;
}

}  // namespace kvx
