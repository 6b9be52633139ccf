// PaneView.cc: builds GTK widgets for a toolkit window and keeps them in step with the model.
#include "PaneView.h"

#include <algorithm>
#include <climits>
#include <string>

#include "KeyMapping.h"
#include "Mnemonics.h"
#include "PaneLayout.h"
#include "TextOffsets.h"
#include "pde/CFHost.h"

namespace pde::gtk {

struct PaneView::Binding {
  PaneView* view = nullptr;
  ControlRef control = nullptr;
  ControlKind kind = ControlKind::kUserPane;
  GtkWidget* widget = nullptr;  // the widget that shows the control's state
  GtkWidget* label = nullptr;   // a control's label, shown insensitive with it (borrowed)
  GtkWidget* named = nullptr;   // a label's control, which it names and focuses (borrowed)
  std::string text;             // a label's text as the model gave it, mnemonic marks included
  guint heldKeyval = 0;         // the key down and not yet released, to tell key repeats
};

namespace {

// GTK's spacing between a label and its control, and between rows of controls.
constexpr int kColumnSpacing = 12;
constexpr int kRowSpacing = 6;
// Nib units per character of an edit field, for its natural width in characters: the natural
// width then grows with the font, where the nib's width stays the least one.
constexpr int kUnitsPerCharacter = 10;

int Width(const Rect& r) {
  return std::max(0, r.right - r.left);
}

// The widget that shows one control; every mapping of a control kind to a widget is here.
// label is a static text's label in GTK's mnemonic notation.
GtkWidget* MakeWidget(const ControlSnapshot& snapshot, const std::string& label) {
  switch (snapshot.kind) {
    case ControlKind::kRoot:
    case ControlKind::kUserPane: {
      GtkWidget* grid = gtk_grid_new();
      gtk_grid_set_column_spacing(GTK_GRID(grid), kColumnSpacing);
      gtk_grid_set_row_spacing(GTK_GRID(grid), kRowSpacing);
      return grid;
    }
    case ControlKind::kPopupButton: {
      GtkWidget* combo = gtk_combo_box_text_new();
      for (const std::string& item : snapshot.items) {
        gtk_combo_box_text_append_text(GTK_COMBO_BOX_TEXT(combo), item.c_str());
      }
      gtk_widget_set_valign(combo, GTK_ALIGN_CENTER);
      return combo;
    }
    case ControlKind::kEditText: {
      GtkWidget* entry = gtk_entry_new();
      gtk_entry_set_width_chars(GTK_ENTRY(entry),
                                std::max(1, Width(snapshot.bounds) / kUnitsPerCharacter));
      gtk_widget_set_halign(entry, GTK_ALIGN_START);
      gtk_widget_set_valign(entry, GTK_ALIGN_CENTER);
      return entry;
    }
    case ControlKind::kStaticText: {
      GtkWidget* text = gtk_label_new_with_mnemonic(label.c_str());
      gtk_label_set_xalign(GTK_LABEL(text), 0.0F);
      gtk_widget_set_valign(text, GTK_ALIGN_CENTER);
      return text;
    }
    case ControlKind::kGroupBox:
      return gtk_frame_new(snapshot.label.empty() ? nullptr : snapshot.label.c_str());
  }
  return gtk_grid_new();
}

bool TakesInput(ControlKind kind) {
  return kind == ControlKind::kPopupButton || kind == ControlKind::kEditText;
}

// Puts label and its control on one baseline: GTK's own where the control has one (an entry);
// a combo box reports none, but centres its text as a label does, so centring both lines the
// texts up as well.
void AlignWithLabel(GtkWidget* label, GtkWidget* control) {
  const GtkAlign align = GTK_IS_ENTRY(control) ? GTK_ALIGN_BASELINE : GTK_ALIGN_CENTER;
  gtk_widget_set_valign(label, align);
  gtk_widget_set_valign(control, align);
}

// Names control after label for assistive technologies: its accessible name is the label's
// text, and the label its "labelled-by" relation (GTK adds it for a mnemonic label).
void NameControl(GtkWidget* label, GtkWidget* control) {
  gtk_label_set_mnemonic_widget(GTK_LABEL(label), control);
  atk_object_set_name(gtk_widget_get_accessible(control), gtk_label_get_text(GTK_LABEL(label)));
}

// A clipboard request in flight: the view may be gone when the text arrives.
struct PasteRequest {
  std::shared_ptr<bool> alive;
  void* binding;
};

}  // namespace

std::unique_ptr<PaneView> PaneView::Create(WindowRef window,
                                           const std::vector<std::string>& hostLabels) {
  if (window == nullptr || SnapshotWindow(window).empty()) return nullptr;
  std::unique_ptr<PaneView> view(new PaneView(window));
  view->Build(hostLabels);
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

void PaneView::Build(const std::vector<std::string>& hostLabels) {
  const std::vector<ControlSnapshot> snapshots = SnapshotWindow(window_);
  // The labels of the whole pane, with their mnemonics chosen together so that none repeats.
  std::vector<std::string> labels;
  for (const ControlSnapshot& snapshot : snapshots) {
    if (snapshot.kind == ControlKind::kStaticText) labels.push_back(snapshot.label);
  }
  labels = MarkMnemonics(labels, hostLabels);
  size_t nextLabel = 0;

  root_ = MakeWidget(ControlSnapshot{}, {});
  g_object_ref_sink(root_);
  // Each container's children, by index into snapshots; the root's are under kRootIndex.
  const size_t kRootIndex = snapshots.size();
  std::vector<std::vector<size_t>> children(snapshots.size() + 1);
  std::vector<size_t> containers{kRootIndex};
  for (size_t i = 0; i < snapshots.size(); ++i) {
    const ControlSnapshot& snapshot = snapshots[i];
    while (containers.back() != kRootIndex && snapshots[containers.back()].depth >= snapshot.depth)
      containers.pop_back();
    children[containers.back()].push_back(i);
    if (snapshot.kind == ControlKind::kUserPane) containers.push_back(i);

    const std::string label =
        snapshot.kind == ControlKind::kStaticText ? labels[nextLabel++] : std::string();
    GtkWidget* widget = MakeWidget(snapshot, label);
    // The nib's width is the least the widget takes; GTK's natural size decides the rest. The
    // height is GTK's alone: a widget with a height request has no baseline to align.
    gtk_widget_set_size_request(widget, Width(snapshot.bounds), -1);
    gtk_widget_show(widget);

    auto binding = std::make_unique<Binding>();
    binding->view = this;
    binding->control = snapshot.control;
    binding->kind = snapshot.kind;
    binding->widget = GTK_WIDGET(g_object_ref(widget));
    binding->text = snapshot.label;
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
    }
    bindings_.push_back(std::move(binding));
  }

  for (size_t container = 0; container < children.size(); ++container) {
    const std::vector<size_t>& members = children[container];
    if (members.empty()) continue;
    GtkWidget* grid = container == kRootIndex ? root_ : bindings_[container]->widget;
    std::vector<Rect> bounds;
    std::vector<bool> spans;
    for (size_t i : members) {
      bounds.push_back(snapshots[i].bounds);
      spans.push_back(snapshots[i].kind == ControlKind::kGroupBox);
    }
    const std::vector<GridPlace> places = PlaceInGrid(bounds, spans);
    for (size_t m = 0; m < members.size(); ++m) {
      const GridPlace& place = places[m];
      gtk_grid_attach(GTK_GRID(grid), bindings_[members[m]]->widget, place.column, place.row,
                      place.columnSpan, place.rowSpan);
    }
    // A label names the first control after it in its row.
    for (size_t m = 0; m < members.size(); ++m) {
      Binding* label = bindings_[members[m]].get();
      if (label->kind != ControlKind::kStaticText) continue;
      Binding* named = nullptr;
      int namedColumn = INT_MAX;
      for (size_t n = 0; n < members.size(); ++n) {
        Binding* candidate = bindings_[members[n]].get();
        if (TakesInput(candidate->kind) && places[n].row == places[m].row &&
            places[n].column > places[m].column && places[n].column < namedColumn) {
          named = candidate;
          namedColumn = places[n].column;
        }
      }
      if (named == nullptr || named->label != nullptr) continue;
      named->label = label->widget;
      label->named = named->widget;
      NameControl(label->widget, named->widget);
      AlignWithLabel(label->widget, named->widget);
    }
    // The pane's margins are the nib's, as the space from its corner to its first controls.
    if (container != kRootIndex) {
      const Rect& pane = snapshots[container].bounds;
      int left = INT_MAX;
      int top = INT_MAX;
      for (const Rect& r : bounds) {
        left = std::min<int>(left, r.left);
        top = std::min<int>(top, r.top);
      }
      gtk_widget_set_margin_start(grid, std::max(0, left - pane.left));
      gtk_widget_set_margin_end(grid, std::max(0, left - pane.left));
      gtk_widget_set_margin_top(grid, std::max(0, top - pane.top));
      gtk_widget_set_margin_bottom(grid, std::max(0, top - pane.top));
    }
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
  // A label is shown insensitive with the control it names.
  if (binding->label != nullptr &&
      gtk_widget_get_sensitive(binding->label) != static_cast<gboolean>(snapshot.enabled)) {
    gtk_widget_set_sensitive(binding->label, snapshot.enabled);
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
      // A label the pane changes keeps the mnemonic it marks, if any, and goes on naming its
      // control.
      if (snapshot.label != binding->text) {
        binding->text = snapshot.label;
        gtk_label_set_text_with_mnemonic(GTK_LABEL(widget), snapshot.label.c_str());
        if (binding->named != nullptr) NameControl(widget, binding->named);
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
  const ControlSnapshot before = SnapshotControl(binding->control);
  const OSStatus status =
      pde::TypeKey(view->window_, decision.charCode, repeat, decision.modifiers);
  // A printable key that the field took changes its text or at least its selection; one that
  // changed neither was consumed by a key filter, and the bell tells the user so.
  if (decision.charCode >= 0x20 && decision.charCode != kDeleteCharCode && status == noErr) {
    const ControlSnapshot after = SnapshotControl(binding->control);
    if (after.text == before.text && after.selection.selStart == before.selection.selStart &&
        after.selection.selEnd == before.selection.selEnd) {
      gtk_widget_error_bell(binding->widget);
    } else if (view->entryListener_) {
      view->entryListener_(binding->control);
    }
  }
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
  CFPtr<CFStringRef> pasted = MakeString(text);
  const bool digits = std::string_view(text).find_first_of("0123456789") != std::string_view::npos;
  if (pasted && pde::PasteText(binding->control, pasted.get()) == noErr && digits &&
      view->entryListener_) {
    view->entryListener_(binding->control);
  }
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
