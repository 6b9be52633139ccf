// PrintDialog.cc: the print dialog, its pane tab that follows the selected printer, and printing.
#include "PrintDialog.h"

#include <iostream>
#include <utility>

#include "SavedSettings.h"
#include "pde/EscapedText.h"

namespace pde::gtk {
namespace {

// GTK's print backends are loadable modules; the CUPS one names its printers by queue.
bool IsCupsPrinter(GtkPrinter* printer) {
  GtkPrintBackend* backend = gtk_printer_get_backend(printer);
  return backend != nullptr && g_str_equal(G_OBJECT_TYPE_NAME(backend), "GtkPrintBackendCups");
}

void Say(const std::string& message) {
  std::cerr << "pdeprint: " << pde::EscapeBytes(message) << "\n";
}

}  // namespace

PrintDialog::PrintDialog(std::string file, const std::string& printer,
                         std::function<void(Outcome)> done)
    : file_(std::move(file)), done_(std::move(done)) {
  gchar* base = g_path_get_basename(file_.c_str());
  dialog_ = gtk_print_unix_dialog_new(base, nullptr);
  g_free(base);
  g_object_ref_sink(dialog_);
  tabPage_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 0);
  gtk_container_set_border_width(GTK_CONTAINER(tabPage_), 12);
  tabLabel_ = gtk_label_new("");
  gtk_print_unix_dialog_add_custom_tab(GTK_PRINT_UNIX_DIALOG(dialog_), tabPage_, tabLabel_);
  gtk_widget_hide(tabPage_);
  if (!printer.empty()) {
    GtkPrintSettings* settings = gtk_print_settings_new();
    gtk_print_settings_set_printer(settings, printer.c_str());
    gtk_print_unix_dialog_set_settings(GTK_PRINT_UNIX_DIALOG(dialog_), settings);
    g_object_unref(settings);
  }
  g_signal_connect(dialog_, "notify::selected-printer", G_CALLBACK(OnPrinterSelected), this);
  g_signal_connect(dialog_, "response", G_CALLBACK(OnResponse), this);
}

PrintDialog::~PrintDialog() {
  g_signal_handlers_disconnect_by_data(dialog_, this);
  ClosePane();
  if (job_ != nullptr) g_object_unref(job_);
  gtk_widget_destroy(dialog_);
  g_object_unref(dialog_);
}

void PrintDialog::Present() {
  gtk_window_present(GTK_WINDOW(dialog_));
}

void PrintDialog::OnPrinterSelected(GObject* dialog, GParamSpec*, gpointer self) {
  static_cast<PrintDialog*>(self)->SelectPrinter(
      gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog)));
}

void PrintDialog::SelectPrinter(GtkPrinter* printer) {
  const std::string name = printer != nullptr ? gtk_printer_get_name(printer) : "";
  if (name == selected_) return;  // the same printer again, its details updated
  ClosePane();
  selected_ = name;
  if (printer == nullptr) return;
  if (!IsCupsPrinter(printer)) {
    Say("\"" + name + "\" is not a CUPS queue; the dialog goes on without the pane");
    return;
  }
  pdehost::SettingList preset;
  std::string why;
  if (!LoadSavedSettings(name, &preset, &why)) {
    Say("the saved settings are not used: " + why);
    preset.clear();
  }
  pane_ = PrinterPane::Open(name, preset, &why);
  if (!pane_) {
    Say("no pane for printer \"" + name + "\": " + why);
    return;
  }
  gtk_label_set_text(GTK_LABEL(tabLabel_), pane_->title().c_str());
  gtk_box_pack_start(GTK_BOX(tabPage_), pane_->view().widget(), FALSE, FALSE, 0);
  gtk_widget_show(tabPage_);
}

void PrintDialog::ClosePane() {
  if (!pane_) return;
  gtk_widget_hide(tabPage_);
  pane_.reset();
}

void PrintDialog::OnResponse(GtkDialog*, gint response, gpointer self) {
  auto* dialog = static_cast<PrintDialog*>(self);
  gtk_widget_hide(dialog->dialog_);
  if (response == GTK_RESPONSE_OK) {
    dialog->Print();
  } else {
    dialog->Finish(Outcome::kCancelled);
  }
}

void PrintDialog::Print() {
  GtkPrintUnixDialog* dialog = GTK_PRINT_UNIX_DIALOG(dialog_);
  GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(dialog);
  if (printer == nullptr) {
    Say("no printer is selected");
    Finish(Outcome::kFailed);
    return;
  }
  GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(dialog);
  if (pane_) {
    pdehost::OptionMap options;
    std::string error;
    if (!pane_->CollectOptions(&options, &error)) {
      Say("the pane's options are not printed: " + error);
    } else {
      for (const auto& [keyword, value] : options) {
        gtk_print_settings_set(settings, ("cups-" + keyword).c_str(), value.c_str());
      }
      if (!SaveSettings(pane_->queue(), options, &error))
        Say("the settings are not saved: " + error);
    }
  }
  gchar* title = g_path_get_basename(file_.c_str());
  GtkPrintJob* job =
      gtk_print_job_new(title, printer, settings, gtk_print_unix_dialog_get_page_setup(dialog));
  g_free(title);
  g_object_unref(settings);
  GError* error = nullptr;
  if (!gtk_print_job_set_source_file(job, file_.c_str(), &error)) {
    Say(std::string("cannot print ") + file_ + ": " + error->message);
    g_error_free(error);
    g_object_unref(job);
    Finish(Outcome::kFailed);
    return;
  }
  job_ = job;
  gtk_print_job_send(job, &PrintDialog::OnJobSent, this, nullptr);
}

void PrintDialog::OnJobSent(GtkPrintJob*, gpointer self, const GError* error) {
  auto* dialog = static_cast<PrintDialog*>(self);
  g_clear_object(&dialog->job_);
  if (error != nullptr) {
    Say(std::string("the job was not printed: ") + error->message);
    dialog->Finish(Outcome::kFailed);
  } else {
    dialog->Finish(Outcome::kPrinted);
  }
}

void PrintDialog::Finish(Outcome outcome) {
  if (finished_) return;
  finished_ = true;
  if (done_) done_(outcome);
}

}  // namespace pde::gtk
