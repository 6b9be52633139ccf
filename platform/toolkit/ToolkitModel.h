// ToolkitModel.h: the toolkit's private records (windows, controls, menus, event targets) and
// the helpers the toolkit's files share.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "Carbon/Carbon.h"
#include "pde/ToolkitHost.h"

namespace pde::toolkit {

// Counts itself among the live toolkit objects while it exists; a member of every record.
class LiveObject {
 public:
  LiveObject();
  LiveObject(const LiveObject&);
  LiveObject& operator=(const LiveObject&) = default;
  ~LiveObject();
};

// Longest text an edit field holds, in UTF-16 code units (its selection is SInt16).
inline constexpr std::size_t kMaxEditTextLength = 32767;

}  // namespace pde::toolkit

// One installed event handler. Removed handlers stay in their target's stack, marked, until no
// dispatch can be walking it.
struct OpaqueEventHandlerRef {
  pde::toolkit::LiveObject live;
  OpaqueEventTargetRef* target = nullptr;
  EventHandlerUPP procedure = nullptr;
  std::vector<EventTypeSpec> types;
  void* userData = nullptr;
  bool removed = false;

  bool Accepts(UInt32 eventClass, UInt32 eventKind) const;
};

// The handler stack of a control, a window or the application, oldest first.
struct OpaqueEventTargetRef {
  OpaqueControlRef* control = nullptr;  // the control whose target this is, or null
  OpaqueWindowPtr* window = nullptr;    // the window whose target this is, or null
  std::vector<std::unique_ptr<OpaqueEventHandlerRef>> handlers;
  bool dead = false;  // its owner is disposed of; dispatch skips it

  OpaqueEventTargetRef() = default;
  OpaqueEventTargetRef(const OpaqueEventTargetRef&) = delete;
  OpaqueEventTargetRef& operator=(const OpaqueEventTargetRef&) = delete;
  ~OpaqueEventTargetRef();
  // Forgets every handler (their references become invalid) and marks the target dead.
  void Kill();
};

struct OpaqueMenuRef {
  struct Item {
    std::u16string text;
    bool checked = false;
  };
  pde::toolkit::LiveObject live;
  std::vector<Item> items;
};

struct OpaqueControlRef {
  pde::toolkit::LiveObject live;
  pde::ControlKind kind = pde::ControlKind::kUserPane;
  OpaqueWindowPtr* window = nullptr;
  OpaqueControlRef* parent = nullptr;
  std::vector<std::unique_ptr<OpaqueControlRef>> children;  // in embedding order
  ControlID id{0, 0};
  Rect bounds{0, 0, 0, 0};  // window content coordinates
  bool enabled = true;      // its own state; IsControlEnabled also asks its embedders
  std::u16string label;
  SInt32 value = 0;
  std::unique_ptr<OpaqueMenuRef> menu;  // pop-up buttons only, and only when they have one
  std::u16string text;                  // edit fields
  ControlEditTextSelectionRec selection{0, 0};
  OpaqueEventTargetRef target;

  bool IsEmbedder() const;
  // True when this control is other or lies inside it.
  bool IsWithin(const OpaqueControlRef* other) const;
};

struct OpaqueWindowPtr {
  pde::toolkit::LiveObject live;
  Rect contentBounds{0, 0, 0, 0};
  std::u16string title;
  std::unique_ptr<OpaqueControlRef> root;
  OpaqueControlRef* focus = nullptr;
  OpaqueEventTargetRef target;
};

namespace pde::toolkit {

// A new control of kind at bounds, appended to parent's children in parent's window. Null when
// the allocation of a "Control" fails.
OpaqueControlRef* AddControl(OpaqueControlRef* parent, ControlKind kind, const Rect& bounds);

// A new window with content bounds and its root control; null when the "Window" allocation fails.
std::unique_ptr<OpaqueWindowPtr> MakeWindow(const Rect& contentBounds);

// Calls visit for every control under root (root excluded), depth first in embedding order.
template <typename Visit>
void ForEachControl(OpaqueControlRef* root, Visit&& visit) {
  for (const auto& child : root->children) {
    visit(child.get());
    ForEachControl(child.get(), visit);
  }
}

// The text of a string as UTF-16 code units; empty for null.
std::u16string TextOf(CFStringRef string);
// A new string holding text; null when it cannot be allocated.
CFStringRef CreateStringWithText(std::u16string_view text);

// Selection clamped to a text of length: each end within 0..length, start no later than end.
ControlEditTextSelectionRec ClampedSelection(SInt16 start, SInt16 end, std::size_t length);
// Replaces the field's selection with insert and puts the caret after it. False, changing
// nothing, when the text would grow beyond kMaxEditTextLength.
bool ReplaceSelection(OpaqueControlRef* field, std::u16string_view insert);

// The control's own handling of an event after every handler declined; eventNotHandledErr when
// it has none.
OSStatus RunDefaultHandling(OpaqueControlRef* control, EventRef event);

}  // namespace pde::toolkit
