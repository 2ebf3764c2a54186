#pragma once
// Helpers of the menu window tests: SDL events pushed into a window as the X
// server would deliver them, a script of steps that waits for each to be ready,
// control rectangles compared for the layout checks, and the screenshots.
#include <SDL.h>
#include <SDL_image.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "menu/menu_state.h"

namespace kvx::test {

// Pushes events into the window whose id `window` gives.
class WindowEvents {
 public:
  explicit WindowEvents(std::function<uint32_t()> window) : window_(std::move(window)) {}
  uint32_t Window() const { return window_(); }
  void Close() {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = SDL_WINDOWEVENT_CLOSE;
    e.window.windowID = Window();
    SDL_PushEvent(&e);
  }
  // A file dropped from the file manager onto the window.
  void Drop(const std::string& path) {
    SDL_Event e{};
    e.type = SDL_DROPFILE;
    e.drop.windowID = Window();
    e.drop.file = SDL_strdup(path.c_str());
    SDL_PushEvent(&e);
  }
  void Move(float x, float y) {
    SDL_Event e{};
    e.type = SDL_MOUSEMOTION;
    e.motion.windowID = Window();
    e.motion.x = static_cast<int>(x), e.motion.y = static_cast<int>(y);
    SDL_PushEvent(&e);
  }
  void Button(float x, float y, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.windowID = Window();
    e.button.button = SDL_BUTTON_LEFT;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.clicks = 1;
    e.button.x = static_cast<int>(x), e.button.y = static_cast<int>(y);
    SDL_PushEvent(&e);
  }
  void Key(SDL_Scancode code, bool down) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.windowID = Window();
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.scancode = code;
    e.key.keysym.sym = SDL_GetKeyFromScancode(code);
    SDL_PushEvent(&e);
  }
  // A press and its release in the same frame.
  void Tap(SDL_Scancode code) {
    Key(code, true);
    Key(code, false);
  }
  // Text typed, in events of at most 24 bytes cut between UTF-8 characters.
  void Type(const std::string& text) {
    for (size_t at = 0; at < text.size();) {
      size_t n = std::min<size_t>(text.size() - at, 24);
      while (at + n < text.size() && (static_cast<unsigned char>(text[at + n]) & 0xC0) == 0x80) --n;
      SDL_Event e{};
      e.type = SDL_TEXTINPUT;
      e.text.windowID = Window();
      std::memcpy(e.text.text, text.data() + at, n);
      SDL_PushEvent(&e);
      at += n;
    }
  }

 private:
  std::function<uint32_t()> window_;
};

// A step of a script: waits until `ready`, then acts.
struct Step {
  std::string name;
  std::function<bool()> ready;
  std::function<void()> act;
};

// Runs steps one a frame, each once it is ready. A click is a press in one
// frame and its release in the next. After 600 frames on one step (about ten
// seconds) it gives up and closes the window.
class StepScript {
 public:
  explicit StepScript(WindowEvents& input) : input_(input) {}
  std::vector<Step> steps;
  size_t step = 0;

  // Moves the pointer to (x, y) and presses there; the next frame releases.
  void Press(int x, int y) {
    pressed_x_ = x, pressed_y_ = y;
    input_.Move(x, y);
    input_.Button(x, y, true);
  }
  // True when a step acted in this frame.
  bool Frame() {
    if (release_) {
      input_.Button(pressed_x_, pressed_y_, false);
      release_ = false;
      pressed_x_ = -1;
      return false;
    }
    if (step >= steps.size()) return false;
    if (++wait_frames_ > 600) {
      input_.Close();
      return false;
    }
    if (!steps[step].ready()) return false;
    wait_frames_ = 0;
    steps[step].act();
    release_ = pressed_x_ >= 0;
    ++step;
    return true;
  }
  bool Done() const { return step == steps.size(); }
  // The name of the step the script is waiting for, for a failure message.
  std::string Waiting() const { return step < steps.size() ? steps[step].name : ""; }

 private:
  WindowEvents& input_;
  int pressed_x_ = -1, pressed_y_ = -1;
  int wait_frames_ = 0;
  bool release_ = false;
};

inline bool Apart(const MenuControlRect& a, const MenuControlRect& b) {
  return a.x1 <= b.x0 || b.x1 <= a.x0 || a.y1 <= b.y0 || b.y1 <= a.y0;
}

inline bool Within(const MenuControlRect& r, const MenuControlRect& area) {
  return r.x0 >= area.x0 && r.y0 >= area.y0 && r.x1 <= area.x1 && r.y1 <= area.y1;
}

// How a saved screenshot looks: its width (-1 when it does not load, `error`
// then says why) and the colours of every third pixel of every third row.
struct ShotLook {
  int width = -1;
  size_t colours = 0;
  std::string error;
};

inline ShotLook LookAt(const std::filesystem::path& png) {
  ShotLook look;
  SDL_Surface* shot = IMG_Load(png.string().c_str());
  if (!shot) {
    look.error = IMG_GetError();
    return look;
  }
  look.width = shot->w;
  SDL_Surface* rgba = SDL_ConvertSurfaceFormat(shot, SDL_PIXELFORMAT_RGBA32, 0);
  std::set<uint32_t> colours;
  for (int y = 0; y < rgba->h; y += 3)
    for (int x = 0; x < rgba->w; x += 3) colours.insert(static_cast<uint32_t*>(rgba->pixels)[y * rgba->pitch / 4 + x]);
  look.colours = colours.size();
  SDL_FreeSurface(rgba);
  SDL_FreeSurface(shot);
  return look;
}

// build/screenshots, created, with the named shots of an earlier run removed.
inline std::filesystem::path FreshScreenshots(std::initializer_list<const char*> names) {
  const std::filesystem::path shots = std::filesystem::path(KVX_BUILD_DIR) / "screenshots";
  std::filesystem::create_directories(shots);
  for (const char* name : names) std::filesystem::remove(shots / name);
  return shots;
}

}  // namespace kvx::test
