// The startup menu's tooltips stay inside the window: each control is hovered
// in turn in a Dear ImGui context the size of the menu window, and the
// tooltip drawn for it must lie within the window.
#include <gtest/gtest.h>

#include "app/texts.h"

#include <string>

#include "app/game.h"
#include "imgui.h"
#include "imgui_internal.h"
#include "menu/menu_layout.h"
#include "menu/menu_tooltip.h"
#include "test_support.h"

namespace kvx {
namespace {

// In every language.
void CheckTooltips(const char* code) {
  SCOPED_TRACE(code);
  ImGuiContext* context = ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;
  io.DisplaySize = ImVec2(kMenuWidth, 1000);  // tall enough for every control
  io.DeltaTime = 1.0f / 60;
  unsigned char* pixels = nullptr;
  int w = 0, h = 0;
  io.Fonts->AddFontDefault();
  io.Fonts->GetTexDataAsRGBA32(&pixels, &w, &h);
  test::TempFolder dir;
  Game g;
  g.SetProgramFolder(dir.path());
  g.settings.Language = code;
  g.menu.search_panel_open = true;  // its controls too
  auto frame = [&] {
    ImGui::NewFrame();
    DrawStartupMenu(g);
    ImGui::Render();
  };
  frame();
  const auto controls = g.menu.control_rects;
  ASSERT_GT(controls.size(), 20u);
  int tooltips = 0;
  for (const auto& [name, rect] : controls) {
    if (rect.y1 > io.DisplaySize.y) continue;  // scrolled out of view
    io.MousePos = ImVec2((rect.x0 + rect.x1) / 2, (rect.y0 + rect.y1) / 2);
    for (int i = 0; i < 3; ++i) frame();  // hover, then the tooltip shows
    ::ImGuiWindow* tip = ImGui::FindWindowByName("##Tooltip_00");
    if (!tip || !tip->Active) continue;
    ++tooltips;
    EXPECT_GE(tip->Pos.x, 0) << name;
    EXPECT_LE(tip->Pos.x + tip->Size.x, io.DisplaySize.x) << name;
    EXPECT_LE(tip->Pos.y + tip->Size.y, io.DisplaySize.y) << name;
    EXPECT_LE(tip->Size.x, TooltipWrapWidth(io.DisplaySize.x) + 2 * ImGui::GetStyle().WindowPadding.x + 1) << name;
  }
  EXPECT_GT(tooltips, 20);
  ImGui::DestroyContext(context);
}

TEST(MenuTooltips, EveryTooltipWrapsInsideTheWindow) {
  for (const Language& l : Languages()) CheckTooltips(l.code);
}

}  // namespace
}  // namespace kvx
