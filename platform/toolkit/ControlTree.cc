// ControlTree.cc: the control tree of a window: creation, lookup by ID, embedding and bounds.
#include <algorithm>

#include "ToolkitModel.h"
#include "pde/TestHooks.h"

namespace pde::toolkit {
namespace {

SInt16 ClampToSInt16(int value) {
  return static_cast<SInt16>(std::clamp(value, -32768, 32767));
}

void MoveSubtree(OpaqueControlRef* control, int dh, int dv) {
  for (const auto& child : control->children) {
    Rect& r = child->bounds;
    r = Rect{ClampToSInt16(r.top + dv), ClampToSInt16(r.left + dh), ClampToSInt16(r.bottom + dv),
             ClampToSInt16(r.right + dh)};
    MoveSubtree(child.get(), dh, dv);
  }
}

void SetWindowOfSubtree(OpaqueControlRef* control, OpaqueWindowPtr* window) {
  control->window = window;
  for (const auto& child : control->children) SetWindowOfSubtree(child.get(), window);
}

}  // namespace

OpaqueControlRef* AddControl(OpaqueControlRef* parent, ControlKind kind, const Rect& bounds) {
  if (TakeAllocationFailure("Control")) return nullptr;
  auto control = std::make_unique<OpaqueControlRef>();
  control->kind = kind;
  control->bounds = bounds;
  control->window = parent->window;
  control->parent = parent;
  control->target.control = control.get();
  parent->children.push_back(std::move(control));
  return parent->children.back().get();
}

}  // namespace pde::toolkit

bool OpaqueControlRef::IsEmbedder() const {
  return kind == pde::ControlKind::kRoot || kind == pde::ControlKind::kUserPane ||
         kind == pde::ControlKind::kGroupBox;
}

bool OpaqueControlRef::IsWithin(const OpaqueControlRef* other) const {
  for (const OpaqueControlRef* c = this; c != nullptr; c = c->parent) {
    if (c == other) return true;
  }
  return false;
}

OSStatus GetRootControl(WindowRef inWindow, ControlRef* outControl) {
  if (!inWindow || !outControl) return paramErr;
  *outControl = inWindow->root.get();
  return noErr;
}

OSStatus CreateUserPaneControl(WindowRef window, const Rect* boundsRect, UInt32 /*features*/,
                               ControlRef* outControl) {
  if (!window || !boundsRect || !outControl) return paramErr;
  ControlRef control =
      pde::toolkit::AddControl(window->root.get(), pde::ControlKind::kUserPane, *boundsRect);
  if (!control) return memFullErr;
  *outControl = control;
  return noErr;
}

OSStatus GetControlByID(WindowRef inWindow, const ControlID* inID, ControlRef* outControl) {
  if (!inWindow || !inID || !outControl) return paramErr;
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("GetControlByID", &injected)) return injected;
  ControlRef found = nullptr;
  pde::toolkit::ForEachControl(inWindow->root.get(), [&](ControlRef control) {
    if (!found && control->id.signature == inID->signature && control->id.id == inID->id) {
      found = control;
    }
  });
  if (!found) return errUnknownControl;
  *outControl = found;
  return noErr;
}

OSStatus GetControlID(ControlRef inControl, ControlID* outID) {
  if (!inControl || !outID) return paramErr;
  *outID = inControl->id;
  return noErr;
}

WindowRef GetControlOwner(ControlRef control) { return control ? control->window : nullptr; }

OSErr EmbedControl(ControlRef inControl, ControlRef inContainer) {
  if (!inControl || !inContainer) return paramErr;
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("EmbedControl", &injected)) return static_cast<OSErr>(injected);
  // A window's root stays with its window; nothing moves into or out of a disposed window.
  if (!inControl->parent || inControl->target.dead || inContainer->target.dead) return paramErr;
  if (!inContainer->IsEmbedder() || inContainer->IsWithin(inControl)) {
    return errControlIsNotEmbedder;
  }
  if (inControl->parent == inContainer) return noErr;

  auto& siblings = inControl->parent->children;
  auto place = std::find_if(siblings.begin(), siblings.end(),
                            [&](const auto& child) { return child.get() == inControl; });
  std::unique_ptr<OpaqueControlRef> moved = std::move(*place);
  siblings.erase(place);

  WindowRef oldWindow = moved->window;
  if (oldWindow->focus && oldWindow->focus->IsWithin(moved.get()) &&
      oldWindow != inContainer->window) {
    oldWindow->focus = nullptr;
  }
  moved->parent = inContainer;
  pde::toolkit::SetWindowOfSubtree(moved.get(), inContainer->window);
  inContainer->children.push_back(std::move(moved));

  WindowRef window = inContainer->window;
  if (window->focus && !IsControlEnabled(window->focus)) window->focus = nullptr;
  return noErr;
}

OSErr GetSuperControl(ControlRef inControl, ControlRef* outParent) {
  if (!inControl || !outParent) return paramErr;
  if (!inControl->parent) return errUnknownControl;
  *outParent = inControl->parent;
  return noErr;
}

OSErr CountSubControls(ControlRef inControl, UInt16* outNumChildren) {
  if (!inControl || !outNumChildren) return paramErr;
  if (!inControl->IsEmbedder()) return errControlIsNotEmbedder;
  *outNumChildren = static_cast<UInt16>(std::min<std::size_t>(inControl->children.size(), 0xFFFF));
  return noErr;
}

OSErr GetIndexedSubControl(ControlRef inControl, UInt16 inIndex, ControlRef* outSubControl) {
  if (!inControl || !outSubControl) return paramErr;
  if (!inControl->IsEmbedder()) return errControlIsNotEmbedder;
  if (inIndex < 1 || inIndex > inControl->children.size()) return paramErr;
  *outSubControl = inControl->children[inIndex - 1].get();
  return noErr;
}

Rect* GetControlBounds(ControlRef control, Rect* bounds) {
  if (!bounds) return nullptr;
  *bounds = control ? control->bounds : Rect{0, 0, 0, 0};
  return bounds;
}

void SetControlBounds(ControlRef control, const Rect* bounds) {
  if (!control || !bounds) return;
  int dh = bounds->left - control->bounds.left;
  int dv = bounds->top - control->bounds.top;
  control->bounds = *bounds;
  pde::toolkit::MoveSubtree(control, dh, dv);
}

void OffsetRect(Rect* r, short dh, short dv) {
  if (!r) return;
  // The platform's 16-bit arithmetic: a sum beyond the range wraps.
  r->left = static_cast<SInt16>(r->left + dh);
  r->right = static_cast<SInt16>(r->right + dh);
  r->top = static_cast<SInt16>(r->top + dv);
  r->bottom = static_cast<SInt16>(r->bottom + dv);
}
