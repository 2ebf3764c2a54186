#include "platform/imgui_window.h"

#include <GL/gl.h>
#include <SDL_image.h>

#include <algorithm>
#include <fstream>

#include "backends/imgui_impl_opengl3.h"
#include "backends/imgui_impl_sdl.h"

namespace kvx {

namespace {

constexpr uint32_t kFrameMs = 16;

// Pointer, key, text and window events of other windows are not ours.
bool ForOtherWindow(const SDL_Event& e, uint32_t window_id) {
  switch (e.type) {
    case SDL_WINDOWEVENT: return e.window.windowID != window_id;
    case SDL_MOUSEMOTION: return e.motion.windowID != window_id;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return e.button.windowID != window_id;
    case SDL_MOUSEWHEEL: return e.wheel.windowID != window_id;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return e.key.windowID != window_id;
    case SDL_TEXTINPUT: return e.text.windowID != window_id;
    default: return false;
  }
}

// Dear ImGui's index of an SDL mouse button, -1 for other buttons.
int ImGuiButton(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return -1;
  }
}

}  // namespace

bool ImGuiWindow::Fail(const std::string& what) {
  error_ = what + SDL_GetError();
  return false;
}

bool ImGuiWindow::Open(const ImGuiWindowSetup& setup) {
  Close();
  error_.clear();
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return Fail("video unavailable: ");
  previous_window_ = SDL_GL_GetCurrentWindow();
  previous_context_ = SDL_GL_GetCurrentContext();
  previous_imgui_ = ImGui::GetCurrentContext();

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  window_ = SDL_CreateWindow(setup.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, setup.width,
                             setup.height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (!window_) return Fail("can't create the window: ");
  context_ = SDL_GL_CreateContext(window_);
  if (!context_) {
    Fail("can't create the OpenGL context: ");
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    if (previous_window_ && previous_context_) SDL_GL_MakeCurrent(previous_window_, previous_context_);
    return false;
  }
  SDL_GL_MakeCurrent(window_, context_);
  SDL_GL_SetSwapInterval(1);
  id_ = SDL_GetWindowID(window_);

  imgui_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(imgui_);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  // A steady caret: a window that rests between events shows no blinking.
  io.ConfigInputTextCursorBlink = false;
  if (setup.keyboard_navigation) io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  ImGui::StyleColorsClassic();
  caption_ = setup.caption;
  ImFontGlyphRangesBuilder builder;
  builder.AddRanges(io.Fonts->GetGlyphRangesJapanese());
  for (const std::string& text : setup.glyph_texts) builder.AddText(text.c_str());
  builder.AddChar(0xFFFD);  // stands for bytes of names that are not UTF-8
  builder.BuildRanges(&glyph_ranges_);
  ImFontConfig font_config;
  font_config.FontNo = setup.font_index;
  // Dear ImGui stops the program on a font file it cannot read: check first.
  builtin_font_ = setup.font_file.empty() || !std::ifstream(setup.font_file, std::ios::binary).good() ||
                  !io.Fonts->AddFontFromFileTTF(setup.font_file.c_str(), setup.font_size, &font_config,
                                                glyph_ranges_.Data);
  if (builtin_font_) io.Fonts->AddFontDefault();
  ImGui_ImplSDL2_InitForOpenGL(window_, context_);
  ImGui_ImplOpenGL3_Init("#version 130");
  last_frame_end_ = SDL_GetTicks();
  return true;
}

void ImGuiWindow::MakeCurrent() {
  ImGui::SetCurrentContext(imgui_);
  SDL_GL_MakeCurrent(window_, context_);
}

void ImGuiWindow::Close() {
  if (!window_) return;
  MakeCurrent();
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext(imgui_);
  ImGui::SetCurrentContext(previous_imgui_);
  SDL_GL_DeleteContext(context_);
  SDL_DestroyWindow(window_);
  if (previous_window_ && previous_context_) SDL_GL_MakeCurrent(previous_window_, previous_context_);
  window_ = nullptr;
  context_ = nullptr;
  imgui_ = nullptr;
  id_ = 0;
  previous_window_ = nullptr;
  previous_context_ = nullptr;
  previous_imgui_ = nullptr;
  pointer_x_ = pointer_y_ = -FLT_MAX;
  std::fill(std::begin(button_held_), std::end(button_held_), false);
  std::fill(std::begin(button_pressed_), std::end(button_pressed_), false);
}

void ImGuiWindow::SetCaption(const std::string& caption) {
  if (!window_ || caption == caption_) return;
  caption_ = caption;
  SDL_SetWindowTitle(window_, caption.c_str());
}

void ImGuiWindow::SetSize(int width, int height) {
  if (!window_) return;
  // Never taller than the screen's usable area; moved up when it would reach
  // past its bottom. What does not fit scrolls inside the window.
  SDL_Rect usable{};
  const int display = SDL_GetWindowDisplayIndex(window_);
  if (display >= 0 && SDL_GetDisplayUsableBounds(display, &usable) == 0 && usable.h > 0) {
    int top = 0;
    if (SDL_GetWindowBordersSize(window_, &top, nullptr, nullptr, nullptr) != 0) top = 0;
    height = std::max(100, std::min(height, usable.h - top));
    int x = 0, y = 0;
    SDL_GetWindowPosition(window_, &x, &y);
    if (y + height > usable.y + usable.h) SDL_SetWindowPosition(window_, x, std::max(usable.y + top, usable.y + usable.h - height));
  }
  int w = 0, h = 0;
  SDL_GetWindowSize(window_, &w, &h);
  if (w != width || h != height) SDL_SetWindowSize(window_, width, height);
}

void ImGuiWindow::TrackPointer(const SDL_Event& e) {
  switch (e.type) {
    case SDL_MOUSEMOTION:
      pointer_x_ = static_cast<float>(e.motion.x), pointer_y_ = static_cast<float>(e.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      pointer_x_ = static_cast<float>(e.button.x), pointer_y_ = static_cast<float>(e.button.y);
      if (const int b = ImGuiButton(e.button.button); b >= 0) {
        button_held_[b] = e.type == SDL_MOUSEBUTTONDOWN;
        if (button_held_[b]) button_pressed_[b] = true;
      }
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_LEAVE) pointer_x_ = pointer_y_ = -FLT_MAX;
      break;
    default:
      break;
  }
}

ImGuiWindow::Event ImGuiWindow::HandleEvent(const SDL_Event& e) {
  if (e.type == SDL_QUIT) return Event::Quit;
  if (e.type == SDL_WINDOWEVENT && e.window.windowID == id_ && e.window.event == SDL_WINDOWEVENT_CLOSE)
    return Event::CloseClicked;
  if (window_ && !ForOtherWindow(e, id_)) {
    ImGui::SetCurrentContext(imgui_);
    TrackPointer(e);
    ImGui_ImplSDL2_ProcessEvent(&e);
    if ((e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) && !e.key.repeat) {
      const int key = e.key.keysym.scancode;
      if (key >= 0 && key < static_cast<int>(keys_held_.size())) keys_held_[key] = e.type == SDL_KEYDOWN;
      if (e.type == SDL_KEYDOWN) keys_pressed_.push_back(key);
    }
  }
  return Event::None;
}

void ImGuiWindow::BeginFrame() {
  MakeCurrent();
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGuiIO& io = ImGui::GetIO();
  io.MousePos = ImVec2(pointer_x_, pointer_y_);
  for (int b = 0; b < 3; ++b) {
    // A press and release between two frames still counts as a press.
    io.MouseDown[b] = button_held_[b] || button_pressed_[b];
    button_pressed_[b] = false;
  }
  // So does a key's (a quick tap of Enter): held for this frame, then as it is.
  for (int key : keys_shown_pressed_) io.KeysDown[key] = keys_held_[key];
  keys_shown_pressed_.clear();
  for (int key : keys_pressed_) {
    if (key < 0 || key >= IM_ARRAYSIZE(io.KeysDown) || key >= static_cast<int>(keys_held_.size())) continue;
    io.KeysDown[key] = true;
    keys_shown_pressed_.push_back(key);
  }
  keys_pressed_.clear();
  ImGui::NewFrame();
}

void ImGuiWindow::EndFrame(const std::string& png_path) {
  ImGui::Render();
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window_, &w, &h);
  glViewport(0, 0, w, h);
  glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  if (!png_path.empty()) SavePng(png_path, w, h);
  SDL_GL_SwapWindow(window_);
  const uint32_t spent = SDL_GetTicks() - last_frame_end_;
  if (frame_pacing_ && spent < kFrameMs) SDL_Delay(kFrameMs - spent);
  last_frame_end_ = SDL_GetTicks();
}

bool ImGuiWindow::SavePng(const std::string& path, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ABGR8888);
  if (!image) return false;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  // OpenGL's rows run from the bottom up.
  for (int y = 0; y < height; ++y)
    std::copy_n(pixels.data() + static_cast<size_t>(height - 1 - y) * width * 4, static_cast<size_t>(width) * 4,
                static_cast<uint8_t*>(image->pixels) + static_cast<size_t>(y) * image->pitch);
  const bool saved = IMG_SavePNG(image, path.c_str()) == 0;
  SDL_FreeSurface(image);
  return saved;
}

}  // namespace kvx
