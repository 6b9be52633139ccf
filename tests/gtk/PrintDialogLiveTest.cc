// PrintDialogLiveTest.cc: pdeprint's dialog under Xvfb against a private CUPS server: the pane's
// tab follows the selected queue, and pressing Print sends a job whose printer output holds the
// code of the options chosen in the tab.
//
// Run by tests/cups/private-cupsd.sh, which names the server and its queues in CUPS_SERVER,
// PDE_TEST_CUPS_QUEUE (a supported sample PPD, file device PDE_TEST_CUPS_DEVICE) and
// PDE_TEST_CUPS_RAW_QUEUE (no PPD). Without them the tests are skipped.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <optional>
#include <string>

#include "GtkDriving.h"
#include "PaneControls.h"
#include "PrintDialog.h"
#include "PrinterCode.h"
#include "PrivateServer.h"
#include "SavedSettings.h"
#include "XDisplay.h"

namespace pde::gtk {
namespace {

using pde::test::CountJobs;
using pde::test::DrainEvents;
using pde::test::ReadWholeFile;
using pde::test::RunUntil;
using pde::test::TypeKeys;
using Outcome = PrintDialog::Outcome;

constexpr int kPrintModeID = pdehost::kPrintModeControl;
constexpr int kDinID = pdehost::kDinControl;

class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pde::test::ReadServerQueues(&cups_))
      GTEST_SKIP() << "needs the private server of tests/cups/private-cupsd.sh";
    PDE_REQUIRE_DISPLAY();
    std::string pattern = (std::filesystem::temp_directory_path() / "pde-config-XXXXXX").string();
    ASSERT_NE(mkdtemp(pattern.data()), nullptr);
    configHome_ = pattern;
    setenv("XDG_CONFIG_HOME", configHome_.c_str(), 1);
  }

  void TearDown() override {
    dialog_.reset();
    DrainEvents();
    if (!configHome_.empty()) {
      unsetenv("XDG_CONFIG_HOME");
      std::filesystem::remove_all(configHome_);
    }
  }

  void OpenDialog(const std::string& printer) {
    outcome_.reset();
    dialog_ = std::make_unique<PrintDialog>(PDE_GTK_TEST_DATA "/hello.ps", printer,
                                            [this](Outcome outcome) { outcome_ = outcome; });
    dialog_->Present();
  }

  std::string SelectedPrinter() const {
    GtkPrinter* printer =
        gtk_print_unix_dialog_get_selected_printer(GTK_PRINT_UNIX_DIALOG(dialog_->dialog()));
    return printer != nullptr ? gtk_printer_get_name(printer) : "";
  }

  GtkWidget* PaneWidget(int id) const {
    PrinterPane* pane = dialog_->pane();
    return pane->view().WidgetFor(pane->session().FindControl(id));
  }

  GtkWidget* PrintButton() const {
    return gtk_dialog_get_widget_for_response(GTK_DIALOG(dialog_->dialog()), GTK_RESPONSE_OK);
  }

  // Presses Print as a click does, once the dialog lets it be pressed.
  void PressPrint() {
    ASSERT_TRUE(RunUntil([&] { return gtk_widget_is_sensitive(PrintButton()); }))
        << "Print stays disabled";
    gtk_button_clicked(GTK_BUTTON(PrintButton()));
  }

  pde::test::ServerQueues cups_;
  const std::string& queue_ = cups_.queue;
  const std::string& rawQueue_ = cups_.raw;
  std::string configHome_;
  std::unique_ptr<PrintDialog> dialog_;
  std::optional<Outcome> outcome_;
};

TEST_F(LiveServer, PrintingFromTheTabSendsThePanesOptionsToThePrinter) {
  OpenDialog(queue_);
  ASSERT_TRUE(RunUntil([&] { return dialog_->pane() != nullptr; })) << "no pane for " << queue_;
  EXPECT_TRUE(gtk_widget_get_visible(dialog_->tabPage()));
  GtkWidget* notebook = gtk_widget_get_parent(dialog_->tabPage());
  ASSERT_TRUE(GTK_IS_NOTEBOOK(notebook));
  EXPECT_STREQ(gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(notebook), dialog_->tabPage()),
               "Printer Features");
  gtk_notebook_set_current_page(GTK_NOTEBOOK(notebook),
                                gtk_notebook_page_num(GTK_NOTEBOOK(notebook), dialog_->tabPage()));
  DrainEvents();

  gtk_combo_box_set_active(GTK_COMBO_BOX(PaneWidget(kPrintModeID)), 2);  // Private
  DrainEvents();
  ASSERT_TRUE(gtk_widget_get_sensitive(PaneWidget(kDinID)));
  gtk_widget_grab_focus(PaneWidget(kDinID));
  DrainEvents();
  TypeKeys(PaneWidget(kDinID), "90417");
  TypeKeys(PaneWidget(kDinID), "3b");
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(PaneWidget(kDinID))), "90417");
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_is_sensitive(PrintButton()); }))
      << "Print stays disabled";
  if (const char* directory = std::getenv("PDE_SCREENSHOT_DIR")) {
    EXPECT_TRUE(
        pde::test::SaveWidgetPng(dialog_->dialog(), std::string(directory) + "/print-dialog.png"));
  }

  const int completedBefore = CountJobs(queue_, CUPS_WHICHJOBS_COMPLETED);
  ASSERT_NO_FATAL_FAILURE(PressPrint());
  ASSERT_TRUE(RunUntil([&] { return outcome_.has_value(); }));
  EXPECT_EQ(*outcome_, Outcome::kPrinted);
  ASSERT_TRUE(RunUntil([&] { return pde::test::JobsCompleted(queue_, completedBefore); }))
      << "the job did not complete";
  // pdeprint reports the ID of the job it submitted: the newest on the queue.
  EXPECT_EQ(dialog_->queue(), queue_);
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue_.c_str(), 0, CUPS_WHICHJOBS_ALL);
  int newest = 0;
  for (int i = 0; i < count; ++i) newest = std::max(newest, jobs[i].id);
  cupsFreeJobs(count, jobs);
  EXPECT_EQ(dialog_->jobId(), newest);

  pde::test::PaneOptions chosen = pde::test::DefaultPaneOptions();
  chosen["PrintMode"] = "Private";
  pde::test::SetCode(&chosen, "DINDigit", "90417");
  const std::string output = ReadWholeFile(cups_.device);
  EXPECT_EQ(pde::test::CheckPrinterCode(output, chosen), "");
  EXPECT_NE(output.find("@PJL SET PRINTMODE=PRIVATE\n@PJL SET DINDIGIT1=9\n"), std::string::npos);

  // The settings are saved for the queue, readable by the owner only, without the DIN.
  const std::string saved = configHome_ + "/pdekit/" + queue_ + ".settings";
  struct stat info {};
  ASSERT_EQ(stat(saved.c_str(), &info), 0) << saved;
  EXPECT_EQ(info.st_mode & 0777, 0600u);
  const std::string text = ReadWholeFile(saved);
  EXPECT_NE(text.find("PrintMode=Private\n"), std::string::npos) << text;
  EXPECT_EQ(text.find("DINDigit"), std::string::npos) << text;
  EXPECT_EQ(text.find("90417"), std::string::npos) << text;
}

TEST_F(LiveServer, TheNextDialogStartsFromTheSavedSettingsWithTheDefaultDIN) {
  std::string error;
  ASSERT_TRUE(SaveSettings(
      queue_, {{"PrintMode", "Private"}, {"BlankPage", "True"}, {"DINDigit1", "9"}}, &error))
      << error;
  OpenDialog(queue_);
  ASSERT_TRUE(RunUntil([&] { return dialog_->pane() != nullptr; }));
  DrainEvents();
  gchar* mode = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(PaneWidget(kPrintModeID)));
  EXPECT_STREQ(mode, "Private");
  g_free(mode);
  EXPECT_TRUE(gtk_widget_get_sensitive(PaneWidget(kDinID)));
  EXPECT_STREQ(gtk_entry_get_text(GTK_ENTRY(PaneWidget(kDinID))), "58203");
  // Private again, but with no DIN typed in this dialog: Print waits.
  EXPECT_FALSE(gtk_widget_is_sensitive(PrintButton()));
  gtk_dialog_response(GTK_DIALOG(dialog_->dialog()), GTK_RESPONSE_CANCEL);
  ASSERT_TRUE(RunUntil([&] { return outcome_.has_value(); }));
  EXPECT_EQ(*outcome_, Outcome::kCancelled);
}

TEST_F(LiveServer, AQueueWithoutAPPDHasNoTabAndStillPrints) {
  testing::internal::CaptureStderr();
  OpenDialog(rawQueue_);
  const bool selected =
      RunUntil([&] { return SelectedPrinter() == rawQueue_ && !dialog_->fetching(); });
  DrainEvents();
  const std::string messages = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(selected);
  EXPECT_EQ(dialog_->pane(), nullptr);
  ASSERT_NE(dialog_->tabPage(), nullptr);
  EXPECT_FALSE(gtk_widget_get_visible(dialog_->tabPage()));
  EXPECT_NE(messages.find("pdeprint: no pane for printer \"" + rawQueue_ + "\": queue \"" +
                          rawQueue_ + "\" has no PPD on the CUPS server at "),
            std::string::npos)
      << messages;

  const int completedBefore = CountJobs(rawQueue_, CUPS_WHICHJOBS_COMPLETED);
  ASSERT_NO_FATAL_FAILURE(PressPrint());
  ASSERT_TRUE(RunUntil([&] { return outcome_.has_value(); }));
  EXPECT_EQ(*outcome_, Outcome::kPrinted);
  EXPECT_TRUE(
      RunUntil([&] { return CountJobs(rawQueue_, CUPS_WHICHJOBS_COMPLETED) > completedBefore; }));
}

}  // namespace
}  // namespace pde::gtk
