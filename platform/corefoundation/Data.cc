// Data.cc: immutable byte buffers.
#include <cstdio>
#include <string>

#include "Runtime.h"
#include "Text.h"

struct CFOpaqueData : pde::cf::ObjectBase {
  std::basic_string<UInt8> bytes;
};

namespace pde::cf {
namespace {

void FinalizeData(ObjectBase* object) {
  DeleteObject<CFOpaqueData>(object);
}

bool EqualData(const ObjectBase* object, const ObjectBase* other) {
  return static_cast<const CFOpaqueData*>(object)->bytes ==
         static_cast<const CFOpaqueData*>(other)->bytes;
}

CFHashCode HashData(const ObjectBase* object) {
  CFHashCode hash = 14695981039346656037ull;  // FNV-1a
  for (UInt8 byte : static_cast<const CFOpaqueData*>(object)->bytes) {
    hash = (hash ^ byte) * 1099511628211ull;
  }
  return hash;
}

std::u16string DescribeData(const ObjectBase* object) {
  std::string text = "<";
  char hex[3];
  for (UInt8 byte : static_cast<const CFOpaqueData*>(object)->bytes) {
    std::snprintf(hex, sizeof hex, "%02x", byte);
    text += hex;
  }
  text += ">";
  return ASCIIToUTF16(text);
}

}  // namespace

const ClassRecord kDataClass = {kDataTypeID, "CFData", FinalizeData,
                                EqualData,   HashData, DescribeData};

}  // namespace pde::cf

using namespace pde::cf;

CFTypeID CFDataGetTypeID(void) {
  return kDataTypeID;
}

CFDataRef CFDataCreate(CFAllocatorRef, const UInt8* bytes, CFIndex length) {
  if (length < 0 || (bytes == nullptr && length > 0)) return nullptr;
  return NoThrow([&]() -> CFDataRef {
    auto* data = NewObject<CFOpaqueData>(kDataClass);
    if (data == nullptr) return nullptr;
    try {
      data->bytes.assign(bytes, bytes + length);
    } catch (...) {
      CFRelease(data);
      throw;
    }
    return data;
  });
}

CFIndex CFDataGetLength(CFDataRef theData) {
  const auto* data = As<CFOpaqueData>(theData, kDataClass);
  return data == nullptr ? 0 : static_cast<CFIndex>(data->bytes.size());
}

const UInt8* CFDataGetBytePtr(CFDataRef theData) {
  const auto* data = As<CFOpaqueData>(theData, kDataClass);
  return data == nullptr ? nullptr : data->bytes.data();
}
