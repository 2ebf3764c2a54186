// The key configuration window: a Dear ImGui window in its own SDL window
// (OpenGL 3), running its own loop until OK, cancel or close. Every decision
// is made by the model in key_config.cpp; this file draws and forwards clicks.
#include <GL/gl.h>
#include <SDL.h>

#include <string>
#include <vector>

#include "app/game.h"
#include "backends/imgui_impl_opengl3.h"
#include "backends/imgui_impl_sdl.h"
#include "imgui.h"
#include "media/display_internal.h"
#include "media/input.h"
#include "media/key_config.h"
#include "platform/message_box.h"
#include "platform/sdl_events.h"

namespace kvx {
namespace {

constexpr const char* kCaption = "KeyConfig";
constexpr const char* kOK = "設定完了";
constexpr const char* kCancel = "キャンセル";
constexpr const char* kDefault = "初期状態";
constexpr const char* kClear = "クリア";
constexpr const char* kXY = "XY軸移動を検知";
constexpr const char* kXYNote = "方向入力を検知します。結構敏感に反応する設定にしてます。";
constexpr const char* kSpecialGroup = "特殊キー";
constexpr const char* kSpecialNote1 = "コントローラー用。キーボード時は不要です。";
constexpr const char* kSpecialNote2 = "ESCをSTART、★をSELECTに割り当てると吉。";
constexpr const char* kInstruction = "設定したいボタンをクリックして、そのキーを押してください。1,2でも移動可能です。";
constexpr const char* kControllerLabel = "コントローラはID1,2のみ有効です。認識数:";
constexpr uint32_t kTimerMs = 16;  // Timer1

// One shape of the controller picture and the function it stands for.
struct KeyShape {
  int16_t function;
  float x, y, w, h;
  const char* label;
};

// The controller picture: the system buttons on top, then each side's keys
// (black keys above white keys) with its turntable.
const std::vector<KeyShape>& ControllerShapes() {
  static const std::vector<KeyShape> shapes = [] {
    std::vector<KeyShape> s = {
        {1, 0, 0, 40, 18, "ESC"},   {2, 44, 0, 40, 18, "TAB"},   {3, 88, 0, 44, 18, "Enter"},
        {4, 136, 0, 40, 18, "↑"},   {5, 180, 0, 40, 18, "Down"}, {6, 224, 0, 40, 18, "Left"},
        {7, 268, 0, 40, 18, "Right"}, {8, 312, 0, 28, 18, "★"},
    };
    for (int side = 0; side < 2; ++side) {
      float ox = side * 180.0f;
      int16_t base = static_cast<int16_t>(side == 0 ? 10 : 20);
      // The turntable: left and right rotation.
      s.push_back({static_cast<int16_t>(base + 6), ox, 34, 30, 22, "left"});
      s.push_back({static_cast<int16_t>(base + 7), ox, 58, 30, 22, "right"});
      const int16_t white[] = {1, 3, 5, 9};
      const int16_t black[] = {2, 4, 8};
      for (int i = 0; i < 4; ++i)
        s.push_back({static_cast<int16_t>(base + white[i]), ox + 36 + i * 32.0f, 58, 28, 22, nullptr});
      for (int i = 0; i < 3; ++i)
        s.push_back({static_cast<int16_t>(base + black[i]), ox + 52 + i * 32.0f, 34, 28, 22, nullptr});
    }
    return s;
  }();
  return shapes;
}

void DrawControllerPicture(const KeyConfigModel& m) {
  ImDrawList* draw = ImGui::GetWindowDrawList();
  ImVec2 origin = ImGui::GetCursorScreenPos();
  const ImU32 line = IM_COL32(200, 200, 200, 255);
  const ImU32 fill = IM_COL32(60, 60, 70, 255);
  const ImU32 current = IM_COL32(230, 60, 60, 255);
  for (const KeyShape& k : ControllerShapes()) {
    ImVec2 a(origin.x + k.x, origin.y + k.y), b(a.x + k.w, a.y + k.h);
    draw->AddRectFilled(a, b, k.function == m.current ? current : fill);
    draw->AddRect(a, b, line);
    std::string label = k.label ? k.label : std::to_string(k.function);
    ImVec2 size = ImGui::CalcTextSize(label.c_str());
    draw->AddText(ImVec2(a.x + (k.w - size.x) / 2, a.y + (k.h - size.y) / 2), IM_COL32_WHITE, label.c_str());
  }
  draw->AddText(ImVec2(origin.x, origin.y + 84), IM_COL32_WHITE, "(回転方向)");
  draw->AddText(ImVec2(origin.x + 200, origin.y + 84), IM_COL32_WHITE, "ID1,2");
  draw->AddText(ImVec2(origin.x + 260, origin.y + 84), IM_COL32_WHITE, "B1,2");
  ImGui::Dummy(ImVec2(350, 104));
}

// Pointer, key and window events of the startup menu's window are not ours.
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

enum class Close { None, OK, Cancel };

Close DrawWindow(Game& g, KeyConfigModel& m) {
  Close close = Close::None;
  const ImGuiViewport* vp = ImGui::GetMainViewport();
  ImGui::SetNextWindowPos(vp->Pos);
  ImGui::SetNextWindowSize(vp->Size);
  ImGui::Begin(kCaption, nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                   ImGuiWindowFlags_NoBringToFrontOnFocus);

  // The key list.
  ImGui::BeginGroup();
  if (ImGui::BeginListBox("##lstKeyList", ImVec2(240, 400))) {
    for (size_t i = 0; i < m.rows.size(); ++i) {
      const std::string& row = m.rows[i];
      size_t tab = row.find('\t');
      std::string label = row.substr(0, tab);
      std::string codes = tab == std::string::npos ? "" : row.substr(tab + 1);
      ImGui::PushID(static_cast<int>(i));
      if (ImGui::Selectable(label.c_str(), m.row_functions[i] == m.current)) SelectKeyRow(m, static_cast<int>(i));
      ImGui::SameLine(70);
      ImGui::TextUnformatted(codes.c_str());
      ImGui::PopID();
    }
    ImGui::EndListBox();
  }
  ImGui::EndGroup();
  ImGui::SameLine();

  ImGui::BeginGroup();
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + 360);
  ImGui::TextUnformatted(kInstruction);
  ImGui::PopTextWrapPos();
  ImGui::Spacing();
  DrawControllerPicture(m);
  ImGui::Spacing();
  bool xy = m.xy;
  if (ImGui::Checkbox(kXY, &xy)) SetJoyXY(g, m, xy);
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + 360);
  ImGui::TextUnformatted(kXYNote);
  ImGui::PopTextWrapPos();
  ImGui::Spacing();
  ImGui::BeginChild("##special", ImVec2(360, 72), true);
  ImGui::TextUnformatted(kSpecialGroup);
  ImGui::TextUnformatted(kSpecialNote1);
  ImGui::TextUnformatted(kSpecialNote2);
  ImGui::EndChild();
  std::string controllers = std::string(kControllerLabel) + std::to_string(m.joystick_count);
  ImGui::TextUnformatted(controllers.c_str());
  ImGui::Spacing();
  if (ImGui::Button(kDefault, ImVec2(84, 26))) SetDefault(m);
  ImGui::SameLine();
  if (ImGui::Button(kClear, ImVec2(84, 26))) ClearKeyConfig(m);
  ImGui::SameLine();
  if (ImGui::Button(kOK, ImVec2(84, 26))) close = Close::OK;
  ImGui::SameLine();
  if (ImGui::Button(kCancel, ImVec2(84, 26))) close = Close::Cancel;
  ImGui::EndGroup();

  ImGui::End();
  return close;
}

// Every text of the window, so that the font carries its glyphs.
void AddWindowGlyphs(ImFontGlyphRangesBuilder& b) {
  for (const char* t : {kOK, kCancel, kDefault, kClear, kXY, kXYNote, kSpecialGroup, kSpecialNote1, kSpecialNote2,
                        kInstruction, kControllerLabel, "(回転方向)", "↑↓←→★"})
    b.AddText(t);
}

}  // namespace

void OpenKeyConfigWindow(Game& g) {
  if (g.options.headless || !DisplayAvailable()) {
    DebugLog(g, "KeyConfig: no display, the window is not shown");
    return;
  }
  if (!SDL_WasInit(SDL_INIT_VIDEO) && SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
    DebugLog(g, std::string("KeyConfig: video unavailable: ") + SDL_GetError());
    return;
  }
  SDL_Window* prev_window = SDL_GL_GetCurrentWindow();
  SDL_GLContext prev_context = SDL_GL_GetCurrentContext();
  ImGuiContext* prev_imgui = ImGui::GetCurrentContext();

  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 0);
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_Window* window = SDL_CreateWindow(kCaption, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, 640, 430,
                                        SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
  if (!window) {
    DebugLog(g, std::string("KeyConfig: can't create the window: ") + SDL_GetError());
    return;
  }
  SDL_GLContext context = SDL_GL_CreateContext(window);
  if (!context) {
    DebugLog(g, std::string("KeyConfig: can't create the OpenGL context: ") + SDL_GetError());
    SDL_DestroyWindow(window);
    return;
  }
  SDL_GL_MakeCurrent(window, context);
  SDL_GL_SetSwapInterval(1);
  uint32_t window_id = SDL_GetWindowID(window);

  ImGuiContext* imgui = ImGui::CreateContext();
  ImGui::SetCurrentContext(imgui);
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  ImGui::StyleColorsClassic();
  ImVector<ImWchar> ranges;
  {
    ImFontGlyphRangesBuilder builder;
    builder.AddRanges(io.Fonts->GetGlyphRangesJapanese());
    AddWindowGlyphs(builder);
    builder.BuildRanges(&ranges);
  }
  // The list font "ＭＳ Ｐゴシック", through the display's stand-in for it.
  int font_index = 0;
  const std::string font = FindFontFile("ＭＳ Ｐゴシック", &font_index);
  ImFontConfig font_config;
  font_config.FontNo = font_index;
  if (font.empty() || !io.Fonts->AddFontFromFileTTF(font.c_str(), 15.0f, &font_config, ranges.Data)) {
    DebugLog(g, "KeyConfig: the Japanese font was not found; using the built-in font");
    io.Fonts->AddFontDefault();
  }
  ImGui_ImplSDL2_InitForOpenGL(window, context);
  ImGui_ImplOpenGL3_Init("#version 130");

  KeyConfigModel model;
  LoadKeyConfig(g, model);
  DebugLog(g, "[KeyConfig] opened");

  Close close = Close::None;
  bool quit = false;
  uint32_t next_tick = SDL_GetTicks();
  while (close == Close::None) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      if (e.type == SDL_QUIT) {
        quit = true;
        close = Close::Cancel;
        continue;
      }
      if (e.type == SDL_WINDOWEVENT && e.window.windowID == window_id &&
          e.window.event == SDL_WINDOWEVENT_CLOSE) {
        close = Close::Cancel;
        continue;
      }
      if (!ForOtherWindow(e, window_id)) ImGui_ImplSDL2_ProcessEvent(&e);
      PlatformEvent p;
      if (!TranslateSdlEvent(e, window_id, &p)) continue;
      using Kind = PlatformEvent::Kind;
      if (p.kind == Kind::KeyDown || p.kind == Kind::KeyUp || p.kind == Kind::JoyAdded ||
          p.kind == Kind::JoyRemoved || p.kind == Kind::JoyButtonDown || p.kind == Kind::JoyButtonUp ||
          p.kind == Kind::JoyAxis) {
        p.timestamp_ms = SdlEventTime(e.common.timestamp, SDL_GetTicks(), g.NowMs());
        HandleInputEvent(g, p);
        if (p.kind == Kind::JoyAdded || p.kind == Kind::JoyRemoved) model.joystick_count = JoystickCount(g);
        KeyConfigCapture(g, model);
      }
    }
    if (static_cast<int32_t>(SDL_GetTicks() - next_tick) >= 0) {
      next_tick = SDL_GetTicks() + kTimerMs;
      KeyConfigTick(g, model);
    }
    ImGui_ImplOpenGL3_NewFrame();
    ImGui_ImplSDL2_NewFrame();
    ImGui::NewFrame();
    Close clicked = DrawWindow(g, model);
    if (clicked != Close::None) close = clicked;
    ImGui::Render();
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(window, &w, &h);
    glViewport(0, 0, w, h);
    glClearColor(0.1f, 0.1f, 0.12f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
    SDL_GL_SwapWindow(window);
    SDL_Delay(1);
  }

  if (close == Close::OK) {
    if (!KeyConfigOK(g, model))
      ShowMessageBox(kCaption, "キーコンフィグを保存できませんでした。", MessageBoxKind::Warning, true);
  } else {
    KeyConfigCancel(g, model);
  }
  DebugLog(g, close == Close::OK ? "[KeyConfig] saved and closed" : "[KeyConfig] cancelled");

  ImGui_ImplOpenGL3_Shutdown();
  ImGui_ImplSDL2_Shutdown();
  ImGui::DestroyContext(imgui);
  ImGui::SetCurrentContext(prev_imgui);
  SDL_GL_DeleteContext(context);
  SDL_DestroyWindow(window);
  if (prev_window && prev_context) SDL_GL_MakeCurrent(prev_window, prev_context);
  if (quit) {
    SDL_Event q{};
    q.type = SDL_QUIT;
    SDL_PushEvent(&q);
  }
}

}  // namespace kvx
