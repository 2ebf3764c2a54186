#pragma once
// What chart/ and media/ may use of the program around them, like an import
// table: the log and the clock. The game hands one out by value per call
// (Game::Services()); the lower layers never see the game itself.
#include <cstdint>
#include <string_view>

#include "platform/clock.h"
#include "platform/log.h"

namespace kvx {

struct Services {
  Logger& log;
  Clock& clock;

  void Log(std::string_view message, int delta = 0) const { log.Write(message, delta); }
  uint32_t NowMs() const { return clock.NowMs(); }
};

}  // namespace kvx
