#pragma once
// Message boxes. With a display they are SDL message boxes; without one (CI,
// --headless, the dummy video driver) the text goes to stderr instead.
#include <string>

namespace kvx {

enum class MessageBoxKind { Information, Warning, Critical };

// Returns true when a real box was shown.
bool ShowMessageBox(const std::string& title, const std::string& text, MessageBoxKind kind,
                    bool allow_window);
// True when a window system is reachable (a DISPLAY or WAYLAND_DISPLAY and not the
// dummy video driver).
bool DisplayAvailable();

}  // namespace kvx
