// ControlState.cc: enabling, values and pop-up menus of controls, and the window's keyboard focus.
#include "ToolkitModel.h"

OSStatus EnableControl(ControlRef inControl) {
  if (!inControl) return paramErr;
  inControl->enabled = true;
  return noErr;
}

OSStatus DisableControl(ControlRef inControl) {
  if (!inControl) return paramErr;
  inControl->enabled = false;
  WindowRef window = inControl->window;
  if (window->focus && !IsControlEnabled(window->focus)) window->focus = nullptr;
  return noErr;
}

Boolean IsControlEnabled(ControlRef inControl) {
  if (!inControl) return false;
  for (ControlRef c = inControl; c != nullptr; c = c->parent) {
    if (!c->enabled) return false;
  }
  return true;
}

SInt32 GetControl32BitValue(ControlRef theControl) { return theControl ? theControl->value : 0; }

void SetControl32BitValue(ControlRef theControl, SInt32 newValue) {
  if (!theControl) return;
  theControl->value = newValue;
  // A pop-up marks the item it shows; clearing the old mark is the caller's business.
  if (theControl->menu && newValue >= 1 &&
      static_cast<std::size_t>(newValue) <= theControl->menu->items.size()) {
    theControl->menu->items[static_cast<std::size_t>(newValue) - 1].checked = true;
  }
}

SInt32 GetControl32BitMinimum(ControlRef theControl) {
  return theControl && theControl->kind == pde::ControlKind::kPopupButton ? 1 : 0;
}

SInt32 GetControl32BitMaximum(ControlRef theControl) {
  if (!theControl || !theControl->menu) return 0;
  return static_cast<SInt32>(theControl->menu->items.size());
}

MenuRef GetControlPopupMenuHandle(ControlRef inControl) {
  return inControl ? inControl->menu.get() : nullptr;
}

OSStatus SetKeyboardFocus(WindowRef inWindow, ControlRef inControl, ControlFocusPart inPart) {
  if (!inWindow) return paramErr;
  if (!inControl || inPart == kControlFocusNoPart) {
    inWindow->focus = nullptr;
    return noErr;
  }
  if (inControl->window != inWindow || inControl->kind != pde::ControlKind::kEditText) {
    return paramErr;
  }
  if (!IsControlEnabled(inControl)) return pde::kControlDisabledStatus;
  inWindow->focus = inControl;
  return noErr;
}

OSStatus GetKeyboardFocus(WindowRef inWindow, ControlRef* outControl) {
  if (!inWindow || !outControl) return paramErr;
  *outControl = inWindow->focus;
  return noErr;
}
