#pragma once
// The key configuration window opened from the startup menu, and the game's
// side of its model (media/key_config.h): the game's key table, devices,
// settings and log.
#include "media/key_config.h"
#include "menu/menu_state.h"

namespace kvx {

struct Game;
struct PlatformEvent;

KeyConfigTarget KeyConfigTargetOf(Game& game);
// The model functions on the game's key table, settings and log.
void LoadKeyConfig(Game& game, KeyConfigModel& model);
bool KeyConfigOK(Game& game, KeyConfigModel& model);
void KeyConfigCancel(Game& game, KeyConfigModel& model);
// The "XY軸移動を検知" box: JoyXYEnable follows it at once.
void SetJoyXY(Game& game, KeyConfigModel& model, bool enabled);
// The capture box: ModernKeyConfig follows it at once.
void SetModernKeyConfig(Game& game, KeyConfigModel& model, bool enabled);
// A keyboard or joystick event while the window is open: the devices take it
// and the model captures what changed.
void KeyConfigInput(Game& game, KeyConfigModel& model, const PlatformEvent& event);
// One tick of the window's timer: polls the joysticks, then captures.
bool KeyConfigTick(Game& game, KeyConfigModel& model);

// Opens the key configuration window and runs it until OK, cancel or close.
void OpenKeyConfigWindow(Game& game);

}  // namespace kvx
