// XInput.cc: XTEST events for the GTK tests, waited for until GTK has handled them.
#include "XInput.h"

#include <X11/extensions/XTest.h>
#include <gdk/gdkx.h>

#include <vector>

#include "GtkDriving.h"

namespace pde::test {
namespace {

Display* XDisplayOfGtk() {
  GdkDisplay* display = gdk_display_get_default();
  return display != nullptr && GDK_IS_X11_DISPLAY(display) ? gdk_x11_display_get_xdisplay(display)
                                                           : nullptr;
}

// The X server has seen every event sent so far and GTK has handled what it made of them. A
// round trip brings the resulting events to the client; a short wait lets GTK's own idle work
// (a grab, a redraw, a deferred pass of the pane's run loop) follow.
void Settle() {
  XSync(XDisplayOfGtk(), False);
  DrainEvents();
  const gint64 until = g_get_monotonic_time() + 30 * 1000;
  RunUntil([until] { return g_get_monotonic_time() >= until; });
}

}  // namespace

bool RealInputAvailable(std::string* why) {
  Display* display = XDisplayOfGtk();
  int event = 0, error = 0, major = 0, minor = 0;
  if (display == nullptr) {
    *why = "GTK does not run on an X display";
    return false;
  }
  if (!XTestQueryExtension(display, &event, &error, &major, &minor)) {
    *why = "the X server has no XTEST extension";
    return false;
  }
  return true;
}

void RealClick(GtkWidget* widget, int count) {
  // A widget just shown is placed on the next frame: wait until it is on the screen.
  GtkAllocation area;
  RunUntil(
      [&] {
        gtk_widget_get_allocation(widget, &area);
        return gtk_widget_get_mapped(widget) && area.width > 1 && area.height > 1;
      },
      std::chrono::seconds(5));
  GtkWidget* toplevel = gtk_widget_get_toplevel(widget);
  int x = 0, y = 0, originX = 0, originY = 0;
  gtk_widget_translate_coordinates(widget, toplevel, area.width / 2, area.height / 2, &x, &y);
  gdk_window_get_origin(gtk_widget_get_window(toplevel), &originX, &originY);
  for (int i = 0; i < count; ++i) RealClickAt(originX + x, originY + y);
}

void RealClickAt(int x, int y) {
  Display* display = XDisplayOfGtk();
  XTestFakeMotionEvent(display, -1, x, y, CurrentTime);
  Settle();
  XTestFakeButtonEvent(display, 1, True, CurrentTime);
  XTestFakeButtonEvent(display, 1, False, CurrentTime);
  Settle();
}

void RealKey(guint keyval, GdkModifierType modifiers) {
  Display* display = XDisplayOfGtk();
  std::vector<KeyCode> held;
  if (modifiers & GDK_CONTROL_MASK) held.push_back(XKeysymToKeycode(display, XK_Control_L));
  if (modifiers & GDK_SHIFT_MASK) held.push_back(XKeysymToKeycode(display, XK_Shift_L));
  if (modifiers & GDK_MOD1_MASK) held.push_back(XKeysymToKeycode(display, XK_Alt_L));
  for (KeyCode modifier : held) XTestFakeKeyEvent(display, modifier, True, CurrentTime);
  const KeyCode key = XKeysymToKeycode(display, keyval);
  XTestFakeKeyEvent(display, key, True, CurrentTime);
  XTestFakeKeyEvent(display, key, False, CurrentTime);
  for (KeyCode modifier : held) XTestFakeKeyEvent(display, modifier, False, CurrentTime);
  Settle();
}

void RealType(std::string_view text) {
  for (char c : text) RealKey(gdk_unicode_to_keyval(static_cast<unsigned char>(c)));
}

}  // namespace pde::test
