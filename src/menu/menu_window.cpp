#include "menu/menu_window.h"

#include <GL/gl.h>
#include <SDL_image.h>

#include <algorithm>
#include <vector>

#include "app/game.h"
#include "backends/imgui_impl_opengl3.h"
#include "backends/imgui_impl_sdl.h"
#include "imgui.h"
#include "media/display_internal.h"

namespace kvx {

namespace {

constexpr float kFontPixels = 16.0f;

uint32_t WindowIdOf(const SDL_Event& e) {
  switch (e.type) {
    case SDL_WINDOWEVENT: return e.window.windowID;
    case SDL_MOUSEMOTION: return e.motion.windowID;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: return e.button.windowID;
    case SDL_MOUSEWHEEL: return e.wheel.windowID;
    case SDL_KEYDOWN:
    case SDL_KEYUP: return e.key.windowID;
    case SDL_TEXTINPUT: return e.text.windowID;
    case SDL_TEXTEDITING: return e.edit.windowID;
    case SDL_DROPFILE:
    case SDL_DROPTEXT:
    case SDL_DROPBEGIN:
    case SDL_DROPCOMPLETE: return e.drop.windowID;
    default: return 0;
  }
}

// Index of Dear ImGui's mouse button for an SDL button, -1 for others.
int ImGuiButton(uint8_t sdl_button) {
  switch (sdl_button) {
    case SDL_BUTTON_LEFT: return 0;
    case SDL_BUTTON_RIGHT: return 1;
    case SDL_BUTTON_MIDDLE: return 2;
    default: return -1;
  }
}

void LoadFont(Game& g, const std::vector<const char*>& texts, ImVector<ImWchar>& ranges) {
  ImGuiIO& io = ImGui::GetIO();
  ranges.clear();
  ImFontGlyphRangesBuilder builder;
  builder.AddRanges(io.Fonts->GetGlyphRangesJapanese());
  for (const char* t : texts) builder.AddText(t);
  builder.AddChar(0xFFFD);  // shown for bytes of names that are not UTF-8
  builder.BuildRanges(&ranges);
  int font_index = 0;
  const std::string font = FindFontFile("ＭＳ Ｐゴシック", &font_index);
  ImFontConfig config;
  config.FontNo = font_index;
  if (font.empty() || !io.Fonts->AddFontFromFileTTF(font.c_str(), kFontPixels, &config, ranges.Data)) {
    DebugLog(g, "Menu: the Japanese font was not found; using the built-in font");
    io.Fonts->AddFontDefault();
  }
}

}  // namespace

bool MenuWindow::Open(Game& g, const std::string& title, int width, int height,
                      const std::vector<const char*>& texts) {
  Close();
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    DebugLog(g, std::string("Menu: video unavailable: ") + SDL_GetError());
    return false;
  }
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  window_ = SDL_CreateWindow(title.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, width, height,
                             SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (!window_) {
    DebugLog(g, std::string("Menu: can't create the window: ") + SDL_GetError());
    return false;
  }
  context_ = SDL_GL_CreateContext(window_);
  if (!context_) {
    DebugLog(g, std::string("Menu: can't create the OpenGL context: ") + SDL_GetError());
    SDL_DestroyWindow(window_);
    window_ = nullptr;
    return false;
  }
  SDL_GL_MakeCurrent(window_, context_);
  SDL_GL_SetSwapInterval(1);
  id_ = SDL_GetWindowID(window_);
  title_ = title;

  imgui_ = ImGui::CreateContext();
  ImGui::SetCurrentContext(imgui_);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.ConfigFlags |= ImGuiConfigFlags_NavEnableKeyboard;
  ImGui::StyleColorsClassic();
  LoadFont(g, texts, glyph_ranges_);
  ImGui_ImplSDL2_InitForOpenGL(window_, context_);
  ImGui_ImplOpenGL3_Init("#version 130");
  return true;
}

void MenuWindow::Close() {
  if (!window_) return;
  ImGui::SetCurrentContext(imgui_);
  SDL_GL_MakeCurrent(window_, context_);
  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext(imgui_);
  SDL_GL_DeleteContext(context_);
  SDL_DestroyWindow(window_);
  window_ = nullptr;
  context_ = nullptr;
  imgui_ = nullptr;
  id_ = 0;
}

bool MenuWindow::Owns(const SDL_Event& e) const { return window_ && WindowIdOf(e) == id_; }

void MenuWindow::SetTitle(const std::string& title) {
  if (!window_ || title == title_) return;
  title_ = title;
  SDL_SetWindowTitle(window_, title.c_str());
}

void MenuWindow::SetSize(int width, int height) {
  if (window_) SDL_SetWindowSize(window_, width, height);
}

void MenuWindow::ProcessEvent(const SDL_Event& e) {
  if (!window_) return;
  ImGui::SetCurrentContext(imgui_);
  switch (e.type) {
    case SDL_MOUSEMOTION:
      pointer_x_ = static_cast<float>(e.motion.x), pointer_y_ = static_cast<float>(e.motion.y);
      break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP:
      pointer_x_ = static_cast<float>(e.button.x), pointer_y_ = static_cast<float>(e.button.y);
      if (int b = ImGuiButton(e.button.button); b >= 0) {
        button_held_[b] = e.type == SDL_MOUSEBUTTONDOWN;
        if (button_held_[b]) button_pressed_[b] = true;
      }
      break;
    case SDL_WINDOWEVENT:
      if (e.window.event == SDL_WINDOWEVENT_LEAVE) pointer_x_ = pointer_y_ = -1e30f;
      break;
    default:
      break;
  }
  ImGui_ImplSDL2_ProcessEvent(&e);
}

void MenuWindow::BeginFrame() {
  ImGui::SetCurrentContext(imgui_);
  SDL_GL_MakeCurrent(window_, context_);
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGuiIO& io = ImGui::GetIO();
  io.MousePos = ImVec2(pointer_x_, pointer_y_);
  for (int b = 0; b < 3; ++b) {
    // A press and release between two frames still counts as a press.
    io.MouseDown[b] = button_held_[b] || button_pressed_[b];
    button_pressed_[b] = false;
  }
  ImGui::NewFrame();
}

void MenuWindow::EndFrame(const std::string& screenshot_path) {
  ImGui::Render();
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window_, &w, &h);
  glViewport(0, 0, w, h);
  glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  if (!screenshot_path.empty()) SavePng(screenshot_path, w, h);
  SDL_GL_SwapWindow(window_);
}

bool MenuWindow::SavePng(const std::string& path, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  std::vector<uint8_t> pixels(static_cast<size_t>(width) * height * 4);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  SDL_Surface* image = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ABGR8888);
  if (!image) return false;
  // OpenGL rows run bottom to top.
  for (int y = 0; y < height; ++y)
    std::copy_n(pixels.data() + static_cast<size_t>(height - 1 - y) * width * 4, width * 4,
                static_cast<uint8_t*>(image->pixels) + static_cast<size_t>(y) * image->pitch);
  const bool ok = IMG_SavePNG(image, path.c_str()) == 0;
  SDL_FreeSurface(image);
  return ok;
}

}  // namespace kvx
