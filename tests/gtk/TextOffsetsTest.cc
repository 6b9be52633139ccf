// TextOffsetsTest.cc: model (UTF-16) and GTK (character) offsets over one- to four-byte text.
#include "TextOffsets.h"

#include <gtest/gtest.h>

namespace pde::gtk {
namespace {

// "a", "é" (2 bytes), "€" (3 bytes), "😀" (4 bytes, a surrogate pair), "b".
constexpr char kMixed[] =
    "a\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80"
    "b";

TEST(TextOffsets, CharactersToUtf16Units) {
  const int expected[] = {0, 1, 2, 3, 5, 6};
  for (int characters = 0; characters <= 5; ++characters) {
    EXPECT_EQ(Utf16OffsetFromCharacter(kMixed, characters), expected[characters]) << characters;
  }
  EXPECT_EQ(Utf16OffsetFromCharacter(kMixed, 9), 6);
  EXPECT_EQ(Utf16OffsetFromCharacter(kMixed, -1), 0);
  EXPECT_EQ(Utf16OffsetFromCharacter("", 3), 0);
}

TEST(TextOffsets, Utf16UnitsToCharacters) {
  const int expected[] = {0, 1, 2, 3, 4, 4, 5};
  for (int units = 0; units <= 6; ++units) {
    EXPECT_EQ(CharacterOffsetFromUtf16(kMixed, units), expected[units]) << units;
  }
  EXPECT_EQ(CharacterOffsetFromUtf16(kMixed, 40), 5);
  EXPECT_EQ(CharacterOffsetFromUtf16(kMixed, -2), 0);
  EXPECT_EQ(CharacterOffsetFromUtf16("58203", 5), 5);
}

}  // namespace
}  // namespace pde::gtk
