// PaneView.cc: builds GTK widgets for a toolkit window and keeps them in step with the model.
#include "PaneView.h"

#include <algorithm>
#include <string>

#include "KeyMapping.h"
#include "TextOffsets.h"
#include "pde/CFHost.h"

namespace pde::gtk {

struct PaneView::Binding {
  PaneView* view = nullptr;
  ControlRef control = nullptr;
  ControlKind kind = ControlKind::kUserPane;
  GtkWidget* widget = nullptr;  // the widget that shows the control's state
  guint heldKeyval = 0;         // the key down and not yet released, to tell key repeats
};

namespace {

// The style that lets GTK's entries and combo boxes keep the heights of the nib's controls.
constexpr char kPaneStyle[] =
    ".pde-pane entry { min-height: 0; padding-top: 0; padding-bottom: 0; }\n"
    ".pde-pane combobox button { min-height: 0; padding-top: 0; padding-bottom: 0; }\n";

void InstallPaneStyle() {
  static bool installed = false;
  GdkScreen* screen = gdk_screen_get_default();
  if (installed || screen == nullptr) return;
  GtkCssProvider* provider = gtk_css_provider_new();
  if (gtk_css_provider_load_from_data(provider, kPaneStyle, -1, nullptr)) {
    gtk_style_context_add_provider_for_screen(screen, GTK_STYLE_PROVIDER(provider),
                                              GTK_STYLE_PROVIDER_PRIORITY_APPLICATION);
    installed = true;
  }
  g_object_unref(provider);
}

int Width(const Rect& r) {
  return std::max(0, r.right - r.left);
}
int Height(const Rect& r) {
  return std::max(0, r.bottom - r.top);
}

// The widget that shows one control; every mapping of a control kind to a widget is here.
GtkWidget* MakeWidget(const ControlSnapshot& snapshot) {
  switch (snapshot.kind) {
    case ControlKind::kRoot:
    case ControlKind::kUserPane:
      return gtk_fixed_new();
    case ControlKind::kPopupButton: {
      GtkWidget* combo = gtk_combo_box_text_new();
      for (const std::string& item : snapshot.items) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item.c_str());
      }
      return combo;
    }
    case ControlKind::kEditText: {
      GtkWidget* entry = gtk_entry_new();
      gtk_entry_set_width_chars(GTK_ENTRY(entry), 1);
      return entry;
    }
    case ControlKind::kStaticText: {
      GtkWidget* label = gtk_label_new(snapshot.label.c_str());
      gtk_label_set_xalign(GTK_LABEL(label), 0.0F);
      gtk_label_set_ellipsize(GTK_LABEL(label), PANGO_ELLIPSIZE_END);
      return label;
    }
    case ControlKind::kGroupBox:
      return gtk_frame_new(snapshot.label.empty() ? nullptr : snapshot.label.c_str());
  }
  return gtk_fixed_new();
}

// A user pane's container, with the window position of its top-left corner.
struct Container {
  int depth;
  GtkWidget* fixed;
  int left;
  int top;
};

// A clipboard request in flight: the view may be gone when the text arrives.
struct PasteRequest {
  std::shared_ptr<bool> alive;
  void* binding;
};

}  // namespace

std::unique_ptr<PaneView> PaneView::Create(WindowRef window) {
  if (window == nullptr || SnapshotWindow(window).empty()) return nullptr;
  std::unique_ptr<PaneView> view(new PaneView(window));
  view->Build();
  view->Refresh();
  return view;
}

PaneView::PaneView(WindowRef window) : window_(window) {}

PaneView::~PaneView() {
  *alive_ = false;
  pump_.reset();
  // The widgets may already be destroyed with the window they were in; the view's references
  // keep them valid objects until here.
  for (const auto& binding : bindings_)
    g_signal_handlers_disconnect_by_data(binding->widget, binding.get());
  gtk_widget_destroy(root_);
  for (const auto& binding : bindings_) g_object_unref(binding->widget);
  g_object_unref(root_);
}

void PaneView::Build() {
  InstallPaneStyle();
  root_ = gtk_fixed_new();
  g_object_ref_sink(root_);
  gtk_style_context_add_class(gtk_widget_get_style_context(root_), "pde-pane");
  std::vector<Container> containers{{-1, root_, 0, 0}};
  for (const ControlSnapshot& snapshot : SnapshotWindow(window_)) {
    while (containers.back().depth >= snapshot.depth) containers.pop_back();
    const Container& parent = containers.back();
    GtkWidget* widget = MakeWidget(snapshot);
    gtk_widget_set_size_request(widget, Width(snapshot.bounds), Height(snapshot.bounds));
    gtk_fixed_put(GTK_FIXED(parent.fixed), widget, snapshot.bounds.left - parent.left,
                  snapshot.bounds.top - parent.top);
    gtk_widget_show(widget);

    auto binding = std::make_unique<Binding>();
    binding->view = this;
    binding->control = snapshot.control;
    binding->kind = snapshot.kind;
    binding->widget = GTK_WIDGET(g_object_ref(widget));
    Binding* data = binding.get();
    if (snapshot.kind == ControlKind::kEditText) {
      g_signal_connect(widget, "key-press-event", G_CALLBACK(OnEntryKeyPress), data);
      g_signal_connect(widget, "key-release-event", G_CALLBACK(OnEntryKeyRelease), data);
      g_signal_connect(widget, "insert-text", G_CALLBACK(OnEntryInsertText), data);
      g_signal_connect(widget, "delete-text", G_CALLBACK(OnEntryDeleteText), data);
      g_signal_connect(widget, "notify::cursor-position", G_CALLBACK(OnEntrySelectionMoved), data);
      g_signal_connect(widget, "notify::selection-bound", G_CALLBACK(OnEntrySelectionMoved), data);
      g_signal_connect(widget, "focus-in-event", G_CALLBACK(OnEntryFocusIn), data);
      g_signal_connect(widget, "paste-clipboard", G_CALLBACK(OnEntryPaste), data);
      g_signal_connect(widget, "cut-clipboard", G_CALLBACK(OnEntryCut), data);
    } else if (snapshot.kind == ControlKind::kPopupButton) {
      g_signal_connect(widget, "changed", G_CALLBACK(OnComboChanged), data);
    } else if (snapshot.kind == ControlKind::kUserPane) {
      containers.push_back({snapshot.depth, widget, snapshot.bounds.left, snapshot.bounds.top});
    }
    bindings_.push_back(std::move(binding));
  }
  gtk_widget_show(root_);
  pump_ = std::make_unique<RunLoopPump>([this] { Refresh(); });
}

GtkWidget* PaneView::WidgetFor(ControlRef control) const {
  for (const auto& binding : bindings_) {
    if (binding->control == control) return binding->widget;
  }
  return nullptr;
}

void PaneView::Refresh() {
  updating_ = true;
  ControlRef focus = nullptr;
  GetKeyboardFocus(window_, &focus);
  // Focus follows the model when the model moves it, not on every refresh: a click on a combo box
  // takes GTK's focus and leaves the model's where it was.
  const bool focusMoved = focus != shownFocus_;
  shownFocus_ = focus;
  for (const ControlSnapshot& snapshot : SnapshotWindow(window_)) {
    for (const auto& binding : bindings_) {
      if (binding->control == snapshot.control) {
        RefreshControl(binding.get(), snapshot, focusMoved && snapshot.focused);
      }
    }
  }
  updating_ = false;
  if (listener_) listener_();
}

void PaneView::RefreshControl(Binding* binding, const ControlSnapshot& snapshot, bool takeFocus) {
  GtkWidget* widget = binding->widget;
  if (gtk_widget_get_sensitive(widget) != static_cast<gboolean>(snapshot.enabled)) {
    gtk_widget_set_sensitive(widget, snapshot.enabled);
  }
  switch (binding->kind) {
    case ControlKind::kPopupButton: {
      const gint active =
          snapshot.value >= 1 && static_cast<size_t>(snapshot.value) <= snapshot.items.size()
              ? snapshot.value - 1
              : -1;
      if (gtk_combo_box_get_active(GTK_COMBO_BOX(widget)) != active) {
        gtk_combo_box_set_active(GTK_COMBO_BOX(widget), active);
      }
      break;
    }
    case ControlKind::kEditText: {
      GtkEntry* entry = GTK_ENTRY(widget);
      if (takeFocus && gtk_widget_get_mapped(widget) && snapshot.enabled) {
        gtk_entry_grab_focus_without_selecting(entry);
      }
      if (snapshot.text != gtk_entry_get_text(entry))
        gtk_entry_set_text(entry, snapshot.text.c_str());
      const gint start = CharacterOffsetFromUtf16(snapshot.text, snapshot.selection.selStart);
      const gint end = CharacterOffsetFromUtf16(snapshot.text, snapshot.selection.selEnd);
      gint shownStart = 0;
      gint shownEnd = 0;
      if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(entry), &shownStart, &shownEnd)) {
        shownStart = shownEnd = gtk_editable_get_position(GTK_EDITABLE(entry));
      }
      if (shownStart != start || shownEnd != end)
        gtk_editable_select_region(GTK_EDITABLE(entry), start, end);
      break;
    }
    case ControlKind::kStaticText:
      if (snapshot.label != gtk_label_get_text(GTK_LABEL(widget))) {
        gtk_label_set_text(GTK_LABEL(widget), snapshot.label.c_str());
      }
      break;
    case ControlKind::kGroupBox:
    case ControlKind::kUserPane:
    case ControlKind::kRoot:
      break;
  }
}

void PaneView::AfterAction() {
  Refresh();
  pump_->RequestPass();
}

// Gives the model the entry's focus and GTK's selection (converted to UTF-16 units).
void PaneView::ForwardSelection(Binding* binding) {
  GtkEditable* editable = GTK_EDITABLE(binding->widget);
  gint start = 0;
  gint end = 0;
  if (!gtk_editable_get_selection_bounds(editable, &start, &end)) {
    start = end = gtk_editable_get_position(editable);
  }
  const std::string_view text = gtk_entry_get_text(GTK_ENTRY(binding->widget));
  pde::SelectText(binding->control, static_cast<SInt16>(Utf16OffsetFromCharacter(text, start)),
                  static_cast<SInt16>(Utf16OffsetFromCharacter(text, end)));
}

gboolean PaneView::OnEntryKeyPress(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  PaneView* view = binding->view;
  const KeyDecision decision = DecideKey(event->keyval, static_cast<GdkModifierType>(event->state));
  if (decision.route == KeyRoute::kPassToGtk) return FALSE;
  if (decision.route == KeyRoute::kSwallow) return TRUE;

  ControlRef focus = nullptr;
  GetKeyboardFocus(view->window_, &focus);
  if (focus != binding->control) view->ForwardSelection(binding);
  const bool repeat = binding->heldKeyval == event->keyval;
  binding->heldKeyval = event->keyval;
  const OSStatus status =
      pde::TypeKey(view->window_, decision.charCode, repeat, decision.modifiers);
  ControlRef focusAfter = nullptr;
  GetKeyboardFocus(view->window_, &focusAfter);
  view->AfterAction();
  // A tab that left the model's focus where it was moves GTK's focus on, out of the pane; a return
  // that no handler took goes on to the dialog's default button.
  if (decision.charCode == kTabCharCode) return focusAfter != binding->control;
  const bool returnKey =
      decision.charCode == kReturnCharCode || decision.charCode == kEnterCharCode;
  return returnKey && status == eventNotHandledErr ? FALSE : TRUE;
}

gboolean PaneView::OnEntryKeyRelease(GtkWidget*, GdkEventKey* event, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  if (binding->heldKeyval == event->keyval) binding->heldKeyval = 0;
  return FALSE;
}

void PaneView::OnEntryInsertText(GtkEditable* entry, gchar*, gint, gint*, gpointer data) {
  if (!static_cast<Binding*>(data)->view->updating_)
    g_signal_stop_emission_by_name(entry, "insert-text");
}

void PaneView::OnEntryDeleteText(GtkEditable* entry, gint, gint, gpointer data) {
  if (!static_cast<Binding*>(data)->view->updating_)
    g_signal_stop_emission_by_name(entry, "delete-text");
}

void PaneView::OnEntrySelectionMoved(GObject*, GParamSpec*, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  if (binding->view->updating_ || !gtk_widget_is_focus(binding->widget)) return;
  binding->view->ForwardSelection(binding);
  binding->view->AfterAction();
}

gboolean PaneView::OnEntryFocusIn(GtkWidget*, GdkEvent*, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  PaneView* view = binding->view;
  ControlRef focus = nullptr;
  GetKeyboardFocus(view->window_, &focus);
  if (!view->updating_ && focus != binding->control) {
    view->ForwardSelection(binding);
    view->AfterAction();
  }
  return FALSE;
}

void PaneView::OnEntryPaste(GtkEntry* entry, gpointer data) {
  g_signal_stop_emission_by_name(entry, "paste-clipboard");
  auto* binding = static_cast<Binding*>(data);
  auto* request = new PasteRequest{binding->view->alive_, binding};
  gtk_clipboard_request_text(gtk_widget_get_clipboard(GTK_WIDGET(entry), GDK_SELECTION_CLIPBOARD),
                             &PaneView::OnClipboardText, request);
}

void PaneView::OnClipboardText(GtkClipboard*, const gchar* text, gpointer data) {
  std::unique_ptr<PasteRequest> request(static_cast<PasteRequest*>(data));
  if (!*request->alive || text == nullptr) return;
  auto* binding = static_cast<Binding*>(request->binding);
  PaneView* view = binding->view;
  ControlRef focus = nullptr;
  GetKeyboardFocus(view->window_, &focus);
  if (focus != binding->control) view->ForwardSelection(binding);
  if (CFPtr<CFStringRef> pasted = MakeString(text)) pde::PasteText(binding->control, pasted.get());
  view->AfterAction();
}

void PaneView::OnEntryCut(GtkEntry* entry, gpointer data) {
  g_signal_stop_emission_by_name(entry, "cut-clipboard");
  auto* binding = static_cast<Binding*>(data);
  PaneView* view = binding->view;
  gint start = 0;
  gint end = 0;
  if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(entry), &start, &end)) return;
  gtk_editable_copy_clipboard(GTK_EDITABLE(entry));
  ControlRef focus = nullptr;
  GetKeyboardFocus(view->window_, &focus);
  if (focus != binding->control) view->ForwardSelection(binding);
  // The model deletes its selection as the Delete key does; its key filters see the key.
  pde::TypeKey(view->window_, kDeleteCharCode);
  view->AfterAction();
}

void PaneView::OnComboChanged(GtkComboBox* combo, gpointer data) {
  auto* binding = static_cast<Binding*>(data);
  if (binding->view->updating_) return;
  const gint active = gtk_combo_box_get_active(combo);
  if (active < 0) return;
  pde::ChoosePopupItem(binding->control, active + 1);
  binding->view->AfterAction();
}

}  // namespace pde::gtk
