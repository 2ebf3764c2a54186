#pragma once
// Names of button codes for people: keyboard keys ("Z", "Left Shift",
// "Enter"), joystick buttons ("Joy1 Button 5") and stick directions
// ("Joy1 Left"). Codes no device produces read "Code 350".
#include <string>

namespace kvx {

// The words of joystick and unknown codes; keyboard key names are the same in
// every language.
struct ButtonWords {
  const char* joystick = "Joy";
  const char* button = "Button ";
  const char* stick[4] = {"Left", "Right", "Up", "Down"};  // X-, X+, Y-, Y+
  const char* code = "Code ";
};

// The name of button code `code` (keyboard 0..255, joysticks 256 + 40 x j + k).
std::string ButtonName(int code, const ButtonWords& words = ButtonWords{});

}  // namespace kvx
