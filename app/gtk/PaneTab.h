// PaneTab.h: the pane's tab in one GtkPrintUnixDialog, whoever made the dialog.
//
// It follows the dialog's selected printer: for a CUPS queue it fetches the queue's PPD off the
// main thread, then opens the pane (Prologue, Initialize) and shows it as a tab; a printer change
// terminates the previous pane first. While the tab is shown, GTK's own controls for the pane's
// keywords are hidden, and GTK's values for them follow the pane, so the settings GTK hands to the
// application carry the pane's values; the DIN digits are the exception and stay at the pane's
// default there (the job gets the real ones, see PrintIntegration). In Private mode Print stays
// insensitive until a DIN was typed or pasted in this dialog, with one line in the tab saying why.
// Anything that fails leaves the dialog as GTK made it, with one note saying why.
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
  // The pane's keywords, in the order the pane writes them.
  static const std::vector<std::string>& Keywords();

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
  // True while the selected printer's PPD is being fetched.
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
  static void OnDestroy(GtkWidget* dialog, gpointer self);
  static void OnPrintSensitive(GObject* button, GParamSpec* property, gpointer self);
  static gboolean OnDinEvent(GtkWidget* entry, GdkEvent* event, gpointer self);
  static void OnFetched(const Fetch& fetch, const std::string& ppdPath, const std::string& why);

  void SelectPrinter(GtkPrinter* printer);
  void OpenPane(const std::string& queue, const std::string& ppdPath);
  void ClosePane(bool restoreGtkControls);
  void HideGtkControls();
  // Drops the weak pointers to what HideGtkControls hid, showing it again (but for notebook
  // pages) when show is true.
  void ForgetHiddenControls(bool show);
  void AfterPaneRefresh();
  void SetPrintBlocked(bool blocked);
  pdehost::SettingList StartingValues(const std::string& queue) const;

  GtkPrintUnixDialog* dialog_;
  GtkWidget* page_ = nullptr;
  GtkWidget* tabLabel_ = nullptr;
  GtkWidget* hint_ = nullptr;
  GtkWidget* printButton_ = nullptr;
  std::string selected_;     // the printer the tab last followed
  unsigned generation_ = 0;  // counts printer changes; a fetch for an older one is dropped
  // The selected printer's PPD under way; cancelled when the printer changes or the tab goes.
  std::unique_ptr<PpdFetch> fetch_;
  std::unique_ptr<PrinterPane> pane_;
  std::vector<internals::OptionControl> gtkControls_;  // options referenced while the pane is open
  std::vector<std::unique_ptr<GtkWidget*>> hidden_;    // weak pointers to what the tab hid
  std::string startDin_;                               // the DIN digits the pane started with
  std::string lastDin_;
  bool fetching_ = false;
  bool dinEntered_ = false;
  bool blocked_ = false;
  bool gtkWantsPrint_ = true;  // Print's sensitivity as GTK last set it
  bool settingPrint_ = false;
};

}  // namespace pde::gtk
