// PropertyListScreen.cc: finds, before libplist does, the strings libplist cannot hand out and
// the trees it cannot survive.
#include "PropertyListScreen.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace pde::cf {
namespace {

constexpr std::string_view kBinaryMagic = "bplist00";
constexpr std::size_t kTrailerSize = 32;
constexpr unsigned kIntegerType = 0x1;
constexpr unsigned kDataType = 0x4;
constexpr unsigned kASCIIStringType = 0x5;
constexpr unsigned kUTF16StringType = 0x6;
constexpr unsigned kArrayType = 0xA;
constexpr unsigned kSetType = 0xC;
constexpr unsigned kDictionaryType = 0xD;
constexpr unsigned kCountFollows = 0xF;

constexpr std::string_view kNulInText = "a NUL byte in XML text";
constexpr std::string_view kNulInString = "a binary string holding U+0000";
constexpr std::string_view kBadTable = "a binary object table that cannot be walked";
constexpr std::string_view kTooDeep = "containers nested more than 256 deep";
constexpr std::string_view kTooMany = "more than 65536 objects, counting shared ones each time";
static_assert(kMaxPropertyListDepth == 256 && kMaxPropertyListObjects == 65536,
              "the messages name the limits");

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

// One object of a binary list: its type, its count (bytes, characters, elements or entries) and
// where the data after its marker and count begins.
struct Object {
  unsigned type = 0;
  std::uint64_t count = 0;
  std::uint64_t data = 0;
};

std::optional<Object> ReadObject(std::string_view objects, std::uint64_t offset) {
  const std::optional<std::uint64_t> marker = ReadInteger(objects, offset, 1);
  if (!marker) return std::nullopt;
  Object object{static_cast<unsigned>(*marker >> 4), *marker & 0xF, offset + 1};
  const bool counted = object.type == kDataType || object.type == kASCIIStringType ||
                       object.type == kUTF16StringType || object.type == kArrayType ||
                       object.type == kSetType || object.type == kDictionaryType;
  if (counted && object.count == kCountFollows) {
    const std::optional<std::uint64_t> countMarker = ReadInteger(objects, object.data, 1);
    if (!countMarker || (*countMarker >> 4) != kIntegerType) return std::nullopt;
    const std::uint64_t size = std::uint64_t{1} << (*countMarker & 0xF);
    const std::optional<std::uint64_t> count = ReadInteger(objects, object.data + 1, size);
    if (!count) return std::nullopt;
    object.count = *count;
    object.data += 1 + size;
  }
  return object;
}

// The indexes of the objects a container refers to (a dictionary's keys, then its values);
// none for any other object; nothing when they cannot be read.
std::optional<std::vector<std::uint64_t>> References(std::string_view objects, const Object& object,
                                                     std::uint64_t referenceSize) {
  std::vector<std::uint64_t> references;
  if (object.type != kArrayType && object.type != kSetType && object.type != kDictionaryType) {
    return references;
  }
  const std::uint64_t count = object.type == kDictionaryType ? 2 * object.count : object.count;
  if (object.count > objects.size() || object.data > objects.size() ||
      count > (objects.size() - object.data) / referenceSize) {
    return std::nullopt;
  }
  references.reserve(count);
  for (std::uint64_t i = 0; i < count; ++i) {
    references.push_back(*ReadInteger(objects, object.data + i * referenceSize, referenceSize));
  }
  return references;
}

// Why a UTF-16 string object is unsafe, or nothing.
std::optional<std::string_view> UnsafeString(std::string_view objects, const Object& object) {
  if (object.data > objects.size() || object.count > (objects.size() - object.data) / 2) {
    return kBadTable;
  }
  for (std::uint64_t i = 0; i < object.count; ++i) {
    if (objects[object.data + 2 * i] == '\0' && objects[object.data + 2 * i + 1] == '\0') {
      return kNulInString;
    }
  }
  return std::nullopt;
}

// Why the object graph below top is unsafe to read as a tree, or nothing: too deep, or too many
// objects once each is counted for every reference to it. Walked without recursion, each object
// once; a cycle (which libplist refuses) counts as too deep.
std::optional<std::string_view> UnsafeTree(std::string_view objects,
                                           const std::vector<Object>& table,
                                           std::uint64_t referenceSize, std::uint64_t top) {
  if (top >= table.size()) return kBadTable;
  struct Walked {
    enum { kUnvisited, kOnPath, kDone } state = kUnvisited;
    int height = 0;           // levels from the object down, the object included
    std::uint64_t count = 0;  // objects of its tree, the object included
  };
  struct Frame {
    std::uint64_t index;
    std::vector<std::uint64_t> references;
    std::size_t next = 0;
    int tallest = 0;
    std::uint64_t count = 1;
  };
  std::vector<Walked> walked(table.size());
  std::vector<Frame> path;
  auto enter = [&](std::uint64_t index) -> std::optional<std::string_view> {
    std::optional<std::vector<std::uint64_t>> references =
        References(objects, table[index], referenceSize);
    if (!references) return kBadTable;
    walked[index].state = Walked::kOnPath;
    path.push_back(Frame{index, std::move(*references)});
    if (path.size() > static_cast<std::size_t>(kMaxPropertyListDepth)) return kTooDeep;
    return std::nullopt;
  };
  // Adds a finished child's tree to the frame of the container that refers to it.
  auto add = [&](Frame& frame, const Walked& child) -> std::optional<std::string_view> {
    if (child.height + path.size() > static_cast<std::size_t>(kMaxPropertyListDepth)) {
      return kTooDeep;
    }
    if (child.height > frame.tallest) frame.tallest = child.height;
    frame.count += child.count;
    if (frame.count > kMaxPropertyListObjects) return kTooMany;
    return std::nullopt;
  };
  if (std::optional<std::string_view> why = enter(top)) return why;
  while (!path.empty()) {
    Frame& frame = path.back();
    if (frame.next == frame.references.size()) {
      Walked& finished = walked[frame.index];
      finished = Walked{Walked::kDone, frame.tallest + 1, frame.count};
      path.pop_back();
      if (path.empty()) break;
      if (std::optional<std::string_view> why = add(path.back(), finished)) return why;
      continue;
    }
    const std::uint64_t child = frame.references[frame.next++];
    if (child >= table.size()) return kBadTable;
    switch (walked[child].state) {
      case Walked::kOnPath:
        return kTooDeep;
      case Walked::kUnvisited:
        if (std::optional<std::string_view> why = enter(child)) return why;
        break;
      case Walked::kDone:
        if (std::optional<std::string_view> why = add(frame, walked[child])) return why;
        break;
    }
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
  const std::uint64_t referenceSize = static_cast<unsigned char>(bytes[trailer + 7]);
  const std::optional<std::uint64_t> objectCount = ReadInteger(bytes, trailer + 8, 8);
  const std::optional<std::uint64_t> top = ReadInteger(bytes, trailer + 16, 8);
  const std::optional<std::uint64_t> tableOffset = ReadInteger(bytes, trailer + 24, 8);
  if (offsetSize == 0 || offsetSize > 8 || referenceSize == 0 || referenceSize > 8 ||
      !objectCount || !top || !tableOffset || *tableOffset > trailer ||
      *objectCount > (trailer - *tableOffset) / offsetSize) {
    return kBadTable;
  }
  const std::string_view objects = bytes.substr(0, trailer);
  std::vector<Object> table;
  table.reserve(*objectCount);
  for (std::uint64_t i = 0; i < *objectCount; ++i) {
    const std::optional<std::uint64_t> offset =
        ReadInteger(bytes, *tableOffset + i * offsetSize, offsetSize);
    const std::optional<Object> object = offset ? ReadObject(objects, *offset) : std::nullopt;
    if (!object) return kBadTable;
    if (object->type == kUTF16StringType) {
      if (std::optional<std::string_view> why = UnsafeString(objects, *object)) return why;
    }
    table.push_back(*object);
  }
  return UnsafeTree(objects, table, referenceSize, *top);
}

}  // namespace pde::cf
