#include "menu/menu_tooltip.h"

#include <algorithm>

#include "imgui.h"

namespace kvx {

float TooltipWrapWidth(float window_width) { return std::clamp(window_width - 48.0f, 120.0f, 420.0f); }

void ItemTooltip(const std::string& text) {
  if (!ImGui::IsItemHovered(ImGuiHoveredFlags_AllowWhenDisabled)) return;
  ImGui::BeginTooltip();
  ImGui::PushTextWrapPos(TooltipWrapWidth(ImGui::GetMainViewport()->Size.x));
  ImGui::TextUnformatted(text.c_str());
  ImGui::PopTextWrapPos();
  ImGui::EndTooltip();
}

}  // namespace kvx
