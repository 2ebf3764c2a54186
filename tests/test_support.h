#pragma once
// Helpers shared by the test suites: a temporary program folder with a data
// folder, and reading back files.
#include <cstdint>
#include <string>

namespace kvx {
struct Game;
class ScriptedClock;
}  // namespace kvx

namespace kvx::test {

// A fresh folder under /tmp that is removed when the object goes away.
class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  const std::string& path() const { return path_; }
  std::string Write(const std::string& relative, const std::string& bytes) const;
  std::string Read(const std::string& relative) const;

 private:
  std::string path_;
};

// Points the game at `folder` (its data folder created), without a window or
// sound device, on a scripted clock from start_ms stepping step_ms per sleep.
// Returns the clock, which the game owns.
ScriptedClock* UseHeadlessGame(Game& game, const std::string& folder, uint32_t start_ms = 0, uint32_t step_ms = 1);

}  // namespace kvx::test
