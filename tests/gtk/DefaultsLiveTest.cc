// DefaultsLiveTest.cc: pdeprint --defaults under Xvfb against the private CUPS server. The queue's
// pane is worked with a person's clicks and keys (XTEST) and saved; then GTK's own print dialog
// starts from what was saved, in this GTK 3 program and in a GTK 4 program's in-process dialog,
// whose job the printer's data checks. A queue removed while the window is open is not saved.
//
// Run by tests/cups/private-cupsd.sh. main gives the program a HOME of its own before GTK or
// libcups read it. Root saves the system-wide file, which GTK reads from /etc/cups whatever
// CUPS_SERVERROOT says: main then shows the private server's configuration there, in a mount
// namespace of the program's own.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <gdk/gdkx.h>
#include <gtk/gtkunixprint.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "DefaultsWindow.h"
#include "GtkDriving.h"
#include "LeakCheck.h"
#include "PaneControls.h"
#include "PrinterCode.h"
#include "PrivateServer.h"
#include "XDisplay.h"
#include "XInput.h"
#include "pde/cups/CupsOptions.h"

namespace pde::gtk {
namespace {

using pde::test::RealClick;
using pde::test::RealKey;
using pde::test::RunUntil;
using Outcome = DefaultsWindow::Outcome;

constexpr int kDeptCodeID = pdehost::kDepartmentControl;
constexpr int kDcID = pdehost::kDcControl;
std::string systemFileWhy;  // why GTK cannot be shown root's saved file; empty when it can

class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pde::test::ReadServerQueues(&cups_))
      GTEST_SKIP() << "needs the private server of tests/cups/private-cupsd.sh";
    PDE_REQUIRE_REAL_INPUT();
  }
  void TearDown() override {
    window_.reset();
    pde::test::DrainEvents();
  }

  void Open(const std::string& queue) {
    std::vector<std::string> notes;
    std::string error;
    window_ = DefaultsWindow::Open(
        queue,
        [this](Outcome outcome, const std::vector<std::string>& messages) {
          outcome_ = outcome;
          for (const std::string& line : messages) said_ += line + "\n";
        },
        &notes, &error);
    ASSERT_NE(window_, nullptr) << error;
    window_->Present();
  }
  GtkWidget* Widget(int id) const {
    return window_->window().view()->WidgetFor(window_->session().FindControl(id));
  }
  void Save() {
    RealClick(window_->window().printButton());
    ASSERT_TRUE(RunUntil([&] { return outcome_.has_value(); }));
  }

  pde::test::ServerQueues cups_;
  std::unique_ptr<DefaultsWindow> window_;
  std::optional<Outcome> outcome_;
  std::string said_;
};

// True when the X server gives the keyboard to a window of another program.
bool AnotherProgramHasTheKeyboard() {
  GdkDisplay* display = gdk_display_get_default();
  Display* xdisplay = gdk_x11_display_get_xdisplay(display);
  Window focus = None;
  int revert = 0;
  XGetInputFocus(xdisplay, &focus, &revert);
  return focus != None && focus != PointerRoot && focus != DefaultRootWindow(xdisplay) &&
         gdk_x11_window_lookup_for_display(display, focus) == nullptr;
}

// The value GTK's print dialog holds for key once it has the printer's options.
std::string DialogValue(GtkWidget* dialog, const char* key) {
  GtkPrintSettings* settings = gtk_print_unix_dialog_get_settings(GTK_PRINT_UNIX_DIALOG(dialog));
  const char* value = gtk_print_settings_get(settings, key);
  std::string text = value != nullptr ? value : "";
  g_object_unref(settings);
  return text;
}

TEST_F(LiveServer, WhatTheWindowSavesEveryDialogStartsFrom) {
  ASSERT_NO_FATAL_FAILURE(Open(cups_.queue));
  // Department code on, through its menu, and a code typed over the field's whole text.
  RealClick(Widget(kDeptCodeID));
  RealKey(GDK_KEY_Down);
  RealKey(GDK_KEY_Return);
  ASSERT_TRUE(RunUntil([&] { return gtk_widget_is_sensitive(Widget(kDcID)); }));
  RealClick(Widget(kDcID), 3);
  pde::test::RealType("24680");
  ASSERT_NO_FATAL_FAILURE(Save());
  EXPECT_EQ(*outcome_, Outcome::kSaved) << said_;
  EXPECT_NE(said_.find("DeptCode=True"), std::string::npos) << said_;
  window_.reset();
  if (!systemFileWhy.empty()) GTEST_SKIP() << systemFileWhy;

  pde::test::PaneOptions saved{{"DeptCode", "True"}};
  pde::test::SetCode(&saved, "DCDigit", "24680");
  GtkWidget* dialog = pde::test::ShowPrintDialog("GTK 3", cups_.queue);
  EXPECT_TRUE(RunUntil([&] { return DialogValue(dialog, "cups-DeptCode") == "True"; }));
  for (const auto& [keyword, value] : saved)
    EXPECT_EQ(DialogValue(dialog, ("cups-" + keyword).c_str()), value) << keyword;
  gtk_widget_destroy(dialog);

  // A GTK 4 program's own dialog, for the server's default queue (GTK 4.8 selects no other by
  // itself): Print (Alt+P) as soon as it has the keyboard and GTK lets Print be pressed.
  ASSERT_EQ(std::system(("lpadmin -d " + cups_.queue).c_str()), 0);
  const int before = pde::test::CountJobs(cups_.queue, CUPS_WHICHJOBS_COMPLETED);
  const pid_t application = fork();
  ASSERT_GE(application, 0);
  if (application == 0) {
    setenv("GDK_BACKEND", "x11", 1);
    execl(PDE_GTK4_PRINT, PDE_GTK4_PRINT, cups_.queue.c_str(), nullptr);
    _exit(127);
  }
  int status = -1;
  bool finished = false;
  RunUntil([&] {
    if (!finished && AnotherProgramHasTheKeyboard()) RealKey(GDK_KEY_p, GDK_MOD1_MASK);
    finished = finished || waitpid(application, &status, WNOHANG) == application;
    return finished;
  });
  if (!finished) {
    kill(application, SIGTERM);
    waitpid(application, &status, 0);
  }
  ASSERT_TRUE(finished) << "the GTK 4 program's dialog did not print";
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  ASSERT_TRUE(RunUntil([&] { return pde::test::JobsCompleted(cups_.queue, before); }));
  EXPECT_EQ(pde::test::CheckPrinterCode(pde::test::ReadWholeFile(cups_.device), saved), "");
}

TEST_F(LiveServer, AQueueRemovedWhileTheWindowIsOpenIsNotSaved) {
  const std::string file = pde::cups::SavedDefaultsPath();
  std::filesystem::create_directories(std::filesystem::path(file).parent_path());
  std::ofstream(file) << "Dest " << cups_.queue << " BlankPage=True\n";
  const std::string before = pde::test::ReadWholeFile(file);
  const std::string add = "lpadmin -p vanishing -E -v file:///dev/null -P " + cups_.ppd;
  ASSERT_EQ(std::system(add.c_str()), 0);
  ASSERT_NO_FATAL_FAILURE(Open("vanishing"));
  ASSERT_EQ(std::system("lpadmin -x vanishing"), 0);
  ASSERT_NO_FATAL_FAILURE(Save());
  EXPECT_EQ(*outcome_, Outcome::kFailed);
  EXPECT_NE(said_.find("queue \"vanishing\" does not exist"), std::string::npos) << said_;
  EXPECT_EQ(pde::test::ReadWholeFile(file), before);
}

}  // namespace
}  // namespace pde::gtk

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  pde::test::InstallLeakCheck();
  std::string home = (std::filesystem::temp_directory_path() / "pde-defaults-XXXXXX").string();
  if (mkdtemp(home.data()) == nullptr) return 1;
  setenv("HOME", home.c_str(), 1);
  const char* serverRoot = std::getenv("CUPS_SERVERROOT");
  if (getuid() == 0 && serverRoot != nullptr &&
      (unshare(CLONE_NEWNS) != 0 || mount("none", "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
       mount(serverRoot, "/etc/cups", nullptr, MS_BIND, nullptr) != 0)) {
    pde::gtk::systemFileWhy = std::string("GTK reads root's saved defaults from /etc/cups, which "
                                          "cannot be the private server's here: ") +
                              std::strerror(errno);
  }
  const int status = RUN_ALL_TESTS();
  std::filesystem::remove_all(home);
  return status;
}
