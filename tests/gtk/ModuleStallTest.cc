// ModuleStallTest.cc: dialogs whose PPD the server never sends, in a program with the build's
// GTK module: each stalled fetch ends with its dialog, and the program's threads, descriptors
// and the fetches' files come back to where they were.
//
// Run with ModulePrintTest.cc's main (HOME, XDG_CACHE_HOME and TMPDIR of the program's own) by
// tests/cups/private-cupsd.sh. A relay in front of the private server stalls every PPD request
// that comes to CUPS_SERVER, which is the module's; GTK's print backend follows the printer URIs
// the server gives, past the relay, and gets its own.
#include <cups/cups.h>
#include <gtest/gtest.h>
#include <gtk/gtk.h>
#include <gtk/gtkunixprint.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "GtkDriving.h"
#include "PrivateServer.h"
#include "Relay.h"
#include "XDisplay.h"

namespace {

using pde::test::RunUntil;
using pde::test::SelectedPrinter;

constexpr int kDialogs = 30;
// Far beyond the test's waits: only cancellation can end a fetch in time.
constexpr char kLongDeadline[] = "300";
constexpr auto kSettle = std::chrono::seconds(20);

long Entries(const char* directory) {
  long count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(directory)) ++count;
  return count;
}

// What the program holds, for a failure's message: its threads' names and its descriptors' targets.
std::string Holdings() {
  std::string text;
  for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
    std::ifstream comm(task.path() / "comm");
    std::string name;
    std::getline(comm, name);
    text += name + ", ";
  }
  for (const auto& fd : std::filesystem::directory_iterator("/proc/self/fd")) {
    std::error_code ignored;
    text += std::filesystem::read_symlink(fd.path(), ignored).string() + ", ";
  }
  return text;
}

// True while no fetch has its file beside the copies of the PPDs (a name that begins with ".").
bool NoFetchFile() {
  const std::filesystem::path copies =
      std::filesystem::path(std::getenv("XDG_CACHE_HOME")) / "pdekit" / "ppd";
  std::error_code missing;
  for (const auto& entry : std::filesystem::directory_iterator(copies, missing)) {
    if (entry.path().filename().string().starts_with(".")) return false;
  }
  return true;
}

// Opens a dialog for queue, waits until the module's fetch has made its file, destroys it.
void OpenStallAndClose(const std::string& queue) {
  GtkWidget* dialog = pde::test::ShowPrintDialog("Stalled", queue);
  EXPECT_TRUE(RunUntil([&] { return SelectedPrinter(dialog) == queue && !NoFetchFile(); }, kSettle))
      << "the module's fetch did not start";
  gtk_widget_destroy(dialog);
}

TEST(HostileServer, StalledFetchesEndWithTheirDialogs) {
  pde::test::ServerQueues cups;
  if (!pde::test::ReadServerQueues(&cups))
    GTEST_SKIP() << "needs the private server of tests/cups/private-cupsd.sh";
  PDE_REQUIRE_DISPLAY();
  const pde::test::Relay relay(pde::test::RelayMode::kStallPpd, cups.server);
  ASSERT_FALSE(relay.address().empty());
  setenv("CUPS_SERVER", relay.address().c_str(), 1);
  setenv("PDE_CUPS_TIMEOUT", kLongDeadline, 1);
  cupsSetServer(nullptr);  // this thread's libcups reads CUPS_SERVER again

  // The first dialog starts what GTK keeps for later ones.
  OpenStallAndClose(cups.queue);
  EXPECT_TRUE(RunUntil(NoFetchFile, kSettle)) << "the first fetch left its file";
  const long threads = Entries("/proc/self/task");
  const long descriptors = Entries("/proc/self/fd");
  for (int i = 0; i < kDialogs && !HasFailure(); ++i) OpenStallAndClose(cups.queue);
  EXPECT_TRUE(RunUntil(
      [&] {
        return NoFetchFile() && Entries("/proc/self/task") <= threads &&
               Entries("/proc/self/fd") <= descriptors;
      },
      kSettle))
      << Entries("/proc/self/task") << " threads (" << threads << " before), "
      << Entries("/proc/self/fd") << " descriptors (" << descriptors << " before): " << Holdings();

  setenv("CUPS_SERVER", cups.server.c_str(), 1);
  unsetenv("PDE_CUPS_TIMEOUT");
  cupsSetServer(nullptr);
}

}  // namespace
