// ThinModuleTest.cc: the GTK module in a plain GTK 3 program (GTK_MODULES, under Xvfb) that links
// nothing of the printing side: loading the module brings none of it into the process; the first
// print dialog does, and gets the pane's tab. Without its integration the module leaves the
// dialogs as GTK makes them and says why in one line of the debug log.
//
// LiveServer.* runs under tests/cups/private-cupsd.sh with the build's module; NoIntegration.*
// with a copy of the module that has no integration beside it (PDE_TEST_MISSING_INTEGRATION
// names the path it must look at).
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "GtkDriving.h"
#include "XDisplay.h"

namespace {

using pde::test::RunUntil;
using pde::test::SelectedPrinter;
using pde::test::WidgetsOf;

// What the printing side brings into a process, as named in /proc/self/maps.
constexpr const char* kPrintingSide[] = {"/libcups.so", "/libplist", "/libpde_",
                                         "/pdekit-gtk-integration.so"};
constexpr char kModule[] = "/libpdekit-gtk-module.so";

std::vector<std::string> debugLog;  // every message of the module's log domain

// The first file mapped into the process whose path holds name, or "".
std::string Mapped(const char* name) {
  std::ifstream maps("/proc/self/maps");
  for (std::string line; std::getline(maps, line);) {
    const auto slash = line.find('/');
    if (slash != std::string::npos && line.find(name, slash) != std::string::npos)
      return line.substr(slash);
  }
  return "";
}

// The dialog's visible notebook page titled as the pane's tab, or null.
GtkWidget* Tab(GtkWidget* dialog) {
  for (GtkWidget* notebook : WidgetsOf(dialog, GTK_TYPE_NOTEBOOK)) {
    for (int i = 0; i < gtk_notebook_get_n_pages(GTK_NOTEBOOK(notebook)); ++i) {
      GtkWidget* page = gtk_notebook_get_nth_page(GTK_NOTEBOOK(notebook), i);
      const char* title = gtk_notebook_get_tab_label_text(GTK_NOTEBOOK(notebook), page);
      if (title != nullptr && std::strcmp(title, "Printer Features") == 0 &&
          gtk_widget_get_visible(page))
        return page;
    }
  }
  return nullptr;
}

class ThinModule : public ::testing::Test {
 protected:
  void SetUp() override {
    PDE_REQUIRE_DISPLAY();
    ASSERT_NE(Mapped(kModule), "") << "GTK did not load the module (GTK_MODULES, GTK_PATH)";
    for (const char* name : kPrintingSide)
      EXPECT_EQ(Mapped(name), "") << "loaded before any print dialog";
  }

  void TearDown() override {
    if (HasFailure()) {
      for (const std::string& line : debugLog) std::cerr << "pdekit: " << line << "\n";
    }
  }
};

class LiveServer : public ThinModule {};
class NoIntegration : public ThinModule {};

TEST_F(LiveServer, TheFirstPrintDialogLoadsThePrintingSideAndGetsTheTab) {
  const char* queue = std::getenv("PDE_TEST_CUPS_QUEUE");
  if (queue == nullptr) GTEST_SKIP() << "needs the private server of tests/cups/private-cupsd.sh";
  GtkWidget* dialog = pde::test::ShowPrintDialog("Test", queue);
  EXPECT_TRUE(RunUntil([&] { return SelectedPrinter(dialog) == queue && Tab(dialog) != nullptr; }))
      << "no tab for " << queue;
  for (const char* name : kPrintingSide) EXPECT_NE(Mapped(name), "") << name << " is not loaded";
  gtk_widget_destroy(dialog);
  EXPECT_TRUE(RunUntil([] { return pde::test::ModuleLiveObjects() == 0; }))
      << pde::test::ModuleLiveObjects() << " objects alive";
}

TEST_F(NoIntegration, DialogsStayGtksWithOneLineSayingWhy) {
  const char* missing = std::getenv("PDE_TEST_MISSING_INTEGRATION");
  ASSERT_NE(missing, nullptr);
  // GTK's file back end alone: nothing of CUPS, GTK's included, is needed to show a dialog.
  g_object_set(gtk_settings_get_default(), "gtk-print-backends", "file", nullptr);
  for (int dialogs = 1; dialogs <= 2; ++dialogs) {
    GtkWidget* dialog = pde::test::ShowPrintDialog("Test", "Print to File");
    EXPECT_TRUE(RunUntil([&] { return SelectedPrinter(dialog) != ""; }));
    EXPECT_EQ(Tab(dialog), nullptr);
    gtk_widget_destroy(dialog);
  }
  ASSERT_EQ(debugLog.size(), 1u) << "once for the process";
  EXPECT_EQ(debugLog[0], "print dialogs go on without the pane: cannot load " +
                             std::string(missing) + ": No such file or directory");
  for (const char* name : kPrintingSide) EXPECT_EQ(Mapped(name), "") << "loaded after all";
}

}  // namespace

int main(int argc, char** argv) {
  ::testing::InitGoogleTest(&argc, argv);
  g_log_set_handler(
      "pdekit", static_cast<GLogLevelFlags>(G_LOG_LEVEL_MASK),
      [](const gchar*, GLogLevelFlags, const gchar* message, gpointer) {
        debugLog.emplace_back(message);
      },
      nullptr);
  return RUN_ALL_TESTS();
}
