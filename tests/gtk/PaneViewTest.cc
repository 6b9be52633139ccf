// PaneViewTest.cc: the real pane in GTK widgets under Xvfb, driven by synthesised GTK events, and
// shown in each of its languages and looks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <set>
#include <string>

#include "DialogSession.h"
#include "GtkDriving.h"
#include "PaneControls.h"
#include "PaneView.h"
#include "Paths.h"
#include "XDisplay.h"
#include "pde/CFHost.h"
#include "pde/ToolkitHost.h"

// The error bells rung: gtk_widget_error_bell rings through this call of GDK's, which the test
// program defines in GDK's place.
namespace {
int bells = 0;
}  // namespace
extern "C" void gdk_window_beep(GdkWindow*) {
  ++bells;
}

namespace pde::gtk {
namespace {

using pde::test::DrainEvents;
using pde::test::PressKey;
using pde::test::TypeKeys;

constexpr int kPrintModeID = pdehost::kPrintModeControl;
constexpr int kDinID = pdehost::kDinControl;
constexpr int kDepartmentID = pdehost::kDepartmentControl;
constexpr int kDcID = pdehost::kDcControl;

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

// The plug-in's pane for the supported sample printer, shown by a PaneView in a GTK window.
class PaneViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    PDE_REQUIRE_DISPLAY();
    ASSERT_NO_FATAL_FAILURE(ShowPane());
  }
  void TearDown() override { ClosePane(); }

  // Opens a fresh session, chooses each (pop-up ID, item) in the model and lets the run loop's
  // pass enable what they enable, then shows the pane in a new GTK window.
  void ShowPane(std::initializer_list<std::pair<int, int>> chosen = {}) {
    ClosePane();
    session_ = std::make_unique<pdehost::DialogSession>();
    std::string error;
    ASSERT_TRUE(session_->Open({pdehost::DefaultPpdPath(), pdehost::BuiltBundlePath(), {}}, &error))
        << error;
    ASSERT_TRUE(session_->Start(&error)) << error;
    ASSERT_TRUE(session_->paneShown()) << "status " << session_->lastStatus();
    for (auto [id, item] : chosen) ChoosePopupItem(Control(id), item);
    if (chosen.size() > 0) pde::RunLoopRunOnePass();
    view_ = PaneView::Create(session_->window());
    ASSERT_NE(view_, nullptr);
    window_ = gtk_window_new(GTK_WINDOW_TOPLEVEL);
    gtk_container_add(GTK_CONTAINER(window_), view_->widget());
    gtk_widget_show(window_);
    DrainEvents();
  }
  void ClosePane() {
    if (window_ != nullptr) gtk_widget_destroy(window_);
    window_ = nullptr;
    view_.reset();
    session_.reset();
    DrainEvents();
  }

  ControlRef Control(int id) const { return session_->FindControl(id); }
  GtkWidget* Widget(int id) const { return view_->WidgetFor(Control(id)); }
  // The label that names a control's widget.
  GtkWidget* Label(int id) const {
    GList* labels = gtk_widget_list_mnemonic_labels(Widget(id));
    GtkWidget* label = labels != nullptr ? GTK_WIDGET(labels->data) : nullptr;
    g_list_free(labels);
    return label;
  }
  std::string EntryText(int id) const { return gtk_entry_get_text(GTK_ENTRY(Widget(id))); }
  std::string ModelText(int id) const { return pde::SnapshotControl(Control(id)).text; }
  // The model's selection as (start, end) UTF-16 units.
  std::pair<int, int> ModelSelection(int id) const {
    const ControlEditTextSelectionRec selection = pde::SnapshotControl(Control(id)).selection;
    return {selection.selStart, selection.selEnd};
  }
  // The entry's selection as (start, end) characters; the caret twice when nothing is selected.
  std::pair<int, int> EntrySelection(int id) const {
    gint start = 0;
    gint end = 0;
    if (!gtk_editable_get_selection_bounds(GTK_EDITABLE(Widget(id)), &start, &end)) {
      start = end = gtk_editable_get_position(GTK_EDITABLE(Widget(id)));
    }
    return {start, end};
  }
  ControlRef ModelFocus() const {
    ControlRef focus = nullptr;
    GetKeyboardFocus(session_->window(), &focus);
    return focus;
  }
  void Choose(int id, int item) {
    gtk_combo_box_set_active(GTK_COMBO_BOX(Widget(id)), item - 1);
    DrainEvents();
  }
  // Chooses Private and focuses the DIN field it enables, as Tab does.
  void FocusDIN() {
    Choose(kPrintModeID, 3);
    gtk_widget_grab_focus(Widget(kDinID));
    DrainEvents();
  }

  std::unique_ptr<pdehost::DialogSession> session_;
  std::unique_ptr<PaneView> view_;
  GtkWidget* window_ = nullptr;
};

TEST_F(PaneViewTest, BuildsOneWidgetPerControlInTheNibsRowsAndColumns) {
  EXPECT_TRUE(GTK_IS_COMBO_BOX_TEXT(Widget(kPrintModeID)));
  EXPECT_TRUE(GTK_IS_ENTRY(Widget(kDinID)));
  EXPECT_TRUE(GTK_IS_COMBO_BOX_TEXT(Widget(kDepartmentID)));
  EXPECT_TRUE(GTK_IS_ENTRY(Widget(kDcID)));
  // Each label in the first column, its control beside it, in the nib's order from the top.
  int row = 0;
  for (const ControlSnapshot& snapshot : pde::SnapshotWindow(session_->window())) {
    GtkWidget* widget = view_->WidgetFor(snapshot.control);
    ASSERT_NE(widget, nullptr) << snapshot.label;
    if (snapshot.kind == ControlKind::kUserPane) {
      EXPECT_TRUE(GTK_IS_GRID(widget));
      continue;
    }
    int left = -1;
    int top = -1;
    gtk_container_child_get(GTK_CONTAINER(gtk_widget_get_parent(widget)), widget, "left-attach",
                            &left, "top-attach", &top, nullptr);
    EXPECT_EQ(left, snapshot.kind == ControlKind::kStaticText ? 0 : 1) << snapshot.label;
    EXPECT_EQ(top, row / 2) << snapshot.label;
    ++row;
    if (snapshot.kind == ControlKind::kStaticText) {
      ASSERT_TRUE(GTK_IS_LABEL(widget));
      EXPECT_EQ(gtk_label_get_text(GTK_LABEL(widget)), snapshot.label);
    }
  }
  EXPECT_EQ(row, 12);

  // The nib's width is the least a control takes: the DIN field's is 70.
  EXPECT_GE(gtk_widget_get_allocated_width(Widget(kDinID)), 70);

  gchar* mode = gtk_combo_box_text_get_active_text(GTK_COMBO_BOX_TEXT(Widget(kPrintModeID)));
  EXPECT_STREQ(mode, "Normal");
  g_free(mode);
  EXPECT_EQ(EntryText(kDinID), "58203");
  EXPECT_FALSE(gtk_widget_get_sensitive(Widget(kDinID)));
  EXPECT_FALSE(gtk_widget_get_sensitive(Widget(kDcID)));
}

TEST_F(PaneViewTest, TheTypicalUseThroughGtkEvents) {
  // A disabled field's label is insensitive with it.
  ASSERT_NE(Label(kDinID), nullptr);
  EXPECT_FALSE(gtk_widget_get_sensitive(Label(kDinID)));
  Choose(kPrintModeID, 3);
  EXPECT_EQ(pde::SnapshotControl(Control(kPrintModeID)).value, 3);
  EXPECT_TRUE(IsControlEnabled(Control(kDinID)));
  EXPECT_TRUE(gtk_widget_get_sensitive(Widget(kDinID)));
  EXPECT_TRUE(gtk_widget_get_sensitive(Label(kDinID)));
  EXPECT_FALSE(gtk_widget_get_sensitive(Label(kDcID)));
  bells = 0;

  // Focusing the field as Tab does selects its text, in GTK and so in the model.
  gtk_widget_grab_focus(Widget(kDinID));
  DrainEvents();
  EXPECT_EQ(ModelFocus(), Control(kDinID));
  EXPECT_EQ(ModelSelection(kDinID), std::make_pair(0, 5));

  TypeKeys(Widget(kDinID), "24680");
  EXPECT_EQ(ModelText(kDinID), "24680");
  EXPECT_EQ(EntryText(kDinID), "24680");
  EXPECT_EQ(EntrySelection(kDinID), std::make_pair(5, 5));

  EXPECT_EQ(bells, 0);

  TypeKeys(Widget(kDinID), "7x");  // a sixth digit and a letter: the key filters refuse both
  EXPECT_EQ(ModelText(kDinID), "24680");
  EXPECT_EQ(EntryText(kDinID), "24680");
  EXPECT_EQ(bells, 2);  // each refusal rings the bell; editing keys that change nothing do not
  PressKey(Widget(kDinID), GDK_KEY_Delete);
  EXPECT_EQ(bells, 2);

  Choose(kDepartmentID, 2);
  EXPECT_TRUE(IsControlEnabled(Control(kDcID)));
  EXPECT_TRUE(gtk_widget_get_sensitive(Widget(kDcID)));

  // Tab moves the model's focus to the next field, selecting its text; GTK's focus follows.
  PressKey(Widget(kDinID), GDK_KEY_Tab);
  EXPECT_EQ(ModelFocus(), Control(kDcID));
  EXPECT_EQ(gtk_window_get_focus(GTK_WINDOW(window_)), Widget(kDcID));
  EXPECT_EQ(EntrySelection(kDcID), std::make_pair(0, 5));
  TypeKeys(Widget(kDcID), "417");
  EXPECT_EQ(ModelText(kDcID), "417");
  EXPECT_EQ(EntryText(kDcID), "417");

  ASSERT_EQ(session_->Sync(false), noErr);
  pdehost::OptionMap options;
  std::string error;
  ASSERT_TRUE(session_->PrintSettings(&options, &error)) << error;
  EXPECT_EQ(options["PrintMode"], "Private");
  EXPECT_EQ(options["DeptCode"], "True");
  std::string codes;
  for (const char* prefix : {"DINDigit", "DCDigit"})
    for (char digit = '1'; digit <= '5'; ++digit) codes += options[prefix + std::string(1, digit)];
  EXPECT_EQ(codes, "2468000417");

  // pane.png in English, pane-<language>.png in the language LANGUAGE names.
  if (const char* directory = std::getenv("PDE_SCREENSHOT_DIR")) {
    const char* language = std::getenv("LANGUAGE");
    const std::string name =
        language == nullptr || *language == '\0' || std::string(language) == "en"
            ? "pane.png"
            : "pane-" + std::string(language) + ".png";
    EXPECT_TRUE(pde::test::SaveWidgetPng(window_, std::string(directory) + "/" + name));
  }
}

TEST_F(PaneViewTest, EditingKeysAndGtkSelectionsActOnTheModel) {
  FocusDIN();
  PressKey(Widget(kDinID), GDK_KEY_End);
  EXPECT_EQ(ModelSelection(kDinID), std::make_pair(5, 5));
  PressKey(Widget(kDinID), GDK_KEY_BackSpace);
  EXPECT_EQ(ModelText(kDinID), "5820");
  PressKey(Widget(kDinID), GDK_KEY_Home);
  PressKey(Widget(kDinID), GDK_KEY_Right);
  PressKey(Widget(kDinID), GDK_KEY_Delete);
  EXPECT_EQ(ModelText(kDinID), "520");
  EXPECT_EQ(EntryText(kDinID), "520");
  EXPECT_EQ(EntrySelection(kDinID), std::make_pair(1, 1));
  TypeKeys(Widget(kDinID), "9");
  EXPECT_EQ(ModelText(kDinID), "5920");
  PressKey(Widget(kDinID), GDK_KEY_Left);
  EXPECT_EQ(EntrySelection(kDinID), std::make_pair(1, 1));

  // Shift+End and Control+A are GTK's own selection keys; the model takes the selection made.
  PressKey(Widget(kDinID), GDK_KEY_End, GDK_SHIFT_MASK);
  EXPECT_EQ(ModelSelection(kDinID), std::make_pair(1, 4));
  PressKey(Widget(kDinID), GDK_KEY_a, GDK_CONTROL_MASK);
  EXPECT_EQ(ModelSelection(kDinID), std::make_pair(0, 4));
  TypeKeys(Widget(kDinID), "13579");
  TypeKeys(Widget(kDinID), "2");
  EXPECT_EQ(ModelText(kDinID), "13579");
  EXPECT_EQ(EntryText(kDinID), "13579");
}

TEST_F(PaneViewTest, GtkCannotEditAnEntryBehindTheModelsBack) {
  FocusDIN();
  // Input methods, drag and drop and editing shortcuts insert or delete text directly.
  gint position = 0;
  gtk_editable_insert_text(GTK_EDITABLE(Widget(kDinID)), "abc", 3, &position);
  gtk_editable_delete_text(GTK_EDITABLE(Widget(kDinID)), 0, 2);
  PressKey(Widget(kDinID), GDK_KEY_BackSpace, GDK_CONTROL_MASK);
  DrainEvents();
  EXPECT_EQ(EntryText(kDinID), "58203");
  EXPECT_EQ(ModelText(kDinID), "58203");
  // A character with no MacRoman byte cannot reach the model and is dropped.
  PressKey(Widget(kDinID), gdk_unicode_to_keyval(0x4E2D));
  EXPECT_EQ(ModelText(kDinID), "58203");
  EXPECT_EQ(EntryText(kDinID), "58203");
}

TEST_F(PaneViewTest, PasteAndCutGoThroughTheModel) {
  FocusDIN();
  GtkClipboard* clipboard = gtk_widget_get_clipboard(Widget(kDinID), GDK_SELECTION_CLIPBOARD);
  gtk_clipboard_set_text(clipboard, "12ab\xc3\xa9", -1);
  // A paste has no key events: no filter sees it, and the model takes the text as it is.
  PressKey(Widget(kDinID), GDK_KEY_v, GDK_CONTROL_MASK);
  DrainEvents();
  EXPECT_EQ(ModelText(kDinID), "12ab\xc3\xa9");
  EXPECT_EQ(EntryText(kDinID), "12ab\xc3\xa9");
  EXPECT_EQ(EntrySelection(kDinID), std::make_pair(5, 5));

  PressKey(Widget(kDinID), GDK_KEY_Home, GDK_SHIFT_MASK);
  PressKey(Widget(kDinID), GDK_KEY_x, GDK_CONTROL_MASK);
  DrainEvents();
  EXPECT_EQ(ModelText(kDinID), "");
  EXPECT_EQ(EntryText(kDinID), "");
  gchar* cut = gtk_clipboard_wait_for_text(clipboard);
  EXPECT_STREQ(cut, "12ab\xc3\xa9");
  g_free(cut);
}

TEST_F(PaneViewTest, AViewOutlivingItsGtkWindowIsDestroyedCleanly) {
  gtk_widget_destroy(window_);
  window_ = nullptr;
  DrainEvents();
  view_.reset();
  DrainEvents();
  EXPECT_TRUE(IsControlEnabled(Control(kPrintModeID)));
}

// In each language, at both text scales and in a dark theme: nothing cut, labels and controls on
// one baseline, each label naming its control for assistive technologies and focusing it with Alt
// and its mnemonic.
TEST_F(PaneViewTest, EveryLanguageAndLookShowsEverythingNamedAndReachable) {
  struct RestoreLook {
    ~RestoreLook() {
      UseLook(kLooks[0]);
      g_object_set(gtk_settings_get_default(), "gtk-xft-dpi", -1, nullptr);
      setenv("LANGUAGE", "", 1);
    }
  } restore;
  for (const char* language : kLanguages) {
    for (const Look& look : kLooks) {
      SCOPED_TRACE(std::string(language) + ", " + look.name);
      setenv("LANGUAGE", language, 1);
      UseLook(look);
      // Private mode and the department code on: every control enabled, so Alt reaches each.
      ASSERT_NO_FATAL_FAILURE(ShowPane({{kPrintModeID, 3}, {kDepartmentID, 2}}));
      std::set<guint> mnemonics;
      int labels = 0;
      for (const ControlSnapshot& snapshot : pde::SnapshotWindow(session_->window())) {
        GtkWidget* widget = view_->WidgetFor(snapshot.control);
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
        PressKey(window_, mnemonic, GDK_MOD1_MASK);
        GtkWidget* focus = gtk_window_get_focus(GTK_WINDOW(window_));
        EXPECT_TRUE(focus == control || gtk_widget_is_ancestor(focus, control)) << shown;
      }
      EXPECT_EQ(labels, 6);
    }
  }
}

}  // namespace
}  // namespace pde::gtk
