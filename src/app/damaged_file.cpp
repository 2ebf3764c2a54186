#include "app/damaged_file.h"

#include "app/debug_log.h"
#include "app/game.h"
#include "media/display.h"
#include "platform/set_aside.h"

namespace kvx {

bool SetAsideDamagedFile(Game& g, const std::string& path, const std::string& what, const std::string& reason) {
  std::string error;
  const auto aside = SetAsideFile(path, &error);
  if (aside) {
    DebugLog(g, "# damaged " + what + " (" + reason + ") set aside as " + *aside);
    ShowMessage(g.display, g.NowMs(), "Damaged " + what + " set aside");
  } else {
    DebugLog(g, "# damaged " + what + " (" + reason + ") not used; it could not be set aside: " + path + " (" +
                    error + ")");
    ShowMessage(g.display, g.NowMs(), "Damaged " + what + " not used");
  }
  return aside.has_value();
}

}  // namespace kvx
