// GtkPrintInternals.h: the only place that reaches into GTK 3's print dialog beyond its documented
// API: the option widgets GTK builds for a printer's PPD options, its printer list, and GTK's
// print backend names.
//
// What it relies on (checked against GTK 3.24.38):
// - the dialog's option widgets are instances of the registered type "GtkPrinterOptionWidget",
//   each with a "source" property holding a "GtkPrinterOption", whose first field after its
//   GObject is the option's name ("cups-" and the PPD keyword for a CUPS queue's PPD options;
//   checked on an option made with gtk_printer_option_new);
// - gtk_printer_option_set and gtk_printer_option_widget_get_external_label, exported by libgtk-3
//   for its print backends;
// - the dialog's options of the selected printer are one "GtkPrinterOptionSet", which relays each
//   option's "changed" signal as its own, and whose exported gtk_printer_option_set_lookup, _add
//   and _remove GTK's print backends use; the settings the dialog hands out
//   (gtk_print_unix_dialog_get_settings) are built from that set, the CUPS backend copying every
//   option named "cups-..." with its value;
// - the CUPS backend's type name "GtkPrintBackendCups";
// - the printer list, a GtkTreeView whose "row-activated" handler, connected with the dialog as
//   its data, answers Print, and whose rows hold their GtkPrinter in a column of an object type.
// Everything is looked up at run time: when a part is missing or this is not GTK 3.24, Available
// says why and the callers leave GTK's dialog as it is.
#pragma once

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <string>
#include <vector>

namespace pde::gtk::internals {

// True when every internal above is present in the running GTK; else false with *why set.
bool Available(std::string* why);

// One of GTK's own controls for a printer option (all borrowed from the dialog).
struct OptionControl {
  GtkWidget* widget = nullptr;  // the GtkPrinterOptionWidget
  GtkWidget* label = nullptr;   // its label beside it, or null
  GObject* option = nullptr;    // the GtkPrinterOption it shows and edits
  std::string keyword;          // the PPD keyword, without GTK's "cups-" prefix
};

// GTK's controls in dialog for the CUPS PPD options it shows now. Empty when !Available().
std::vector<OptionControl> FindPpdOptionControls(GtkWidget* dialog);

// Sets the option GTK shows (and later reads into its print settings) to value, when value is one
// of its choices; GTK ignores any other value. Does nothing when !Available().
void SetOptionValue(GObject* option, const std::string& value);

// The option set of the dialog that holds option (borrowed), or null when it cannot be found.
GObject* OptionSetHolding(GObject* option);

// Takes option out of set: the settings GTK builds from set leave it out from then on.
void RemoveOption(GObject* set, GObject* option);

// Adds a text option called name ("cups-" and a keyword) with an empty value to set, and returns
// it (borrowed: set holds it), or null when !Available(). GTK shows no control for it; the
// settings built from set carry its value under name.
GObject* AddTextOption(GObject* set, const std::string& name);

// Blocks (blocked true) or unblocks GTK's handler that answers Print when a row of the printer
// list is activated (a double click, Return); calls must pair. Returns the handlers changed.
unsigned SetPrinterListActivationBlocked(GtkWidget* dialog, bool blocked);

// The selection of dialog's printer list (borrowed), or null when it cannot be found. It changes
// as soon as a printer is chosen, before GTK asks the printer's details and makes it the dialog's
// selected printer.
GtkTreeSelection* PrinterListSelection(GtkWidget* dialog);

// The printer of the row selected in the printer list (borrowed), or null.
GtkPrinter* ChosenPrinter(GtkTreeSelection* selection);

// True for a printer of GTK's CUPS print backend, whose printer names are CUPS queue names.
bool IsCupsPrinter(GtkPrinter* printer);

}  // namespace pde::gtk::internals
