// KeyMapping.cc: GDK key presses turned into the model's raw keys.
#include "KeyMapping.h"

#include "Carbon/CarbonEvents.h"
#include "pde/CFHost.h"

namespace pde::gtk {
namespace {

constexpr GdkModifierType kShortcutModifiers =
    static_cast<GdkModifierType>(GDK_CONTROL_MASK | GDK_MOD1_MASK | GDK_SUPER_MASK | GDK_META_MASK);

KeyDecision Dispatch(unsigned char charCode, GdkModifierType state) {
  return {KeyRoute::kDispatch, charCode, (state & GDK_SHIFT_MASK) ? UInt32{shiftKey} : UInt32{0}};
}

// The char code of an editing key; 0 for other keys. *movesCaret tells the keys that Shift turns
// into selection keys.
unsigned char EditingKeyCode(guint keyval, bool* movesCaret) {
  *movesCaret = false;
  switch (keyval) {
    case GDK_KEY_BackSpace:
      return kBackspaceCharCode;
    case GDK_KEY_Delete:
    case GDK_KEY_KP_Delete:
      return kDeleteCharCode;
    case GDK_KEY_Tab:
    case GDK_KEY_KP_Tab:
      return kTabCharCode;
    case GDK_KEY_Return:
      return kReturnCharCode;
    case GDK_KEY_KP_Enter:
      return kEnterCharCode;
    default:
      break;
  }
  *movesCaret = true;
  switch (keyval) {
    case GDK_KEY_Left:
    case GDK_KEY_KP_Left:
      return kLeftArrowCharCode;
    case GDK_KEY_Right:
    case GDK_KEY_KP_Right:
      return kRightArrowCharCode;
    case GDK_KEY_Home:
    case GDK_KEY_KP_Home:
      return kHomeCharCode;
    case GDK_KEY_End:
    case GDK_KEY_KP_End:
      return kEndCharCode;
    default:
      *movesCaret = false;
      return 0;
  }
}

}  // namespace

KeyDecision DecideKey(guint keyval, GdkModifierType state) {
  if (state & kShortcutModifiers) return {};
  bool movesCaret = false;
  if (unsigned char code = EditingKeyCode(keyval, &movesCaret); code != 0) {
    if (movesCaret && (state & GDK_SHIFT_MASK)) return {};
    return Dispatch(code, state);
  }
  const guint32 character = gdk_keyval_to_unicode(keyval);
  if (character < 0x20 || character == 0x7F || (character >= 0x80 && character < 0xA0)) return {};
  const std::optional<unsigned char> byte = MacRomanByteFor(character);
  if (!byte) return {KeyRoute::kSwallow, 0, 0};
  return Dispatch(*byte, state);
}

}  // namespace pde::gtk
