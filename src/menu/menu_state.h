#pragma once
// State of the startup menu window.
#include <string>

namespace kvx {

struct MenuState {
  std::string txtWait = "0.5";  // preview wait, seconds
  bool visible = false;
};

}  // namespace kvx
