// Text.h: conversions between UTF-16 text and the byte encodings the string calls accept
// (internal).
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "pde/CFHost.h"

namespace pde::cf {

// UTF-8 of UTF-16 text; unpaired surrogates become U+FFFD.
std::string UTF16ToUTF8(std::u16string_view text);
// UTF-16 of UTF-8 text; nothing when the bytes are not valid UTF-8.
std::optional<std::u16string> UTF8ToUTF16(std::string_view utf8);
// UTF-16 of UTF-8 text; each invalid byte becomes U+FFFD.
std::u16string UTF8ToUTF16Lenient(std::string_view utf8);
// UTF-16 of ASCII text (for numbers and fixed descriptions).
std::u16string ASCIIToUTF16(std::string_view ascii);

// Decodes bytes in encoding; nothing for an unknown encoding or bytes it does not allow.
// UTF-16 bytes follow their byte-order mark (which is dropped), else big-endian when
// unmarkedBigEndian, else little-endian (this machine's order).
std::optional<std::u16string> Decode(std::string_view bytes, CFStringEncoding encoding,
                                     bool unmarkedBigEndian = true);
// Encodes text in a byte encoding (not UTF-16); nothing when a character has no representation.
std::optional<std::string> Encode(std::u16string_view text, CFStringEncoding encoding);

}  // namespace pde::cf
