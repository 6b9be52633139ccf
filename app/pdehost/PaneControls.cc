// PaneControls.cc: the table of the pane's scriptable controls.
#include "PaneControls.h"

#include <array>
#include <string>

namespace pdehost {

namespace {

constexpr std::array<PaneControl, 6> kControls{{
    {5, "PrintMode", PaneControlKind::kPopup, 4},
    {6, "DIN", PaneControlKind::kField, 0},
    {7, "Department", PaneControlKind::kPopup, 2},
    {8, "DC", PaneControlKind::kField, 0},
    {9, "BlankPages", PaneControlKind::kPopup, 2},
    {10, "DistinguishThinLines", PaneControlKind::kPopup, 2},
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
