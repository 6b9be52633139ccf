// HostWindow.cc: pdehost's window: the pane in GTK widgets, the summary below, the two buttons.
#include "HostWindow.h"

#include <algorithm>
#include <utility>

#include "pde/ToolkitHost.h"

namespace pde::gtk {

namespace {

// The most rows the pane's summary can have: one per pop-up or field.
int MostSummaryRows(WindowRef window) {
  const std::vector<ControlSnapshot> controls = SnapshotWindow(window);
  return static_cast<int>(std::count_if(controls.begin(), controls.end(), [](const auto& control) {
    return control.kind == ControlKind::kPopupButton || control.kind == ControlKind::kEditText;
  }));
}

// Keeps room in label for rows lines of text, so that the window keeps its size while the rows
// come and go.
void ReserveRows(GtkWidget* label, int rows) {
  std::string lines = "X";
  for (int i = 1; i < rows; ++i) lines += "\nX";
  gtk_label_set_text(GTK_LABEL(label), lines.c_str());
  gtk_widget_show(label);  // a hidden widget asks for no room at all
  int height = 0;
  gtk_widget_get_preferred_height(label, nullptr, &height);
  gtk_widget_set_size_request(label, -1, height);
  gtk_label_set_yalign(GTK_LABEL(label), 0.0F);
  gtk_label_set_text(GTK_LABEL(label), "");
}

}  // namespace

HostWindow::HostWindow(pdehost::DialogSession* session, std::function<void(Outcome)> done,
                       const std::string& acceptLabel)
    : session_(session), done_(std::move(done)) {
  window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
  g_object_ref_sink(window_);
  const std::string title = session_->title().empty() ? "pdehost" : "pdehost: " + session_->title();
  gtk_window_set_title(GTK_WINDOW(window_), title.c_str());
  GtkWidget* column = gtk_box_new(GTK_ORIENTATION_VERTICAL, 12);
  gtk_container_set_border_width(GTK_CONTAINER(column), 12);
  gtk_container_add(GTK_CONTAINER(window_), column);

  GtkWidget* frame = gtk_frame_new(session_->title().empty() ? nullptr : session_->title().c_str());
  gtk_box_pack_start(GTK_BOX(column), frame, FALSE, FALSE, 0);
  // The buttons speak the pane's language in GTK's own words, from GTK's translations; the pane
  // leaves their mnemonics to them.
  const std::string cancel = g_dgettext("gtk30", "_Cancel");
  const std::string print = acceptLabel.empty() ? g_dgettext("gtk30", "_Print") : acceptLabel;
  if (session_->paneShown()) view_ = PaneView::Create(session_->window(), {cancel, print});
  if (view_) {
    gtk_container_add(GTK_CONTAINER(frame), view_->widget());
  } else {
    gtk_container_add(GTK_CONTAINER(frame), gtk_label_new("(no pane)"));
  }

  summary_ = gtk_label_new("");
  gtk_label_set_xalign(GTK_LABEL(summary_), 0.0F);
  gtk_label_set_selectable(GTK_LABEL(summary_), TRUE);
  gtk_box_pack_start(GTK_BOX(column), summary_, FALSE, FALSE, 0);
  if (view_) ReserveRows(summary_, MostSummaryRows(session_->window()));

  GtkWidget* buttons = gtk_button_box_new(GTK_ORIENTATION_HORIZONTAL);
  gtk_button_box_set_layout(GTK_BUTTON_BOX(buttons), GTK_BUTTONBOX_END);
  gtk_box_set_spacing(GTK_BOX(buttons), 6);
  cancelButton_ = gtk_button_new_with_mnemonic(cancel.c_str());
  printButton_ = gtk_button_new_with_mnemonic(print.c_str());
  gtk_container_add(GTK_CONTAINER(buttons), cancelButton_);
  gtk_container_add(GTK_CONTAINER(buttons), printButton_);
  gtk_box_pack_end(GTK_BOX(column), buttons, FALSE, FALSE, 0);
  gtk_widget_set_can_default(printButton_, TRUE);
  gtk_window_set_default(GTK_WINDOW(window_), printButton_);

  g_signal_connect(printButton_, "clicked", G_CALLBACK(OnPrint), this);
  g_signal_connect(cancelButton_, "clicked", G_CALLBACK(OnCancel), this);
  g_signal_connect(window_, "delete-event", G_CALLBACK(OnDelete), this);
  g_signal_connect(window_, "key-press-event", G_CALLBACK(OnKeyPress), this);
  if (view_) view_->SetRefreshListener([this] { ShowSummary(); });
  ShowSummary();
  gtk_widget_show_all(window_);
}

HostWindow::~HostWindow() {
  g_signal_handlers_disconnect_by_data(printButton_, this);
  g_signal_handlers_disconnect_by_data(cancelButton_, this);
  g_signal_handlers_disconnect_by_data(window_, this);
  view_.reset();
  gtk_widget_destroy(window_);
  g_object_unref(window_);
}

void HostWindow::ShowSummary() {
  pdehost::SummaryRows rows;
  std::string text;
  if (session_->paneShown() && session_->Summary(&rows) == noErr) {
    for (const auto& [title, setting] : rows)
      text += (text.empty() ? "" : "\n") + title + ": " + setting;
  }
  if (text != gtk_label_get_text(GTK_LABEL(summary_)))
    gtk_label_set_text(GTK_LABEL(summary_), text.c_str());
}

void HostWindow::OnPrint(GtkButton*, gpointer self) {
  auto* host = static_cast<HostWindow*>(self);
  if (host->finished_) return;
  host->session_->Sync(false);
  host->Finish(Outcome::kPrinted);
}

void HostWindow::OnCancel(GtkButton*, gpointer self) {
  static_cast<HostWindow*>(self)->Finish(Outcome::kCancelled);
}

gboolean HostWindow::OnKeyPress(GtkWidget*, GdkEventKey* event, gpointer self) {
  auto* host = static_cast<HostWindow*>(self);
  switch (event->keyval) {
    case GDK_KEY_Escape:
      host->Finish(Outcome::kCancelled);
      return TRUE;
    case GDK_KEY_Return:
    case GDK_KEY_KP_Enter:
    case GDK_KEY_ISO_Enter:
      gtk_button_clicked(GTK_BUTTON(host->printButton_));
      return TRUE;
    default:
      return FALSE;
  }
}

gboolean HostWindow::OnDelete(GtkWidget*, GdkEvent*, gpointer self) {
  static_cast<HostWindow*>(self)->Finish(Outcome::kCancelled);
  return TRUE;  // the window goes with its owner
}

void HostWindow::Finish(Outcome outcome) {
  if (finished_) return;
  finished_ = true;
  gtk_widget_hide(window_);
  if (done_) done_(outcome);
}

}  // namespace pde::gtk
