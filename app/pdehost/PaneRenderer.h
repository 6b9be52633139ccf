// PaneRenderer.h: draws a window's controls as text, laid out by their bounds, for `show`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pde/ToolkitHost.h"

namespace pdehost {

// Toolkit units per character column and per text row of the drawing.
inline constexpr int kUnitsPerColumn = 6;
inline constexpr int kUnitsPerRow = 30;

// Draws controls (as SnapshotWindow lists them) inside a frame whose top border carries title.
// Each control sits at the row and column of its top-left corner, relative to the top-left
// of all drawn controls; user panes and the root are not drawn. A static text shows its label; a
// pop-up "caption [Item v]"; an edit field "[text]", with '|' at the caret, or around the
// selection, when it has the focus; a group box a titled frame. A disabled pop-up or field is
// drawn with parentheses instead of brackets. Control characters show as '?', a label's
// mnemonic marks ("_") not at all, and an East Asian wide character takes two columns, as in a
// terminal. Every line ends
// with a line break; the result is the same for the same snapshots.
std::string RenderPane(std::string_view title, const std::vector<pde::ControlSnapshot>& controls);

}  // namespace pdehost
