// Emitters.cc: the KEY=VALUE and JSON writers of the job's PPD options.
#include "Emitters.h"

namespace pdehost {

namespace {

constexpr char kHexDigits[] = "0123456789abcdef";

bool IsControlByte(unsigned char byte) { return byte < 0x20 || byte == 0x7F; }

std::string EscapeLineValue(const std::string& value) {
  std::string out;
  for (const char c : value) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '\\') {
      out += "\\\\";
    } else if (IsControlByte(byte)) {
      out += "\\x";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out;
}

std::string JsonString(const std::string& text) {
  std::string out = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\t') {
      out += "\\t";
    } else if (IsControlByte(byte)) {
      out += "\\u00";
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0xF];
    } else {
      out += c;
    }
  }
  return out + "\"";
}

}  // namespace

std::string FormatOptionLines(const OptionMap& options) {
  std::string out;
  for (const auto& [key, value] : options) out += key + "=" + EscapeLineValue(value) + "\n";
  return out;
}

std::string FormatOptionJson(const OptionMap& options) {
  if (options.empty()) return "{}\n";
  std::string out = "{\n";
  size_t remaining = options.size();
  for (const auto& [key, value] : options) {
    out += "  " + JsonString(key) + ": " + JsonString(value) + (--remaining > 0 ? ",\n" : "\n");
  }
  return out + "}\n";
}

}  // namespace pdehost
