#pragma once
// The startup menu's own window: an SDL window with an OpenGL context and a
// Dear ImGui context whose font carries the Japanese labels. The pointer is
// taken from the window's events (not from the system's pointer state), so
// events injected by tests act like real ones.
#include <SDL.h>

#include <cstdint>
#include <string>
#include <vector>

#include "imgui.h"

namespace kvx {

struct Game;

class MenuWindow {
 public:
  MenuWindow() = default;
  MenuWindow(const MenuWindow&) = delete;
  MenuWindow& operator=(const MenuWindow&) = delete;
  ~MenuWindow() { Close(); }

  // Opens the window; `texts` are the window's texts, whose glyphs the font
  // must carry. False (and a log line) when no window can be made.
  bool Open(Game& game, const std::string& title, int width, int height, const std::vector<const char*>& texts);
  void Close();
  bool IsOpen() const { return window_ != nullptr; }
  uint32_t Id() const { return id_; }
  // True for the pointer, key, text, drop and window events of this window.
  bool Owns(const SDL_Event& e) const;

  void SetTitle(const std::string& title);
  void SetSize(int width, int height);
  // Hands one event of this window to Dear ImGui.
  void ProcessEvent(const SDL_Event& e);
  void BeginFrame();
  // Draws the frame. A non-empty path also saves it there as a PNG first.
  void EndFrame(const std::string& screenshot_path = "");

 private:
  bool SavePng(const std::string& path, int width, int height);

  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  ImGuiContext* imgui_ = nullptr;
  ImVector<ImWchar> glyph_ranges_;  // the font's characters; used whenever the atlas is built
  uint32_t id_ = 0;
  std::string title_;
  // The pointer as the events report it.
  float pointer_x_ = -1e30f, pointer_y_ = -1e30f;
  bool button_held_[3] = {false, false, false};
  bool button_pressed_[3] = {false, false, false};  // pressed since the last frame
};

}  // namespace kvx
