#include "platform/imgui_window.h"

#include <GL/gl.h>

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

}  // namespace

bool ImGuiWindow::Fail(const std::string& what) {
  error_ = what + SDL_GetError();
  return false;
}

bool ImGuiWindow::Open(const ImGuiWindowSpec& spec) {
  Close();
  error_.clear();
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return Fail("video unavailable: ");
  previous_window_ = SDL_GL_GetCurrentWindow();
  previous_context_ = SDL_GL_GetCurrentContext();
  previous_imgui_ = ImGui::GetCurrentContext();

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  window_ = SDL_CreateWindow(spec.caption.c_str(), SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, spec.width,
                             spec.height, SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
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
  ImGui::StyleColorsClassic();
  ImFontGlyphRangesBuilder builder;
  builder.AddRanges(io.Fonts->GetGlyphRangesJapanese());
  for (const std::string& text : spec.glyph_texts) builder.AddText(text.c_str());
  builder.BuildRanges(&glyph_ranges_);
  ImFontConfig font_config;
  font_config.FontNo = spec.font_index;
  // Dear ImGui stops the program on a font file it cannot read: check first.
  builtin_font_ = spec.font_file.empty() || !std::ifstream(spec.font_file, std::ios::binary).good() ||
                  !io.Fonts->AddFontFromFileTTF(spec.font_file.c_str(), spec.font_size, &font_config,
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
}

ImGuiWindow::Event ImGuiWindow::HandleEvent(const SDL_Event& e) {
  if (e.type == SDL_QUIT) return Event::Quit;
  if (e.type == SDL_WINDOWEVENT && e.window.windowID == id_ && e.window.event == SDL_WINDOWEVENT_CLOSE)
    return Event::CloseClicked;
  if (window_ && !ForOtherWindow(e, id_)) {
    ImGui::SetCurrentContext(imgui_);
    ImGui_ImplSDL2_ProcessEvent(&e);
  }
  return Event::None;
}

void ImGuiWindow::BeginFrame() {
  MakeCurrent();
  ImGui_ImplOpenGL3_NewFrame();
  ImGui_ImplSDL2_NewFrame();
  ImGui::NewFrame();
}

void ImGuiWindow::EndFrame() {
  ImGui::Render();
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window_, &w, &h);
  glViewport(0, 0, w, h);
  glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
  SDL_GL_SwapWindow(window_);
  const uint32_t spent = SDL_GetTicks() - last_frame_end_;
  if (spent < kFrameMs) SDL_Delay(kFrameMs - spent);
  last_frame_end_ = SDL_GetTicks();
}

}  // namespace kvx
