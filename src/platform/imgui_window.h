#pragma once
// A Dear ImGui window in its own SDL window with an OpenGL 3 context. The key
// configuration window and the startup menu draw their controls on it inside
// their own loops; one may open over the other, and closing a window makes
// the previous window's contexts current again.
#include <SDL.h>

#include <cfloat>
#include <cstdint>
#include <string>
#include <vector>

#include "imgui.h"

namespace kvx {

struct ImGuiWindowSetup {
  std::string caption;
  int width = 640, height = 480;
  std::string font_file;  // TrueType font of the texts; empty: Dear ImGui's built-in font
  int font_index = 0;     // face index in the font file
  float font_size = 15.0f;
  // Texts whose characters the font must carry besides the Japanese ranges.
  std::vector<std::string> glyph_texts;
  // Tab, the arrow keys, Space and Enter move between and work the controls.
  bool keyboard_navigation = false;
};

class ImGuiWindow {
 public:
  ImGuiWindow() = default;
  ~ImGuiWindow() { Close(); }
  ImGuiWindow(const ImGuiWindow&) = delete;
  ImGuiWindow& operator=(const ImGuiWindow&) = delete;

  // Opens the window (starting SDL's video subsystem when needed). False when
  // it cannot; error() then says why.
  bool Open(const ImGuiWindowSetup& setup);
  // Destroys the window and restores the contexts that were current before Open.
  void Close();
  bool IsOpen() const { return window_ != nullptr; }
  const std::string& error() const { return error_; }
  // The font file could not be used: the texts are in the built-in font.
  bool UsesBuiltInFont() const { return builtin_font_; }
  uint32_t id() const { return id_; }

  void SetCaption(const std::string& caption);
  // Off: EndFrame does not wait out the frame time (a loop that waits for
  // events itself).
  void SetFramePacing(bool on) { frame_pacing_ = on; }
  void SetSize(int width, int height);

  // What an SDL event means to the window; events for this window also go to
  // Dear ImGui (pointer, keys, text, window events of other windows do not).
  // The pointer is taken from these events rather than from the system's
  // pointer state, so events injected by scripts act like real ones.
  enum class Event { None, Quit, CloseClicked };
  Event HandleEvent(const SDL_Event& event);

  // One frame: BeginFrame, the Dear ImGui calls, EndFrame. EndFrame draws and
  // shows the frame and then waits out the rest of the frame time, so the
  // window's loop does not spin when the swap does not wait for the screen.
  void BeginFrame();
  // A non-empty png_path also saves the frame there as a PNG picture.
  void EndFrame(const std::string& png_path = "");

 private:
  bool Fail(const std::string& what);
  void MakeCurrent();
  void TrackPointer(const SDL_Event& event);
  bool SavePng(const std::string& path, int width, int height);

  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  ImGuiContext* imgui_ = nullptr;
  uint32_t id_ = 0;
  bool builtin_font_ = false;
  std::string error_;
  ImVector<ImWchar> glyph_ranges_;  // the font atlas reads them until it is built
  uint32_t last_frame_end_ = 0;
  bool frame_pacing_ = true;
  std::string caption_;
  // The pointer as this window's events report it.
  float pointer_x_ = -FLT_MAX, pointer_y_ = -FLT_MAX;
  bool button_held_[3] = {false, false, false};
  bool button_pressed_[3] = {false, false, false};  // pressed since the last frame
  // Keys by scancode: held as the events say, pressed since the last frame,
  // and shown as held for one frame only because they were pressed.
  std::vector<bool> keys_held_ = std::vector<bool>(512, false);
  std::vector<int> keys_pressed_, keys_shown_pressed_;
  SDL_Window* previous_window_ = nullptr;
  SDL_GLContext previous_context_ = nullptr;
  ImGuiContext* previous_imgui_ = nullptr;
};

}  // namespace kvx
