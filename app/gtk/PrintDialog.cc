// PrintDialog.cc: pdeprint's print dialog and its printing through a GtkPrintJob.
#include "PrintDialog.h"

#include <iostream>
#include <utility>

#include "PrintIntegration.h"
#include "SavedSettings.h"
#include "pde/EscapedText.h"
#include "pde/cups/CupsQueue.h"

namespace pde::gtk {
namespace {

void Say(const std::string& message) {
  std::cerr << "pdeprint: " << pde::EscapeBytes(message) << "\n";
}

// The pane in pdeprint's dialogs: notes on standard error, each queue's saved settings over GTK's
// starting values, and the settings saved again when Print is pressed.
void InstallPdeprintIntegration() {
  PrintIntegration integration;
  integration.note = Say;
  integration.presetFor = [](const std::string& queue) {
    pdehost::SettingList preset;
    std::string why;
    if (!LoadSavedSettings(queue, &preset, &why)) {
      Say("the saved settings are not used: " + why);
      preset.clear();
    }
    return preset;
  };
  integration.printed = [](const std::string& queue, const pdehost::OptionMap& options) {
    std::string error;
    if (!SaveSettings(queue, options, &error)) Say("the settings are not saved: " + error);
  };
  std::string why;
  if (!InstallPrintIntegration(std::move(integration), &why))
    Say("the dialog goes on without the pane: " + why);
}

// The newest job of this user on queue with title: GTK's CUPS backend keeps the ID it got.

}  // namespace

PrintDialog::PrintDialog(std::string file, const std::string& printer,
                         std::function<void(Outcome)> done)
    : file_(std::move(file)), done_(std::move(done)) {
  gchar* base = g_path_get_basename(file_.c_str());
  dialog_ = gtk_print_unix_dialog_new(base, nullptr);
  g_free(base);
  g_object_ref_sink(dialog_);
  InstallPdeprintIntegration();
  if (!printer.empty()) {
    GtkPrintSettings* settings = gtk_print_settings_new();
    gtk_print_settings_set_printer(settings, printer.c_str());
    gtk_print_unix_dialog_set_settings(GTK_PRINT_UNIX_DIALOG(dialog_), settings);
    g_object_unref(settings);
  }
  g_signal_connect(dialog_, "response", G_CALLBACK(OnResponse), this);
}

PrintDialog::~PrintDialog() {
  g_signal_handlers_disconnect_by_data(dialog_, this);
  if (job_ != nullptr) g_object_unref(job_);
  gtk_widget_destroy(dialog_);
  g_object_unref(dialog_);
}

void PrintDialog::Present() {
  gtk_window_present(GTK_WINDOW(dialog_));
}

GtkWidget* PrintDialog::tabPage() const {
  PaneTab* tab = PaneTab::For(dialog_);
  return tab != nullptr ? tab->page() : nullptr;
}

bool PrintDialog::fetching() const {
  PaneTab* tab = PaneTab::For(dialog_);
  return tab != nullptr && tab->fetching();
}

PrinterPane* PrintDialog::pane() const {
  PaneTab* tab = PaneTab::For(dialog_);
  return tab != nullptr ? tab->pane() : nullptr;
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
  // The pane's options, DIN included, join the job's own settings as it is sent.
  GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(dialog);
  gchar* title = g_path_get_basename(file_.c_str());
  title_ = title;
  queue_ = gtk_printer_get_name(printer);
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
    std::string why;
    dialog->jobId_ = pde::cups::FindNewestJob(dialog->queue_, dialog->title_, &why);
    if (!why.empty()) Say("the job was sent, but its number is not known: " + why);
    dialog->Finish(Outcome::kPrinted);
  }
}

void PrintDialog::Finish(Outcome outcome) {
  if (finished_) return;
  finished_ = true;
  if (done_) done_(outcome);
}

}  // namespace pde::gtk
