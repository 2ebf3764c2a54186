#include "app/input_links.h"

#include "app/game.h"
#include "app/texts.h"

namespace kvx {

InputLinks InputLinksOf(Game& g) { return {g.Services(), g.options.headless, TextsOf(g).message_joystick_failed}; }

void HandleInputEvent(Game& g, const PlatformEvent& event) { HandleInputEvent(g.input, InputLinksOf(g), event); }

void InitDI_Keyboard(Game& g) {
  // The links are taken per event: the game's clock may be replaced later.
  InitDI_Keyboard(g.input, g.pump, g.Services(), [&g](const PlatformEvent& e) { HandleInputEvent(g, e); });
}

void InitJoysticks(Game& g) { InitJoysticks(g.input, InputLinksOf(g)); }

void ReleaseInput(Game& g) { ReleaseInput(g.input, g.pump); }

void PollJoysticks(Game& g) { PollJoysticks(g.input, InputLinksOf(g)); }

void ReadKeyboardState(Game& g, uint8_t keys[256]) { ReadKeyboardState(g.input, keys); }

uint32_t KeyPressTime(Game& g, int code) { return KeyPressTime(g.input, code, g.NowMs()); }

std::vector<ButtonEdge> TakeButtonEdges(Game& g) { return TakeButtonEdges(g.input); }

int JoystickCount(Game& g) { return JoystickCount(g.input); }

JoystickSnapshot ReadJoystick(Game& g, int index) { return ReadJoystick(g.input, index); }

}  // namespace kvx
