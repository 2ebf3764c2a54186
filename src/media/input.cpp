#include "media/input.h"

#include "app/game.h"

namespace kvx {

void InitDI_Keyboard(Game& g) { DebugLog(g, "InitDI_Keyboard (stub)"); }
void InitJoysticks(Game& g) { DebugLog(g, "InitJoysticks (stub)"); }

}  // namespace kvx
