// PropertyListScreen.cc: finds, before libplist does, the strings libplist cannot hand out.
#include "PropertyListScreen.h"

#include <cstddef>
#include <cstdint>

namespace pde::cf {
namespace {

constexpr std::string_view kBinaryMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;
constexpr unsigned kUTF16StringType = 0x6;
constexpr unsigned kIntegerType = 0x1;
constexpr unsigned kCountFollows = 0xF;

constexpr std::string_view kNulInText = "a NUL byte in XML text";
constexpr std::string_view kNulInString = "a binary string holding U+0000";
constexpr std::string_view kBadTable = "a binary object table that cannot be walked";

// The big-endian unsigned integer of size bytes (1 to 8) at offset, when it lies in bytes.
std::optional<std::uint64_t> ReadInteger(std::string_view bytes, std::uint64_t offset,
                                         std::uint64_t size) {
  if (size == 0 || size > 8 || offset > bytes.size() || size > bytes.size() - offset) {
    return std::nullopt;
  }
  std::uint64_t value = 0;
  for (std::uint64_t i = 0; i < size; ++i) {
    value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  }
  return value;
}

// Why the object at offset of the objects' bytes is unsafe, or nothing.
std::optional<std::string_view> UnsafeObject(std::string_view objects, std::uint64_t offset) {
  const std::optional<std::uint64_t> marker = ReadInteger(objects, offset, 1);
  if (!marker) return kBadTable;
  if ((*marker >> 4) != kUTF16StringType) return std::nullopt;
  std::uint64_t count = *marker & 0xF;
  std::uint64_t at = offset + 1;
  if (count == kCountFollows) {
    const std::optional<std::uint64_t> countMarker = ReadInteger(objects, at, 1);
    if (!countMarker || (*countMarker >> 4) != kIntegerType) return kBadTable;
    const std::uint64_t size = std::uint64_t{1} << (*countMarker & 0xF);
    const std::optional<std::uint64_t> counted = ReadInteger(objects, at + 1, size);
    if (!counted) return kBadTable;
    count = *counted;
    at += 1 + size;
  }
  if (at > objects.size() || count > (objects.size() - at) / 2) return kBadTable;
  for (std::uint64_t i = 0; i < count; ++i) {
    if (objects[at + 2 * i] == '\0' && objects[at + 2 * i + 1] == '\0') return kNulInString;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string_view> UnsafeForLibplist(std::string_view bytes) {
  if (bytes.substr(0, kBinaryMagic.size()) != kBinaryMagic) {
    if (bytes.find('\0') != std::string_view::npos) return kNulInText;
    return std::nullopt;
  }
  // Without a whole trailer libplist refuses the list before reading any object.
  if (bytes.size() < kBinaryMagic.size() + kTrailerSize) return std::nullopt;
  const std::uint64_t trailer = bytes.size() - kTrailerSize;
  const std::uint64_t offsetSize = static_cast<unsigned char>(bytes[trailer + 6]);
  const std::optional<std::uint64_t> objectCount = ReadInteger(bytes, trailer + 8, 8);
  const std::optional<std::uint64_t> tableOffset = ReadInteger(bytes, trailer + 24, 8);
  if (offsetSize == 0 || offsetSize > 8 || !objectCount || !tableOffset || *tableOffset > trailer ||
      *objectCount > (trailer - *tableOffset) / offsetSize) {
    return kBadTable;
  }
  const std::string_view objects = bytes.substr(0, trailer);
  for (std::uint64_t i = 0; i < *objectCount; ++i) {
    const std::optional<std::uint64_t> offset =
        ReadInteger(bytes, *tableOffset + i * offsetSize, offsetSize);
    if (!offset) return kBadTable;
    if (std::optional<std::string_view> why = UnsafeObject(objects, *offset)) return why;
  }
  return std::nullopt;
}

}  // namespace pde::cf
