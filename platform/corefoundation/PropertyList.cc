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
#include <unordered_map>
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

// Hashes std::string and std::string_view alike, so that a text is looked up without a copy.
struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// Converts libplist nodes. On failure returns null and sets *why, with the path of the node that
// failed; the path is worked out from the node's parents only then.
class Converter {
 public:
  Converter(CFOptionFlags mutability, std::string* why) : mutability_(mutability), why_(why) {}
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  ~Converter() { PopValues(0); }

  // Converts node, nested at most kMaxPropertyListDepth deep with what it holds.
  CFPtr<CFTypeRef> Convert(plist_t node) {
    if (depth_ == kMaxPropertyListDepth) {
      return Fail(node,
                  "containers nested more than " + std::to_string(kMaxPropertyListDepth) + " deep");
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
    const size_t first = values_.size();
    const uint32_t size = plist_array_get_size(node);
    for (uint32_t i = 0; i < size; ++i) {
      if (!Push(Convert(plist_array_get_item(node, i)))) return {};
    }
    const void** items = values_.data() + first;
    const auto count = static_cast<CFIndex>(values_.size() - first);
    CFTypeRef array = nullptr;
    if (mutability_ == kCFPropertyListImmutable) {
      array = CFArrayCreate(kCFAllocatorDefault, items, count, &kCFTypeArrayCallBacks);
    } else {
      CFMutableArrayRef mutableArray =
          CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
      for (CFIndex i = 0; mutableArray != nullptr && i < count; ++i) {
        CFArrayAppendValue(mutableArray, items[i]);
      }
      array = mutableArray;
    }
    PopValues(first);
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
    const size_t first = values_.size();
    const size_t firstKey = keys_.size();
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
      keys_.push_back(keyString);
      if (!Push(Convert(child))) return {};
    }
    const void** keys = keys_.data() + firstKey;
    const void** values = values_.data() + first;
    const auto count = static_cast<CFIndex>(values_.size() - first);
    CFTypeRef dictionary = nullptr;
    if (mutability_ == kCFPropertyListImmutable) {
      // A key given twice is stored once: the dictionary may hold fewer entries than were read.
      dictionary =
          CFDictionaryCreate(kCFAllocatorDefault, keys, values, count,
                             &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    } else {
      CFMutableDictionaryRef mutableDictionary = CFDictionaryCreateMutable(
          kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
      for (CFIndex i = 0; mutableDictionary != nullptr && i < count; ++i) {
        CFDictionarySetValue(mutableDictionary, keys[i], values[i]);
      }
      dictionary = mutableDictionary;
    }
    keys_.resize(firstKey);
    PopValues(first);
    return Checked(dictionary, node);
  }

  // Keeps value on values_ for the container being read; false when it is null.
  bool Push(CFPtr<CFTypeRef> value) {
    if (!value) return false;
    values_.push_back(value.get());
    value.release();
    return true;
  }

  // Releases the values from position first on, once their container holds them.
  void PopValues(size_t first) {
    for (size_t i = first; i < values_.size(); ++i) CFRelease(values_[i]);
    values_.resize(first);
  }

  CFOptionFlags mutability_;
  std::string* why_;
  int depth_ = 0;
  // Strings and integers are immutable, so equal ones read are made once (dictionaries of the
  // same kind have the same keys).
  std::unordered_map<std::string, CFPtr<CFStringRef>, TextHash, std::equal_to<>> strings_;
  std::map<SInt64, CFPtr<CFTypeRef>> integers_;
  // The values read for the containers being read, innermost last, each owned here until its
  // container is made; and the keys of the dictionaries among them (owned by strings_).
  std::vector<const void*> values_;
  std::vector<const void*> keys_;
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
