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
using SetLookupFunction = GObject* (*)(GObject* set, const char* name);
using SetChangeFunction = void (*)(GObject* set, GObject* option);

// GTK_PRINTER_OPTION_TYPE_STRING in gtk/gtkprinteroption.h.
constexpr int kTextOptionType = 8;

struct Internals {
  bool checked = false;
  std::string missing;  // why they are not available; empty when they are
  GType optionWidgetType = 0;
  GType optionType = 0;
  GType optionSetType = 0;
  NewOptionFunction newOption = nullptr;
  SetOptionFunction setOption = nullptr;
  ExternalLabelFunction externalLabel = nullptr;
  SetLookupFunction setLookup = nullptr;
  SetChangeFunction setAdd = nullptr;
  SetChangeFunction setRemove = nullptr;
};

// Reads the name of an option GTK made itself, to be sure where the field lies.
bool NameLayoutHolds(NewOptionFunction newOption) {
  constexpr char kProbe[] = "cups-PdekitLayoutProbe";
  GObject* option = newOption(kProbe, "Probe", 0);
  if (option == nullptr) return false;
  const char* name = reinterpret_cast<PrinterOptionHead*>(option)->name;
  const bool holds = name != nullptr && std::strcmp(name, kProbe) == 0;
  g_object_unref(option);
  return holds;
}

// True when instances of type have the signal (its class made, as signals are made with it).
bool HasSignal(GType type, const char* signal) {
  gpointer typeClass = g_type_class_ref(type);
  const bool has = g_signal_lookup(signal, type) != 0;
  g_type_class_unref(typeClass);
  return has;
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
  internals.newOption =
      reinterpret_cast<NewOptionFunction>(dlsym(RTLD_DEFAULT, "gtk_printer_option_new"));
  internals.setLookup =
      reinterpret_cast<SetLookupFunction>(dlsym(RTLD_DEFAULT, "gtk_printer_option_set_lookup"));
  internals.setAdd =
      reinterpret_cast<SetChangeFunction>(dlsym(RTLD_DEFAULT, "gtk_printer_option_set_add"));
  internals.setRemove =
      reinterpret_cast<SetChangeFunction>(dlsym(RTLD_DEFAULT, "gtk_printer_option_set_remove"));
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
  internals.optionSetType = typeOf("gtk_printer_option_set_get_type", "GtkPrinterOptionSet");
  GParamSpec* source = nullptr;
  if (internals.optionWidgetType != 0) {
    gpointer widgetClass = g_type_class_ref(internals.optionWidgetType);
    source = g_object_class_find_property(G_OBJECT_CLASS(widgetClass), "source");
    g_type_class_unref(widgetClass);
  }
  // In this order: the layout probe makes an option only once its type is known.
  if (internals.setOption == nullptr || internals.externalLabel == nullptr ||
      internals.newOption == nullptr || internals.setLookup == nullptr ||
      internals.setAdd == nullptr || internals.setRemove == nullptr ||
      internals.optionSetType == 0 || !HasSignal(internals.optionSetType, "changed") ||
      internals.optionType == 0 || source == nullptr ||
      !g_type_is_a(source->value_type, internals.optionType) ||
      !NameLayoutHolds(internals.newOption)) {
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

GObject* OptionSetHolding(GObject* option) {
  if (!Available(nullptr) || option == nullptr) return nullptr;
  const Internals& internals = Lookup();
  // The set relays the option's "changed" as its own: an emission hook sees which set that is.
  const guint changed = g_signal_lookup("changed", internals.optionSetType);
  std::vector<GObject*> relaying;
  const gulong hook = g_signal_add_emission_hook(
      changed, 0,
      [](GSignalInvocationHint*, guint, const GValue* values, gpointer sets) -> gboolean {
        static_cast<std::vector<GObject*>*>(sets)->push_back(G_OBJECT(g_value_get_object(values)));
        return TRUE;
      },
      &relaying, nullptr);
  g_signal_emit_by_name(option, "changed");
  g_signal_remove_emission_hook(changed, hook);
  const char* name = reinterpret_cast<PrinterOptionHead*>(option)->name;
  for (GObject* set : relaying) {
    if (G_TYPE_CHECK_INSTANCE_TYPE(set, internals.optionSetType) &&
        internals.setLookup(set, name) == option)
      return set;
  }
  return nullptr;
}

void RemoveOption(GObject* set, GObject* option) {
  if (!Available(nullptr) || set == nullptr || option == nullptr) return;
  Lookup().setRemove(set, option);
}

GObject* AddTextOption(GObject* set, const std::string& name) {
  if (!Available(nullptr) || set == nullptr) return nullptr;
  GObject* option = Lookup().newOption(name.c_str(), "", kTextOptionType);
  if (option == nullptr) return nullptr;
  Lookup().setAdd(set, option);
  g_object_unref(option);  // the set holds it
  return Lookup().setLookup(set, name.c_str()) == option ? option : nullptr;
}

namespace {

// The tree views under widget.
std::vector<GtkWidget*> TreeViewsOf(GtkWidget* widget) {
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
  collect(widget);
  return views;
}

constexpr auto kHandlerOfDialog = static_cast<GSignalMatchType>(G_SIGNAL_MATCH_ID |
                                                                G_SIGNAL_MATCH_DATA);

}  // namespace

unsigned SetPrinterListActivationBlocked(GtkWidget* dialog, bool blocked) {
  const guint rowActivated = g_signal_lookup("row-activated", GTK_TYPE_TREE_VIEW);
  unsigned changed = 0;
  for (GtkWidget* view : TreeViewsOf(dialog)) {
    changed += blocked ? g_signal_handlers_block_matched(view, kHandlerOfDialog, rowActivated, 0,
                                                         nullptr, nullptr, dialog)
                       : g_signal_handlers_unblock_matched(view, kHandlerOfDialog, rowActivated,
                                                           0, nullptr, nullptr, dialog);
  }
  return changed;
}

GtkTreeSelection* PrinterListSelection(GtkWidget* dialog) {
  const guint rowActivated = g_signal_lookup("row-activated", GTK_TYPE_TREE_VIEW);
  for (GtkWidget* view : TreeViewsOf(dialog)) {
    if (g_signal_handler_find(view, kHandlerOfDialog, rowActivated, 0, nullptr, nullptr, dialog))
      return gtk_tree_view_get_selection(GTK_TREE_VIEW(view));
  }
  return nullptr;
}

GtkPrinter* ChosenPrinter(GtkTreeSelection* selection) {
  GtkTreeModel* model = nullptr;
  GtkTreeIter row;
  if (selection == nullptr || !gtk_tree_selection_get_selected(selection, &model, &row))
    return nullptr;
  for (int column = 0; column < gtk_tree_model_get_n_columns(model); ++column) {
    if (!g_type_is_a(gtk_tree_model_get_column_type(model, column), G_TYPE_OBJECT)) continue;
    GObject* object = nullptr;
    gtk_tree_model_get(model, &row, column, &object, -1);
    GtkPrinter* printer = GTK_IS_PRINTER(object) ? GTK_PRINTER(object) : nullptr;
    if (object != nullptr) g_object_unref(object);  // the model keeps it
    if (printer != nullptr) return printer;
  }
  return nullptr;
}

bool IsCupsPrinter(GtkPrinter* printer) {
  GtkPrintBackend* backend = printer != nullptr ? gtk_printer_get_backend(printer) : nullptr;
  return backend != nullptr && g_str_equal(G_OBJECT_TYPE_NAME(backend), "GtkPrintBackendCups");
}

}  // namespace pde::gtk::internals
