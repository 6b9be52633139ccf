// GtkPrintInternals.cc: finds GTK 3's PPD option widgets and sets GTK's option values, with every
// undocumented part looked up at run time and checked first.
#include "GtkPrintInternals.h"

#include <dlfcn.h>

#include <cstring>
#include <functional>

namespace pde::gtk::internals {
namespace {

// The start of GTK 3's GtkPrinterOption (gtk/gtkprinteroption.h, unchanged since GTK 2.10).
struct PrinterOptionHead {
  GObject parent;
  char* name;
};

using NewOptionFunction = GObject* (*)(const char* name, const char* displayText, int type);
using SetOptionFunction = void (*)(GObject* option, const char* value);
using ExternalLabelFunction = GtkWidget* (*)(GtkWidget* widget);

struct Internals {
  bool checked = false;
  std::string missing;  // why they are not available; empty when they are
  GType optionWidgetType = 0;
  GType optionType = 0;
  SetOptionFunction setOption = nullptr;
  ExternalLabelFunction externalLabel = nullptr;
};

// Reads the name of an option GTK made itself, to be sure where the field lies.
bool NameLayoutHolds() {
  auto newOption =
      reinterpret_cast<NewOptionFunction>(dlsym(RTLD_DEFAULT, "gtk_printer_option_new"));
  if (newOption == nullptr) return false;
  constexpr char kProbe[] = "cups-PdekitLayoutProbe";
  GObject* option = newOption(kProbe, "Probe", 0);
  if (option == nullptr) return false;
  const char* name = reinterpret_cast<PrinterOptionHead*>(option)->name;
  const bool holds = name != nullptr && std::strcmp(name, kProbe) == 0;
  g_object_unref(option);
  return holds;
}

Internals& Lookup() {
  static Internals internals;
  if (internals.checked) return internals;
  internals.checked = true;
  if (gtk_get_major_version() != 3 || gtk_get_minor_version() != 24) {
    internals.missing = "GTK " + std::to_string(gtk_get_major_version()) + "." +
                        std::to_string(gtk_get_minor_version()) +
                        " is not the 3.24 series whose print dialog was checked";
    return internals;
  }
  internals.setOption =
      reinterpret_cast<SetOptionFunction>(dlsym(RTLD_DEFAULT, "gtk_printer_option_set"));
  internals.externalLabel = reinterpret_cast<ExternalLabelFunction>(
      dlsym(RTLD_DEFAULT, "gtk_printer_option_widget_get_external_label"));
  // The types' exported get_type functions register them; their names are checked too.
  using GetTypeFunction = GType (*)();
  auto typeOf = [](const char* function, const char* name) -> GType {
    auto getType = reinterpret_cast<GetTypeFunction>(dlsym(RTLD_DEFAULT, function));
    if (getType == nullptr) return 0;
    const GType type = getType();
    return g_type_from_name(name) == type ? type : 0;
  };
  internals.optionWidgetType =
      typeOf("gtk_printer_option_widget_get_type", "GtkPrinterOptionWidget");
  internals.optionType = typeOf("gtk_printer_option_get_type", "GtkPrinterOption");
  GParamSpec* source = nullptr;
  if (internals.optionWidgetType != 0) {
    gpointer widgetClass = g_type_class_ref(internals.optionWidgetType);
    source = g_object_class_find_property(G_OBJECT_CLASS(widgetClass), "source");
    g_type_class_unref(widgetClass);
  }
  // In this order: the layout probe makes an option only once its type is known.
  if (internals.setOption == nullptr || internals.externalLabel == nullptr ||
      internals.optionType == 0 || source == nullptr ||
      !g_type_is_a(source->value_type, internals.optionType) || !NameLayoutHolds()) {
    internals.missing = "this GTK's print dialog lacks the option widgets it was checked with";
  }
  return internals;
}

// The PPD keyword of a GTK option name, empty for GTK's own options.
std::string KeywordOf(const char* name) {
  constexpr char kPrefix[] = "cups-";
  if (name == nullptr || std::strncmp(name, kPrefix, sizeof kPrefix - 1) != 0) return "";
  if (!g_utf8_validate(name, -1, nullptr)) return "";
  return name + sizeof kPrefix - 1;
}

void Collect(GtkWidget* widget, const Internals& internals, std::vector<OptionControl>* controls) {
  if (G_TYPE_CHECK_INSTANCE_TYPE(widget, internals.optionWidgetType)) {
    GObject* option = nullptr;
    g_object_get(widget, "source", &option, nullptr);
    if (option == nullptr) return;
    // The widget holds the option for as long as it lives; the pointer stays borrowed.
    g_object_unref(option);
    if (!G_TYPE_CHECK_INSTANCE_TYPE(option, internals.optionType)) return;
    std::string keyword = KeywordOf(reinterpret_cast<PrinterOptionHead*>(option)->name);
    if (keyword.empty()) return;
    controls->push_back({widget, internals.externalLabel(widget), option, std::move(keyword)});
    return;
  }
  if (!GTK_IS_CONTAINER(widget)) return;
  gtk_container_forall(
      GTK_CONTAINER(widget),
      [](GtkWidget* child, gpointer data) {
        auto* found = static_cast<std::vector<OptionControl>*>(data);
        Collect(child, Lookup(), found);
      },
      controls);
}

}  // namespace

bool Available(std::string* why) {
  const Internals& internals = Lookup();
  if (internals.missing.empty()) return true;
  if (why != nullptr) *why = internals.missing;
  return false;
}

std::vector<OptionControl> FindPpdOptionControls(GtkWidget* dialog) {
  std::vector<OptionControl> controls;
  if (!Available(nullptr) || dialog == nullptr) return controls;
  Collect(dialog, Lookup(), &controls);
  return controls;
}

void SetOptionValue(GObject* option, const std::string& value) {
  if (!Available(nullptr) || option == nullptr) return;
  Lookup().setOption(option, value.c_str());
}

unsigned SetPrinterListActivationBlocked(GtkWidget* dialog, bool blocked) {
  const guint rowActivated = g_signal_lookup("row-activated", GTK_TYPE_TREE_VIEW);
  std::vector<GtkWidget*> views;
  std::function<void(GtkWidget*)> collect = [&](GtkWidget* widget) {
    if (GTK_IS_TREE_VIEW(widget)) views.push_back(widget);
    if (!GTK_IS_CONTAINER(widget)) return;
    GList* children = nullptr;
    gtk_container_forall(
        GTK_CONTAINER(widget),
        [](GtkWidget* child, gpointer list) {
          *static_cast<GList**>(list) = g_list_prepend(*static_cast<GList**>(list), child);
        },
        &children);
    for (GList* node = children; node != nullptr; node = node->next)
      collect(GTK_WIDGET(node->data));
    g_list_free(children);
  };
  collect(dialog);
  unsigned changed = 0;
  const auto match = static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID | G_SIGNAL_MATCH_DATA);
  for (GtkWidget* view : views) {
    changed += blocked ? g_signal_handlers_block_matched(view, match, rowActivated, 0, nullptr,
                                                         nullptr, dialog)
                       : g_signal_handlers_unblock_matched(view, match, rowActivated, 0, nullptr,
                                                           nullptr, dialog);
  }
  return changed;
}

bool IsCupsPrinter(GtkPrinter* printer) {
  GtkPrintBackend* backend = printer != nullptr ? gtk_printer_get_backend(printer) : nullptr;
  return backend != nullptr && g_str_equal(G_OBJECT_TYPE_NAME(backend), "GtkPrintBackendCups");
}

}  // namespace pde::gtk::internals
