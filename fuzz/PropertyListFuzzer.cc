// PropertyListFuzzer.cc: bytes through the property-list reader (XML and binary). An accepted
// list holds only property-list objects, no null anywhere, strings as dictionary keys; a refused
// one is named in its message; nothing leaks.
#include <cstdint>
#include <string>
#include <string_view>

#include "ReaderChecks.h"

namespace {

using namespace pde::fuzz;

void CheckObject(CFTypeRef object) {
  Check(object != nullptr, "no null in a property list");
  const CFTypeID type = CFGetTypeID(object);
  if (type == CFArrayGetTypeID()) {
    const auto array = static_cast<CFArrayRef>(object);
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i)
      CheckObject(CFArrayGetValueAtIndex(array, i));
  } else if (type == CFDictionaryGetTypeID()) {
    const auto dict = static_cast<CFDictionaryRef>(object);
    const CFIndex count = CFDictionaryGetCount(dict);
    std::vector<const void*> keys(static_cast<size_t>(count)), values(static_cast<size_t>(count));
    CFDictionaryGetKeysAndValues(dict, keys.data(), values.data());
    for (CFIndex i = 0; i < count; ++i) {
      Check(keys[i] && CFGetTypeID(keys[i]) == CFStringGetTypeID(), "dictionary keys are strings");
      CheckObject(values[i]);
    }
  } else {
    Check(type == CFStringGetTypeID() || type == CFNumberGetTypeID() ||
              type == CFBooleanGetTypeID() || type == CFDataGetTypeID(),
          "only property-list objects");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::string_view kName = "fuzz.plist";
  const long liveBefore = pde::LiveObjectCount();
  {
    std::string error;
    pde::CFPtr<CFPropertyListRef> list = pde::ReadPropertyList(
        std::string_view(reinterpret_cast<const char*>(data), size), kName, &error);
    CheckMessage(static_cast<bool>(list), error, kName);
    if (list) CheckObject(list.get());
  }
  Check(pde::LiveObjectCount() == liveBefore, "nothing leaks");
  return 0;
}
