// TimeToTab.cc: the time from a printer selected in GTK's print dialog to the pane's tab shown,
// against the time to GTK's own options for it, for the first dialog of the process and later
// ones, through a relay that holds back each answer of the CUPS server (bench/time-to-tab.sh).
//
// Run by tests/cups/private-cupsd.sh as its test program (CUPS_SERVER, PDE_TEST_CUPS_QUEUE), with
// the build's GTK module in GTK_MODULES. Prints one line a dialog:
//   dialog N gtk MS tab MS
// the milliseconds from the selection to GTK's "details-acquired" for the printer (its options
// built) and to the pane's page made visible.
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "Relay.h"

namespace {

constexpr char kTabTitle[] = "Printer Features";
constexpr int kDialogs = 3;
constexpr auto kPatience = std::chrono::seconds(30);

using Clock = std::chrono::steady_clock;

struct Timing {
  std::string queue;
  Clock::time_point selected, gtkOptions, tab;
  bool haveSelected = false, haveGtk = false, haveTab = false;
};

double Milliseconds(Clock::time_point from, Clock::time_point to) {
  return std::chrono::duration<double, std::milli>(to - from).count();
}

// GTK's own options for the printer are built when the dialog makes it its selected printer,
// once it has the printer's details.
void OnSelected(GObject* dialog, GParamSpec*, gpointer data) {
  auto* timing = static_cast<Timing*>(data);
  GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog));
  if (!timing->haveSelected || timing->haveGtk || printer == nullptr ||
      timing->queue != gtk_printer_get_name(printer))
    return;
  timing->gtkOptions = Clock::now();
  timing->haveGtk = true;
}

// The printer is selected when its row in the dialog's list is (column 1: its name).
void OnRowSelected(GtkTreeSelection* selection, gpointer data) {
  auto* timing = static_cast<Timing*>(data);
  GtkTreeModel* model = nullptr;
  GtkTreeIter row;
  if (timing->haveSelected || !gtk_tree_selection_get_selected(selection, &model, &row)) return;
  gchar* name = nullptr;
  gtk_tree_model_get(model, &row, 1, &name, -1);
  if (name != nullptr && timing->queue == name) {
    timing->selected = Clock::now();
    timing->haveSelected = true;
  }
  g_free(name);
}

void OnPageVisible(GObject* page, GParamSpec*, gpointer data) {
  auto* timing = static_cast<Timing*>(data);
  GtkWidget* notebook = gtk_widget_get_parent(GTK_WIDGET(page));
  const char* title = GTK_IS_NOTEBOOK(notebook) ? gtk_notebook_get_tab_label_text(
                                                      GTK_NOTEBOOK(notebook), GTK_WIDGET(page))
                                                : nullptr;
  if (timing->haveTab || !gtk_widget_get_visible(GTK_WIDGET(page)) || title == nullptr ||
      std::strcmp(title, kTabTitle) != 0)
    return;
  timing->tab = Clock::now();
  timing->haveTab = true;
}

void OnPageAdded(GtkNotebook*, GtkWidget* page, guint, gpointer data) {
  g_signal_connect(page, "notify::visible", G_CALLBACK(OnPageVisible), data);
}

// Watches the printer list's selection and every page of every notebook under widget, and the
// pages added later.
void Watch(GtkWidget* widget, Timing* timing) {
  if (GTK_IS_TREE_VIEW(widget)) {
    g_signal_connect(gtk_tree_view_get_selection(GTK_TREE_VIEW(widget)), "changed",
                     G_CALLBACK(OnRowSelected), timing);
  }
  if (GTK_IS_NOTEBOOK(widget)) {
    g_signal_connect(widget, "page-added", G_CALLBACK(OnPageAdded), timing);
    for (int i = 0; i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(widget)); ++i)
      OnPageAdded(nullptr, gtk_notebook_get_nth_page(GTK_NOTEBOOK(widget), i), 0, timing);
  }
  if (GTK_IS_CONTAINER(widget)) {
    GList* children = gtk_container_get_children(GTK_CONTAINER(widget));
    for (GList* node = children; node != nullptr; node = node->next)
      Watch(GTK_WIDGET(node->data), timing);
    g_list_free(children);
  }
}

// Shows a dialog for queue and waits until both times are known; false at the patience's end.
bool TimeOneDialog(const std::string& queue, Timing* timing) {
  timing->queue = queue;
  GtkWidget* dialog = gtk_print_unix_dialog_new("Time to tab", nullptr);
  GtkPrintSettings* settings = gtk_print_settings_new();
  gtk_print_settings_set_printer(settings, queue.c_str());
  gtk_print_unix_dialog_set_settings(GTK_PRINT_UNIX_DIALOG(dialog), settings);
  g_object_unref(settings);
  g_signal_connect(dialog, "notify::selected-printer", G_CALLBACK(OnSelected), timing);
  Watch(dialog, timing);
  gtk_widget_show(dialog);
  const auto end = Clock::now() + kPatience;
  while (!(timing->haveGtk && timing->haveTab) && Clock::now() < end)
    g_main_context_iteration(nullptr, TRUE);
  const bool timed = timing->haveSelected && timing->haveGtk && timing->haveTab;
  gtk_widget_destroy(dialog);
  // Lets the dialog's backends and the pane go before the next one.
  const auto settle = Clock::now() + std::chrono::milliseconds(300);
  while (Clock::now() < settle) g_main_context_iteration(nullptr, FALSE);
  return timed;
}

}  // namespace

int main(int argc, char** argv) {
  const char* server = std::getenv("CUPS_SERVER");
  const char* queue = std::getenv("PDE_TEST_CUPS_QUEUE");
  if (server == nullptr || queue == nullptr) {
    std::fprintf(stderr, "time-to-tab: needs the private server of tests/cups/private-cupsd.sh\n");
    return 2;
  }
  const pde::test::Relay relay(pde::test::RelayMode::kDelay, server);
  if (relay.address().empty()) return 1;
  setenv("CUPS_SERVER", relay.address().c_str(), 1);
  gtk_init(&argc, &argv);
  for (int i = 1; i <= kDialogs; ++i) {
    Timing timing;
    if (!TimeOneDialog(queue, &timing)) {
      std::fprintf(stderr, "time-to-tab: dialog %d: selected %d, GTK's options %d, tab %d\n", i,
                   timing.haveSelected, timing.haveGtk, timing.haveTab);
      return 1;
    }
    std::printf("dialog %d gtk %.3f tab %.3f\n", i,
                Milliseconds(timing.selected, timing.gtkOptions),
                Milliseconds(timing.selected, timing.tab));
  }
  return 0;
}
