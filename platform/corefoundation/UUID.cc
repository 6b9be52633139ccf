// UUID.cc: uniqued UUID objects, their lenient string parser and their string form.
#include <array>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#include "String.h"
#include "Text.h"

using UUIDKey = std::array<UInt8, 16>;

struct CFOpaqueUUID : pde::cf::ObjectBase {
  CFUUIDBytes bytes{};
};

namespace pde::cf {
namespace {

UUIDKey KeyOf(const CFUUIDBytes& bytes) {
  UUIDKey key;
  std::memcpy(key.data(), &bytes, key.size());
  return key;
}

// Every UUID object alive, by bytes: the table does not own the counted ones (each removes itself
// when freed); constants live for the process.
struct UUIDTable {
  std::mutex mutex;
  std::map<UUIDKey, CFOpaqueUUID*> counted;
  std::map<UUIDKey, CFOpaqueUUID*> constants;
};

UUIDTable& Table() {
  static UUIDTable* table = new UUIDTable;  // constants outlive every static destructor
  return *table;
}

void FinalizeUUID(ObjectBase* object) {
  auto* uuid = static_cast<CFOpaqueUUID*>(object);
  {
    UUIDTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.counted.find(KeyOf(uuid->bytes));
    if (found != table.counted.end() && found->second == uuid) table.counted.erase(found);
  }
  DeleteObject<CFOpaqueUUID>(object);
}

bool EqualUUIDs(const ObjectBase* object, const ObjectBase* other) {
  return std::memcmp(&static_cast<const CFOpaqueUUID*>(object)->bytes,
                     &static_cast<const CFOpaqueUUID*>(other)->bytes, sizeof(CFUUIDBytes)) == 0;
}

CFHashCode HashUUID(const ObjectBase* object) {
  UUIDKey key = KeyOf(static_cast<const CFOpaqueUUID*>(object)->bytes);
  CFHashCode hash = 0;
  for (UInt8 byte : key) hash = hash * 31 + byte;
  return hash;
}

std::string FormatUUID(const CFUUIDBytes& bytes) {
  UUIDKey b = KeyOf(bytes);
  char text[37];
  std::snprintf(text, sizeof text,
                "%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X", b[0], b[1],
                b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13], b[14],
                b[15]);
  return text;
}

std::u16string DescribeUUID(const ObjectBase* object) {
  return ASCIIToUTF16(FormatUUID(static_cast<const CFOpaqueUUID*>(object)->bytes));
}

// The one UUID object of bytes, retained (+1), or null when the allocation fails.
CFUUIDRef CreateUniqued(const CFUUIDBytes& bytes) {
  UUIDKey key = KeyOf(bytes);
  UUIDTable& table = Table();
  std::lock_guard lock(table.mutex);
  if (auto constant = table.constants.find(key); constant != table.constants.end()) {
    return constant->second;
  }
  auto found = table.counted.find(key);
  if (found != table.counted.end() && RetainIfAlive(found->second)) return found->second;
  auto* uuid = NewObject<CFOpaqueUUID>(kUUIDClass);
  if (uuid == nullptr) return nullptr;
  uuid->bytes = bytes;
  table.counted[key] = uuid;  // replaces an entry on its way out
  return uuid;
}

int HexValue(char16_t unit) {
  if (unit >= u'0' && unit <= u'9') return unit - u'0';
  if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
  if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
  return -1;
}

// Parses as the platform does: leading non-hex characters skipped; each byte from the next two
// characters (a pair with a non-hex character gives 0); one separator skipped after the 4th,
// 6th, 8th and 10th byte; missing bytes stay 0.
CFUUIDBytes ParseUUID(std::u16string_view text) {
  size_t index = 0;
  while (index < text.size() && HexValue(text[index]) < 0) ++index;
  UUIDKey bytes{};
  for (size_t byte = 0; byte < bytes.size() && index + 1 < text.size(); ++byte) {
    int high = HexValue(text[index]);
    int low = HexValue(text[index + 1]);
    index += 2;
    bytes[byte] = (high < 0 || low < 0) ? 0 : static_cast<UInt8>(high << 4 | low);
    if (byte == 3 || byte == 5 || byte == 7 || byte == 9) ++index;
  }
  CFUUIDBytes result;
  std::memcpy(&result, bytes.data(), bytes.size());
  return result;
}

}  // namespace

const ClassRecord kUUIDClass = {kUUIDTypeID, "CFUUID", FinalizeUUID,
                                EqualUUIDs,  HashUUID, DescribeUUID};

}  // namespace pde::cf

using namespace pde::cf;

CFTypeID CFUUIDGetTypeID(void) {
  return kUUIDTypeID;
}

CFUUIDRef CFUUIDCreateWithBytes(CFAllocatorRef, UInt8 byte0, UInt8 byte1, UInt8 byte2, UInt8 byte3,
                                UInt8 byte4, UInt8 byte5, UInt8 byte6, UInt8 byte7, UInt8 byte8,
                                UInt8 byte9, UInt8 byte10, UInt8 byte11, UInt8 byte12, UInt8 byte13,
                                UInt8 byte14, UInt8 byte15) {
  CFUUIDBytes bytes = {byte0, byte1, byte2,  byte3,  byte4,  byte5,  byte6,  byte7,
                       byte8, byte9, byte10, byte11, byte12, byte13, byte14, byte15};
  return NoThrow([&] { return CreateUniqued(bytes); });
}

CFUUIDRef CFUUIDCreateFromUUIDBytes(CFAllocatorRef, CFUUIDBytes bytes) {
  return NoThrow([&] { return CreateUniqued(bytes); });
}

CFUUIDRef CFUUIDCreateFromString(CFAllocatorRef, CFStringRef uuidStr) {
  const std::u16string* text = TextOf(uuidStr);
  if (text == nullptr || text->empty()) return nullptr;
  return NoThrow([&] { return CreateUniqued(ParseUUID(*text)); });
}

CFUUIDRef CFUUIDGetConstantUUIDWithBytes(CFAllocatorRef, UInt8 byte0, UInt8 byte1, UInt8 byte2,
                                         UInt8 byte3, UInt8 byte4, UInt8 byte5, UInt8 byte6,
                                         UInt8 byte7, UInt8 byte8, UInt8 byte9, UInt8 byte10,
                                         UInt8 byte11, UInt8 byte12, UInt8 byte13, UInt8 byte14,
                                         UInt8 byte15) {
  CFUUIDBytes bytes = {byte0, byte1, byte2,  byte3,  byte4,  byte5,  byte6,  byte7,
                       byte8, byte9, byte10, byte11, byte12, byte13, byte14, byte15};
  return NoThrow([&]() -> CFUUIDRef {
    UUIDKey key = KeyOf(bytes);
    UUIDTable& table = Table();
    std::lock_guard lock(table.mutex);
    auto found = table.constants.find(key);
    if (found != table.constants.end()) return found->second;
    auto* uuid = new CFOpaqueUUID;  // immortal: neither counted nor subject to injected failures
    uuid->classRecord = &kUUIDClass;
    uuid->immortal = true;
    uuid->bytes = bytes;
    table.constants.emplace(key, uuid);
    return uuid;
  });
}

CFUUIDBytes CFUUIDGetUUIDBytes(CFUUIDRef uuid) {
  const auto* object = As<CFOpaqueUUID>(uuid, kUUIDClass);
  return object == nullptr ? CFUUIDBytes{} : object->bytes;
}

CFStringRef CFUUIDCreateString(CFAllocatorRef, CFUUIDRef uuid) {
  const auto* object = As<CFOpaqueUUID>(uuid, kUUIDClass);
  if (object == nullptr) return nullptr;
  return NoThrow([&] { return NewString(ASCIIToUTF16(FormatUUID(object->bytes))); });
}
