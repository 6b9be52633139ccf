// PrintIntegration.cc: the process-wide hooks that attach the pane's tab to print dialogs and
// carry the pane's options into the job, and nowhere else.
#include "PrintIntegration.h"

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <deque>
#include <utility>

#include "GtkPrintInternals.h"
#include "PaneTab.h"
#include "SavedSettings.h"
#include "pde/CFHost.h"

namespace pde::gtk {
namespace {

// How many answers' options are kept. An application may print an answer much later (a portal
// service sends the job when the application has rendered it) or print it again.
constexpr size_t kKeptAnswers = 32;

struct KeptOptions {
  std::string marker;
  std::string queue;
  pdehost::OptionMap options;
};

struct State {
  bool installed = false;
  PrintIntegration integration;
  std::deque<KeptOptions> jobOptions;  // the newest answer last
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
  GtkPrintSettings* settings = gtk_print_job_get_settings(job);
  const std::string markerKey = std::string("cups-") + kAnswerMarkerKeyword;
  const char* carried = gtk_print_settings_get(settings, markerKey.c_str());
  if (carried == nullptr) return TRUE;
  const std::string marker = carried;
  gtk_print_settings_unset(settings, markerKey.c_str());
  GtkPrinter* printer = gtk_print_job_get_printer(job);
  if (marker.empty() || printer == nullptr || !internals::IsCupsPrinter(printer)) return TRUE;
  for (const KeptOptions& kept : Global().jobOptions) {
    if (kept.marker != marker) continue;
    if (kept.queue != gtk_printer_get_name(printer)) {
      Note("a job to \"" + std::string(gtk_printer_get_name(printer)) +
           "\" carries the answer of a dialog for \"" + kept.queue +
           "\": the pane's options stay out");
      break;
    }
    for (const auto& [keyword, value] : kept.options)
      gtk_print_settings_set(settings, ("cups-" + keyword).c_str(), value.c_str());
    break;
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
  const GType types[] = {GTK_TYPE_PRINT_UNIX_DIALOG, GTK_TYPE_PRINT_JOB};
  for (GType type : types) g_type_class_unref(g_type_class_ref(type));
  AddHook(GTK_TYPE_WIDGET, "show", OnShow);
  AddHook(GTK_TYPE_DIALOG, "response", OnResponse);
  AddHook(GTK_TYPE_PRINT_JOB, "status-changed", OnJobStatus);
  state.installed = true;
  return true;
}

const PrintIntegration& Integration() {
  return Global().integration;
}

void Note(const std::string& line) {
  if (Global().integration.note) Global().integration.note(line);
}

void KeepJobOptions(const std::string& marker, const std::string& queue,
                    const pdehost::OptionMap& options) {
  auto& kept = Global().jobOptions;
  if (kept.size() == kKeptAnswers) {
    Wipe(&kept.front().options);
    kept.pop_front();
  }
  kept.push_back({marker, queue, options});
}

void RouteConsoleToDebugLog() {
  pde::SetConsoleSink(ConsoleLineToDebugLog);
}

}  // namespace pde::gtk
