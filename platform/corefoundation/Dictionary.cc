// Dictionary.cc: immutable and mutable dictionaries with key and value callbacks, in insertion
// order.
#include <vector>

#include "Collection.h"

namespace {

struct Entry {
  const void* key;
  const void* value;
  CFHashCode hash;
};

}  // namespace

struct CFOpaqueDictionary : pde::cf::ObjectBase {
  std::vector<Entry> entries;
  CFDictionaryKeyCallBacks keyCallBacks{};
  CFDictionaryValueCallBacks valueCallBacks{};
  bool isMutable = false;
  CFIndex capacity = 0;  // mutable dictionaries: 0 means no limit
};

namespace pde::cf {
namespace {

CFHashCode KeyHash(const CFOpaqueDictionary* dictionary, const void* key) {
  if (dictionary->keyCallBacks.hash == nullptr) return reinterpret_cast<CFHashCode>(key);
  return dictionary->keyCallBacks.hash(key);
}

bool KeysEqual(const CFOpaqueDictionary* dictionary, const void* first, const void* second) {
  if (first == second) return true;
  return dictionary->keyCallBacks.equal != nullptr && dictionary->keyCallBacks.equal(first, second);
}

// The entry of key, or null.
const Entry* Find(const CFOpaqueDictionary* dictionary, const void* key) {
  CFHashCode hash = KeyHash(dictionary, key);
  for (const Entry& entry : dictionary->entries) {
    if (entry.hash == hash && KeysEqual(dictionary, entry.key, key)) return &entry;
  }
  return nullptr;
}

void ReleaseEntry(const CFDictionaryKeyCallBacks& keys, const CFDictionaryValueCallBacks& values,
                  const Entry& entry) {
  if (keys.release != nullptr) keys.release(kCFAllocatorDefault, entry.key);
  if (values.release != nullptr) values.release(kCFAllocatorDefault, entry.value);
}

void ReleaseEntries(const CFDictionaryKeyCallBacks& keys, const CFDictionaryValueCallBacks& values,
                    const std::vector<Entry>& entries) {
  for (const Entry& entry : entries) ReleaseEntry(keys, values, entry);
}

void FinalizeDictionary(ObjectBase* object) {
  auto* dictionary = static_cast<CFOpaqueDictionary*>(object);
  std::vector<Entry> entries = std::move(dictionary->entries);
  CFDictionaryKeyCallBacks keys = dictionary->keyCallBacks;
  CFDictionaryValueCallBacks values = dictionary->valueCallBacks;
  DeleteObject<CFOpaqueDictionary>(object);
  ReleaseEntries(keys, values, entries);
}

bool EqualDictionaries(const ObjectBase* object, const ObjectBase* other) {
  const auto* first = static_cast<const CFOpaqueDictionary*>(object);
  const auto* second = static_cast<const CFOpaqueDictionary*>(other);
  if (first->entries.size() != second->entries.size()) return false;
  for (const Entry& entry : first->entries) {
    const Entry* match = Find(second, entry.key);
    if (match == nullptr) return false;
    if (match->value == entry.value) continue;
    if (first->valueCallBacks.equal == nullptr ||
        !first->valueCallBacks.equal(entry.value, match->value)) {
      return false;
    }
  }
  return true;
}

CFHashCode HashDictionary(const ObjectBase* object) {
  return static_cast<const CFOpaqueDictionary*>(object)->entries.size();
}

std::u16string DescribeDictionary(const ObjectBase* object) {
  const auto* dictionary = static_cast<const CFOpaqueDictionary*>(object);
  std::u16string text = u"{";
  for (const Entry& entry : dictionary->entries) {
    text += u"\n    ";
    text += Indented(DescribeElement(entry.key, dictionary->keyCallBacks.copyDescription));
    text += u" = ";
    text += Indented(DescribeElement(entry.value, dictionary->valueCallBacks.copyDescription));
    text += u";";
  }
  text += dictionary->entries.empty() ? u"}" : u"\n}";
  return text;
}

CFOpaqueDictionary* NewDictionary(const CFDictionaryKeyCallBacks* keyCallBacks,
                                  const CFDictionaryValueCallBacks* valueCallBacks, bool isMutable,
                                  CFIndex capacity) {
  auto* dictionary = NewObject<CFOpaqueDictionary>(kDictionaryClass);
  if (dictionary == nullptr) return nullptr;
  if (keyCallBacks != nullptr) dictionary->keyCallBacks = *keyCallBacks;
  if (valueCallBacks != nullptr) dictionary->valueCallBacks = *valueCallBacks;
  dictionary->isMutable = isMutable;
  dictionary->capacity = capacity;
  return dictionary;
}

CFOpaqueDictionary* MutableDictionary(CFMutableDictionaryRef ref, const char* function) {
  auto* dictionary = AsMutable<CFOpaqueDictionary>(ref, kDictionaryClass);
  if (dictionary == nullptr) return nullptr;
  if (!dictionary->isMutable) {
    ReportMisuse(function, "the dictionary is immutable");
    return nullptr;
  }
  return dictionary;
}

// Adds the key or replaces its value: retains the new value, then releases the replaced one.
void Set(CFOpaqueDictionary* dictionary, const void* key, const void* value) {
  const CFDictionaryValueCallBacks& values = dictionary->valueCallBacks;
  if (const Entry* found = Find(dictionary, key)) {
    auto* entry = const_cast<Entry*>(found);
    const void* replaced = entry->value;
    entry->value = values.retain ? values.retain(kCFAllocatorDefault, value) : value;
    if (values.release != nullptr) values.release(kCFAllocatorDefault, replaced);
    return;
  }
  if (dictionary->capacity > 0 &&
      static_cast<CFIndex>(dictionary->entries.size()) >= dictionary->capacity) {
    ReportMisuse("CFDictionarySetValue", "the dictionary is full");
    return;
  }
  const CFDictionaryKeyCallBacks& keys = dictionary->keyCallBacks;
  CFHashCode hash = KeyHash(dictionary, key);
  dictionary->entries.reserve(dictionary->entries.size() + 1);  // may throw before any retain
  const void* storedKey = keys.retain ? keys.retain(kCFAllocatorDefault, key) : key;
  const void* storedValue = values.retain ? values.retain(kCFAllocatorDefault, value) : value;
  dictionary->entries.push_back(Entry{storedKey, storedValue, hash});
}

}  // namespace

const ClassRecord kDictionaryClass = {kDictionaryTypeID, "CFDictionary", FinalizeDictionary,
                                      EqualDictionaries, HashDictionary, DescribeDictionary};

}  // namespace pde::cf

using namespace pde::cf;

const CFDictionaryKeyCallBacks kCFTypeDictionaryKeyCallBacks = {
    0, RetainTypeCallBack, ReleaseTypeCallBack, CFCopyDescription, CFEqual, CFHash};
const CFDictionaryValueCallBacks kCFTypeDictionaryValueCallBacks = {
    0, RetainTypeCallBack, ReleaseTypeCallBack, CFCopyDescription, CFEqual};

CFTypeID CFDictionaryGetTypeID(void) {
  return kDictionaryTypeID;
}

CFDictionaryRef CFDictionaryCreate(CFAllocatorRef, const void** keys, const void** values,
                                   CFIndex numValues, const CFDictionaryKeyCallBacks* keyCallBacks,
                                   const CFDictionaryValueCallBacks* valueCallBacks) {
  if (numValues < 0 || (numValues > 0 && (keys == nullptr || values == nullptr))) return nullptr;
  CFOpaqueDictionary* dictionary = NewDictionary(keyCallBacks, valueCallBacks, false, 0);
  if (dictionary == nullptr) return nullptr;
  bool filled = NoThrow([&] {
    for (CFIndex i = 0; i < numValues; ++i) Set(dictionary, keys[i], values[i]);
    return true;
  });
  if (!filled) {
    CFRelease(dictionary);
    return nullptr;
  }
  return dictionary;
}

CFMutableDictionaryRef CFDictionaryCreateMutable(CFAllocatorRef, CFIndex capacity,
                                                 const CFDictionaryKeyCallBacks* keyCallBacks,
                                                 const CFDictionaryValueCallBacks* valueCallBacks) {
  if (capacity < 0) return nullptr;
  return NewDictionary(keyCallBacks, valueCallBacks, true, capacity);
}

CFMutableDictionaryRef CFDictionaryCreateMutableCopy(CFAllocatorRef, CFIndex capacity,
                                                     CFDictionaryRef theDict) {
  const auto* source = As<CFOpaqueDictionary>(theDict, kDictionaryClass);
  if (source == nullptr || capacity < 0) return nullptr;
  if (capacity > 0 && capacity < static_cast<CFIndex>(source->entries.size())) {
    ReportMisuse("CFDictionaryCreateMutableCopy", "capacity below the number of entries");
    return nullptr;
  }
  CFOpaqueDictionary* copy =
      NewDictionary(&source->keyCallBacks, &source->valueCallBacks, true, capacity);
  if (copy == nullptr) return nullptr;
  bool filled = NoThrow([&] {
    for (const Entry& entry : source->entries) Set(copy, entry.key, entry.value);
    return true;
  });
  if (!filled) {
    CFRelease(copy);
    return nullptr;
  }
  return copy;
}

CFIndex CFDictionaryGetCount(CFDictionaryRef theDict) {
  const auto* dictionary = As<CFOpaqueDictionary>(theDict, kDictionaryClass);
  return dictionary == nullptr ? 0 : static_cast<CFIndex>(dictionary->entries.size());
}

const void* CFDictionaryGetValue(CFDictionaryRef theDict, const void* key) {
  const void* value = nullptr;
  CFDictionaryGetValueIfPresent(theDict, key, &value);
  return value;
}

Boolean CFDictionaryGetValueIfPresent(CFDictionaryRef theDict, const void* key,
                                      const void** value) {
  const auto* dictionary = As<CFOpaqueDictionary>(theDict, kDictionaryClass);
  if (dictionary == nullptr) return false;
  const Entry* entry = Find(dictionary, key);
  if (entry == nullptr) return false;
  if (value != nullptr) *value = entry->value;
  return true;
}

Boolean CFDictionaryContainsKey(CFDictionaryRef theDict, const void* key) {
  return CFDictionaryGetValueIfPresent(theDict, key, nullptr);
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef theDict, const void** keys, const void** values) {
  const auto* dictionary = As<CFOpaqueDictionary>(theDict, kDictionaryClass);
  if (dictionary == nullptr) return;
  for (size_t i = 0; i < dictionary->entries.size(); ++i) {
    if (keys != nullptr) keys[i] = dictionary->entries[i].key;
    if (values != nullptr) values[i] = dictionary->entries[i].value;
  }
}

void CFDictionarySetValue(CFMutableDictionaryRef theDict, const void* key, const void* value) {
  CFOpaqueDictionary* dictionary = MutableDictionary(theDict, "CFDictionarySetValue");
  if (dictionary == nullptr) return;
  NoThrow([&] { Set(dictionary, key, value); });
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef theDict, const void* key) {
  CFOpaqueDictionary* dictionary = MutableDictionary(theDict, "CFDictionaryRemoveValue");
  if (dictionary == nullptr) return;
  const Entry* found = Find(dictionary, key);
  if (found == nullptr) return;
  Entry removed = *found;
  dictionary->entries.erase(dictionary->entries.begin() + (found - dictionary->entries.data()));
  ReleaseEntry(dictionary->keyCallBacks, dictionary->valueCallBacks, removed);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
  CFOpaqueDictionary* dictionary = MutableDictionary(theDict, "CFDictionaryRemoveAllValues");
  if (dictionary == nullptr) return;
  std::vector<Entry> entries = std::move(dictionary->entries);
  dictionary->entries.clear();
  ReleaseEntries(dictionary->keyCallBacks, dictionary->valueCallBacks, entries);
}
