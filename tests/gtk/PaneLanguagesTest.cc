// PaneLanguagesTest.cc: the pane in GTK in each of its languages, at both text scales and in a
// dark theme: nothing cut, labels and controls on one baseline, each label naming its control
// for assistive technologies and focusing it with Alt and its mnemonic.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "DialogSession.h"
#include "GtkDriving.h"
#include "PaneView.h"
#include "Paths.h"
#include "XDisplay.h"
#include "pde/CFHost.h"
#include "pde/ToolkitHost.h"

namespace pde::gtk {
namespace {

using pde::test::DrainEvents;
using pde::test::PressKey;

struct Look {
  const char* name;
  int dpiScale;  // as GDK_DPI_SCALE: GTK multiplies the font resolution by it
  bool dark;
};

constexpr const char* kLanguages[] = {"en", "de", "fr", "es", "ja"};
constexpr Look kLooks[] = {{"scale 1", 1, false}, {"scale 2", 2, false}, {"dark", 1, true}};

// Sets the font resolution as GDK_DPI_SCALE=scale does with the default 96 dpi, and the theme's
// dark variant, for the widgets made from now on.
void UseLook(const Look& look) {
  g_object_set(gtk_settings_get_default(), "gtk-xft-dpi", look.dpiScale * 96 * 1024,
               "gtk-application-prefer-dark-theme", look.dark, nullptr);
}

// The top of widget's baseline in its toplevel's coordinates; -1 when it has none.
int BaselineOf(GtkWidget* widget) {
  const int baseline = gtk_widget_get_allocated_baseline(widget);
  if (baseline < 0) return -1;
  int x = 0;
  int y = 0;
  gtk_widget_translate_coordinates(widget, gtk_widget_get_toplevel(widget), 0, baseline, &x, &y);
  return y;
}

// The vertical middle of widget's allocation in its toplevel's coordinates.
int MiddleOf(GtkWidget* widget) {
  int x = 0;
  int y = 0;
  gtk_widget_translate_coordinates(widget, gtk_widget_get_toplevel(widget), 0,
                                   gtk_widget_get_allocated_height(widget) / 2, &x, &y);
  return y;
}

// Whether accessible's relation set holds a "labelled-by" relation to target.
bool LabelledBy(AtkObject* accessible, AtkObject* target) {
  AtkRelationSet* relations = atk_object_ref_relation_set(accessible);
  AtkRelation* relation =
      atk_relation_set_get_relation_by_type(relations, ATK_RELATION_LABELLED_BY);
  const bool found = relation != nullptr && atk_relation_get_target(relation) != nullptr &&
                     g_ptr_array_find(atk_relation_get_target(relation), target, nullptr);
  g_object_unref(relations);
  return found;
}

class PaneLanguagesTest : public ::testing::Test {
 protected:
  void SetUp() override { PDE_REQUIRE_DISPLAY(); }
  void TearDown() override {
    UseLook(kLooks[0]);
    g_object_set(gtk_settings_get_default(), "gtk-xft-dpi", -1, nullptr);
    setenv("LANGUAGE", "", 1);
  }
};

TEST_F(PaneLanguagesTest, EveryLanguageAndLookShowsEverythingNamedAndReachable) {
  for (const char* language : kLanguages) {
    for (const Look& look : kLooks) {
      SCOPED_TRACE(std::string(language) + ", " + look.name);
      setenv("LANGUAGE", language, 1);
      UseLook(look);
      pdehost::DialogSession session;
      std::string error;
      ASSERT_TRUE(session.Open({pdehost::DefaultPpdPath(), pdehost::BuiltBundlePath(), {}}, &error))
          << error;
      ASSERT_TRUE(session.Start(&error)) << error;
      // Private mode and the department code on: every control enabled, so Alt reaches each.
      ChoosePopupItem(session.FindControl(5), 3);
      ChoosePopupItem(session.FindControl(7), 2);
      pde::RunLoopRunOnePass();
      std::unique_ptr<PaneView> view = PaneView::Create(session.window());
      ASSERT_NE(view, nullptr);
      GtkWidget* window = gtk_window_new(GTK_WINDOW_TOPLEVEL);
      gtk_container_add(GTK_CONTAINER(window), view->widget());
      gtk_widget_show(window);
      DrainEvents();

      std::set<guint> mnemonics;
      int labels = 0;
      for (const ControlSnapshot& snapshot : pde::SnapshotWindow(session.window())) {
        GtkWidget* widget = view->WidgetFor(snapshot.control);
        ASSERT_NE(widget, nullptr);
        if (snapshot.kind == ControlKind::kUserPane) continue;
        // At least the natural width, and for the fields the whole five-digit code.
        int minimum = 0;
        int natural = 0;
        gtk_widget_get_preferred_width(widget, &minimum, &natural);
        EXPECT_GE(gtk_widget_get_allocated_width(widget), natural) << snapshot.label;
        if (snapshot.kind == ControlKind::kEditText) {
          GdkRectangle area;
          gtk_entry_get_text_area(GTK_ENTRY(widget), &area);
          PangoRectangle text;
          pango_layout_get_pixel_extents(gtk_entry_get_layout(GTK_ENTRY(widget)), nullptr, &text);
          EXPECT_EQ(std::string(gtk_entry_get_text(GTK_ENTRY(widget))), "58203");
          EXPECT_GE(area.width, text.width);
        }
        if (snapshot.kind != ControlKind::kStaticText) continue;

        ++labels;
        GtkWidget* control = gtk_label_get_mnemonic_widget(GTK_LABEL(widget));
        ASSERT_NE(control, nullptr) << snapshot.label;
        const std::string shown = gtk_label_get_text(GTK_LABEL(widget));
        AtkObject* accessible = gtk_widget_get_accessible(control);
        EXPECT_EQ(std::string(atk_object_get_name(accessible)), shown);
        EXPECT_TRUE(LabelledBy(accessible, gtk_widget_get_accessible(widget))) << shown;
        if (GTK_IS_ENTRY(control)) {
          EXPECT_EQ(BaselineOf(widget), BaselineOf(control)) << shown;
          EXPECT_NE(BaselineOf(widget), -1) << shown;
        } else {
          // A combo box centres its text in its cell view as the label centres its own.
          EXPECT_NEAR(MiddleOf(widget), MiddleOf(gtk_bin_get_child(GTK_BIN(control))), 1) << shown;
        }

        const guint mnemonic = gtk_label_get_mnemonic_keyval(GTK_LABEL(widget));
        EXPECT_NE(mnemonic, static_cast<guint>(GDK_KEY_VoidSymbol)) << shown;
        EXPECT_TRUE(mnemonics.insert(mnemonic).second) << shown << " repeats a mnemonic";
        PressKey(window, mnemonic, GDK_MOD1_MASK);
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window));
        EXPECT_TRUE(focus == control || gtk_widget_is_ancestor(focus, control)) << shown;
      }
      EXPECT_EQ(labels, 6);
      gtk_widget_destroy(window);
      view.reset();
      DrainEvents();
    }
  }
}

}  // namespace
}  // namespace pde::gtk
