// PaneRendererTest.cc: the text drawing of `show`, from hand-made window snapshots.
#include <gtest/gtest.h>

#include "PaneRenderer.h"

namespace pdehost {
namespace {

using pde::ControlKind;
using pde::ControlSnapshot;

ControlSnapshot Control(ControlKind kind, Rect bounds) {
  ControlSnapshot control;
  control.kind = kind;
  control.bounds = bounds;
  return control;
}

ControlSnapshot Label(Rect bounds, std::string text) {
  ControlSnapshot label = Control(ControlKind::kStaticText, bounds);
  label.label = std::move(text);
  return label;
}

ControlSnapshot Popup(Rect bounds, std::vector<std::string> items, SInt32 value) {
  ControlSnapshot popup = Control(ControlKind::kPopupButton, bounds);
  popup.items = std::move(items);
  popup.value = value;
  return popup;
}

ControlSnapshot Field(Rect bounds, std::string text) {
  ControlSnapshot field = Control(ControlKind::kEditText, bounds);
  field.text = std::move(text);
  return field;
}

// The pane as the nib lays it out: labels at 20, controls at 200, rows 32 apart, inside the
// host's pane and the nib's content pane.
std::vector<ControlSnapshot> Pane() {
  return {
      Control(ControlKind::kUserPane, {0, 0, 220, 460}),
      Control(ControlKind::kUserPane, {0, 0, 220, 460}),
      Label({20, 20, 40, 190}, "Print Mode:"),
      Popup({20, 200, 40, 360}, {"Normal", "Proof", "Private", "Hold"}, 3),
      Label({52, 20, 72, 190}, "DIN:"),
      Field({52, 200, 72, 270}, "58203"),
      Label({84, 20, 104, 190}, "Department Code:"),
      Popup({84, 200, 104, 360}, {"Off", "On"}, 1),
      Label({116, 20, 136, 190}, "Code:"),
      Field({116, 200, 136, 270}, "58203"),
  };
}

TEST(PaneRenderer, DrawsControlsAtTheirBounds) {
  std::vector<ControlSnapshot> pane = Pane();
  pane[9].enabled = false;
  pane[7].enabled = false;
  EXPECT_EQ(RenderPane("Printer Features", pane),
            "+- Printer Features ----------------------------------------+\n"
            "| Print Mode:                   [Private                 v] |\n"
            "| DIN:                          [58203     ]                |\n"
            "| Department Code:              (Off                     v) |\n"
            "| Code:                         (58203     )                |\n"
            "+-----------------------------------------------------------+\n");
}

// The golden sessions show the caret; here the selections they never show.
TEST(PaneRenderer, MarksTheSelectionOfTheFocusedField) {
  std::vector<ControlSnapshot> pane = Pane();
  pane[5].focused = true;
  pane[5].selection = {2, 5};
  std::string drawing = RenderPane("T", pane);
  EXPECT_NE(drawing.find("| DIN:                          [58|203|   ]"), std::string::npos)
      << drawing;

  pane[5].selection = {4, 1};  // reversed
  drawing = RenderPane("T", pane);
  EXPECT_NE(drawing.find("[5|820|3   ]"), std::string::npos) << drawing;

  pane[5].text = "\xF0\x9F\x98\x80" "1";  // one character of two UTF-16 units, then a digit
  pane[5].selection = {2, 3};
  drawing = RenderPane("T", pane);
  EXPECT_NE(drawing.find("[\xF0\x9F\x98\x80|1|      ]"), std::string::npos) << drawing;
}

TEST(PaneRenderer, LongTextsControlCharactersAndGroupBoxes) {
  std::vector<ControlSnapshot> controls = {
      Field({0, 0, 20, 30}, "123456789\x01"),
      Popup({30, 0, 50, 60}, {"A"}, 0),
  };
  ControlSnapshot box = Control(ControlKind::kGroupBox, {60, 0, 150, 72});
  box.label = "Box";
  controls.push_back(box);
  controls.push_back(Label({90, 12, 110, 60}, "in"));
  EXPECT_EQ(RenderPane("Long", controls),
            "+- Long -------+\n"
            "| [123456789?] |\n"
            "| [       v]   |\n"
            "| +- Box ----+ |\n"
            "| | in       | |\n"
            "| +----------+ |\n"
            "+--------------+\n");
}

// A translated pane: a wide character takes two columns, as in a terminal, so the columns stay
// lined up; a label's mnemonic mark is not drawn, and "__" is one underscore.
TEST(PaneRenderer, WideCharactersTakeTwoColumnsAndMnemonicMarksNone) {
  const std::vector<ControlSnapshot> controls = {
      Label({0, 0, 20, 60}, "印刷(_P):"),
      Popup({0, 66, 20, 126}, {"標準"}, 1),
      Label({30, 0, 50, 60}, "a__b:"),
      Popup({30, 66, 50, 126}, {"ab"}, 1),
  };
  EXPECT_EQ(RenderPane("プリンタ", controls),
            "+- プリンタ ------------+\n"
            "| 印刷(P):   [標準   v] |\n"
            "| a_b:       [ab     v] |\n"
            "+-----------------------+\n");
}

TEST(PaneRenderer, AnEmptyWindowSaysSo) {
  EXPECT_EQ(RenderPane("Empty", {Control(ControlKind::kUserPane, {0, 0, 10, 10})}),
            "+- Empty -------+\n"
            "| (no controls) |\n"
            "+---------------+\n");
}

}  // namespace
}  // namespace pdehost
