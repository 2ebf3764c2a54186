#include "test_support.h"

#include <cstdlib>
#include <filesystem>

#include <memory>

#include "app/game.h"
#include "platform/clock.h"
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

ScriptedClock* UseHeadlessGame(Game& g, const std::string& folder, uint32_t start_ms, uint32_t step_ms) {
  g.SetProgramFolder(folder);
  g.options.headless = true;
  MakeFolder(g.paths.data);
  auto clock = std::make_unique<ScriptedClock>(start_ms, step_ms);
  ScriptedClock* raw = clock.get();
  g.UseClock(std::move(clock));
  return raw;
}

}  // namespace kvx::test
