// PrintDialog.h: pdeprint's dialog: GTK's print dialog for one file, printing through GTK's CUPS
// backend. The pane's tab comes from the same integration the GTK module installs (PaneTab), with
// pdeprint's saved settings of each queue laid over GTK's starting values.
#pragma once

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <functional>
#include <memory>
#include <string>

#include "PaneTab.h"

namespace pde::gtk {

class PrintDialog {
 public:
  // How a dialog ended.
  enum class Outcome { kPrinted, kCancelled, kFailed };

  // Makes the dialog for file (not shown yet). printer, when not empty, is the printer to select
  // first. done is called once, when the dialog was cancelled or the job has gone to the printer
  // (or failed to); it may destroy the dialog.
  PrintDialog(std::string file, const std::string& printer, std::function<void(Outcome)> done);
  // Terminates the pane and destroys the dialog.
  ~PrintDialog();
  PrintDialog(const PrintDialog&) = delete;
  PrintDialog& operator=(const PrintDialog&) = delete;

  // Shows the dialog.
  void Present();

  // The GtkPrintUnixDialog (borrowed).
  GtkWidget* dialog() const { return dialog_; }
  // The pane's tab page, hidden while no pane is shown (borrowed); null without the tab.
  GtkWidget* tabPage() const;
  // The pane of the selected printer; null while the printer has none.
  PrinterPane* pane() const;
  // True while the tab fetches the selected printer's PPD.
  bool fetching() const;
  // The CUPS job ID of the job printed, once done reported kPrinted; 0 when it is not known.
  int jobId() const { return jobId_; }
  // The queue the job went to.
  const std::string& queue() const { return queue_; }

 private:
  static void OnResponse(GtkDialog* dialog, gint response, gpointer self);
  static void OnJobSent(GtkPrintJob* job, gpointer self, const GError* error);

  void Print();
  void Finish(Outcome outcome);

  std::string file_;
  std::function<void(Outcome)> done_;
  GtkWidget* dialog_ = nullptr;
  GtkPrintJob* job_ = nullptr;  // the job being sent
  std::string title_;           // the job's title
  std::string queue_;
  int jobId_ = 0;
  bool finished_ = false;
};

}  // namespace pde::gtk
