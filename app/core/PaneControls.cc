// PaneControls.cc: the table of the pane's scriptable controls.
#include "PaneControls.h"

#include <array>
#include <string>

namespace pdehost {

namespace {

constexpr std::array<PaneControl, 6> kControls{{
    {kPrintModeControl, "PrintMode", PaneControlKind::kPopup, 4},
    {kDinControl, "DIN", PaneControlKind::kField, 0},
    {kDepartmentControl, "Department", PaneControlKind::kPopup, 2},
    {kDcControl, "DC", PaneControlKind::kField, 0},
    {kBlankPagesControl, "BlankPages", PaneControlKind::kPopup, 2},
    {kThinLinesControl, "DistinguishThinLines", PaneControlKind::kPopup, 2},
}};

}  // namespace

std::optional<PaneControl> FindPaneControl(std::string_view word) {
  for (const PaneControl& control : kControls) {
    if (word == control.name || word == std::to_string(control.id)) return control;
  }
  return std::nullopt;
}

std::string_view PaneControlNames() {
  return "PrintMode, DIN, Department, DC, BlankPages, DistinguishThinLines";
}

}  // namespace pdehost
