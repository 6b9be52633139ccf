// PrintDialog.h: GTK's print dialog for one file, with the pane as a custom tab for the printers
// the pane serves, printing through GTK's CUPS backend with the pane's options.
#pragma once

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <functional>
#include <memory>
#include <string>

#include "PrinterPane.h"

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
  // The pane's tab page, hidden while no pane is shown (borrowed).
  GtkWidget* tabPage() const { return tabPage_; }
  // The pane of the selected printer; null while the printer has none.
  PrinterPane* pane() const { return pane_.get(); }

 private:
  static void OnPrinterSelected(GObject* dialog, GParamSpec* property, gpointer self);
  static void OnResponse(GtkDialog* dialog, gint response, gpointer self);
  static void OnJobSent(GtkPrintJob* job, gpointer self, const GError* error);

  void SelectPrinter(GtkPrinter* printer);
  void ClosePane();
  void Print();
  void Finish(Outcome outcome);

  std::string file_;
  std::function<void(Outcome)> done_;
  GtkWidget* dialog_ = nullptr;
  GtkWidget* tabPage_ = nullptr;
  GtkWidget* tabLabel_ = nullptr;
  std::string selected_;  // the printer the pane was last opened (or refused) for
  std::unique_ptr<PrinterPane> pane_;
  GtkPrintJob* job_ = nullptr;  // the job being sent
  bool finished_ = false;
};

}  // namespace pde::gtk
