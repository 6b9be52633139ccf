// KeyMapping.h: what a key pressed in a GTK entry becomes for the toolkit model.
#pragma once

#include <gdk/gdk.h>

#include "MacTypes.h"

namespace pde::gtk {

enum class KeyRoute {
  kDispatch,   // sent to the model as one raw key (charCode, modifiers)
  kPassToGtk,  // left to GTK: shortcuts, selection keys, focus keys; none of them edits text
  kSwallow,    // a character the model cannot take (no MacRoman byte): dropped
};

struct KeyDecision {
  KeyRoute route = KeyRoute::kPassToGtk;
  unsigned char charCode = 0;  // the MacRoman byte, for kDispatch
  UInt32 modifiers = 0;        // the model's modifier bits (shiftKey), for kDispatch
};

// Decides the route of a key press with keyval and modifier state. Printable characters go to
// the model as their MacRoman byte; the editing keys as BackSpace 0x08, Delete 0x7F, Left 0x1C,
// Right 0x1D, Home 0x01, End 0x04, Tab 0x09, Return 0x0D, keypad Enter 0x03. Keys held with
// Control, Alt or Super, and Shift with Left/Right/Home/End (selection), go to GTK; so do the
// keys without a character (Escape, arrows up and down, function keys).
KeyDecision DecideKey(guint keyval, GdkModifierType state);

}  // namespace pde::gtk
