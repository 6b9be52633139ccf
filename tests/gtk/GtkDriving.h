// GtkDriving.h: acting on GTK widgets as a user does, through synthesised GDK events.
#pragma once

#include <gtk/gtk.h>

#include <chrono>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace pde::test {

// Dispatches every pending GLib event and source that is ready now (nothing that waits on a
// timer): after it, the widgets have seen the user's action and the idle run-loop pass has run.
void DrainEvents();

// Runs the main loop, woken every 20 ms, until done() holds or the deadline passes; returns done().
bool RunUntil(const std::function<bool()>& done,
              std::chrono::seconds deadline = std::chrono::seconds(90));

// Every widget under root (root and internal children included) of type, in tree order.
std::vector<GtkWidget*> WidgetsOf(GtkWidget* root, GType type);

// Points iter at the first row of model that holds text in one of its string columns; false
// when no row does.
bool FindRow(GtkTreeModel* model, std::string_view text, GtkTreeIter* iter);

// Makes and shows an application's own GtkPrintUnixDialog titled title, with printer as the
// printer its settings name (borrowed: the caller destroys it).
GtkWidget* ShowPrintDialog(const char* title, const std::string& printer);

// The name of the printer dialog (a GtkPrintUnixDialog) has selected; empty while it has none.
std::string SelectedPrinter(GtkWidget* dialog);

// The live objects of the Core Foundation layer that the GTK module loaded into this process;
// -1 when they cannot be counted. GTK loads modules with local binding: the count is asked of
// the layer's library directly.
long ModuleLiveObjects();

// How many PPDs the module's platform layers have read and compiled so far (the compiled-PPD
// cache's count of files made afresh); -1 when it cannot be asked, as for ModuleLiveObjects.
long ModulePpdsCompiled();

// Sends a real key press and release for keyval with the modifier state to widget's toplevel,
// through gtk_main_do_event, as the X server's events arrive: the toplevel hands them to its
// focus widget.
void PressKey(GtkWidget* widget, guint keyval,
              GdkModifierType state = static_cast<GdkModifierType>(0));
// Presses the key of each ASCII character of text in turn.
void TypeKeys(GtkWidget* widget, std::string_view text);

// Saves widget as the X server shows it, once its window is active and painted, as a PNG at
// path; false on failure.
bool SaveWidgetPng(GtkWidget* widget, const std::string& path);

}  // namespace pde::test
