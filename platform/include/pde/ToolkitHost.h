// ToolkitHost.h: host-only driving and inspection of the dialog toolkit's model.
//
// Hosts, renderers and tests act as the user through these calls (choose, focus, select, type,
// paste) and read what a window shows. Every action dispatches real events through the
// toolkit's handler chains. Plug-ins never include this.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "../../../host/Carbon/Carbon.h"

namespace pde {

enum class ControlKind { kRoot, kUserPane, kPopupButton, kEditText, kStaticText, kGroupBox };

// What a front-end needs to draw one control.
struct ControlSnapshot {
  ControlRef control = nullptr;
  ControlKind kind = ControlKind::kUserPane;
  ControlID id{0, 0};
  Rect bounds{0, 0, 0, 0};         // in window content coordinates
  std::string label;               // static text, group box title, or a control's caption
  SInt32 value = 0;                // a pop-up's selected item (1-based)
  std::vector<std::string> items;  // a pop-up's menu item texts
  std::string text;                // an edit field's text (UTF-8)
  ControlEditTextSelectionRec selection{0, 0};
  bool enabled = true;  // IsControlEnabled: the control and its embedders
  bool focused = false;
  int depth = 0;  // 0 for the root's children
};

// Every control of the window, depth first in embedding order, the root excluded; empty for
// null.
std::vector<ControlSnapshot> SnapshotWindow(WindowRef window);
// One control as a front-end draws it (depth counted from the root's children); a default
// snapshot for null.
ControlSnapshot SnapshotControl(ControlRef control);
// The control's kind; kUserPane for null.
ControlKind GetControlKind(ControlRef control);
// The control's label (static text, group box title, or caption) in UTF-8; empty for null.
std::string GetControlLabel(ControlRef control);

// The window windowName of the nib nibName of bundle, as CreateNibReferenceWithCFBundle and
// CreateWindowFromNib would make it, described without making it: *path receives the nib file
// the toolkit opens for that bundle and name (the preferred localization's, else the one outside
// any .lproj folder), *controls the window's controls as SnapshotWindow lists them (no control
// refs; nothing focused). Returns false with *error set ("<path>: why") when the nib cannot be
// read or is refused, or holds no such window; *path is set whenever the name is a nib name.
bool DescribeNibWindow(CFBundleRef bundle, const std::string& nibName,
                       const std::string& windowName, std::string* path,
                       std::vector<ControlSnapshot>* controls, std::string* error);

// Number of toolkit objects alive now: windows, controls, menus, events, installed handlers and
// nib references. Tests compare it before and after to prove nothing leaks.
long LiveToolkitObjectCount();

// Status of an action on a control that is disabled (or lies in a disabled one): nothing happens.
inline constexpr OSStatus kControlDisabledStatus = -30630;  // errControlHiddenOrDisabled

// Chooses item (1-based) of a pop-up as a click does: first a process-command event
// ('cmds', 1, from the menu) is sent from the pop-up up its chain; only when every handler
// declines does the pop-up take the value and move its check mark. Returns the status that
// ended the dispatch: eventNotHandledErr when the pop-up took the value, another status when a
// handler consumed the command (the value stays). paramErr for a control that is not a pop-up
// or an item outside its menu; kControlDisabledStatus for a disabled pop-up.
OSStatus ChoosePopupItem(ControlRef popup, SInt32 item);

// The actions below return kControlDisabledStatus, changing nothing, for a disabled control.

// Focuses an edit field of its window with the caret at the end.
OSStatus FocusControl(ControlRef control);
// Focuses the field and sets its selection (clamped to the text).
OSStatus SelectText(ControlRef control, SInt16 start, SInt16 end);
// Sends one raw key-down (or key-repeat) event with the MacRoman byte charCode to the window's
// focused control. Handlers see it first; if all decline, the field edits itself. Returns the
// status that ended the dispatch: a handler's status when one took the key, noErr when the
// field acted on it, eventNotHandledErr when nothing did (return, enter, other control keys);
// paramErr when nothing has the focus.
OSStatus TypeKey(WindowRef window, unsigned char charCode, bool repeat = false,
                 UInt32 modifiers = 0);
// Types each byte of macRomanBytes with TypeKey into control (focused first when needed); a tab
// moves the focus and later bytes follow it. noErr once every key was delivered, whatever the
// handlers did with it; otherwise the failure that stopped it.
OSStatus TypeText(ControlRef control, std::string_view macRomanBytes);
// Replaces the field's selection with text without key events: no filter sees it.
OSStatus PasteText(ControlRef control, CFStringRef text);

}  // namespace pde
