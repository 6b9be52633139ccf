// KeyMappingTest.cc: every character key and every editing key as the model receives it.
#include "KeyMapping.h"

#include <gtest/gtest.h>

#include "Carbon/CarbonEvents.h"
#include "pde/CFHost.h"

namespace pde::gtk {
namespace {

constexpr auto kNone = static_cast<GdkModifierType>(0);

TEST(KeyMapping, CharacterKeysAreTheirMacRomanBytesOrAreDropped) {
  const struct {
    guint keyval;
    KeyRoute route;
    unsigned char code;
  } keys[] = {{GDK_KEY_a, KeyRoute::kDispatch, 'a'},
              {GDK_KEY_7, KeyRoute::kDispatch, '7'},
              {GDK_KEY_eacute, KeyRoute::kDispatch, 0x8E},
              {GDK_KEY_nobreakspace, KeyRoute::kDispatch, 0xCA},
              {GDK_KEY_EuroSign, KeyRoute::kDispatch, 0xDB},
              {GDK_KEY_brokenbar, KeyRoute::kSwallow, 0},    // Latin-1, not in MacRoman
              {GDK_KEY_Greek_alpha, KeyRoute::kSwallow, 0},  // not in MacRoman
              {0x7F, KeyRoute::kPassToGtk, 0},
              {0x85, KeyRoute::kPassToGtk, 0}};  // C1 controls are no characters
  for (const auto& key : keys) {
    const KeyDecision decision = DecideKey(key.keyval, kNone);
    EXPECT_EQ(decision.route, key.route) << "keyval 0x" << std::hex << key.keyval;
    if (key.route == KeyRoute::kDispatch) {
      EXPECT_EQ(decision.charCode, key.code) << "keyval 0x" << std::hex << key.keyval;
      EXPECT_EQ(decision.modifiers, 0u);
    }
  }
}

TEST(KeyMapping, EditingKeysAreTheModelsCharCodes) {
  const struct {
    guint keyval;
    unsigned char code;
  } keys[] = {{GDK_KEY_BackSpace, kBackspaceCharCode},
              {GDK_KEY_Delete, kDeleteCharCode},
              {GDK_KEY_KP_Delete, kDeleteCharCode},
              {GDK_KEY_Left, kLeftArrowCharCode},
              {GDK_KEY_KP_Left, kLeftArrowCharCode},
              {GDK_KEY_Right, kRightArrowCharCode},
              {GDK_KEY_Home, kHomeCharCode},
              {GDK_KEY_End, kEndCharCode},
              {GDK_KEY_Tab, kTabCharCode},
              {GDK_KEY_Return, kReturnCharCode},
              {GDK_KEY_KP_Enter, kEnterCharCode}};
  for (const auto& key : keys) {
    const KeyDecision decision = DecideKey(key.keyval, kNone);
    EXPECT_EQ(decision.route, KeyRoute::kDispatch) << gdk_keyval_name(key.keyval);
    EXPECT_EQ(decision.charCode, key.code) << gdk_keyval_name(key.keyval);
  }
}

TEST(KeyMapping, ShortcutsSelectionAndFocusKeysStayWithGtk) {
  EXPECT_EQ(DecideKey(GDK_KEY_v, GDK_CONTROL_MASK).route, KeyRoute::kPassToGtk);
  EXPECT_EQ(DecideKey(GDK_KEY_BackSpace, GDK_CONTROL_MASK).route, KeyRoute::kPassToGtk);
  EXPECT_EQ(DecideKey(GDK_KEY_1, GDK_MOD1_MASK).route, KeyRoute::kPassToGtk);
  EXPECT_EQ(DecideKey(GDK_KEY_Left, GDK_SHIFT_MASK).route, KeyRoute::kPassToGtk);
  EXPECT_EQ(DecideKey(GDK_KEY_End, GDK_SHIFT_MASK).route, KeyRoute::kPassToGtk);
  EXPECT_EQ(DecideKey(GDK_KEY_ISO_Left_Tab, GDK_SHIFT_MASK).route, KeyRoute::kPassToGtk);
  EXPECT_EQ(DecideKey(GDK_KEY_Escape, kNone).route, KeyRoute::kPassToGtk);
  EXPECT_EQ(DecideKey(GDK_KEY_Up, kNone).route, KeyRoute::kPassToGtk);
  EXPECT_EQ(DecideKey(GDK_KEY_F1, kNone).route, KeyRoute::kPassToGtk);

  // Shift with a character is the character, and the model hears of the Shift key.
  const KeyDecision capital = DecideKey(GDK_KEY_A, GDK_SHIFT_MASK);
  EXPECT_EQ(capital.route, KeyRoute::kDispatch);
  EXPECT_EQ(capital.charCode, 'A');
  EXPECT_EQ(capital.modifiers, UInt32{shiftKey});
  EXPECT_EQ(DecideKey(GDK_KEY_BackSpace, GDK_SHIFT_MASK).charCode, kBackspaceCharCode);
}

}  // namespace
}  // namespace pde::gtk
