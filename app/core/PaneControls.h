// PaneControls.h: the pane's controls as scripts name them: by nib ID or by name.
#pragma once

#include <optional>
#include <string_view>

namespace pdehost {

// Signature of every control ID in the pane's nib ('zor ').
inline constexpr unsigned kPaneControlSignature = 0x7A6F7220;

// The nib IDs of the pane's six controls.
enum PaneControlID : int {
  kPrintModeControl = 5,
  kDinControl = 6,
  kDepartmentControl = 7,
  kDcControl = 8,
  kBlankPagesControl = 9,
  kThinLinesControl = 10,
};

enum class PaneControlKind { kPopup, kField };

// One control of the pane that scripts can act on.
struct PaneControl {
  int id = 0;             // nib control ID, 5 to 10
  std::string_view name;  // script name, e.g. "PrintMode"
  PaneControlKind kind = PaneControlKind::kPopup;
  // A pop-up's number of menu items: one for each PPD value it stands for.
  int items = 0;
};

// The control named by word: its script name (exact case) or its nib ID "5" to "10".
std::optional<PaneControl> FindPaneControl(std::string_view word);

// The names scripts may use, for messages: "PrintMode, DIN, Department, DC, BlankPages,
// DistinguishThinLines".
std::string_view PaneControlNames();

}  // namespace pdehost
