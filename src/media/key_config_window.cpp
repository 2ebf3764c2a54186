// The key configuration window: a Dear ImGui window (platform/imgui_window),
// running its own loop until OK, cancel or close. Every decision is made by
// the model in key_config.cpp; this file draws and forwards clicks.
#include <SDL.h>

#include <string>
#include <vector>

#include "app/game.h"
#include "imgui.h"
#include "media/display_internal.h"
#include "media/input.h"
#include "media/key_config.h"
#include "platform/imgui_window.h"
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
std::vector<std::string> WindowTexts() {
  return {kOK,           kCancel,       kDefault,     kClear,           kXY,         kXYNote, kSpecialGroup,
          kSpecialNote1, kSpecialNote2, kInstruction, kControllerLabel, "(回転方向)", "↑↓←→★"};
}

}  // namespace

void OpenKeyConfigWindow(Game& g) {
  if (g.options.headless || !DisplayAvailable()) {
    DebugLog(g, "KeyConfig: no display, the window is not shown");
    return;
  }
  ImGuiWindowSetup setup;
  setup.caption = kCaption;
  setup.width = 640;
  setup.height = 430;
  // The list font "ＭＳ Ｐゴシック", through the display's stand-in for it.
  setup.font_file = FindFontFile("ＭＳ Ｐゴシック", &setup.font_index);
  setup.font_size = 15.0f;
  setup.glyph_texts = WindowTexts();
  ImGuiWindow window;
  if (!window.Open(setup)) {
    DebugLog(g, "KeyConfig: " + window.error());
    return;
  }
  if (window.UsesBuiltInFont()) DebugLog(g, "KeyConfig: the Japanese font was not found; using the built-in font");

  KeyConfigModel model;
  LoadKeyConfig(g, model);
  DebugLog(g, "[KeyConfig] opened");

  Close close = Close::None;
  bool quit = false;
  uint32_t next_tick = SDL_GetTicks();
  while (close == Close::None) {
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      const ImGuiWindow::Event seen = window.HandleEvent(e);
      if (seen != ImGuiWindow::Event::None) {
        quit = quit || seen == ImGuiWindow::Event::Quit;
        close = Close::Cancel;
        continue;
      }
      PlatformEvent p;
      if (!TranslateSdlEvent(e, window.id(), &p)) continue;
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
    window.BeginFrame();
    Close clicked = DrawWindow(g, model);
    if (clicked != Close::None) close = clicked;
    window.EndFrame();
  }

  if (close == Close::OK) {
    if (!KeyConfigOK(g, model))
      ShowMessageBox(kCaption, "キーコンフィグを保存できませんでした。", MessageBoxKind::Warning, true);
  } else {
    KeyConfigCancel(g, model);
  }
  DebugLog(g, close == Close::OK ? "[KeyConfig] saved and closed" : "[KeyConfig] cancelled");

  window.Close();
  if (quit) {
    SDL_Event q{};
    q.type = SDL_QUIT;
    SDL_PushEvent(&q);
  }
}

}  // namespace kvx
