// NibCheck.cc: the pane's nib checked for the controls the pane relies on.
#include "NibCheck.h"

#include <vector>

#include "PaneControls.h"
#include "pde/CFHost.h"
#include "pde/ToolkitHost.h"

namespace pdehost {

namespace {

constexpr int kContentPaneID = 1;
constexpr int kFirstControlID = 5;
constexpr int kLastControlID = 10;

std::string KindName(pde::ControlKind kind) {
  switch (kind) {
    case pde::ControlKind::kUserPane:
      return "a user pane";
    case pde::ControlKind::kPopupButton:
      return "a pop-up menu";
    case pde::ControlKind::kEditText:
      return "an edit-text field";
    case pde::ControlKind::kStaticText:
      return "a static text";
    case pde::ControlKind::kGroupBox:
      return "a group box";
    case pde::ControlKind::kRoot:
      break;
  }
  return "a window's root";
}

bool IsPaneControl(const pde::ControlSnapshot& control, int id) {
  return control.id.signature == kPaneControlSignature && control.id.id == id;
}

// The indexes of the controls with id among controls[first, last).
std::vector<size_t> Find(const std::vector<pde::ControlSnapshot>& controls, int id, size_t first,
                         size_t last) {
  std::vector<size_t> found;
  for (size_t i = first; i < last; ++i) {
    if (IsPaneControl(controls[i], id)) found.push_back(i);
  }
  return found;
}

// What is wrong with the controls of the pane's window, or an empty string.
std::string Fault(const std::vector<pde::ControlSnapshot>& controls) {
  const std::vector<size_t> panes = Find(controls, kContentPaneID, 0, controls.size());
  if (panes.size() != 1) {
    return "control 1 (the pane's content) is there " + std::to_string(panes.size()) +
           " times, not once";
  }
  const pde::ControlSnapshot& pane = controls[panes[0]];
  if (pane.kind != pde::ControlKind::kUserPane) {
    return "control 1 (the pane's content) is " + KindName(pane.kind) + ", not a user pane";
  }
  // The pane's controls are looked up inside control 1: its descendants follow it, deeper.
  size_t end = panes[0] + 1;
  while (end < controls.size() && controls[end].depth > pane.depth) ++end;
  for (int id = kFirstControlID; id <= kLastControlID; ++id) {
    const PaneControl expected = *FindPaneControl(std::to_string(id));
    const std::string name =
        "control " + std::to_string(id) + " (" + std::string(expected.name) + ")";
    const std::vector<size_t> found = Find(controls, id, panes[0] + 1, end);
    if (found.empty()) {
      return name + (Find(controls, id, 0, controls.size()).empty() ? " is missing"
                                                                    : " lies outside control 1");
    }
    if (found.size() > 1) {
      return name + " is there " + std::to_string(found.size()) + " times, not once";
    }
    const pde::ControlSnapshot& control = controls[found[0]];
    const bool popup = expected.kind == PaneControlKind::kPopup;
    const pde::ControlKind kind =
        popup ? pde::ControlKind::kPopupButton : pde::ControlKind::kEditText;
    if (control.kind != kind)
      return name + " is " + KindName(control.kind) + ", not " + KindName(kind);
    if (popup && control.items.size() != static_cast<size_t>(expected.items)) {
      return name + " has " + std::to_string(control.items.size()) + " menu items, not " +
             std::to_string(expected.items);
    }
  }
  return {};
}

}  // namespace

bool CheckPaneNib(const std::string& bundlePath, std::string* error) {
  const pde::CFPtr<CFBundleRef> bundle = pde::OpenBundle(bundlePath);
  std::string path;
  std::vector<pde::ControlSnapshot> controls;
  std::string unread;
  if (!bundle ||
      !pde::DescribeNibWindow(bundle.get(), "PDE", "Window", &path, &controls, &unread)) {
    return true;
  }
  const std::string fault = Fault(controls);
  if (fault.empty()) return true;
  *error = path + ": the bundle's nib is broken: " + fault + "; the pane cannot be opened";
  return false;
}

}  // namespace pdehost
