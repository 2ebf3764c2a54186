#include "test_support.h"

#include <cstdlib>
#include <filesystem>

#include "platform/files.h"

namespace kvx::test {

TempFolder::TempFolder() {
  char pattern[] = "/tmp/kvxtest-XXXXXX";
  path_ = mkdtemp(pattern);
}

TempFolder::~TempFolder() {
  std::error_code ec;
  std::filesystem::remove_all(path_, ec);
}

std::string TempFolder::Write(const std::string& relative, const std::string& bytes) const {
  std::string full = path_ + "/" + relative;
  std::filesystem::create_directories(std::filesystem::path(full).parent_path());
  WriteFileBytes(full, bytes);
  return full;
}

std::string TempFolder::Read(const std::string& relative) const {
  return ReadFileBytes(path_ + "/" + relative).value_or("");
}

}  // namespace kvx::test
