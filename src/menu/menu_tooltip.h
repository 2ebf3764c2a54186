#pragma once
// Tooltips of the startup menu and its folder chooser: the text wraps so the
// tooltip stays inside the window however long it is.
#include <string>

namespace kvx {

// The widest a tooltip's text may be in a window of that width.
float TooltipWrapWidth(float window_width);
// Shows the text as the tooltip of the item just drawn when it is hovered
// (disabled items too).
void ItemTooltip(const std::string& text);

}  // namespace kvx
