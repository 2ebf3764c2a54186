#pragma once
// What the fuzz targets share: a game without a program folder (so nothing is
// logged to a file and nothing is written), without a window or a sound
// device, on a scripted clock; and the input as text.
#include <stdlib.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "app/game.h"
#include "platform/clock.h"

namespace kvx::fuzz {

inline std::unique_ptr<Game> MakeGame() {
  auto g = std::make_unique<Game>();
  g->options.headless = true;
  g->UseClock(std::make_unique<ScriptedClock>(100000, 1));
  g->chart.NoMediaLoads = true;
  return g;
}

inline std::string_view Bytes(const uint8_t* data, size_t size) {
  return std::string_view(reinterpret_cast<const char*>(data), size);
}

// A small number taken from the input, for choices a file does not make
// (options of the reader): the same input always makes the same choice.
inline uint32_t Choice(std::string_view bytes) {
  uint32_t h = 2166136261u;
  for (char c : bytes) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
  return h;
}

// A folder of the target's own under /tmp (prefix plus six random
// characters), removed when the process ends.
inline const std::string& MakeScratchFolder(std::string prefix) {
  static std::string folder;
  prefix += "XXXXXX";
  if (!mkdtemp(prefix.data())) std::abort();
  folder = prefix;
  std::atexit([] {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  });
  return folder;
}

// A failed check of a property: libFuzzer reports the input as a crash.
[[noreturn]] inline void Fail() { __builtin_trap(); }

}  // namespace kvx::fuzz
