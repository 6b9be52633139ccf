// PaneView.h: GTK 3 widgets that show a toolkit window's controls and act on them as the user.
//
// The toolkit model stays the single source of truth. Keys pressed in an entry go to the model as
// raw key events (its key filters decide), a combo choice goes through the model's choose action,
// clicks and selections in an entry set the model's focus and selection, and a paste replaces the
// model's selection; after every action and every run-loop pass the widgets are refreshed from
// the model: texts, selections, pop-up values, enabling and focus. The widgets never edit their
// own text.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "Carbon/Carbon.h"
#include "RunLoopPump.h"
#include "pde/ToolkitHost.h"

namespace pde::gtk {

class PaneView {
 public:
  // Builds the widgets of every control of window: a user pane becomes a GtkGrid, a pop-up
  // button a GtkComboBoxText, an edit field a GtkEntry, a static text a GtkLabel and a group box
  // a GtkFrame. The controls' bounds give their rows and columns (PlaceInGrid) and their least
  // sizes; GTK's natural sizes decide the rest, and labels and controls share a row's baseline.
  // A static text is the mnemonic label of the first control after it in its row: it names
  // that control for assistive technologies, Alt with its mnemonic (the one the label marks, or
  // one chosen for it, unique in the pane: MarkMnemonics) focuses the control, and it is shown
  // insensitive while the control is disabled; the mnemonics that hostLabels mark (the host's
  // own buttons, in GTK's notation) are left to them. A printable key that the model's key
  // filters consume rings the error bell on its entry. window is borrowed and must outlive the
  // view. Returns null for a null window or one without controls.
  static std::unique_ptr<PaneView> Create(WindowRef window,
                                          const std::vector<std::string>& hostLabels = {});

  // Stops the run-loop pump and destroys the widgets (removing the root from its container).
  ~PaneView();
  PaneView(const PaneView&) = delete;
  PaneView& operator=(const PaneView&) = delete;

  // The root widget, to be added to a container (borrowed; the view holds its own reference).
  GtkWidget* widget() const { return root_; }
  // The widget that shows control; null when the view has none for it (borrowed).
  GtkWidget* WidgetFor(ControlRef control) const;
  // The model window shown (borrowed).
  WindowRef window() const { return window_; }

  // Reads every control from the model and updates its widget. Called by the view itself after
  // every action and run-loop pass; a host calls it after acting on the model directly (Sync).
  void Refresh();

  // Called after every refresh, e.g. to redraw a summary. It must not destroy the view.
  void SetRefreshListener(std::function<void()> listener) { listener_ = std::move(listener); }

  // Called, before the refresh that shows it, when the person put text into an edit field: a
  // printable key that the field took (its text or selection changed, so a character typed over
  // the same one counts), or a paste that put at least one digit in. A key that a key filter
  // consumed, a click, a focus change or a Tab is not reported. It must not destroy the view.
  void SetEntryListener(std::function<void(ControlRef field)> listener) {
    entryListener_ = std::move(listener);
  }

 private:
  struct Binding;

  explicit PaneView(WindowRef window);
  void Build(const std::vector<std::string>& hostLabels);
  void AfterAction();
  void ForwardSelection(Binding* binding);
  void RefreshControl(Binding* binding, const ControlSnapshot& snapshot, bool takeFocus);

  static gboolean OnEntryKeyPress(GtkWidget* entry, GdkEventKey* event, gpointer binding);
  static gboolean OnEntryKeyRelease(GtkWidget* entry, GdkEventKey* event, gpointer binding);
  static void OnEntryInsertText(GtkEditable* entry, gchar* text, gint length, gint* position,
                                gpointer binding);
  static void OnEntryDeleteText(GtkEditable* entry, gint start, gint end, gpointer binding);
  static void OnEntrySelectionMoved(GObject* entry, GParamSpec* property, gpointer binding);
  static gboolean OnEntryFocusIn(GtkWidget* entry, GdkEvent* event, gpointer binding);
  static void OnEntryPaste(GtkEntry* entry, gpointer binding);
  static void OnClipboardText(GtkClipboard* clipboard, const gchar* text, gpointer request);
  static void OnEntryCut(GtkEntry* entry, gpointer binding);
  static void OnComboChanged(GtkComboBox* combo, gpointer binding);

  WindowRef window_;
  GtkWidget* root_ = nullptr;
  std::vector<std::unique_ptr<Binding>> bindings_;
  ControlRef shownFocus_ = nullptr;  // the model's focus when last refreshed
  bool updating_ = false;            // true while the view itself writes to its widgets
  std::function<void()> listener_;
  std::function<void(ControlRef)> entryListener_;
  std::unique_ptr<RunLoopPump> pump_;
  // Shared with pending clipboard requests, which find it false once the view is gone.
  std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace pde::gtk
