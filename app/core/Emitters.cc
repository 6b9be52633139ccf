// Emitters.cc: the KEY=VALUE, JSON Lines and lp writers of the job's PPD options and jobs.
#include "Emitters.h"

#include <string_view>

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

bool IsPlainText(const std::string& text) {
  for (const char c : text) {
    const bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                       std::string_view("_-.+/:@%=").find(c) != std::string_view::npos;
    if (!plain) return false;
  }
  return !text.empty();
}

// A value as libcups's option parser reads it: bare when plain, else in double quotes with a
// backslash before '"' and '\\'.
std::string CupsValue(const std::string& value) {
  if (IsPlainText(value)) return value;
  std::string out = "\"";
  for (const char c : value) {
    if (c == '"' || c == '\\') out += '\\';
    out += c;
  }
  return out + "\"";
}

// A word as the shell reads it: bare when plain, else in single quotes, a quote written '\''.
std::string ShellWord(const std::string& word) {
  if (IsPlainText(word)) return word;
  std::string out = "'";
  for (const char c : word) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return out + "'";
}

}  // namespace

std::string FormatOptionLines(const OptionMap& options) {
  std::string out;
  for (const auto& [key, value] : options) out += key + "=" + EscapeLineValue(value) + "\n";
  return out;
}

std::string FormatOptionJson(const OptionMap& options) {
  std::string out = "{\"options\":{";
  for (const auto& [key, value] : options) {
    if (out.back() != '{') out += ',';
    out += JsonString(key) + ":" + JsonString(value);
  }
  return out + "}}\n";
}

std::string FormatOptionLp(const OptionMap& options) {
  std::string out;
  for (const auto& [key, value] : options) {
    out += (out.empty() ? "-o " : " -o ") + ShellWord(key + "=" + CupsValue(value));
  }
  return out + "\n";
}

std::string FormatOptions(EmitFormat format, const OptionMap& options) {
  switch (format) {
    case EmitFormat::kJson:
      return FormatOptionJson(options);
    case EmitFormat::kLp:
      return FormatOptionLp(options);
    case EmitFormat::kLines:
      break;
  }
  return FormatOptionLines(options);
}

std::string FormatSubmittedJob(EmitFormat format, int job, const std::string& queue) {
  if (format == EmitFormat::kJson) {
    return "{\"job\":" + std::to_string(job) + ",\"queue\":" + JsonString(queue) + "}\n";
  }
  return "submitted job " + std::to_string(job) + " to " + queue + "\n";
}

}  // namespace pdehost
