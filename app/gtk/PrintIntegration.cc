// PrintIntegration.cc: the process-wide hooks that attach the pane's tab to print dialogs and
// carry the pane's options into the job, and nowhere else.
#include "PrintIntegration.h"

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <map>
#include <set>
#include <utility>

#include "GtkPrintInternals.h"
#include "PaneTab.h"
#include "SavedSettings.h"
#include "pde/CFHost.h"

namespace pde::gtk {
namespace {

// How long options wait for their job: the application renders its pages in between.
constexpr guint kJobOptionsSeconds = 300;

struct KeptOptions {
  pdehost::OptionMap options;
  guint expiry = 0;
};

struct State {
  bool installed = false;
  PrintIntegration integration;
  std::map<std::string, KeptOptions> jobOptions;  // by queue
  std::set<std::string> securedQueues;  // queues printed to through a pane in this process
};

State& Global() {
  static State state;
  return state;
}

void Wipe(pdehost::OptionMap* options) {
  for (auto& [keyword, value] : *options) value.assign(value.size(), '\0');
  options->clear();
}

gboolean OnShow(GSignalInvocationHint*, guint, const GValue* values, gpointer) {
  GObject* instance = static_cast<GObject*>(g_value_get_object(&values[0]));
  if (GTK_IS_PRINT_UNIX_DIALOG(instance) && PaneTab::For(GTK_WIDGET(instance)) == nullptr) {
    PaneTab::Attach(GTK_PRINT_UNIX_DIALOG(instance));
  }
  return TRUE;
}

// Runs before the dialog's response handlers (emission hooks precede handlers).
gboolean OnResponse(GSignalInvocationHint*, guint, const GValue* values, gpointer) {
  GObject* instance = static_cast<GObject*>(g_value_get_object(&values[0]));
  if (!GTK_IS_PRINT_UNIX_DIALOG(instance)) return TRUE;
  if (PaneTab* tab = PaneTab::For(GTK_WIDGET(instance)))
    tab->OnResponse(g_value_get_int(&values[1]));
  return TRUE;
}

// The job's own copy of the settings is what GTK's CUPS backend turns into the job's options
// right after this status change.
gboolean OnJobStatus(GSignalInvocationHint*, guint, const GValue* values, gpointer) {
  GObject* instance = static_cast<GObject*>(g_value_get_object(&values[0]));
  if (!GTK_IS_PRINT_JOB(instance)) return TRUE;
  GtkPrintJob* job = GTK_PRINT_JOB(instance);
  if (gtk_print_job_get_status(job) != GTK_PRINT_STATUS_SENDING_DATA) return TRUE;
  GtkPrinter* printer = gtk_print_job_get_printer(job);
  if (printer == nullptr || !internals::IsCupsPrinter(printer)) return TRUE;
  const std::string queue = gtk_printer_get_name(printer);
  auto kept = Global().jobOptions.find(queue);
  if (kept == Global().jobOptions.end()) return TRUE;
  GtkPrintSettings* settings = gtk_print_job_get_settings(job);
  for (const auto& [keyword, value] : kept->second.options) {
    gtk_print_settings_set(settings, ("cups-" + keyword).c_str(), value.c_str());
  }
  ForgetJobOptions(queue);
  return TRUE;
}

// The settings a GtkPrintOperation hands back are the dialog's, which the job has copied by the
// time the operation's status first changes.
gboolean OnOperationStatus(GSignalInvocationHint*, guint, const GValue* values, gpointer) {
  GObject* instance = static_cast<GObject*>(g_value_get_object(&values[0]));
  if (!GTK_IS_PRINT_OPERATION(instance)) return TRUE;
  GtkPrintSettings* settings =
      gtk_print_operation_get_print_settings(GTK_PRINT_OPERATION(instance));
  const char* printer = settings != nullptr ? gtk_print_settings_get_printer(settings) : nullptr;
  if (printer == nullptr || Global().securedQueues.count(printer) == 0) return TRUE;
  for (const std::string& keyword : PaneTab::Keywords()) {
    if (IsSecretKeyword(keyword)) gtk_print_settings_unset(settings, ("cups-" + keyword).c_str());
  }
  return TRUE;
}

void AddHook(GType type, const char* signal, GSignalEmissionHook hook) {
  g_signal_add_emission_hook(g_signal_lookup(signal, type), 0, hook, nullptr, nullptr);
}

void ConsoleLineToDebugLog(const char* line) {
  g_debug("%s", line);
}

}  // namespace

bool InstallPrintIntegration(PrintIntegration integration, std::string* why) {
  State& state = Global();
  state.integration = std::move(integration);
  if (state.installed) return true;
  if (!internals::Available(why)) return false;
  // The classes must exist before their signals can be looked up.
  const GType types[] = {GTK_TYPE_PRINT_UNIX_DIALOG, GTK_TYPE_PRINT_JOB, GTK_TYPE_PRINT_OPERATION};
  for (GType type : types) g_type_class_unref(g_type_class_ref(type));
  AddHook(GTK_TYPE_WIDGET, "show", OnShow);
  AddHook(GTK_TYPE_DIALOG, "response", OnResponse);
  AddHook(GTK_TYPE_PRINT_JOB, "status-changed", OnJobStatus);
  AddHook(GTK_TYPE_PRINT_OPERATION, "status-changed", OnOperationStatus);
  state.installed = true;
  return true;
}

const PrintIntegration& Integration() {
  return Global().integration;
}

void Note(const std::string& line) {
  if (Global().integration.note) Global().integration.note(line);
}

void KeepJobOptions(const std::string& queue, const pdehost::OptionMap& options) {
  ForgetJobOptions(queue);
  KeptOptions& kept = Global().jobOptions[queue];
  kept.options = options;
  auto* name = new std::string(queue);
  kept.expiry = g_timeout_add_seconds_full(
      G_PRIORITY_DEFAULT, kJobOptionsSeconds,
      [](gpointer data) -> gboolean {
        const std::string queueName = *static_cast<std::string*>(data);
        auto kept = Global().jobOptions.find(queueName);
        if (kept != Global().jobOptions.end()) {
          kept->second.expiry = 0;  // this source is ending
          ForgetJobOptions(queueName);
        }
        return G_SOURCE_REMOVE;
      },
      name, [](gpointer data) { delete static_cast<std::string*>(data); });
  Global().securedQueues.insert(queue);
}

void ForgetJobOptions(const std::string& queue) {
  auto kept = Global().jobOptions.find(queue);
  if (kept == Global().jobOptions.end()) return;
  if (kept->second.expiry != 0) g_source_remove(kept->second.expiry);
  Wipe(&kept->second.options);
  Global().jobOptions.erase(kept);
}

void RouteConsoleToDebugLog() {
  pde::SetConsoleSink(ConsoleLineToDebugLog);
}

}  // namespace pde::gtk
