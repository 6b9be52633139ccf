// PropertyList.cc: property lists read with libplist and converted into Core Foundation objects.
#include "PropertyList.h"

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "PropertyListScreen.h"
#include "pde/InputFiles.h"
#include "String.h"
#include "Text.h"

namespace pde::cf {
namespace {

struct PlistFree {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistFree>;

struct MallocFree {
  void operator()(void* memory) const { std::free(memory); }
};
using MallocPtr = std::unique_ptr<char, MallocFree>;

// Converts one libplist node; on failure returns null and sets *why (with the path of the key).
class Converter {
 public:
  explicit Converter(CFOptionFlags mutability) : mutability_(mutability) {}

  // Converts node, nested at most kMaxPropertyListDepth deep with what it holds.
  CFPtr<CFTypeRef> Convert(plist_t node, const std::string& where, std::string* why) {
    if (depth_ == kMaxPropertyListDepth) {
      *why = where + "containers nested more than " + std::to_string(kMaxPropertyListDepth) +
             " deep";
      return {};
    }
    ++depth_;
    CFPtr<CFTypeRef> converted = ConvertNode(node, where, why);
    --depth_;
    return converted;
  }

 private:
  CFPtr<CFTypeRef> ConvertNode(plist_t node, const std::string& where, std::string* why) {
    switch (plist_get_node_type(node)) {
      case PLIST_DICT:
        return ConvertDictionary(node, where, why);
      case PLIST_ARRAY:
        return ConvertArray(node, where, why);
      case PLIST_STRING:
        return ConvertString(node, where, why);
      case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return CFPtr<CFTypeRef>::Retain(value ? kCFBooleanTrue : kCFBooleanFalse);
      }
      case PLIST_UINT: {
        uint64_t value = 0;
        plist_get_uint_val(node, &value);
        auto integer = static_cast<SInt64>(value);  // negative integers arrive as two's complement
        return Checked(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &integer), where,
                       why);
      }
      case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return Checked(CFNumberCreate(kCFAllocatorDefault, kCFNumberFloat64Type, &value), where,
                       why);
      }
      case PLIST_DATA: {
        char* raw = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &raw, &length);
        MallocPtr bytes(raw);
        return Checked(
            CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes.get()),
                         static_cast<CFIndex>(length)),
            where, why);
      }
      case PLIST_DATE:
        *why = where + "dates are not supported";
        return {};
      default:
        *why = where + "unsupported value type";
        return {};
    }
  }

  CFPtr<CFTypeRef> Checked(CFTypeRef object, const std::string& where, std::string* why) {
    if (object == nullptr) *why = where + "out of memory";
    return CFPtr<CFTypeRef>(object);
  }

  CFPtr<CFTypeRef> ConvertString(plist_t node, const std::string& where, std::string* why) {
    char* raw = nullptr;
    plist_get_string_val(node, &raw);
    MallocPtr text(raw);
    std::optional<std::u16string> utf16 = UTF8ToUTF16(text ? text.get() : "");
    if (!utf16) {
      *why = where + "string is not valid UTF-8";
      return {};
    }
    CFPtr<CFStringRef> string(NewString(std::move(*utf16)));
    if (string && mutability_ == kCFPropertyListMutableContainersAndLeaves) {
      string = CFPtr<CFStringRef>(CFStringCreateMutableCopy(kCFAllocatorDefault, 0, string.get()));
    }
    return Checked(string.release(), where, why);
  }

  CFPtr<CFTypeRef> ConvertArray(plist_t node, const std::string& where, std::string* why) {
    std::vector<CFPtr<CFTypeRef>> items;
    uint32_t size = plist_array_get_size(node);
    for (uint32_t i = 0; i < size; ++i) {
      CFPtr<CFTypeRef> item =
          Convert(plist_array_get_item(node, i), where + "[" + std::to_string(i) + "]: ", why);
      if (!item) return {};
      items.push_back(std::move(item));
    }
    if (mutability_ == kCFPropertyListImmutable) {
      std::vector<const void*> values;
      for (const auto& item : items) values.push_back(item.get());
      return Checked(CFArrayCreate(kCFAllocatorDefault, values.data(),
                                   static_cast<CFIndex>(values.size()), &kCFTypeArrayCallBacks),
                     where, why);
    }
    CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (const auto& item : items) CFArrayAppendValue(array, item.get());
    return Checked(array, where, why);
  }

  CFPtr<CFTypeRef> ConvertDictionary(plist_t node, const std::string& where, std::string* why) {
    std::vector<CFPtr<CFTypeRef>> keys;
    std::vector<CFPtr<CFTypeRef>> values;
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    std::unique_ptr<void, MallocFree> iteratorOwner(iterator);
    while (true) {
      char* rawKey = nullptr;
      plist_t child = nullptr;
      plist_dict_next_item(node, iterator, &rawKey, &child);
      MallocPtr key(rawKey);
      if (child == nullptr) break;
      std::optional<std::u16string> keyText = UTF8ToUTF16(key ? key.get() : "");
      if (!keyText) {
        *why = where + "key is not valid UTF-8";
        return {};
      }
      CFPtr<CFTypeRef> keyString(NewString(*keyText));
      if (!keyString) return Checked(nullptr, where, why);
      CFPtr<CFTypeRef> value = Convert(child, where + "key " + key.get() + ": ", why);
      if (!value) return {};
      keys.push_back(std::move(keyString));
      values.push_back(std::move(value));
    }
    CFMutableDictionaryRef dictionary = CFDictionaryCreateMutable(
        kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    if (dictionary == nullptr) return Checked(nullptr, where, why);
    for (size_t i = 0; i < keys.size(); ++i) {
      CFDictionarySetValue(dictionary, keys[i].get(), values[i].get());
    }
    if (mutability_ != kCFPropertyListImmutable) return CFPtr<CFTypeRef>(dictionary);
    CFPtr<CFTypeRef> mutableCopy(dictionary);
    // A key given twice is stored once: the dictionary may hold fewer entries than were read.
    const auto count = static_cast<size_t>(CFDictionaryGetCount(dictionary));
    std::vector<const void*> keyRefs(count);
    std::vector<const void*> valueRefs(count);
    CFDictionaryGetKeysAndValues(dictionary, keyRefs.data(), valueRefs.data());
    return Checked(
        CFDictionaryCreate(kCFAllocatorDefault, keyRefs.data(), valueRefs.data(),
                           static_cast<CFIndex>(keyRefs.size()), &kCFTypeDictionaryKeyCallBacks,
                           &kCFTypeDictionaryValueCallBacks),
        where, why);
  }

  CFOptionFlags mutability_;
  int depth_ = 0;
};

}  // namespace

CFPropertyListRef CreatePropertyList(std::string_view bytes, std::string_view name,
                                     CFOptionFlags mutability, std::string* error) {
  std::string why;
  CFPtr<CFTypeRef> result = NoThrow([&]() -> CFPtr<CFTypeRef> {
    if (bytes.empty()) {
      why = "empty property list";
      return {};
    }
    if (bytes.size() > std::numeric_limits<uint32_t>::max()) {
      why = "property list too large";
      return {};
    }
    if (std::optional<std::string_view> unsafe = UnsafeForLibplist(bytes)) {
      why = "malformed property list (" + std::string(*unsafe) + ")";
      return {};
    }
    plist_t root = nullptr;
    plist_from_memory(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
    PlistPtr owner(root);
    if (root == nullptr) {
      why = "malformed property list (neither well-formed XML nor binary)";
      return {};
    }
    return Converter(mutability).Convert(root, "", &why);
  });
  if (!result && why.empty()) why = "out of memory";
  if (!result && error != nullptr) *error = std::string(name) + ": " + why;
  return result.release();
}

}  // namespace pde::cf

CFPropertyListRef CFPropertyListCreateFromXMLData(CFAllocatorRef, CFDataRef xmlData,
                                                  CFOptionFlags mutabilityOption,
                                                  CFStringRef* errorString) {
  if (errorString != nullptr) *errorString = nullptr;
  const UInt8* bytes = CFDataGetBytePtr(xmlData);
  if (bytes == nullptr) return nullptr;
  std::string error;
  CFPropertyListRef result =
      pde::cf::CreatePropertyList(std::string_view(reinterpret_cast<const char*>(bytes),
                                                   static_cast<size_t>(CFDataGetLength(xmlData))),
                                  "property list", mutabilityOption, &error);
  if (result == nullptr && errorString != nullptr) {
    *errorString =
        pde::cf::NoThrow([&] { return pde::cf::NewString(pde::cf::UTF8ToUTF16Lenient(error)); });
  }
  return result;
}

namespace pde {

CFPtr<CFPropertyListRef> ReadPropertyList(std::string_view bytes, std::string_view name,
                                          std::string* error) {
  return CFPtr<CFPropertyListRef>(
      cf::CreatePropertyList(bytes, name, kCFPropertyListImmutable, error));
}

CFPtr<CFPropertyListRef> ReadPropertyListFile(const std::string& path, std::string* error,
                                              InputKind kind) {
  std::string bytes;
  std::string why;
  if (ReadInputFile(path, kind, &bytes, &why) != InputRead::kRead) {
    if (error != nullptr) *error = why;
    return {};
  }
  return ReadPropertyList(bytes, path, error);
}

}  // namespace pde
