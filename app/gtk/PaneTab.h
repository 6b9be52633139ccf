// PaneTab.h: the pane's tab in one GtkPrintUnixDialog, whoever made the dialog.
//
// It follows the dialog's selected printer: for a CUPS queue it fetches the queue's PPD off the
// main thread, then opens the pane (Prologue, Initialize) and shows it as a tab; a printer change
// terminates the previous pane first. The fetch starts as soon as the printer is chosen in the
// dialog's list, alongside GTK's own request for the printer's details, so that the pane can open
// as soon as GTK has made the printer its selected one. While the tab is shown, GTK's own controls for the pane's
// keywords are hidden, and GTK's values for them follow the pane, so the settings GTK hands to the
// application carry the pane's values. The DIN digits are the exception: GTK's options for them
// leave the dialog's option set, so that no settings the dialog hands out hold them. Instead the
// set gets one more option, the answer marker, which Print fills with a new random value: the
// settings made from that answer carry it into the job, where PrintIntegration puts the pane's
// options, DIN included, kept for that marker alone. In Private mode Print stays insensitive until
// the DIN field took a digit typed or pasted in this dialog, with the reason in the tab and on
// Print's tooltip, in the pane's language. Anything that fails leaves the dialog as GTK made it,
// with one note saying why.
#pragma once

#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <memory>
#include <string>
#include <vector>

#include "GtkPrintInternals.h"
#include "PpdFetch.h"
#include "PrinterPane.h"

namespace pde::gtk {

class PaneTab {
 public:
  // Attaches a tab to dialog unless it has one; it lives until the dialog is destroyed. Returns
  // the tab (borrowed), or null when GTK's internals it needs are missing (noted).
  static PaneTab* Attach(GtkPrintUnixDialog* dialog);
  // The tab attached to dialog, or null (borrowed).
  static PaneTab* For(GtkWidget* dialog);

  PaneTab(const PaneTab&) = delete;
  PaneTab& operator=(const PaneTab&) = delete;

  // The tab's page, hidden while no pane is shown (borrowed).
  GtkWidget* page() const { return page_; }
  // The pane of the selected printer; null while it has none.
  PrinterPane* pane() const { return pane_.get(); }
  // True while the pane of the selected printer waits for its PPD.
  bool fetching() const { return fetching_; }
  // True while Print waits for a DIN.
  bool printBlocked() const { return blocked_; }

  // The dialog's response, before the application sees it. For Print, hands the pane's options
  // to the job.
  void OnResponse(int response);

 private:
  struct Fetch;

  explicit PaneTab(GtkPrintUnixDialog* dialog);
  ~PaneTab();

  static void OnPrinterSelected(GObject* dialog, GParamSpec* property, gpointer self);
  static void OnPrinterChosen(GtkTreeSelection* selection, gpointer self);
  static void OnDestroy(GtkWidget* dialog, gpointer self);
  static void OnPrintSensitive(GObject* button, GParamSpec* property, gpointer self);
  static void OnFetched(const Fetch& fetch, const std::string& ppdPath, const std::string& why);

  void SelectPrinter(GtkPrinter* printer);
  // Cancels the fetch under way and forgets a result not yet used.
  void DropFetch();
  // Starts fetching queue's PPD unless that fetch is under way or done and not yet used.
  void StartFetch(const std::string& queue);
  // Opens the pane of the selected printer with the fetch's result.
  void UseFetched();
  void OpenPane(const std::string& queue, const std::string& ppdPath);
  void ClosePane(bool restoreGtkControls);
  void HideGtkControls();
  // Takes GTK's DIN options out of the dialog's option set and adds the answer marker; false
  // when GTK's option set cannot be reached.
  bool TakeOverGtkOptions();
  // Drops the weak pointers to what HideGtkControls hid, showing it again (but for notebook
  // pages) when show is true.
  void ForgetHiddenControls(bool show);
  void AfterPaneRefresh();
  void SetPrintBlocked(bool blocked);
  // GTK's own rule for Print: a selected printer that accepts jobs and whose details it has.
  bool GtkAllowsPrint() const;
  pdehost::SettingList StartingValues(const std::string& queue) const;

  GtkPrintUnixDialog* dialog_;
  GtkWidget* page_ = nullptr;
  GtkWidget* tabLabel_ = nullptr;
  GtkWidget* hint_ = nullptr;
  GtkWidget* printButton_ = nullptr;
  GtkTreeSelection* printerList_ = nullptr;  // the selection of GTK's printer list, or null
  std::string selected_;     // the printer the tab last followed
  unsigned generation_ = 0;  // counts fetches started; the result of an older one is dropped
  // The PPD of the printer chosen last, under way (cancelled when another printer is chosen or
  // the tab goes) or its result, until the pane of the selected printer takes it.
  std::string fetchQueue_;
  std::unique_ptr<PpdFetch> fetch_;
  bool fetched_ = false;
  std::string fetchedPath_;
  std::string fetchedWhy_;
  std::unique_ptr<PrinterPane> pane_;
  std::vector<internals::OptionControl> gtkControls_;  // options referenced while the pane is open
  std::vector<std::unique_ptr<GtkWidget*>> hidden_;    // weak pointers to what the tab hid
  GObject* marker_ = nullptr;  // the answer marker in GTK's option set (a reference)
  std::string hintText_;
  gchar* printTooltip_ = nullptr;  // Print's own tooltip while the hint replaces it
  bool fetching_ = false;
  bool dinEntered_ = false;
  bool blocked_ = false;
};

}  // namespace pde::gtk
