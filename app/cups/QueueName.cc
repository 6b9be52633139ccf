// QueueName.cc: checks and encodes CUPS queue names before they go into requests.
#include "QueueName.h"

namespace pde::cups::internal {

namespace {

constexpr std::size_t kMaxQueueNameLength = 127;
constexpr std::string_view kRefusedCharacters = "/\\#?'\"";

bool IsUnreserved(unsigned char byte) {
  return (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
         (byte >= '0' && byte <= '9') || byte == '-' || byte == '.' || byte == '_' || byte == '~';
}

}  // namespace

bool IsValidQueueName(std::string_view name) {
  if (name.empty() || name.size() > kMaxQueueNameLength) return false;
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte == 0x7F) return false;
    if (kRefusedCharacters.find(c) != std::string_view::npos) return false;
  }
  return true;
}

std::string EncodeQueueNameForPath(std::string_view name) {
  static constexpr char kHexDigits[] = "0123456789ABCDEF";
  std::string encoded;
  encoded.reserve(name.size());
  for (const char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (IsUnreserved(byte)) {
      encoded += c;
    } else {
      encoded += '%';
      encoded += kHexDigits[byte >> 4];
      encoded += kHexDigits[byte & 0x0F];
    }
  }
  return encoded;
}

}  // namespace pde::cups::internal
