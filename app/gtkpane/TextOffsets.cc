// TextOffsets.cc: walks UTF-8 text by character, counting UTF-16 units.
#include "TextOffsets.h"

namespace pde::gtk {
namespace {

// Length in bytes of the UTF-8 sequence that starts with lead, and its UTF-16 units.
void MeasureCharacter(unsigned char lead, size_t* bytes, int* units) {
  if (lead < 0xC0) {
    *bytes = 1;  // ASCII, or a stray continuation byte counted alone
  } else if (lead < 0xE0) {
    *bytes = 2;
  } else if (lead < 0xF0) {
    *bytes = 3;
  } else {
    *bytes = 4;
  }
  *units = *bytes == 4 ? 2 : 1;
}

}  // namespace

int CharacterOffsetFromUtf16(std::string_view utf8Text, int utf16Offset) {
  int characters = 0;
  int units = 0;
  for (size_t at = 0; at < utf8Text.size() && units < utf16Offset; ++characters) {
    size_t bytes = 0;
    int width = 0;
    MeasureCharacter(static_cast<unsigned char>(utf8Text[at]), &bytes, &width);
    at += bytes;
    units += width;
  }
  return characters;
}

int Utf16OffsetFromCharacter(std::string_view utf8Text, int characterOffset) {
  int units = 0;
  size_t at = 0;
  for (int characters = 0; at < utf8Text.size() && characters < characterOffset; ++characters) {
    size_t bytes = 0;
    int width = 0;
    MeasureCharacter(static_cast<unsigned char>(utf8Text[at]), &bytes, &width);
    at += bytes;
    units += width;
  }
  return units;
}

}  // namespace pde::gtk
