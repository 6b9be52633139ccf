// BrowserPrintTest.cc: Firefox ESR and Chromium, each with the administrators' policy file of
// docs/examples, print a page through GTK's print dialog, whose pane tab gives the job the DIN
// typed there. Each browser runs once, under the private Xvfb with the build's GTK module (named
// in GTK_MODULES and GTK_PATH by the CTest entry; Chromium clears GTK_MODULES and gets it through
// GTK3_MODULES, as the package's environment.d file gives it) and the private CUPS server.
//
// Each browser reads its policy from a place the test owns, and the test makes sure that the
// policy, nothing else, brings GTK's dialog:
// - Firefox reads policies.json from the distribution directory next to its executable: the test
//   makes a private copy of the installation (the executable copied, everything else linked)
//   whose distribution directory holds the shipped file, and a profile whose user.js prefers
//   Firefox's own preview (print.prefer_system_dialog false), which the policy's lock overrides.
// - Chromium reads policies from /etc/chromium/policies only: it runs in a mount namespace of its
//   own (unshare) where the test's directory is mounted over /etc/chromium, and with a fresh
//   profile and no flag that would disable its preview.
// Nothing outside the test's temporary directory is written: HOME, TMPDIR and the XDG
// directories point into it, and the browsers get no session bus (none is started or autolaunched for them).
//
// The test works the browsers' windows from outside, as a person does: real keys and clicks
// through XTEST, at places found from the windows' titles and geometry. Run by
// tests/cups/private-cupsd.sh (see ModulePrintTest.cc); needs the Debian packages firefox-esr and
// chromium.
#include <cups/cups.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>
// Xlib's macros (None, Bool) would break GoogleTest's templates: X after it.
#include <X11/Xlib.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "GtkDriving.h"
#include "PrinterCode.h"
#include "PrivateServer.h"
#include "XDisplay.h"
#include "XInput.h"

namespace {

namespace fs = std::filesystem;
using pde::test::RealClickAt;
using pde::test::RealKey;
using pde::test::RunUntil;

constexpr char kFirefoxDir[] = "/usr/lib/firefox-esr";
constexpr char kFirefoxProgram[] = "firefox-esr";
// A policy file here wins over the one in the installation's distribution directory.
constexpr char kFirefoxSystemPolicy[] = "/etc/firefox/policies/policies.json";
constexpr char kChromium[] = "/usr/lib/chromium/chromium";
constexpr char kChromiumConfiguration[] = "/etc/chromium";

// The preferences of Firefox's profile: no first-run pages, nothing that reaches the network
// (every name resolves to this machine, without asking a name server, and any connection Firefox
// still tries goes to a closed local port through the proxy), and the
// preview preferred over the system dialog, as a user could set it.
constexpr char kUserPreferences[] = R"(user_pref("print.prefer_system_dialog", false);
user_pref("browser.shell.checkDefaultBrowser", false);
user_pref("browser.startup.homepage_override.mstone", "ignore");
user_pref("browser.aboutwelcome.enabled", false);
user_pref("datareporting.policy.dataSubmissionEnabled", false);
user_pref("datareporting.healthreport.uploadEnabled", false);
user_pref("toolkit.telemetry.reportingpolicy.firstRun", false);
user_pref("browser.safebrowsing.malware.enabled", false);
user_pref("browser.safebrowsing.phishing.enabled", false);
user_pref("browser.safebrowsing.downloads.enabled", false);
user_pref("browser.safebrowsing.blockedURIs.enabled", false);
user_pref("browser.safebrowsing.update.enabled", false);
user_pref("network.captive-portal-service.enabled", false);
user_pref("network.connectivity-service.enabled", false);
user_pref("app.normandy.enabled", false);
user_pref("extensions.update.enabled", false);
user_pref("dom.push.connection.enabled", false);
user_pref("network.dns.disablePrefetch", true);
user_pref("network.predictor.enabled", false);
user_pref("network.trr.mode", 5);
user_pref("network.proxy.type", 1);
user_pref("network.proxy.http", "127.0.0.1");
user_pref("network.proxy.http_port", 9);
user_pref("network.proxy.ssl", "127.0.0.1");
user_pref("network.proxy.ssl_port", 9);
user_pref("network.proxy.socks_remote_dns", true);
user_pref("network.dns.forceResolve", "127.0.0.1");
user_pref("network.dns.native_https_query", false);
user_pref("services.settings.server", "http://127.0.0.1:9/v1");
)";

// A top-level window on the screen: its place and size.
struct WindowArea {
  int x = 0, y = 0, width = 0, height = 0;
};

// The UTF-8 title (_NET_WM_NAME) of window, or "" when it has none.
std::string WindowTitle(Display* display, Window window) {
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  std::string title;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_NAME", False), 0, 1024,
                         False, XInternAtom(display, "UTF8_STRING", False), &type, &format, &count,
                         &after, &data) == Success &&
      data != nullptr) {
    if (format == 8) title.assign(reinterpret_cast<char*>(data), count);
    XFree(data);
  }
  return title;
}

// Finds the viewable top-level window whose title is title, or starts with it when prefix is
// set (there is no window manager: top-level windows are the root window's children). A window
// the browser destroys meanwhile is passed over: its X errors are trapped, not fatal.
bool FindWindow(const std::string& title, bool prefix, WindowArea* area) {
  GdkDisplay* gdkDisplay = gdk_display_get_default();
  Display* display = gdk_x11_display_get_xdisplay(gdkDisplay);
  Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  gdk_x11_display_error_trap_push(gdkDisplay);
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) {
    gdk_x11_display_error_trap_pop_ignored(gdkDisplay);
    return false;
  }
  bool found = false;
  for (unsigned i = 0; i < count && !found; ++i) {
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, children[i], &attributes) ||
        attributes.map_state != IsViewable)
      continue;
    const std::string name = WindowTitle(display, children[i]);
    if (prefix ? name.rfind(title, 0) == 0 : name == title) {
      *area = {attributes.x, attributes.y, attributes.width, attributes.height};
      found = true;
    }
  }
  if (children != nullptr) XFree(children);
  gdk_x11_display_error_trap_pop_ignored(gdkDisplay);
  return found;
}

void WriteFile(const fs::path& path, const std::string& text) {
  std::ofstream(path) << text;
}

// Whether this process may make a user and mount namespace (unshare -Urm).
bool CanUnshare() {
  gint status = -1;
  return g_spawn_command_line_sync("unshare -Urm true", nullptr, nullptr, &status, nullptr) &&
         g_spawn_check_wait_status(status, nullptr);
}

class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pde::test::ReadServerQueues(&cups_))
      GTEST_SKIP() << "needs the private server of tests/cups/private-cupsd.sh";
    PDE_REQUIRE_REAL_INPUT();
    gchar* work = g_dir_make_tmp("pde-browser-XXXXXX", nullptr);
    ASSERT_NE(work, nullptr);
    work_ = work;
    g_free(work);
    home_ = work_ / "home";
    fs::create_directories(home_ / "run");
    fs::permissions(home_ / "run", fs::perms::owner_all);
    fs::create_directories(home_ / "tmp");
    WriteFile(work_ / "hello.html",
              "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>Print test</title>"
              "</head><body><h1>Hello from a browser</h1></body></html>\n");
  }

  void TearDown() override {
    browser_.reset();  // before its files go
    for (int fd : {output_, errors_})
      if (fd >= 0) close(fd);
    if (!work_.empty()) {
      std::error_code ignored;
      fs::remove_all(work_, ignored);
    }
  }

  // Skips the test, or fails it in CI, when the browser's Debian package is missing.
  static bool Installed(const fs::path& program, const char* package) {
    if (fs::exists(program)) return true;
    if (pde::test::RunningInCI()) ADD_FAILURE() << package << " is not installed";
    return false;
  }

  // Starts a browser with argv on the test's page, in a process group of its own, with a private
  // home, no session bus, the module's debug log on and the environment changes given.
  void StartBrowser(std::vector<std::string> argv, const std::vector<std::string>& changes) {
    argv.push_back("file://" + (work_ / "hello.html").string());
    std::vector<std::string> environment = {
        "HOME=" + home_.string(),
        "XDG_CONFIG_HOME=" + (home_ / ".config").string(),
        "XDG_CACHE_HOME=" + (home_ / ".cache").string(),
        "XDG_DATA_HOME=" + (home_ / ".local/share").string(),
        "XDG_RUNTIME_DIR=" + (home_ / "run").string(),
        "TMPDIR=" + (home_ / "tmp").string(),
        "DBUS_SESSION_BUS_ADDRESS=unix:path=" + (work_ / "no-bus").string(),
        "G_MESSAGES_DEBUG=pdekit",
        "GTK_USE_PORTAL=0"};
    environment.insert(environment.end(), changes.begin(), changes.end());
    browser_ = std::make_unique<pde::test::Child>();
    browser_->ownGroup = true;  // its helper processes go with it
    ASSERT_TRUE(pde::test::Spawn(argv, pde::test::EnvironmentWith(environment), browser_.get(),
                                 &output_, &errors_));
    for (int fd : {output_, errors_}) fcntl(fd, F_SETFL, O_NONBLOCK);
  }

  // True once the browser's output (the module's debug log among it) holds text; reading also
  // keeps its pipes from filling up.
  bool BrowserSaid(const std::string& text) {
    char buffer[4096];
    for (int fd : {output_, errors_})
      for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) > 0;) said_.append(buffer, n);
    return said_.find(text) != std::string::npos;
  }

  bool WaitForWindow(const std::string& title, bool prefix, WindowArea* area,
                     std::chrono::seconds deadline) {
    return RunUntil(
        [&] {
          BrowserSaid("");
          return FindWindow(title, prefix, area);
        },
        deadline);
  }

  // Prints the page as a person does: Ctrl+P, GTK's dialog, the family's queue, the pane's tab,
  // Private and din typed, Print; then checks the printer's data.
  void PrintWithTheDin(const std::string& din) {
    WindowArea page, dialog;
    ASSERT_TRUE(WaitForWindow("Print test", true, &page, std::chrono::seconds(90)))
        << "the browser showed no window with the page:\n" << said_;
    RealClickAt(page.x + page.width / 2, page.y + page.height / 2);  // into the page
    RealKey(GDK_KEY_p, GDK_CONTROL_MASK);
    ASSERT_TRUE(WaitForWindow("Print", false, &dialog, std::chrono::seconds(30)))
        << "no system print dialog: without the policy the browser shows its own preview\n"
        << said_;

    // The printer list, as GTK lays it out at the dialog's top left, then its last printer, the
    // family's queue ("q" sorts after "declined" and "plain"). The list fills in as the server
    // answers: End again until the pane names the printer's model in the module's debug log.
    RealClickAt(dialog.x + 300, dialog.y + 240);
    ASSERT_TRUE(RunUntil(
        [&] {
          RealKey(GDK_KEY_End);
          return RunUntil([&] { return BrowserSaid("VELMORA q-RX730Series"); },
                          std::chrono::seconds(2));
        },
        std::chrono::seconds(60)))
        << "no pane for the queue in the browser's dialog:\n" << said_;
    RealClickAt(dialog.x + 40, dialog.y + 18);  // the first page's tab: the keyboard is in the tabs
    RealKey(GDK_KEY_Right);
    RealKey(GDK_KEY_Right);  // General, Page Setup, Printer Features
    RealKey(GDK_KEY_Tab);    // the print mode
    RealKey(GDK_KEY_Down);
    RealKey(GDK_KEY_Down);  // Normal, Proof, Private
    RealKey(GDK_KEY_Tab);   // the DIN, its code selected
    pde::test::RealType(din);
    const int before = pde::test::CountJobs(cups_.queue, CUPS_WHICHJOBS_COMPLETED);
    RealClickAt(dialog.x + dialog.width - 55, dialog.y + dialog.height - 30);  // Print

    ASSERT_TRUE(RunUntil(
        [&] {
          BrowserSaid("");
          return pde::test::JobsCompleted(cups_.queue, before);
        },
        std::chrono::seconds(90)))
        << "the browser's job did not complete:\n" << said_;
    pde::test::PaneOptions chosen{{"PrintMode", "Private"}};
    pde::test::SetCode(&chosen, "DINDigit", din);
    EXPECT_EQ(pde::test::CheckPrinterCode(pde::test::ReadWholeFile(cups_.device), chosen), "");
  }

  pde::test::ServerQueues cups_;
  fs::path work_, home_;
  std::unique_ptr<pde::test::Child> browser_;
  int output_ = -1, errors_ = -1;
  std::string said_;
};

TEST_F(LiveServer, FirefoxEsrWithThePolicyPrintsTheDinTypedInTheTab) {
  if (!Installed(fs::path(kFirefoxDir) / kFirefoxProgram, "firefox-esr"))
    GTEST_SKIP() << "Firefox ESR is not installed (Debian package firefox-esr)";
  if (fs::exists(kFirefoxSystemPolicy))
    GTEST_SKIP() << kFirefoxSystemPolicy << " exists: Firefox would take it instead of the test's";
  // The installation's copy, with the shipped policy file in its distribution directory.
  const fs::path copy = work_ / "firefox";
  fs::create_directories(copy / "distribution");
  for (const fs::directory_entry& entry : fs::directory_iterator(kFirefoxDir)) {
    const fs::path name = entry.path().filename();
    if (name == "distribution") continue;
    // Firefox finds its directory from its executable's real path: that one is copied.
    if (name == kFirefoxProgram)
      fs::copy_file(entry.path(), copy / name);
    else
      fs::create_symlink(entry.path(), copy / name);
  }
  fs::copy_file(PDE_FIREFOX_POLICY, copy / "distribution" / "policies.json");
  const fs::path profile = work_ / "firefox-profile";
  fs::create_directories(profile);
  WriteFile(profile / "user.js", kUserPreferences);

  ASSERT_NO_FATAL_FAILURE(StartBrowser({(copy / kFirefoxProgram).string(), "--no-remote",
                                        "--new-instance", "--profile", profile.string()},
                                       {"MOZ_CRASHREPORTER_DISABLE=1"}));
  PrintWithTheDin("24680");
}

TEST_F(LiveServer, ChromiumWithThePolicyPrintsTheDinTypedInTheTab) {
  if (!Installed(kChromium, "chromium"))
    GTEST_SKIP() << "Chromium is not installed (Debian package chromium)";
  if (!fs::is_directory(kChromiumConfiguration) || !CanUnshare()) {
    if (pde::test::RunningInCI()) FAIL() << "no mount namespace over " << kChromiumConfiguration;
    GTEST_SKIP() << "cannot mount the test's policies over " << kChromiumConfiguration
                 << " in a namespace of its own (unshare -Urm)";
  }
  // Chromium's configuration directory as the package has it, with the shipped policy file.
  const fs::path configuration = work_ / "chromium-etc";
  fs::create_directories(configuration / "policies" / "managed");
  for (const fs::directory_entry& entry : fs::directory_iterator(kChromiumConfiguration))
    if (entry.is_regular_file())
      fs::copy_file(entry.path(), configuration / entry.path().filename());
  fs::copy_file(PDE_CHROMIUM_POLICY, configuration / "policies" / "managed" / "pdekit.json");

  // Chromium runs as the namespace's root, where its own sandbox cannot start. Any connection it
  // tries goes to a closed local port, any name lookup fails.
  ASSERT_NO_FATAL_FAILURE(StartBrowser(
      {"unshare", "-Urm", "--propagation", "private", "sh", "-c",
       "mount --bind \"$0\" /etc/chromium && exec \"$@\"", configuration.string(), kChromium,
       "--no-sandbox", "--ozone-platform=x11",
       "--user-data-dir=" + (work_ / "chromium-profile").string(), "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
       "--disable-component-update", "--disable-sync", "--proxy-server=127.0.0.1:9",
       "--host-resolver-rules=MAP * ~NOTFOUND, EXCLUDE 127.0.0.1"},
      {"GTK3_MODULES=pdekit-gtk-module"}));
  PrintWithTheDin("13579");
}

}  // namespace
