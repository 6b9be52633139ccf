// PaneTab.cc: the pane's tab in a GtkPrintUnixDialog: following the printer, the PPD fetched off
// the main thread, GTK's own controls for the pane's keywords hidden and kept in step, the answer
// marker, and Print held back in Private mode until a DIN was entered.
#include "PaneTab.h"


#include <algorithm>
#include <memory>
#include <utility>

#include "DinHint.h"
#include "PaneControls.h"
#include "PaneKeywords.h"
#include "PrintIntegration.h"
#include "SavedSettings.h"

namespace pde::gtk {
namespace {

constexpr char kTabKey[] = "pdekit-pane-tab";
constexpr char kPrivate[] = "Private";

}  // namespace

// A PPD fetch under way for one printer, as its result finds the tab: through a weak reference
// to the dialog, in case the tab is gone.
struct PaneTab::Fetch {
  GWeakRef dialog;
  unsigned generation;
  std::string queue;

  Fetch(GtkPrintUnixDialog* owner, unsigned number, std::string name)
      : generation(number), queue(std::move(name)) {
    g_weak_ref_init(&dialog, owner);
  }
  ~Fetch() { g_weak_ref_clear(&dialog); }
  Fetch(const Fetch&) = delete;
  Fetch& operator=(const Fetch&) = delete;
};

PaneTab* PaneTab::Attach(GtkPrintUnixDialog* dialog) {
  if (PaneTab* tab = For(GTK_WIDGET(dialog))) return tab;
  std::string why;
  if (!internals::Available(&why)) {
    Note("the print dialog goes on without the pane: " + why);
    return nullptr;
  }
  auto* tab = new PaneTab(dialog);
  g_object_set_data(G_OBJECT(dialog), kTabKey, tab);
  tab->SelectPrinter(gtk_print_unix_dialog_get_selected_printer(dialog));
  return tab;
}

PaneTab* PaneTab::For(GtkWidget* dialog) {
  return static_cast<PaneTab*>(g_object_get_data(G_OBJECT(dialog), kTabKey));
}

PaneTab::PaneTab(GtkPrintUnixDialog* dialog) : dialog_(dialog) {
  page_ = gtk_box_new(GTK_ORIENTATION_VERTICAL, 6);
  gtk_container_set_border_width(GTK_CONTAINER(page_), 12);
  hint_ = gtk_label_new("");
  gtk_label_set_line_wrap(GTK_LABEL(hint_), TRUE);
  gtk_label_set_xalign(GTK_LABEL(hint_), 0);
  gtk_box_pack_end(GTK_BOX(page_), hint_, FALSE, FALSE, 0);
  tabLabel_ = gtk_label_new("");
  gtk_print_unix_dialog_add_custom_tab(dialog, page_, tabLabel_);
  gtk_widget_hide(page_);
  printButton_ = gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog), GTK_RESPONSE_OK);
  if (printButton_ != nullptr)
    g_signal_connect(printButton_, "notify::sensitive", G_CALLBACK(OnPrintSensitive), this);
  g_signal_connect(dialog, "notify::selected-printer", G_CALLBACK(OnPrinterSelected), this);
  printerList_ = internals::PrinterListSelection(GTK_WIDGET(dialog));
  if (printerList_ != nullptr)
    g_signal_connect(printerList_, "changed", G_CALLBACK(OnPrinterChosen), this);
  g_signal_connect(dialog, "destroy", G_CALLBACK(OnDestroy), this);
}

PaneTab::~PaneTab() {
  fetch_.reset();  // cancelled: its result never comes
  g_signal_handlers_disconnect_by_data(dialog_, this);
  if (printerList_ != nullptr) g_signal_handlers_disconnect_by_data(printerList_, this);
  if (printButton_ != nullptr) g_signal_handlers_disconnect_by_data(printButton_, this);
  ClosePane(false);
}

void PaneTab::OnDestroy(GtkWidget* dialog, gpointer self) {
  g_object_set_data(G_OBJECT(dialog), kTabKey, nullptr);
  delete static_cast<PaneTab*>(self);
}

void PaneTab::OnPrinterSelected(GObject* dialog, GParamSpec*, gpointer self) {
  static_cast<PaneTab*>(self)->SelectPrinter(
      gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog)));
}

void PaneTab::OnPrinterChosen(GtkTreeSelection* selection, gpointer self) {
  auto* tab = static_cast<PaneTab*>(self);
  GtkPrinter* printer = internals::ChosenPrinter(selection);
  // The selected printer's row again (GTK refreshes its list) needs nothing: its pane is open or
  // on its way.
  if (printer != nullptr && internals::IsCupsPrinter(printer) &&
      tab->selected_ != gtk_printer_get_name(printer))
    tab->StartFetch(gtk_printer_get_name(printer));
}

void PaneTab::SelectPrinter(GtkPrinter* printer) {
  const std::string name = printer != nullptr ? gtk_printer_get_name(printer) : "";
  if (name == selected_) return;  // the same printer again, its details updated
  // GTK has rebuilt its controls for the new printer already and chosen which of its pages to
  // show; what it kept of the rest comes back.
  ClosePane(true);
  selected_ = name;
  fetching_ = false;
  if (printer == nullptr || !internals::IsCupsPrinter(printer)) DropFetch();
  if (printer == nullptr) return;
  if (!internals::IsCupsPrinter(printer)) {
    Note("\"" + name + "\" is not a CUPS queue; the dialog goes on without the pane");
    return;
  }
  fetching_ = true;
  StartFetch(name);
  if (fetched_) UseFetched();
}

void PaneTab::DropFetch() {
  fetch_.reset();  // cancelled: its result never comes
  fetchQueue_.clear();
  fetched_ = false;
  fetchedPath_.clear();
  fetchedWhy_.clear();
  ++generation_;
}

void PaneTab::StartFetch(const std::string& queue) {
  if (queue == fetchQueue_) return;
  DropFetch();  // the previous printer's
  fetchQueue_ = queue;
  auto fetch = std::make_shared<Fetch>(dialog_, generation_, queue);
  fetch_ =
      std::make_unique<PpdFetch>(queue, [fetch](const std::string& ppdPath, const std::string& why) {
        OnFetched(*fetch, ppdPath, why);
      });
}

void PaneTab::OnFetched(const Fetch& fetch, const std::string& ppdPath, const std::string& why) {
  auto* dialog = static_cast<GObject*>(g_weak_ref_get(const_cast<GWeakRef*>(&fetch.dialog)));
  PaneTab* tab = dialog != nullptr ? For(GTK_WIDGET(dialog)) : nullptr;
  if (tab != nullptr && tab->generation_ == fetch.generation) {
    tab->fetch_.reset();
    tab->fetched_ = true;
    tab->fetchedPath_ = ppdPath;
    tab->fetchedWhy_ = why;
    if (tab->fetching_ && tab->selected_ == fetch.queue) tab->UseFetched();
  }
  if (dialog != nullptr) g_object_unref(dialog);
}

void PaneTab::UseFetched() {
  // Used once: choosing the printer again later asks the server again.
  const std::string path = fetchedPath_;
  const std::string why = fetchedWhy_;
  DropFetch();
  fetching_ = false;
  if (path.empty()) {
    Note("no pane for printer \"" + selected_ + "\": " + why);
  } else {
    OpenPane(selected_, path);
  }
}

pdehost::SettingList PaneTab::StartingValues(const std::string& queue) const {
  // GTK's values: the PPD's defaults, then lpoptions, then the application's settings.
  pdehost::SettingList values;
  GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(dialog_);
  for (const std::string& keyword : pdehost::PaneKeywords()) {
    if (pdehost::IsSecretKeyword(keyword)) continue;  // the DIN always starts as the pane's default
    const char* value = gtk_print_settings_get(settings, ("cups-" + keyword).c_str());
    if (value != nullptr) values.emplace_back(keyword, value);
  }
  g_object_unref(settings);
  if (Integration().presetFor) {
    for (auto& [keyword, value] : Integration().presetFor(queue)) {
      if (pdehost::IsPaneKeyword(keyword) && !pdehost::IsSecretKeyword(keyword))
        values.emplace_back(keyword, value);
    }
  }
  return values;
}

void PaneTab::OpenPane(const std::string& queue, const std::string& ppdPath) {
  std::string why;
  pane_ = PrinterPane::Open(queue, ppdPath, StartingValues(queue), &why);
  if (!pane_) {
    Note("no pane for printer \"" + queue + "\": " + why);
    return;
  }
  dinEntered_ = false;
  hintText_ = DinHint(pane_->localizations());
  gtk_label_set_text(GTK_LABEL(hint_), hintText_.c_str());
  gtk_label_set_text(GTK_LABEL(tabLabel_), pane_->title().c_str());
  gtk_box_pack_start(GTK_BOX(page_), pane_->view().widget(), FALSE, FALSE, 0);
  ControlRef din = pane_->session().FindControl(pdehost::kDinControl);
  pane_->view().SetEntryListener([this, din](ControlRef field) {
    if (field == din) dinEntered_ = true;
  });
  pane_->view().SetRefreshListener([this] { AfterPaneRefresh(); });
  HideGtkControls();
  if (!TakeOverGtkOptions()) {
    Note("no pane for printer \"" + queue + "\": GTK's options of the printer cannot be reached");
    ClosePane(true);
    return;
  }
  gtk_widget_show(page_);
  AfterPaneRefresh();
}

void PaneTab::ClosePane(bool restoreGtkControls) {
  SetPrintBlocked(false);
  ForgetHiddenControls(restoreGtkControls);
  for (auto& control : gtkControls_) g_object_unref(control.option);
  gtkControls_.clear();
  g_clear_object(&marker_);
  if (!pane_) return;
  gtk_widget_hide(page_);
  pane_.reset();
}

void PaneTab::HideGtkControls() {
  auto hide = [this](GtkWidget* widget) {
    if (widget == nullptr || !gtk_widget_get_visible(widget)) return;
    gtk_widget_hide(widget);
    hidden_.push_back(std::make_unique<GtkWidget*>(widget));
    g_object_add_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(hidden_.back().get()));
  };
  // True when nothing but labels (a group's title, say) is left visible in container.
  auto onlyLabelsLeft = [](GtkWidget* container) {
    bool onlyLabels = true;
    gtk_container_foreach(
        GTK_CONTAINER(container),
        [](GtkWidget* child, gpointer only) {
          if (gtk_widget_get_visible(child) && !GTK_IS_LABEL(child))
            *static_cast<bool*>(only) = false;
        },
        &onlyLabels);
    return onlyLabels;
  };
  for (auto& control : internals::FindPpdOptionControls(GTK_WIDGET(dialog_))) {
    if (!pdehost::IsPaneKeyword(control.keyword)) continue;
    g_object_ref(control.option);
    gtkControls_.push_back(control);
    hide(control.widget);
    hide(control.label);
    // Groups left empty go too, up to and including their notebook page.
    GtkWidget* container = gtk_widget_get_parent(control.widget);
    while (container != nullptr && GTK_IS_CONTAINER(container) && !GTK_IS_WINDOW(container) &&
           !GTK_IS_NOTEBOOK(container) && onlyLabelsLeft(container)) {
      GtkWidget* parent = gtk_widget_get_parent(container);
      hide(container);
      container = parent;
    }
  }
}

bool PaneTab::TakeOverGtkOptions() {
  if (gtkControls_.empty()) return false;
  GObject* set = internals::OptionSetHolding(gtkControls_.front().option);
  if (set == nullptr) return false;
  for (const auto& control : gtkControls_) {
    if (pdehost::IsSecretKeyword(control.keyword)) internals::RemoveOption(set, control.option);
  }
  GObject* marker = internals::AddTextOption(set, std::string("cups-") + kAnswerMarkerKeyword);
  if (marker == nullptr) return false;
  marker_ = G_OBJECT(g_object_ref(marker));
  return true;
}

void PaneTab::ForgetHiddenControls(bool show) {
  for (auto it = hidden_.rbegin(); it != hidden_.rend(); ++it) {
    GtkWidget* widget = **it;
    if (widget == nullptr) continue;  // gone with the controls GTK rebuilt
    g_object_remove_weak_pointer(G_OBJECT(widget), reinterpret_cast<gpointer*>(it->get()));
    // GTK decides itself which notebook pages a printer has.
    if (show && !GTK_IS_NOTEBOOK(gtk_widget_get_parent(widget))) gtk_widget_show(widget);
  }
  hidden_.clear();
}

void PaneTab::AfterPaneRefresh() {
  if (!pane_) return;
  pdehost::OptionMap options;
  std::string why;
  if (!pane_->CollectOptions(&options, &why)) return;
  // GTK's values follow the pane; it has none for the DIN any more.
  for (const auto& control : gtkControls_) {
    auto value = options.find(control.keyword);
    if (value != options.end() && !pdehost::IsSecretKeyword(control.keyword))
      internals::SetOptionValue(control.option, value->second);
  }
  auto mode = options.find("PrintMode");
  const bool isPrivate = mode != options.end() && mode->second == kPrivate;
  for (auto& [keyword, value] : options) value.assign(value.size(), '\0');
  SetPrintBlocked(isPrivate && !dinEntered_);
}

void PaneTab::SetPrintBlocked(bool blocked) {
  if (blocked == blocked_) return;
  blocked_ = blocked;
  gtk_widget_set_visible(hint_, blocked);
  internals::SetPrinterListActivationBlocked(GTK_WIDGET(dialog_), blocked);
  if (printButton_ == nullptr) return;
  if (blocked) {
    printTooltip_ = gtk_widget_get_tooltip_text(printButton_);
    gtk_widget_set_tooltip_text(printButton_, hintText_.c_str());
  } else {
    gtk_widget_set_tooltip_text(printButton_, printTooltip_);
    g_clear_pointer(&printTooltip_, g_free);
  }
  gtk_widget_set_sensitive(printButton_, !blocked && GtkAllowsPrint());
}

bool PaneTab::GtkAllowsPrint() const {
  GtkPrinter* printer = gtk_print_unix_dialog_get_selected_printer(dialog_);
  return printer != nullptr && gtk_printer_is_accepting_jobs(printer) &&
         gtk_printer_has_details(printer);
}

// GTK decides when Print may be pressed and says so through the button's sensitivity, at times of
// its own choosing (a printer's details or state arriving, the printer list taking the focus);
// while Print waits for a DIN, each of its yeses is answered with a no. The notification of that
// no may come late, queued behind GTK's own: the button's state, not the order, decides.
void PaneTab::OnPrintSensitive(GObject* button, GParamSpec*, gpointer self) {
  if (static_cast<PaneTab*>(self)->blocked_ && gtk_widget_get_sensitive(GTK_WIDGET(button)))
    gtk_widget_set_sensitive(GTK_WIDGET(button), FALSE);
}

void PaneTab::OnResponse(int response) {
  if (marker_ == nullptr) return;
  // Only this answer's job may find the pane's options: whatever the answer, an earlier marker
  // goes.
  internals::SetOptionValue(marker_, "");
  if (response != GTK_RESPONSE_OK || !pane_) return;
  if (blocked_) {
    // Only a Print the application answers itself gets here: GTK's own ways are blocked.
    Note("Print was answered before a DIN was typed; the job carries GTK's values");
    return;
  }
  pdehost::OptionMap options;
  std::string why;
  if (!pane_->CollectOptions(&options, &why)) {
    Note("the pane's options are not printed: " + why);
    return;
  }
  gchar* marker = g_uuid_string_random();
  internals::SetOptionValue(marker_, marker);
  KeepJobOptions(marker, pane_->queue(), options);
  g_free(marker);
  if (Integration().printed) Integration().printed(pane_->queue(), options);
  for (auto& [keyword, value] : options) value.assign(value.size(), '\0');
}

}  // namespace pde::gtk
