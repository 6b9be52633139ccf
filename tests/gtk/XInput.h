// XInput.h: a person's mouse and keyboard, sent through the X server's XTEST extension. Unlike
// events handed to GTK directly, these pass the X server's focus, grabs and pointer crossings,
// as a real click and key press do.
#pragma once

#include <gtk/gtk.h>

#include <string>
#include <string_view>

#include "XDisplay.h"

namespace pde::test {

// True when the display GTK uses is an X display with XTEST; otherwise *why says what is missing.
bool RealInputAvailable(std::string* why);

// For a test's SetUp: starts the private display (PDE_REQUIRE_DISPLAY), then fails the test when
// real input cannot be sent to it.
#define PDE_REQUIRE_REAL_INPUT()                                               \
  do {                                                                         \
    PDE_REQUIRE_DISPLAY();                                                     \
    std::string pdeInputWhy;                                                   \
    if (!::pde::test::RealInputAvailable(&pdeInputWhy)) FAIL() << pdeInputWhy; \
  } while (false)

// Moves the pointer to the middle of widget, once it is on the screen, and clicks the first button
// count times (2 selects a word, 3 a field's whole line); then lets GTK handle what came of it.
void RealClick(GtkWidget* widget, int count = 1);

// Clicks the first button at the screen position x, y: in any window there, another process's too.
void RealClickAt(int x, int y);

// Presses and releases the key of keyval, with Control, Shift and Alt held as modifiers says
// (GDK_CONTROL_MASK, GDK_SHIFT_MASK, GDK_MOD1_MASK); then lets GTK handle it. The window under the pointer, or
// the one given the input focus, receives it.
void RealKey(guint keyval, GdkModifierType modifiers = static_cast<GdkModifierType>(0));

// Presses the key of each ASCII character of text in turn (no shifted characters).
void RealType(std::string_view text);

}  // namespace pde::test
