// HostInspection.cc: what a window shows, read for front-ends and tests.
#include "ToolkitModel.h"
#include "pde/CFHost.h"

namespace pde {

ControlKind GetControlKind(ControlRef control) {
  return control ? control->kind : ControlKind::kUserPane;
}

std::string GetControlLabel(ControlRef control) {
  return control ? pde::ToUTF8(control->label) : std::string();
}

ControlSnapshot SnapshotControl(ControlRef control) {
  ControlSnapshot snapshot;
  if (!control) return snapshot;
  snapshot.control = control;
  snapshot.kind = control->kind;
  snapshot.id = control->id;
  snapshot.bounds = control->bounds;
  snapshot.label = pde::ToUTF8(control->label);
  snapshot.value = control->value;
  if (control->menu) {
    for (const auto& item : control->menu->items) snapshot.items.push_back(pde::ToUTF8(item.text));
  }
  snapshot.text = pde::ToUTF8(control->text);
  snapshot.selection = control->selection;
  snapshot.enabled = IsControlEnabled(control);
  snapshot.focused = control->window->focus == control;
  for (ControlRef p = control->parent; p && p->parent; p = p->parent) ++snapshot.depth;
  return snapshot;
}

std::vector<ControlSnapshot> SnapshotWindow(WindowRef window) {
  std::vector<ControlSnapshot> snapshots;
  if (!window) return snapshots;
  toolkit::ForEachControl(window->root.get(), [&](ControlRef control) {
    snapshots.push_back(SnapshotControl(control));
  });
  return snapshots;
}

}  // namespace pde
