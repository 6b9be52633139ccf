// HostWindow.h: the window of pdehost --gui: the pane, its summary, and Print (or Save) and Cancel.
#pragma once

#include <gtk/gtk.h>

#include <functional>
#include <memory>
#include <string>

#include "DialogSession.h"
#include "PaneView.h"

namespace pde::gtk {

class HostWindow {
 public:
  enum class Outcome { kPrinted, kCancelled };

  // Makes the window (not shown) for a started session, which is borrowed and must outlive the
  // window. With the pane shown, the window holds its widgets and a summary refreshed after every
  // action and run-loop pass; without it, a line saying there is no pane. done is called once:
  // with kPrinted after Print has synchronised the ticket, or with kCancelled for Cancel or when
  // the window is closed or Escape pressed; Return prints. It may destroy the window. The summary
  // keeps room for as many rows as the pane has pop-ups and fields, so the window keeps its size.
  // acceptLabel, when not empty, is the Print button's label instead of GTK's "_Print" (with its
  // mnemonic, in GTK's notation: GTK's "_Save" for a window that saves defaults).
  HostWindow(pdehost::DialogSession* session, std::function<void(Outcome)> done,
             const std::string& acceptLabel = "");
  ~HostWindow();
  HostWindow(const HostWindow&) = delete;
  HostWindow& operator=(const HostWindow&) = delete;

  void Present() { gtk_window_present(GTK_WINDOW(window_)); }

  GtkWidget* window() const { return window_; }
  // The pane's widgets; null when the session shows no pane (borrowed).
  PaneView* view() const { return view_.get(); }
  // The summary as shown, one "title: setting" line per row.
  std::string SummaryText() const { return gtk_label_get_text(GTK_LABEL(summary_)); }
  GtkWidget* printButton() const { return printButton_; }
  GtkWidget* cancelButton() const { return cancelButton_; }

 private:
  static void OnPrint(GtkButton* button, gpointer self);
  static void OnCancel(GtkButton* button, gpointer self);
  static gboolean OnDelete(GtkWidget* window, GdkEvent* event, gpointer self);
  static gboolean OnKeyPress(GtkWidget* window, GdkEventKey* event, gpointer self);

  void ShowSummary();
  void Finish(Outcome outcome);

  pdehost::DialogSession* session_;
  std::function<void(Outcome)> done_;
  GtkWidget* window_ = nullptr;
  GtkWidget* summary_ = nullptr;
  GtkWidget* printButton_ = nullptr;
  GtkWidget* cancelButton_ = nullptr;
  std::unique_ptr<PaneView> view_;
  bool finished_ = false;
};

}  // namespace pde::gtk
