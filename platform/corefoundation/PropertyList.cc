// PropertyList.cc: property lists read with libplist and converted into Core Foundation objects.
#include "PropertyList.h"

#include <plist/plist.h>

#include <cstdlib>
#include <cstring>
#include <limits>
#include <map>
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

// Converts libplist nodes. On failure returns null and sets *why, with the path of the node that
// failed; the path is worked out from the node's parents only then.
class Converter {
 public:
  Converter(CFOptionFlags mutability, std::string* why) : mutability_(mutability), why_(why) {}

  // Converts node, nested at most kMaxPropertyListDepth deep with what it holds.
  CFPtr<CFTypeRef> Convert(plist_t node) {
    if (depth_ == kMaxPropertyListDepth) {
      return Fail(node, "containers nested more than " + std::to_string(kMaxPropertyListDepth) +
                            " deep");
    }
    ++depth_;
    CFPtr<CFTypeRef> converted = ConvertNode(node);
    --depth_;
    return converted;
  }

 private:
  CFPtr<CFTypeRef> ConvertNode(plist_t node) {
    switch (plist_get_node_type(node)) {
      case PLIST_DICT:
        return ConvertDictionary(node);
      case PLIST_ARRAY:
        return ConvertArray(node);
      case PLIST_STRING:
        return ConvertString(node);
      case PLIST_BOOLEAN: {
        uint8_t value = 0;
        plist_get_bool_val(node, &value);
        return CFPtr<CFTypeRef>::Retain(value ? kCFBooleanTrue : kCFBooleanFalse);
      }
      case PLIST_UINT:
        return ConvertInteger(node);
      case PLIST_REAL: {
        double value = 0;
        plist_get_real_val(node, &value);
        return Checked(CFNumberCreate(kCFAllocatorDefault, kCFNumberFloat64Type, &value), node);
      }
      case PLIST_DATA: {
        uint64_t length = 0;
        const char* bytes = plist_get_data_ptr(node, &length);
        return Checked(CFDataCreate(kCFAllocatorDefault, reinterpret_cast<const UInt8*>(bytes),
                                    static_cast<CFIndex>(length)),
                       node);
      }
      case PLIST_DATE:
        return Fail(node, "dates are not supported");
      default:
        return Fail(node, "unsupported value type");
    }
  }

  // Null, with *why set to what went wrong at node.
  CFPtr<CFTypeRef> Fail(plist_t node, std::string_view what) {
    *why_ = Where(node);
    *why_ += what;
    return {};
  }

  CFPtr<CFTypeRef> Checked(CFTypeRef object, plist_t node) {
    if (object == nullptr) return Fail(node, "out of memory");
    return CFPtr<CFTypeRef>(object);
  }

  // The path of node from the top, for messages: "key NAME: " for a dictionary's value and
  // "[INDEX]: " for an array's item, one for each level.
  static std::string Where(plist_t node) {
    std::string where;
    for (plist_t parent = plist_get_parent(node); parent != nullptr;
         node = parent, parent = plist_get_parent(node)) {
      if (plist_get_node_type(parent) == PLIST_ARRAY) {
        where.insert(0, "[" + std::to_string(plist_array_get_item_index(node)) + "]: ");
      } else {
        char* rawKey = nullptr;
        plist_dict_get_item_key(node, &rawKey);
        MallocPtr key(rawKey);
        where.insert(0, "key " + std::string(key ? key.get() : "") + ": ");
      }
    }
    return where;
  }

  CFPtr<CFTypeRef> ConvertString(plist_t node) {
    const char* text = plist_get_string_ptr(node, nullptr);
    CFStringRef string = SharedString(text ? text : "", node, "string");
    if (string == nullptr) return {};
    if (mutability_ == kCFPropertyListMutableContainersAndLeaves) {
      return Checked(CFStringCreateMutableCopy(kCFAllocatorDefault, 0, string), node);
    }
    return CFPtr<CFTypeRef>::Retain(string);
  }

  // The number of an integer, made once and shared by every integer of that value.
  CFPtr<CFTypeRef> ConvertInteger(plist_t node) {
    uint64_t value = 0;
    plist_get_uint_val(node, &value);
    auto integer = static_cast<SInt64>(value);  // negative integers arrive as two's complement
    auto known = integers_.find(integer);
    if (known != integers_.end()) return CFPtr<CFTypeRef>::Retain(known->second.get());
    CFPtr<CFTypeRef> number =
        Checked(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &integer), node);
    if (number) integers_.emplace(integer, number);
    return number;
  }

  CFPtr<CFTypeRef> ConvertArray(plist_t node) {
    uint32_t size = plist_array_get_size(node);
    std::vector<CFPtr<CFTypeRef>> items;
    items.reserve(size);
    for (uint32_t i = 0; i < size; ++i) {
      CFPtr<CFTypeRef> item = Convert(plist_array_get_item(node, i));
      if (!item) return {};
      items.push_back(std::move(item));
    }
    if (mutability_ == kCFPropertyListImmutable) {
      std::vector<const void*> values;
      values.reserve(items.size());
      for (const auto& item : items) values.push_back(item.get());
      return Checked(CFArrayCreate(kCFAllocatorDefault, values.data(),
                                   static_cast<CFIndex>(values.size()), &kCFTypeArrayCallBacks),
                     node);
    }
    CFMutableArrayRef array = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
    for (const auto& item : items) CFArrayAppendValue(array, item.get());
    return Checked(array, node);
  }

  // The immutable string of text, made once and shared by every key and value with that text;
  // null when text is not UTF-8 (*why set to "<where node is>: <what> is not valid UTF-8") or
  // memory is exhausted (*why set to out of memory).
  CFStringRef SharedString(const char* text, plist_t node, std::string_view what) {
    auto known = strings_.find(std::string_view(text));
    if (known != strings_.end()) return known->second.get();
    std::optional<std::u16string> utf16 = UTF8ToUTF16(text);
    if (!utf16) {
      Fail(node, std::string(what) + " is not valid UTF-8");
      return nullptr;
    }
    CFPtr<CFStringRef> string(NewString(std::move(*utf16)));
    if (!string) {
      Fail(node, "out of memory");
      return nullptr;
    }
    return strings_.emplace(text, std::move(string)).first->second.get();
  }

  CFPtr<CFTypeRef> ConvertDictionary(plist_t node) {
    std::vector<const void*> keys;
    std::vector<CFPtr<CFTypeRef>> values;
    const uint32_t size = plist_dict_get_size(node);
    keys.reserve(size);
    values.reserve(size);
    plist_dict_iter iterator = nullptr;
    plist_dict_new_iter(node, &iterator);
    std::unique_ptr<void, MallocFree> iteratorOwner(iterator);
    while (true) {
      char* rawKey = nullptr;
      plist_t child = nullptr;
      plist_dict_next_item(node, iterator, &rawKey, &child);
      MallocPtr key(rawKey);
      if (child == nullptr) break;
      CFStringRef keyString = SharedString(key ? key.get() : "", node, "key");
      if (keyString == nullptr) return {};
      CFPtr<CFTypeRef> value = Convert(child);
      if (!value) return {};
      keys.push_back(keyString);
      values.push_back(std::move(value));
    }
    if (mutability_ == kCFPropertyListImmutable) {
      // A key given twice is stored once: the dictionary may hold fewer entries than were read.
      std::vector<const void*> valueRefs;
      valueRefs.reserve(values.size());
      for (const auto& value : values) valueRefs.push_back(value.get());
      return Checked(CFDictionaryCreate(kCFAllocatorDefault, keys.data(), valueRefs.data(),
                                        static_cast<CFIndex>(keys.size()),
                                        &kCFTypeDictionaryKeyCallBacks,
                                        &kCFTypeDictionaryValueCallBacks),
                     node);
    }
    CFMutableDictionaryRef dictionary = CFDictionaryCreateMutable(
        kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    if (dictionary == nullptr) return Checked(nullptr, node);
    for (size_t i = 0; i < keys.size(); ++i) {
      CFDictionarySetValue(dictionary, keys[i], values[i].get());
    }
    return CFPtr<CFTypeRef>(dictionary);
  }

  CFOptionFlags mutability_;
  std::string* why_;
  int depth_ = 0;
  // Strings and integers are immutable, so equal ones read are made once (dictionaries of the
  // same kind have the same keys).
  std::map<std::string, CFPtr<CFStringRef>, std::less<>> strings_;
  std::map<SInt64, CFPtr<CFTypeRef>> integers_;
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
    return Converter(mutability, &why).Convert(root);
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
