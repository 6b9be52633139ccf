// HostDriving.cc: a host acting as the user on edit fields: focus, select, type and paste.
#include "EventModel.h"

namespace pde {
namespace {

// paramErr unless control is an edit field; kControlDisabledStatus when it is disabled.
OSStatus CheckField(ControlRef control) {
  if (!control || control->kind != ControlKind::kEditText || control->target.dead) return paramErr;
  return IsControlEnabled(control) ? noErr : kControlDisabledStatus;
}

// Sends one raw key to the window's focused field. Returns a failure to deliver it (no focus,
// a disabled field, no memory) or noErr with *dispatchStatus set to what ended the dispatch.
OSStatus DeliverKey(WindowRef window, unsigned char charCode, bool repeat, UInt32 modifiers,
                    OSStatus* dispatchStatus) {
  if (!window || window->target.dead || !window->focus) return paramErr;
  ControlRef field = window->focus;
  if (!IsControlEnabled(field)) return kControlDisabledStatus;
  EventRef event =
      toolkit::MakeEvent(kEventClassKeyboard, repeat ? kEventRawKeyRepeat : kEventRawKeyDown);
  if (!event) return memFullErr;
  SetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, 1, &charCode);
  SetEventParameter(event, kEventParamKeyModifiers, typeUInt32, sizeof modifiers, &modifiers);
  *dispatchStatus = SendEventToEventTarget(event, GetControlEventTarget(field));
  ReleaseEvent(event);
  return noErr;
}

}  // namespace

OSStatus FocusControl(ControlRef control) {
  if (OSStatus status = CheckField(control); status != noErr) return status;
  control->window->focus = control;
  auto caret = static_cast<SInt16>(control->text.size());
  control->selection = ControlEditTextSelectionRec{caret, caret};
  return noErr;
}

OSStatus SelectText(ControlRef control, SInt16 start, SInt16 end) {
  if (OSStatus status = CheckField(control); status != noErr) return status;
  control->window->focus = control;
  control->selection = toolkit::ClampedSelection(start, end, control->text.size());
  return noErr;
}

OSStatus TypeKey(WindowRef window, unsigned char charCode, bool repeat, UInt32 modifiers) {
  OSStatus dispatchStatus = noErr;
  OSStatus status = DeliverKey(window, charCode, repeat, modifiers, &dispatchStatus);
  return status != noErr ? status : dispatchStatus;
}

OSStatus TypeText(ControlRef control, std::string_view macRomanBytes) {
  if (OSStatus status = CheckField(control); status != noErr) return status;
  if (control->window->focus != control) FocusControl(control);
  // Keeps the window alive should a handler dispose of it between two keys.
  toolkit::DispatchScope scope;
  WindowRef window = control->window;
  for (char byte : macRomanBytes) {
    OSStatus dispatchStatus = noErr;
    OSStatus status =
        DeliverKey(window, static_cast<unsigned char>(byte), false, 0, &dispatchStatus);
    if (status != noErr) return status;
  }
  return noErr;
}

OSStatus PasteText(ControlRef control, CFStringRef text) {
  if (OSStatus status = CheckField(control); status != noErr) return status;
  if (!text || CFGetTypeID(text) != CFStringGetTypeID()) return paramErr;
  return toolkit::ReplaceSelection(control, toolkit::TextOf(text)) ? noErr : paramErr;
}

}  // namespace pde
