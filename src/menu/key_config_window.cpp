// The key configuration window: a Dear ImGui window (platform/imgui_window),
// running its own loop until OK, cancel or close. Every decision is made by
// the model in media/key_config.cpp; this file draws it, forwards clicks and
// feeds it the devices' events.
#include "menu/key_config_window.h"

#include <SDL.h>

#include <algorithm>
#include <string>
#include <vector>

#include "app/game.h"
#include "app/key_table.h"
#include "app/texts.h"
#include "imgui.h"
#include "media/button_names.h"
#include "media/display_internal.h"
#include "media/input.h"
#include "menu/menu_tooltip.h"
#include "platform/imgui_window.h"
#include "platform/message_box.h"
#include "platform/sdl_events.h"

namespace kvx {

KeyConfigTarget KeyConfigTargetOf(Game& g) { return KeyConfigTarget{g.app.KeyTable, g.input, KeyTablePath(g)}; }

void LoadKeyConfig(Game& g, KeyConfigModel& m) {
  LoadKeyConfig(KeyConfigTargetOf(g), g.settings.JoyXYEnable, g.settings.ModernKeyConfig, g.Services(), m);
}

bool KeyConfigOK(Game& g, KeyConfigModel& m) { return KeyConfigOK(KeyConfigTargetOf(g), g.Services(), m); }

void KeyConfigCancel(Game& g, KeyConfigModel& m) { KeyConfigCancel(KeyConfigTargetOf(g), m); }

void SetJoyXY(Game& g, KeyConfigModel& m, bool enabled) {
  m.xy = enabled;
  g.settings.JoyXYEnable = enabled;
}

void SetModernKeyConfig(Game& g, KeyConfigModel& m, bool enabled) {
  m.modern = enabled;
  g.settings.ModernKeyConfig = enabled;
  if (!enabled && m.current == 0) m.current = 11;  // the classic window always has a function
}

void KeyConfigInput(Game& g, KeyConfigModel& m, const PlatformEvent& e) {
  using Kind = PlatformEvent::Kind;
  if (e.kind != Kind::KeyDown && e.kind != Kind::KeyUp && e.kind != Kind::JoyAdded && e.kind != Kind::JoyRemoved &&
      e.kind != Kind::JoyButtonDown && e.kind != Kind::JoyButtonUp && e.kind != Kind::JoyAxis)
    return;
  HandleInputEvent(g, e);
  if (e.kind == Kind::JoyAdded || e.kind == Kind::JoyRemoved) m.joystick_count = JoystickCount(g);
  KeyConfigCapture(g.input, m);
}

bool KeyConfigTick(Game& g, KeyConfigModel& m) {
  PollJoysticks(g);
  return KeyConfigCapture(g.input, m);
}

namespace {

constexpr uint32_t kTimerMs = 16;  // Timer1
constexpr int kWindowWidth = 780, kWindowHeight = 540;
constexpr float kListWidth = 400, kPanelWidth = 348;

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
        {1, 0, 0, 38, 18, "ESC"},    {2, 42, 0, 38, 18, "TAB"},   {3, 84, 0, 42, 18, "Enter"},
        {4, 130, 0, 30, 18, "↑"},    {5, 164, 0, 40, 18, "Down"}, {6, 208, 0, 36, 18, "Left"},
        {7, 248, 0, 42, 18, "Right"}, {8, 294, 0, 28, 18, "★"},
    };
    for (int side = 0; side < 2; ++side) {
      const float ox = side * 172.0f;
      const int16_t base = static_cast<int16_t>(side == 0 ? 10 : 20);
      // The turntable: left and right rotation.
      s.push_back({static_cast<int16_t>(base + 6), ox, 30, 34, 22, "left"});
      s.push_back({static_cast<int16_t>(base + 7), ox, 54, 34, 22, "right"});
      const int16_t white[] = {1, 3, 5, 9};
      const int16_t black[] = {2, 4, 8};
      for (int i = 0; i < 4; ++i)
        s.push_back({static_cast<int16_t>(base + white[i]), ox + 38 + i * 32.0f, 54, 28, 22, nullptr});
      for (int i = 0; i < 3; ++i)
        s.push_back({static_cast<int16_t>(base + black[i]), ox + 54 + i * 32.0f, 30, 28, 22, nullptr});
    }
    return s;
  }();
  return shapes;
}

// Remembers where the item just drawn is, for the layout checks of tests.
void Record(Game& g, const std::string& name) {
  const ImVec2 a = ImGui::GetItemRectMin(), b = ImGui::GetItemRectMax();
  g.menu.key_config.control_rects[name] = {a.x, a.y, b.x, b.y};
}

void WrappedText(Game& g, const std::string& name, const char* text, float width) {
  ImGui::PushTextWrapPos(ImGui::GetCursorPosX() + width);
  ImGui::TextUnformatted(text);
  ImGui::PopTextWrapPos();
  Record(g, name);
}

ButtonWords WordsOf(const Texts& t) {
  ButtonWords w;
  w.joystick = t.key_config_joystick;
  w.button = t.key_config_joystick_button;
  for (int i = 0; i < 4; ++i) w.stick[i] = t.key_config_stick[i];
  w.code = t.key_config_code;
  return w;
}

// The function's name after its label: "1P key 1", "Up", ...
std::string FunctionName(const Texts& t, int16_t f) {
  if (f >= 1 && f <= 8) return t.key_config_system_functions[f - 1];
  const std::string side = f < 20 ? "1P " : "2P ";
  const int lane = f % 10;
  if (lane == 6) return side + t.key_config_scratch_left;
  if (lane == 7) return side + t.key_config_scratch_right;
  return side + t.key_config_lane_key + std::to_string(lane <= 5 ? lane : lane - 2);
}

// The live test: the controller picture, each shape lit while one of its
// buttons is held, the current function marked.
void DrawControllerPicture(Game& g, const KeyConfigModel& m, const Texts& t) {
  ImGui::TextUnformatted(m.modern ? t.key_config_test_heading : t.key_config_picture_heading);
  Record(g, "lblTest");
  ImDrawList* draw = ImGui::GetWindowDrawList();
  const ImVec2 origin = ImGui::GetCursorScreenPos();
  const std::array<bool, 30> lit = LitFunctions(m);
  const ImU32 line = IM_COL32(200, 200, 200, 255), fill = IM_COL32(60, 60, 70, 255);
  const ImU32 current = IM_COL32(200, 60, 60, 255), on = IM_COL32(250, 220, 60, 255);
  for (const KeyShape& k : ControllerShapes()) {
    const ImVec2 a(origin.x + k.x, origin.y + k.y), b(a.x + k.w, a.y + k.h);
    draw->AddRectFilled(a, b, lit[k.function] ? on : k.function == m.current ? current : fill);
    draw->AddRect(a, b, k.function == m.current ? IM_COL32(255, 120, 120, 255) : line);
    const std::string label = k.label ? k.label : std::to_string(k.function);
    const ImVec2 size = ImGui::CalcTextSize(label.c_str());
    draw->AddText(ImVec2(a.x + (k.w - size.x) / 2, a.y + (k.h - size.y) / 2),
                  lit[k.function] ? IM_COL32_BLACK : IM_COL32_WHITE, label.c_str());
  }
  draw->AddText(ImVec2(origin.x, origin.y + 80), IM_COL32_WHITE, t.key_config_turn_direction);
  draw->AddText(ImVec2(origin.x + 180, origin.y + 80), IM_COL32_WHITE, "ID1,2");
  draw->AddText(ImVec2(origin.x + 240, origin.y + 80), IM_COL32_WHITE, "B1,2");
  ImGui::Dummy(ImVec2(kPanelWidth, 98));
  Record(g, "picKeyDown");
  ItemTooltip(t.key_config_tip_test);
}

// One row of the key list: the function (a selectable spanning the row) and
// a small button per bound key, which removes it.
void DrawKeyRow(Game& g, KeyConfigModel& m, const Texts& t, const ButtonWords& words, size_t i) {
  const int16_t f = m.row_functions[i];
  ImGui::TableNextRow();
  ImGui::TableNextColumn();
  ImGui::PushID(static_cast<int>(i));
  const std::string label = KeyFunctionLabel(f);
  if (ImGui::Selectable(label.c_str(), f == m.current,
                        ImGuiSelectableFlags_SpanAllColumns | ImGuiSelectableFlags_AllowItemOverlap))
    SelectKeyRow(m, static_cast<int>(i));
  Record(g, "row" + std::to_string(f));
  ItemTooltip(t.key_config_tip_row);
  ImGui::TableNextColumn();
  ImGui::TextUnformatted(FunctionName(t, f).c_str());
  Record(g, "name" + std::to_string(f));
  ImGui::TableNextColumn();
  const std::vector<int> codes = KeyBindings(m.work, f);
  if (codes.empty()) {
    ImGui::TextDisabled("%s", t.key_config_none);
    Record(g, "none" + std::to_string(f));
  }
  int remove = -1;
  for (size_t k = 0; k < codes.size(); ++k) {
    const std::string text = ButtonName(codes[k], words) + " ×";
    if (k > 0) {
      const float needed = ImGui::CalcTextSize(text.c_str()).x + ImGui::GetStyle().FramePadding.x * 2;
      if (ImGui::GetContentRegionAvail().x > needed + ImGui::GetStyle().ItemSpacing.x) ImGui::SameLine();
    }
    ImGui::PushID(codes[k]);
    if (ImGui::SmallButton(text.c_str())) remove = codes[k];
    ImGui::PopID();
    Record(g, "bind" + std::to_string(codes[k]));
    ItemTooltip(t.key_config_tip_remove);
  }
  ImGui::PopID();
  if (remove >= 0) RemoveBinding(m, remove);
}

void DrawKeyList(Game& g, KeyConfigModel& m, const Texts& t) {
  const ButtonWords words = WordsOf(t);
  const float height = ImGui::GetContentRegionAvail().y;
  if (!ImGui::BeginTable("##lstKeyList", 3,
                         ImGuiTableFlags_BordersOuter | ImGuiTableFlags_RowBg | ImGuiTableFlags_ScrollY,
                         ImVec2(kListWidth, height)))
    return;
  ImGui::TableSetupScrollFreeze(0, 1);
  ImGui::TableSetupColumn(t.key_config_column_function, ImGuiTableColumnFlags_WidthFixed, 66);
  ImGui::TableSetupColumn(t.key_config_column_name, ImGuiTableColumnFlags_WidthFixed, 136);
  ImGui::TableSetupColumn(t.key_config_column_keys, ImGuiTableColumnFlags_WidthStretch);
  ImGui::TableHeadersRow();
  for (size_t i = 0; i < m.rows.size(); ++i) DrawKeyRow(g, m, t, words, i);
  ImGui::EndTable();
  Record(g, "lstKeyList");
}

enum class Close { None, OK, Cancel };

bool Button(Game& g, const char* text, const char* name, const char* tip) {
  const bool clicked = ImGui::Button(text, ImVec2(80, 26));
  Record(g, name);
  ItemTooltip(tip);
  return clicked;
}

Close DrawPanel(Game& g, KeyConfigModel& m, const Texts& t) {
  Close close = Close::None;
  ImGui::BeginGroup();
  WrappedText(g, "lblInstruction", m.modern ? t.key_config_instruction_modern : t.key_config_instruction, kPanelWidth);
  bool modern = m.modern;
  if (ImGui::Checkbox(t.key_config_modern_box, &modern)) SetModernKeyConfig(g, m, modern);
  Record(g, "chkModern");
  ItemTooltip(t.key_config_tip_modern);
  ImGui::Spacing();
  DrawControllerPicture(g, m, t);
  bool xy = m.xy;
  if (ImGui::Checkbox(t.key_config_xy, &xy)) SetJoyXY(g, m, xy);
  Record(g, "chkXY");
  ItemTooltip(t.key_config_tip_xy);
  WrappedText(g, "lblXYNote", t.key_config_xy_note, kPanelWidth);
  ImGui::Spacing();
  ImGui::TextUnformatted(t.key_config_special_group);
  Record(g, "lblSpecial");
  ImGui::Indent(12);
  WrappedText(g, "lblSpecialNote1", t.key_config_special_note1, kPanelWidth - 12);
  WrappedText(g, "lblSpecialNote2", t.key_config_special_note2, kPanelWidth - 12);
  ImGui::Unindent(12);
  const std::string controllers = std::string(t.key_config_controller_label) + std::to_string(m.joystick_count);
  WrappedText(g, "lblControllers", controllers.c_str(), kPanelWidth);
  ImGui::Spacing();
  if (Button(g, t.key_config_defaults, "cmdDefault", t.key_config_tip_default)) SetDefault(m);
  ImGui::SameLine();
  if (Button(g, t.key_config_clear, "cmdClear", t.key_config_tip_clear)) ClearKeyConfig(m);
  ImGui::SameLine();
  if (Button(g, t.key_config_ok, "cmdOK", t.key_config_tip_ok)) close = Close::OK;
  ImGui::SameLine();
  if (Button(g, t.key_config_cancel, "cmdCancel", t.key_config_tip_cancel)) close = Close::Cancel;
  ImGui::EndGroup();
  return close;
}

Close DrawWindow(Game& g, KeyConfigModel& m, const Texts& t) {
  const ImGuiViewport* vp = ImGui::GetMainViewport();
  g.menu.key_config.width = vp->Size.x;
  g.menu.key_config.height = vp->Size.y;
  g.menu.key_config.control_rects.clear();
  ImGui::SetNextWindowPos(vp->Pos);
  ImGui::SetNextWindowSize(vp->Size);
  ImGui::Begin("KeyConfig", nullptr,
               ImGuiWindowFlags_NoDecoration | ImGuiWindowFlags_NoMove | ImGuiWindowFlags_NoSavedSettings |
                   ImGuiWindowFlags_NoBringToFrontOnFocus);
  DrawKeyList(g, m, t);
  ImGui::SameLine();
  const Close close = DrawPanel(g, m, t);
  ImGui::End();
  return close;
}

// Every text of the window, so that the font carries their glyphs.
std::vector<std::string> WindowTexts(const Texts& t) {
  std::vector<std::string> texts = {"↑↓←→★×"};
  for (const char* text : TextEntries(t)) texts.push_back(text);
  return texts;
}

// The window's loop: device events to the model, the timer, the frames.
Close RunWindow(Game& g, ImGuiWindow& window, KeyConfigModel& model, bool* quit) {
  const Texts& t = TextsOf(g);
  KeyConfigWindowState& state = g.menu.key_config;
  Close close = Close::None;
  uint32_t next_tick = SDL_GetTicks();
  while (close == Close::None) {
    if (state.frame_script) state.frame_script(g);
    SDL_Event e;
    while (SDL_PollEvent(&e)) {
      const ImGuiWindow::Event seen = window.HandleEvent(e);
      if (seen != ImGuiWindow::Event::None) {
        *quit = *quit || seen == ImGuiWindow::Event::Quit;
        close = Close::Cancel;
        continue;
      }
      PlatformEvent p;
      if (!TranslateSdlEvent(e, window.id(), &p)) continue;
      p.timestamp_ms = SdlEventTime(e.common.timestamp, SDL_GetTicks(), g.NowMs());
      KeyConfigInput(g, model, p);
    }
    if (static_cast<int32_t>(SDL_GetTicks() - next_tick) >= 0) {
      next_tick = SDL_GetTicks() + kTimerMs;
      KeyConfigTick(g, model);
    }
    window.BeginFrame();
    const Close clicked = DrawWindow(g, model, t);
    if (clicked != Close::None) close = clicked;
    window.EndFrame(state.screenshot_path);
    state.screenshot_path.clear();
  }
  return close;
}

}  // namespace

void OpenKeyConfigWindow(Game& g) {
  if (g.options.headless || !DisplayAvailable()) {
    DebugLog(g, "KeyConfig: no display, the window is not shown");
    return;
  }
  const Texts& t = TextsOf(g);
  ImGuiWindowSetup setup;
  setup.caption = t.key_config_caption;
  setup.width = kWindowWidth;
  setup.height = kWindowHeight;
  // The list font "ＭＳ Ｐゴシック", through the display's stand-in for it.
  setup.font_file = FindFontFile("ＭＳ Ｐゴシック", &setup.font_index);
  setup.font_size = 15.0f;
  setup.glyph_texts = WindowTexts(t);
  ImGuiWindow window;
  if (!window.Open(setup)) {
    DebugLog(g, "KeyConfig: " + window.error());
    return;
  }
  if (window.UsesBuiltInFont()) DebugLog(g, "KeyConfig: the Japanese font was not found; using the built-in font");

  KeyConfigModel model;
  LoadKeyConfig(g, model);
  DebugLog(g, "[KeyConfig] opened");
  KeyConfigWindowState& state = g.menu.key_config;
  state.open = true;
  state.window_id = window.id();
  state.model = &model;

  bool quit = false;
  const Close close = RunWindow(g, window, model, &quit);
  if (close == Close::OK) {
    if (!KeyConfigOK(g, model))
      ShowMessageBox(t.key_config_caption, t.key_config_save_failed, MessageBoxKind::Warning, true);
  } else {
    KeyConfigCancel(g, model);
  }
  DebugLog(g, close == Close::OK ? "[KeyConfig] saved and closed" : "[KeyConfig] cancelled");

  state.open = false;
  state.window_id = 0;
  state.model = nullptr;
  window.Close();
  if (quit) {
    SDL_Event q{};
    q.type = SDL_QUIT;
    SDL_PushEvent(&q);
  }
}

}  // namespace kvx
