#include "platform/message_box.h"

#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace kvx {

bool DisplayAvailable() {
  const char* driver = std::getenv("SDL_VIDEODRIVER");
  if (driver && (std::strcmp(driver, "dummy") == 0 || std::strcmp(driver, "offscreen") == 0)) return false;
  return std::getenv("DISPLAY") != nullptr || std::getenv("WAYLAND_DISPLAY") != nullptr;
}

bool ShowMessageBox(const std::string& title, const std::string& text, MessageBoxKind kind,
                    bool allow_window) {
  if (allow_window && DisplayAvailable()) {
    Uint32 flags = kind == MessageBoxKind::Critical  ? SDL_MESSAGEBOX_ERROR
                   : kind == MessageBoxKind::Warning ? SDL_MESSAGEBOX_WARNING
                                                     : SDL_MESSAGEBOX_INFORMATION;
    if (SDL_ShowSimpleMessageBox(flags, title.c_str(), text.c_str(), nullptr) == 0) return true;
  }
  std::fprintf(stderr, "%s%s%s\n", title.c_str(), title.empty() ? "" : ": ", text.c_str());
  return false;
}

}  // namespace kvx
