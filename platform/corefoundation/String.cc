// String.cc: string objects: constant strings, creation, access, comparison and mutation.
#include "String.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <mutex>
#include <unordered_map>

#include "Text.h"

using pde::cf::As;
using pde::cf::AsMutable;
using pde::cf::kStringClass;

namespace pde::cf {
namespace {

void FinalizeString(ObjectBase* object) {
  DeleteObject<CFOpaqueString>(object);
}

bool EqualStrings(const ObjectBase* object, const ObjectBase* other) {
  return static_cast<const CFOpaqueString*>(object)->text ==
         static_cast<const CFOpaqueString*>(other)->text;
}

CFHashCode HashText(std::u16string_view text) {
  CFHashCode hash = 14695981039346656037ull;  // FNV-1a over the code units
  for (char16_t unit : text) {
    hash = (hash ^ unit) * 1099511628211ull;
  }
  return hash;
}

CFHashCode HashString(const ObjectBase* object) {
  return HashText(static_cast<const CFOpaqueString*>(object)->text);
}

std::u16string DescribeString(const ObjectBase* object) {
  return static_cast<const CFOpaqueString*>(object)->text;
}

// The constant strings, one per text, never freed.
struct ConstantTable {
  std::mutex mutex;
  std::map<std::string, CFOpaqueString*, std::less<>> byText;
};

ConstantTable& Constants() {
  static ConstantTable* table = new ConstantTable;  // constants outlive every static destructor
  return *table;
}

// A caller's own cache of constants by the address of their text. The text is compared too, since
// an address can be reused by a library loaded after another was unloaded.
struct CachedConstant {
  const std::string* text;
  CFStringRef string;
};

CFStringRef LookUpConstant(const char* cStr) {
  thread_local std::unordered_map<const char*, CachedConstant> byAddress;
  auto cached = byAddress.find(cStr);
  if (cached != byAddress.end() && std::strcmp(cached->second.text->c_str(), cStr) == 0) {
    return cached->second.string;
  }
  ConstantTable& table = Constants();
  std::lock_guard lock(table.mutex);
  auto found = table.byText.find(std::string_view(cStr));
  if (found == table.byText.end()) {
    auto* constant = new CFOpaqueString;
    constant->classRecord = &kStringClass;
    constant->immortal = true;
    constant->text = UTF8ToUTF16Lenient(cStr);
    found = table.byText.emplace(cStr, constant).first;
  }
  byAddress[cStr] = CachedConstant{&found->first, found->second};
  return found->second;
}

CFOpaqueString* NewStringObject(std::u16string text, bool isMutable, CFIndex maxLength) {
  auto* string = NewObject<CFOpaqueString>(kStringClass);
  if (string == nullptr) return nullptr;
  string->text = std::move(text);
  string->isMutable = isMutable;
  string->maxLength = maxLength;
  return string;
}

CFStringRef NewStringOrNull(std::optional<std::u16string> text) {
  return text ? NewString(std::move(*text)) : nullptr;
}

// The mutable string behind ref, or null (with a message) when it is not one.
CFOpaqueString* MutableString(CFMutableStringRef ref, const char* function) {
  CFOpaqueString* string = AsMutable<CFOpaqueString>(ref, kStringClass);
  if (string == nullptr) return nullptr;
  if (!string->isMutable) {
    ReportMisuse(function, "the string is immutable");
    return nullptr;
  }
  return string;
}

// Appends text, cut at the string's maximum length.
void AppendCut(CFOpaqueString* string, std::u16string_view text) {
  if (string->maxLength > 0) {
    auto room = static_cast<size_t>(string->maxLength) -
                std::min(string->text.size(), static_cast<size_t>(string->maxLength));
    text = text.substr(0, room);
  }
  string->text.append(text);
}

}  // namespace

const ClassRecord kStringClass = {kStringTypeID, "CFString", FinalizeString,
                                  EqualStrings,  HashString, DescribeString};

CFStringRef NewString(std::u16string text) {
  return NewStringObject(std::move(text), false, 0);
}

const std::u16string* TextOf(CFTypeRef ref) {
  const auto* string = As<CFOpaqueString>(ref, kStringClass);
  return string == nullptr ? nullptr : &string->text;
}

}  // namespace pde::cf

using namespace pde::cf;

CFTypeID CFStringGetTypeID(void) {
  return kStringTypeID;
}

CFStringRef CFStringMakeConstantString(const char* cStr) {
  if (cStr == nullptr) return nullptr;
  return NoThrow([&] { return LookUpConstant(cStr); });
}

CFStringRef CFStringCreateWithCharacters(CFAllocatorRef, const UniChar* chars, CFIndex numChars) {
  if (numChars < 0 || (chars == nullptr && numChars > 0)) return nullptr;
  return NoThrow([&] {
    return NewString(
        std::u16string(reinterpret_cast<const char16_t*>(chars), static_cast<size_t>(numChars)));
  });
}

CFStringRef CFStringCreateWithCString(CFAllocatorRef, const char* cStr, CFStringEncoding encoding) {
  if (cStr == nullptr) return nullptr;
  return NoThrow([&] { return NewStringOrNull(Decode(cStr, encoding)); });
}

CFStringRef CFStringCreateWithPascalString(CFAllocatorRef, ConstStr255Param pStr,
                                           CFStringEncoding encoding) {
  if (pStr == nullptr) return nullptr;
  std::string_view bytes(reinterpret_cast<const char*>(pStr + 1), pStr[0]);
  return NoThrow([&] { return NewStringOrNull(Decode(bytes, encoding)); });
}

CFStringRef CFStringCreateWithBytes(CFAllocatorRef, const UInt8* bytes, CFIndex numBytes,
                                    CFStringEncoding encoding, Boolean isExternalRepresentation) {
  if (numBytes < 0 || (bytes == nullptr && numBytes > 0)) return nullptr;
  std::string_view view(reinterpret_cast<const char*>(bytes), static_cast<size_t>(numBytes));
  if (isExternalRepresentation && encoding == kCFStringEncodingUTF8 &&
      view.starts_with("\xEF\xBB\xBF")) {
    view.remove_prefix(3);
  }
  return NoThrow([&] { return NewStringOrNull(Decode(view, encoding, isExternalRepresentation)); });
}

CFStringRef CFStringCreateCopy(CFAllocatorRef, CFStringRef theString) {
  const auto* string = As<CFOpaqueString>(theString, kStringClass);
  if (string == nullptr) return nullptr;
  if (!string->isMutable) return static_cast<CFStringRef>(CFRetain(theString));
  return NoThrow([&] { return NewString(string->text); });
}

CFMutableStringRef CFStringCreateMutable(CFAllocatorRef, CFIndex maxLength) {
  if (maxLength < 0) return nullptr;
  return NoThrow([&] { return NewStringObject(u"", true, maxLength); });
}

CFMutableStringRef CFStringCreateMutableCopy(CFAllocatorRef, CFIndex maxLength,
                                             CFStringRef theString) {
  const auto* string = As<CFOpaqueString>(theString, kStringClass);
  if (string == nullptr || maxLength < 0) return nullptr;
  return NoThrow([&]() -> CFMutableStringRef {
    CFOpaqueString* copy = NewStringObject(u"", true, maxLength);
    if (copy != nullptr) AppendCut(copy, string->text);
    return copy;
  });
}

CFIndex CFStringGetLength(CFStringRef theString) {
  const std::u16string* text = TextOf(theString);
  return text == nullptr ? 0 : static_cast<CFIndex>(text->size());
}

UniChar CFStringGetCharacterAtIndex(CFStringRef theString, CFIndex idx) {
  const std::u16string* text = TextOf(theString);
  if (text == nullptr || idx < 0 || static_cast<size_t>(idx) >= text->size()) return 0;
  return (*text)[static_cast<size_t>(idx)];
}

void CFStringGetCharacters(CFStringRef theString, CFRange range, UniChar* buffer) {
  const std::u16string* text = TextOf(theString);
  if (text == nullptr || buffer == nullptr) return;
  if (range.location < 0 || range.length < 0 ||
      static_cast<size_t>(range.location) + static_cast<size_t>(range.length) > text->size()) {
    ReportMisuse("CFStringGetCharacters", "range out of bounds");
    return;
  }
  std::copy_n(text->begin() + range.location, range.length, buffer);
}

Boolean CFStringGetCString(CFStringRef theString, char* buffer, CFIndex bufferSize,
                           CFStringEncoding encoding) {
  const std::u16string* text = TextOf(theString);
  if (text == nullptr || buffer == nullptr || bufferSize <= 0) return false;
  buffer[0] = '\0';
  std::optional<std::string> bytes = NoThrow([&] { return Encode(*text, encoding); });
  if (!bytes || static_cast<CFIndex>(bytes->size()) >= bufferSize) return false;
  std::memcpy(buffer, bytes->c_str(), bytes->size() + 1);
  return true;
}

CFIndex CFStringGetMaximumSizeForEncoding(CFIndex length, CFStringEncoding encoding) {
  if (length < 0) return kCFNotFound;
  switch (encoding) {
    case kCFStringEncodingUTF8:
      return length * 3;
    case kCFStringEncodingUTF16:
      return length * 2;
    case kCFStringEncodingASCII:
    case kCFStringEncodingISOLatin1:
    case kCFStringEncodingMacRoman:
      return length;
    default:
      return kCFNotFound;
  }
}

CFComparisonResult CFStringCompare(CFStringRef theString1, CFStringRef theString2,
                                   CFStringCompareFlags) {
  const std::u16string* first = TextOf(theString1);
  const std::u16string* second = TextOf(theString2);
  if (first == nullptr || second == nullptr) {
    if (first == second) return kCFCompareEqualTo;
    return first == nullptr ? kCFCompareLessThan : kCFCompareGreaterThan;
  }
  int order = first->compare(*second);  // code unit by code unit; a prefix sorts first
  if (order < 0) return kCFCompareLessThan;
  return order > 0 ? kCFCompareGreaterThan : kCFCompareEqualTo;
}

void CFStringAppend(CFMutableStringRef theString, CFStringRef appendedString) {
  CFOpaqueString* string = MutableString(theString, "CFStringAppend");
  const std::u16string* appended = TextOf(appendedString);
  if (string == nullptr || appended == nullptr) return;
  NoThrow([&] {
    std::u16string copy = *appended;  // the string may be appended to itself
    AppendCut(string, copy);
  });
}

void CFStringAppendCharacters(CFMutableStringRef theString, const UniChar* chars,
                              CFIndex numChars) {
  CFOpaqueString* string = MutableString(theString, "CFStringAppendCharacters");
  if (string == nullptr || chars == nullptr || numChars <= 0) return;
  NoThrow([&] {
    AppendCut(string, std::u16string_view(reinterpret_cast<const char16_t*>(chars),
                                          static_cast<size_t>(numChars)));
  });
}

void CFStringAppendCString(CFMutableStringRef theString, const char* cStr,
                           CFStringEncoding encoding) {
  CFOpaqueString* string = MutableString(theString, "CFStringAppendCString");
  if (string == nullptr || cStr == nullptr) return;
  NoThrow([&] {
    std::optional<std::u16string> text = Decode(cStr, encoding);
    if (!text) {
      ReportMisuse("CFStringAppendCString", "bytes not valid in the encoding");
      return;
    }
    AppendCut(string, *text);
  });
}

void CFStringReplaceAll(CFMutableStringRef theString, CFStringRef replacement) {
  CFOpaqueString* string = MutableString(theString, "CFStringReplaceAll");
  const std::u16string* text = TextOf(replacement);
  if (string == nullptr || text == nullptr) return;
  NoThrow([&] {
    std::u16string copy = *text;
    string->text.clear();
    AppendCut(string, copy);
  });
}

namespace pde {

std::string ToUTF8(CFStringRef string) {
  const std::u16string* text = cf::TextOf(string);
  return text == nullptr ? std::string() : cf::UTF16ToUTF8(*text);
}

std::string ToUTF8(std::u16string_view text) {
  return cf::UTF16ToUTF8(text);
}

CFPtr<CFStringRef> MakeString(std::string_view utf8) {
  std::optional<std::u16string> text = cf::UTF8ToUTF16(utf8);
  return CFPtr<CFStringRef>(text ? cf::NewString(std::move(*text)) : nullptr);
}

}  // namespace pde
