// EscapedText.cc: outside bytes escaped for terminals and messages.
#include "pde/EscapedText.h"

namespace pde {
namespace {

bool IsContinuation(unsigned char byte) {
  return (byte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 character at the start of text (2 to 4 bytes, no
// overlong forms, no surrogates), or 0.
std::size_t Utf8CharacterLength(std::string_view text) {
  const auto first = static_cast<unsigned char>(text[0]);
  std::size_t length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC2 ? 2 : 0;
  if (length == 0 || first > 0xF4 || text.size() < length) return 0;
  for (std::size_t i = 1; i < length; ++i) {
    if (!IsContinuation(static_cast<unsigned char>(text[i]))) return 0;
  }
  const auto second = static_cast<unsigned char>(text[1]);
  if ((first == 0xE0 && second < 0xA0) || (first == 0xED && second >= 0xA0) ||
      (first == 0xF0 && second < 0x90) || (first == 0xF4 && second >= 0x90)) {
    return 0;
  }
  if (first == 0xC2 && second < 0xA0) return 0;  // U+0080 to U+009F: the C1 controls
  return length;
}

}  // namespace

std::string EscapeBytes(std::string_view bytes) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string escaped;
  escaped.reserve(bytes.size());
  for (std::size_t i = 0; i < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[i]);
    if (byte == '\\') {
      escaped += "\\\\";
      ++i;
      continue;
    }
    if (byte >= 0x20 && byte < 0x7F) {
      escaped += static_cast<char>(byte);
      ++i;
      continue;
    }
    if (std::size_t length = byte >= 0x80 ? Utf8CharacterLength(bytes.substr(i)) : 0) {
      escaped.append(bytes.substr(i, length));
      i += length;
      continue;
    }
    escaped += "\\x";
    escaped += kHex[byte >> 4];
    escaped += kHex[byte & 0xF];
    ++i;
  }
  return escaped;
}

}  // namespace pde
