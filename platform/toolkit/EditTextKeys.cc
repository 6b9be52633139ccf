// EditTextKeys.cc: what an edit field does with a raw key that every handler declined: typing,
// the editing keys, select-all and tab to the next field.
#include <algorithm>
#include <cstring>

#include "EventModel.h"
#include "pde/CFHost.h"

namespace {

// The parameter's bytes when the event has it with this type and size.
bool ReadParameter(EventRef event, EventParamName name, EventParamType type, void* out,
                   std::size_t size) {
  for (const auto& parameter : event->parameters) {
    if (parameter.name == name) {
      if (parameter.type != type || parameter.bytes.size() < size) return false;
      std::memcpy(out, parameter.bytes.data(), size);
      return true;
    }
  }
  return false;
}

void PlaceCaret(OpaqueControlRef* field, std::size_t at) {
  auto caret = static_cast<SInt16>(at);
  field->selection = ControlEditTextSelectionRec{caret, caret};
}

void SelectAll(OpaqueControlRef* field) {
  field->selection = ControlEditTextSelectionRec{0, static_cast<SInt16>(field->text.size())};
}

// Deletes the selection, or else the character before (backward) or after the caret.
void Delete(OpaqueControlRef* field, bool backward) {
  auto start = static_cast<std::size_t>(field->selection.selStart);
  auto end = static_cast<std::size_t>(field->selection.selEnd);
  if (start == end) {
    if (backward && start > 0) --start;
    if (!backward && end < field->text.size()) ++end;
  }
  field->text.erase(start, end - start);
  PlaceCaret(field, start);
}

void MoveCaret(OpaqueControlRef* field, bool left) {
  auto start = static_cast<std::size_t>(field->selection.selStart);
  auto end = static_cast<std::size_t>(field->selection.selEnd);
  if (start != end) {
    PlaceCaret(field, left ? start : end);
  } else {
    PlaceCaret(field, left ? (start > 0 ? start - 1 : 0) : std::min(end + 1, field->text.size()));
  }
}

// Moves the window's focus to the next enabled edit field after field, in window order,
// wrapping, and selects its text.
void FocusNextField(OpaqueControlRef* field) {
  OpaqueWindowPtr* window = field->window;
  std::vector<OpaqueControlRef*> fields;
  pde::toolkit::ForEachControl(window->root.get(), [&](OpaqueControlRef* control) {
    if (control == field || (control->kind == pde::ControlKind::kEditText &&
                              IsControlEnabled(control))) {
      fields.push_back(control);
    }
  });
  auto at = std::find(fields.begin(), fields.end(), field);
  OpaqueControlRef* next = (at + 1 == fields.end()) ? fields.front() : *(at + 1);
  window->focus = next;
  SelectAll(next);
}

OSStatus HandleKey(OpaqueControlRef* field, EventRef event) {
  unsigned char key = 0;
  if (!IsControlEnabled(field) ||
      !ReadParameter(event, kEventParamKeyMacCharCodes, typeChar, &key, 1)) {
    return eventNotHandledErr;
  }
  UInt32 modifiers = 0;
  ReadParameter(event, kEventParamKeyModifiers, typeUInt32, &modifiers, sizeof modifiers);
  if (modifiers & cmdKey) {
    if (key != 'a' && key != 'A') return eventNotHandledErr;
    SelectAll(field);
    return noErr;
  }
  if ((key >= 0x20 && key <= 0x7E) || key >= 0x80) {
    // Every MacRoman character lies in the Basic Multilingual Plane: one UTF-16 unit. A field
    // already at its longest takes the key and stays as it is.
    char16_t typed = static_cast<char16_t>(pde::UnicodeForMacRomanByte(key));
    pde::toolkit::ReplaceSelection(field, std::u16string_view(&typed, 1));
    return noErr;
  }
  switch (key) {
    case kBackspaceCharCode:
      Delete(field, true);
      return noErr;
    case kDeleteCharCode:
      Delete(field, false);
      return noErr;
    case kLeftArrowCharCode:
    case kRightArrowCharCode:
      MoveCaret(field, key == kLeftArrowCharCode);
      return noErr;
    case kHomeCharCode:
      PlaceCaret(field, 0);
      return noErr;
    case kEndCharCode:
      PlaceCaret(field, field->text.size());
      return noErr;
    case kTabCharCode:
      FocusNextField(field);
      return noErr;
    default:  // return, enter and the other control characters leave the text alone
      return eventNotHandledErr;
  }
}

}  // namespace

namespace pde::toolkit {

OSStatus RunDefaultHandling(OpaqueControlRef* control, EventRef event) {
  bool rawKey = event->eventClass == kEventClassKeyboard &&
                (event->eventKind == kEventRawKeyDown || event->eventKind == kEventRawKeyRepeat);
  if (control->kind == ControlKind::kEditText && rawKey) return HandleKey(control, event);
  return eventNotHandledErr;
}

}  // namespace pde::toolkit
