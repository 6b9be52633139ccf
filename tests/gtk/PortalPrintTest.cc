// PortalPrintTest.cc: printing through the desktop portal, as a sandboxed application does. A
// private session bus runs xdg-desktop-portal and xdg-desktop-portal-gtk, the latter with the
// build's GTK module in its environment, under Xvfb and against the private CUPS server. The test
// asks org.freedesktop.portal.Print for PreparePrint, works the dialog the portal service shows
// (another process) with real keys, and sends a PDF with Print and the token it got: the settings
// handed back hold no DIN keyword, and the printer gets the DIN typed in the dialog.
//
// Run by tests/cups/private-cupsd.sh (see ModulePrintTest.cc); needs the Debian packages
// xdg-desktop-portal and xdg-desktop-portal-gtk. The services end with the bus, which the test
// stops by its process ID.
#include <cairo-pdf.h>
#include <cups/cups.h>
#include <fcntl.h>
#include <gio/gio.h>
#include <gio/gunixfdlist.h>
#include <gtest/gtest.h>
#include <gdk/gdkx.h>
#include <gtk/gtk.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ChildProcess.h"
#include "GtkDriving.h"
#include "PrinterCode.h"
#include "PrivateServer.h"
#include "XDisplay.h"
#include "XInput.h"

namespace {

using pde::test::Child;
using pde::test::EnvironmentWith;
using pde::test::RealClick;
using pde::test::RealKey;
using pde::test::RealType;
using pde::test::RunUntil;
using pde::test::Spawn;

constexpr char kPortal[] = "/usr/libexec/xdg-desktop-portal";
constexpr char kPortalGtk[] = "/usr/libexec/xdg-desktop-portal-gtk";

// A one-page PDF at path.
void WritePdf(const std::string& path) {
  cairo_surface_t* surface = cairo_pdf_surface_create(path.c_str(), 595, 842);
  cairo_t* cr = cairo_create(surface);
  cairo_move_to(cr, 72, 72);
  cairo_show_text(cr, "Hello through the portal");
  cairo_destroy(cr);
  cairo_surface_destroy(surface);
}

class LiveServer : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!pde::test::ReadServerQueues(&cups_))
      GTEST_SKIP() << "needs the private server of tests/cups/private-cupsd.sh";
    for (const char* program : {kPortal, kPortalGtk, "dbus-daemon"}) {
      if (!g_file_test(program, G_FILE_TEST_IS_EXECUTABLE) &&
          g_find_program_in_path(program) == nullptr) {
        if (pde::test::RunningInCI()) FAIL() << program << " is not installed";
        GTEST_SKIP() << program << " is not installed (Debian xdg-desktop-portal-gtk, dbus)";
      }
    }
    PDE_REQUIRE_REAL_INPUT();
  }

  // Starts a private session bus, which starts the portal services when they are first asked
  // for, with the environment a session's services get: the module, as the installed
  // environment.d file gives it.
  void StartPortal() {
    const std::vector<std::string> env =
        EnvironmentWith({"XDG_CURRENT_DESKTOP=GNOME", "GTK_MODULES=pdekit-gtk-module",
                         "GTK_USE_PORTAL=0", "G_MESSAGES_DEBUG=pdekit"});
    ASSERT_TRUE(Spawn({"dbus-daemon", "--session", "--nofork", "--print-address=1"}, env, &bus_,
                      &servicesOutput_, nullptr));
    std::string address;
    char c = 0;
    while (read(servicesOutput_, &c, 1) == 1 && c != '\n') address += c;
    fcntl(servicesOutput_, F_SETFL, O_NONBLOCK);
    ASSERT_FALSE(address.empty()) << "the session bus gave no address";
    address_ = address;
    GError* error = nullptr;
    connection_ = g_dbus_connection_new_for_address_sync(
        address.c_str(),
        static_cast<GDBusConnectionFlags>(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                                          G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &error);
    ASSERT_NE(connection_, nullptr) << error->message;
  }

  void TearDown() override {
    g_clear_object(&connection_);
    if (servicesOutput_ >= 0) close(servicesOutput_);
  }

  // True once the services' standard output (the module's debug log) holds text.
  bool ServicesSaid(const std::string& text) {
    char buffer[4096];
    for (ssize_t n; (n = read(servicesOutput_, buffer, sizeof buffer)) > 0;)
      servicesSaid_.append(buffer, n);
    return servicesSaid_.find(text) != std::string::npos;
  }

  // Calls a method of org.freedesktop.portal.Print that answers through a Request object, and
  // waits for that answer; returns its results, or null when the response is not 0.
  GVariant* CallAndWaitForResponse(const char* method, GVariant* parameters,
                                   GUnixFDList* fds = nullptr) {
    struct Answer {
      std::optional<guint32> response;
      GVariant* results = nullptr;
    } answer;
    const guint subscription = g_dbus_connection_signal_subscribe(
        connection_, "org.freedesktop.portal.Desktop", "org.freedesktop.portal.Request", "Response",
        nullptr, nullptr, G_DBUS_SIGNAL_FLAGS_NONE,
        [](GDBusConnection*, const gchar*, const gchar*, const gchar*, const gchar*,
           GVariant* parameters, gpointer data) {
          auto* answer = static_cast<Answer*>(data);
          guint32 response = 0;
          g_variant_get(parameters, "(u@a{sv})", &response, &answer->results);
          answer->response = response;
        },
        &answer, nullptr);
    GError* error = nullptr;
    GVariant* reply = g_dbus_connection_call_with_unix_fd_list_sync(
        connection_, "org.freedesktop.portal.Desktop", "/org/freedesktop/portal/desktop",
        "org.freedesktop.portal.Print", method, parameters, G_VARIANT_TYPE("(o)"),
        G_DBUS_CALL_FLAGS_NONE, 60000, fds, nullptr, nullptr, &error);
    EXPECT_NE(reply, nullptr) << method << ": " << (error != nullptr ? error->message : "");
    if (reply != nullptr) g_variant_unref(reply);
    if (error != nullptr) g_error_free(error);
    if (reply != nullptr && std::string(method) == "PreparePrint") WorkTheDialog();
    RunUntil(
        [&] {
          ServicesSaid("");  // keeps the services' pipe from filling up
          return answer.response.has_value();
        },
        std::chrono::seconds(60));
    g_dbus_connection_signal_unsubscribe(connection_, subscription);
    EXPECT_EQ(answer.response.value_or(99), 0u) << method << " was not answered with success";
    if (answer.response.value_or(99) != 0 && answer.results != nullptr) {
      g_variant_unref(answer.results);
      return nullptr;
    }
    return answer.results;
  }

  // Works the portal service's dialog: the pane's tab, Private mode, the DIN typed, Print, each as
  // a person's keys and clicks.
  void WorkTheDialog() {
    // The dialog of the other process, once its pane is open: the pane names the printer's
    // model in the module's debug log.
    ASSERT_TRUE(
        RunUntil([&] { return ServicesSaid("VELMORA q-RX730Series"); }, std::chrono::seconds(60)))
        << "no pane in the portal's dialog:\n"
        << servicesSaid_;
    pde::test::RealClickAt(40, 18);  // the first page's tab: the keyboard is in the tabs then
    RealKey(GDK_KEY_Right);
    RealKey(GDK_KEY_Right);
    RealKey(GDK_KEY_Tab);  // the print mode
    RealKey(GDK_KEY_Down);
    RealKey(GDK_KEY_Down);  // Normal, Proof, Private
    RealKey(GDK_KEY_Tab);   // the DIN, its code selected
    RealType("24680");
    // Print, at the dialog's lower right corner as GTK lays it out.
    int width = 0, height = 0;
    ASSERT_TRUE(LargestWindowSize(&width, &height));
    pde::test::RealClickAt(width - 55, height - 30);
  }

  // The size of the largest window on the screen (the portal service's dialog, at the screen's
  // origin without a window manager).
  static bool LargestWindowSize(int* width, int* height) {
    Display* display = gdk_x11_display_get_xdisplay(gdk_display_get_default());
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
      return false;
    *width = *height = 0;
    for (unsigned i = 0; i < count; ++i) {
      XWindowAttributes attributes;
      if (XGetWindowAttributes(display, children[i], &attributes) &&
          attributes.map_state == IsViewable && attributes.x == 0 && attributes.y == 0 &&
          attributes.width * attributes.height > *width * *height) {
        *width = attributes.width;
        *height = attributes.height;
      }
    }
    if (children != nullptr) XFree(children);
    return *width > 0;
  }

  pde::test::ServerQueues cups_;
  Child bus_;
  std::string address_;      // the private session bus
  int servicesOutput_ = -1;  // the standard output of the bus and the services it starts
  std::string servicesSaid_;
  GDBusConnection* connection_ = nullptr;
};

TEST_F(LiveServer, ThePortalsDialogHasTheTabAndItsJobTheDinTyped) {
  ASSERT_NO_FATAL_FAILURE(StartPortal());
  GVariantBuilder settings;
  g_variant_builder_init(&settings, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&settings, "{sv}", "printer", g_variant_new_string(cups_.queue.c_str()));
  GVariant* prepared = CallAndWaitForResponse(
      "PreparePrint",
      g_variant_new("(ss@a{sv}@a{sv}@a{sv})", "", "Portal test", g_variant_builder_end(&settings),
                    g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0),
                    g_variant_new_array(G_VARIANT_TYPE("{sv}"), nullptr, 0)));
  ASSERT_NE(prepared, nullptr);
  GVariant* handedBack = g_variant_lookup_value(prepared, "settings", G_VARIANT_TYPE_VARDICT);
  ASSERT_NE(handedBack, nullptr);
  gchar* text = g_variant_print(handedBack, FALSE);
  const std::string readBack = text;
  g_free(text);
  EXPECT_EQ(readBack.find("DINDigit"), std::string::npos) << readBack;
  EXPECT_NE(readBack.find("'cups-PrintMode': <'Private'>"), std::string::npos) << readBack;
  guint32 token = 0;
  EXPECT_TRUE(g_variant_lookup(prepared, "token", "u", &token));
  g_variant_unref(handedBack);
  g_variant_unref(prepared);

  const std::string pdf =
      std::string(std::getenv("TMPDIR") ? std::getenv("TMPDIR") : "/tmp") + "/portal-test.pdf";
  WritePdf(pdf);
  const int fd = open(pdf.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_GE(fd, 0);
  GUnixFDList* fds = g_unix_fd_list_new_from_array(&fd, 1);
  GVariantBuilder options;
  g_variant_builder_init(&options, G_VARIANT_TYPE_VARDICT);
  g_variant_builder_add(&options, "{sv}", "token", g_variant_new_uint32(token));
  const int before = pde::test::CountJobs(cups_.queue, CUPS_WHICHJOBS_COMPLETED);
  GVariant* printed = CallAndWaitForResponse(
      "Print", g_variant_new("(ssh@a{sv})", "", "Portal test", 0, g_variant_builder_end(&options)),
      fds);
  g_object_unref(fds);
  if (printed != nullptr) g_variant_unref(printed);
  std::filesystem::remove(pdf);
  ASSERT_TRUE(RunUntil([&] { return pde::test::JobsCompleted(cups_.queue, before); }))
      << "the portal's job did not complete";
  pde::test::PaneOptions chosen{{"PrintMode", "Private"}};
  pde::test::SetCode(&chosen, "DINDigit", "24680");
  EXPECT_EQ(pde::test::CheckPrinterCode(pde::test::ReadWholeFile(cups_.device), chosen), "");
}

// A GTK 4 application, which loads no GTK 3 module, printing through the portal as GTK 4 does
// for sandboxed applications (GDK_DEBUG=portals makes it do so unsandboxed): the portal's dialog
// has the tab, and the job the DIN typed there.
TEST_F(LiveServer, AGtk4ApplicationPrintsThroughThePortalWithTheTab) {
  ASSERT_NO_FATAL_FAILURE(StartPortal());
  Child application;
  ASSERT_TRUE(Spawn({PDE_GTK4_PRINT, cups_.queue},
                    EnvironmentWith({"DBUS_SESSION_BUS_ADDRESS=" + address_, "GDK_DEBUG=portals",
                                     "GDK_BACKEND=x11", "GTK_MODULES="}),
                    &application, nullptr, nullptr));
  const int before = pde::test::CountJobs(cups_.queue, CUPS_WHICHJOBS_COMPLETED);
  ASSERT_NO_FATAL_FAILURE(WorkTheDialog());
  int status = -1;
  bool finished = false;
  ASSERT_TRUE(RunUntil(
      [&] {
        ServicesSaid("");
        finished = finished || waitpid(application.pid, &status, WNOHANG) == application.pid;
        return finished;
      },
      std::chrono::seconds(60)))
      << "the GTK 4 application did not finish";
  g_spawn_close_pid(application.pid);
  application.pid = 0;
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "status " << status;
  ASSERT_TRUE(RunUntil([&] { return pde::test::JobsCompleted(cups_.queue, before); }))
      << "the application's job did not complete";
  pde::test::PaneOptions chosen{{"PrintMode", "Private"}};
  pde::test::SetCode(&chosen, "DINDigit", "24680");
  EXPECT_EQ(pde::test::CheckPrinterCode(pde::test::ReadWholeFile(cups_.device), chosen), "");
}

}  // namespace
