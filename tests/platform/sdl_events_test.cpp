// Key presses that type a character besides text: the name entries need
// Backspace, Enter and Escape as characters, as a window's key-press event
// delivers them.
#include "platform/sdl_events.h"

#include <gtest/gtest.h>

namespace kvx {
namespace {

SDL_Event KeyEvent(Uint32 type, SDL_Scancode code, bool repeat = false) {
  SDL_Event e{};
  e.type = type;
  e.key.keysym.scancode = code;
  e.key.repeat = repeat;
  return e;
}

TEST(SdlEvents, ControlKeysTypeTheirCharacters) {
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE)), 8);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, true)), 8);  // held: repeats
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN)), 13);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_KP_ENTER)), 13);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_ESCAPE)), 27);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYUP, SDL_SCANCODE_RETURN)), 0);
  EXPECT_EQ(ControlCharacterOf(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_A)), 0);  // letters come as text
  // The key press itself is still an event of its own (repeats are not).
  PlatformEvent p;
  ASSERT_TRUE(TranslateSdlEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_RETURN), 0, &p));
  EXPECT_EQ(p.kind, PlatformEvent::Kind::KeyDown);
  EXPECT_FALSE(TranslateSdlEvent(KeyEvent(SDL_KEYDOWN, SDL_SCANCODE_BACKSPACE, true), 0, &p));
}

}  // namespace
}  // namespace kvx
