// TextOffsets.h: converting text offsets between the model (UTF-16 units) and GTK (characters).
#pragma once

#include <string_view>

namespace pde::gtk {

// The character offset in utf8Text at which utf16Offset UTF-16 units end. An offset inside a
// surrogate pair counts the whole character; offsets below 0 give 0, past the end the length.
int CharacterOffsetFromUtf16(std::string_view utf8Text, int utf16Offset);

// The number of UTF-16 units of the first characterOffset characters of utf8Text. Offsets below
// 0 give 0, past the end the text's length in units.
int Utf16OffsetFromCharacter(std::string_view utf8Text, int characterOffset);

}  // namespace pde::gtk
