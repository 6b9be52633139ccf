// HostWindowTest.cc: the window of pdehost --gui: the pane, a live summary, Print and Cancel.
#include "HostWindow.h"

#include <gtest/gtest.h>

#include <optional>

#include "GtkDriving.h"
#include "GuiSession.h"
#include "Paths.h"
#include "PpdScan.h"
#include "XDisplay.h"

namespace pde::gtk {
namespace {

using pde::test::DrainEvents;
using Outcome = HostWindow::Outcome;

class HostWindowTest : public ::testing::Test {
 protected:
  void SetUp() override { PDE_REQUIRE_DISPLAY(); }
  void Open(const std::string& ppd = pdehost::DefaultPpdPath()) {
    pdehost::SessionSetup setup{ppd, pdehost::BuiltBundlePath(), {}};
    std::string error;
    ASSERT_TRUE(session_.Open(setup, &error)) << error;
    ASSERT_TRUE(session_.Start(&error)) << error;
    window_ =
        std::make_unique<HostWindow>(&session_, [this](Outcome outcome) { outcome_ = outcome; });
    window_->Present();
    DrainEvents();
  }
  void TearDown() override {
    window_.reset();
    DrainEvents();
  }
  GtkWidget* Widget(int id) const { return window_->view()->WidgetFor(session_.FindControl(id)); }
  // Chooses Private and focuses the DIN field it enables.
  void FocusDIN() {
    gtk_combo_box_set_active(GTK_COMBO_BOX(Widget(5)), 2);
    DrainEvents();
    gtk_widget_grab_focus(Widget(6));
    DrainEvents();
  }

  pdehost::DialogSession session_;
  std::unique_ptr<HostWindow> window_;
  std::optional<Outcome> outcome_;
};

TEST_F(HostWindowTest, TheSummaryFollowsThePaneAndPrintSyncsTheTicket) {
  Open();
  ASSERT_NE(window_->view(), nullptr);
  EXPECT_STREQ(gtk_window_get_title(GTK_WINDOW(window_->window())), "pdehost: Printer Features");
  EXPECT_EQ(window_->SummaryText(),
            "Print Mode: Normal\nBlank Pages: Off\nDistinguish Thin Lines: Off");

  FocusDIN();
  pde::test::TypeKeys(Widget(6), "13579");
  EXPECT_EQ(window_->SummaryText(),
            "Print Mode: Private\nDIN: 13579\nBlank Pages: Off\nDistinguish Thin Lines: Off");

  // Alt+P presses Print: the pane's labels leave the buttons' mnemonics to them.
  pde::test::PressKey(window_->window(), GDK_KEY_p, GDK_MOD1_MASK);
  // A button activated by its key shows itself pressed for a moment before it clicks.
  const gint64 deadline = g_get_monotonic_time() + G_USEC_PER_SEC;
  while (!outcome_.has_value() && g_get_monotonic_time() < deadline) {
    g_main_context_iteration(nullptr, FALSE);
    g_usleep(1000);
  }
  ASSERT_TRUE(outcome_.has_value());
  EXPECT_EQ(*outcome_, Outcome::kPrinted);
  EXPECT_FALSE(gtk_widget_get_visible(window_->window()));
  pdehost::OptionMap options;
  std::string error;
  ASSERT_TRUE(session_.PrintSettings(&options, &error)) << error;
  EXPECT_EQ(options["PrintMode"], "Private");
  EXPECT_EQ(options["DINDigit5"], "9");
}

// The window's size stays while the DIN and department-code rows come and go; Escape cancels.
TEST_F(HostWindowTest, KeepsItsSizeWhileRowsComeAndGoAndEscapeCancels) {
  Open();
  // What the window asks for, which does not wait for the X server to configure it.
  GtkRequisition before{};
  gtk_widget_get_preferred_size(window_->window(), nullptr, &before);
  gtk_combo_box_set_active(GTK_COMBO_BOX(Widget(5)), 2);  // Private: the DIN row comes
  gtk_combo_box_set_active(GTK_COMBO_BOX(Widget(7)), 1);  // the department code's row too
  DrainEvents();
  ASSERT_EQ(window_->SummaryText(),
            "Print Mode: Private\nDIN: 58203\nBlank Pages: Off\nDistinguish Thin Lines: Off\n"
            "Department Code: 58203");
  GtkRequisition after{};
  gtk_widget_get_preferred_size(window_->window(), nullptr, &after);
  EXPECT_EQ(std::pair(after.width, after.height), std::pair(before.width, before.height));

  pde::test::PressKey(Widget(5), GDK_KEY_Escape);
  ASSERT_TRUE(outcome_.has_value());
  EXPECT_EQ(*outcome_, Outcome::kCancelled);
}

// Return in a field prints, as in any dialog.
TEST_F(HostWindowTest, ReturnPrints) {
  Open();
  FocusDIN();
  pde::test::PressKey(Widget(6), GDK_KEY_Return);
  ASSERT_TRUE(outcome_.has_value());
  EXPECT_EQ(*outcome_, Outcome::kPrinted);
}

TEST_F(HostWindowTest, ClosingTheWindowCancelsOnce) {
  Open();
  GdkEvent* event = gdk_event_new(GDK_DELETE);
  event->any.window = GDK_WINDOW(g_object_ref(gtk_widget_get_window(window_->window())));
  gtk_main_do_event(event);
  gdk_event_free(event);
  ASSERT_TRUE(outcome_.has_value());
  EXPECT_EQ(*outcome_, Outcome::kCancelled);
  outcome_.reset();
  gtk_button_clicked(GTK_BUTTON(window_->printButton()));
  EXPECT_FALSE(outcome_.has_value());
  pdehost::OptionMap options;
  std::string error;
  ASSERT_TRUE(session_.PrintSettings(&options, &error)) << error;
  EXPECT_TRUE(options.empty());
}

TEST_F(HostWindowTest, APrinterThePaneDeclinesShowsNoPane) {
  Open(PDE_SAMPLE_PPD_DIR "/Generic-Laser.ppd");
  EXPECT_FALSE(session_.paneShown());
  EXPECT_EQ(window_->view(), nullptr);
  EXPECT_EQ(window_->SummaryText(), "");
  gtk_button_clicked(GTK_BUTTON(window_->cancelButton()));
  ASSERT_TRUE(outcome_.has_value());
  EXPECT_EQ(*outcome_, Outcome::kCancelled);
}

// Presses the button labelled label in the first visible toplevel that has one.
gboolean PressButtonOfVisibleWindow(gpointer label) {
  GList* toplevels = gtk_window_list_toplevels();
  for (GList* window = toplevels; window != nullptr; window = window->next) {
    if (!gtk_widget_get_visible(GTK_WIDGET(window->data))) continue;
    for (GtkWidget* button : pde::test::WidgetsOf(GTK_WIDGET(window->data), GTK_TYPE_BUTTON)) {
      if (g_strcmp0(gtk_button_get_label(GTK_BUTTON(button)), static_cast<char*>(label)) == 0) {
        gtk_button_clicked(GTK_BUTTON(button));
        g_list_free(toplevels);
        return G_SOURCE_REMOVE;
      }
    }
  }
  g_list_free(toplevels);
  return G_SOURCE_REMOVE;
}

TEST_F(HostWindowTest, TheGuiSessionWritesTheOptionsOnPrintAndNothingOnCancel) {
  pdehost::SessionSetup setup{
      pdehost::DefaultPpdPath(), pdehost::BuiltBundlePath(), {{"BlankPage", "True"}}};
  std::string error;
  ASSERT_TRUE(session_.Open(setup, &error)) << error;
  ASSERT_TRUE(session_.Start(&error)) << error;
  pdehost::HostOptions options;
  pdehost::PpdFacts facts;
  ASSERT_TRUE(pdehost::ScanPpd(pdehost::DefaultPpdPath(), &facts, &error)) << error;
  pdehost::OptionCheck check(facts.options, true);
  std::string out;
  g_idle_add(PressButtonOfVisibleWindow, const_cast<char*>("_Cancel"));
  EXPECT_EQ(pdehost::RunGuiSession(&session_, options, &check, &out), 1);
  EXPECT_EQ(out, "");

  g_idle_add(PressButtonOfVisibleWindow, const_cast<char*>("_Print"));
  EXPECT_EQ(pdehost::RunGuiSession(&session_, options, &check, &out), 0);
  EXPECT_EQ(out,
            "BlankPage=True\nDCDigit1=5\nDCDigit2=8\nDCDigit3=2\nDCDigit4=0\nDCDigit5=3\n"
            "DINDigit1=5\nDINDigit2=8\nDINDigit3=2\nDINDigit4=0\nDINDigit5=3\nDeptCode=False\n"
            "DistinguishThinLines=False\nPrintMode=Normal\n");
}

}  // namespace
}  // namespace pde::gtk
