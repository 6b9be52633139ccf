// Utf8.h: decoding and checking UTF-8 text for the host's readers and renderer.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace pdehost {

// The code points of text, or nothing when text is not well-formed UTF-8 (overlong forms,
// surrogates and code points above U+10FFFF are refused).
std::optional<std::u32string> DecodeUtf8(std::string_view text);

// True when text is well-formed UTF-8.
bool IsValidUtf8(std::string_view text);

// The UTF-8 form of a code point (which must be at most U+10FFFF and no surrogate).
std::string EncodeUtf8(char32_t codePoint);

}  // namespace pdehost
