#pragma once
// Set-up shared by the song select benchmarks: wall-clock milliseconds, a
// program folder holding the build's generated data, and a game showing song
// select on the dummy display.
#include <stdlib.h>

#include <chrono>
#include <filesystem>
#include <string>

#include "../tests/screen_display_setup.h"

namespace kvx::bench {

using Clock = std::chrono::steady_clock;

inline double MsSince(Clock::time_point t0) {
  return std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
}

// A fresh folder /tmp/<prefix>-XXXXXX; the caller removes it.
inline std::string MakeTempFolder(const std::string& prefix) {
  std::string pattern = "/tmp/" + prefix + "-XXXXXX";
  return mkdtemp(pattern.data());
}

// The build's generated data folder copied into `folder`, without its settings file.
inline void CopyGeneratedData(const std::string& folder) {
  namespace fs = std::filesystem;
  fs::copy(fs::path(KVX_BUILD_DIR) / "_kvxfiles", fs::path(folder) / "_kvxfiles", fs::copy_options::recursive);
  fs::remove(fs::path(folder) / "_kvxfiles" / "kvx_conf.ini");
}

// The game of the program folder `folder` on the dummy display: start-up
// settings, no preview, no sleeping, its surfaces made and the default skin's
// places read.
inline void StartSongSelectDisplay(Game& g, const std::string& folder) {
  g.SetProgramFolder(folder);
  g.options.headless = true;
  test::StartScreensDisplay(g);
}

}  // namespace kvx::bench
