// Dictionary.cc: immutable and mutable dictionaries with key and value callbacks, in insertion
// order, found through a hash table of their keys once they hold more than a few.
#include <algorithm>
#include <cstdint>
#include <new>
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
  std::vector<Entry> entries;  // in insertion order
  // Open addressing over the key hashes: each slot holds an entry's position + 1, or 0 when free.
  // Empty while the dictionary is small enough to search entry by entry.
  std::vector<std::uint32_t> slots;
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

// Up to this many entries a dictionary is searched entry by entry and has no slots.
constexpr std::size_t kMostUnindexed = 16;

// The first slot to probe for hash in a table of slotCount (a power of two) slots. Hashes are
// mixed first: those of addresses and small numbers differ in their high bits only.
std::size_t FirstSlot(CFHashCode hash, std::size_t slotCount) {
  return static_cast<std::size_t>((static_cast<std::uint64_t>(hash) * 0x9E3779B97F4A7C15ull) >>
                                  32) &
         (slotCount - 1);
}

// Puts the entry at position into the first free slot of its probe sequence.
void IndexEntry(CFOpaqueDictionary* dictionary, std::size_t position) {
  std::vector<std::uint32_t>& slots = dictionary->slots;
  std::size_t slot = FirstSlot(dictionary->entries[position].hash, slots.size());
  while (slots[slot] != 0) slot = (slot + 1) & (slots.size() - 1);
  slots[slot] = static_cast<std::uint32_t>(position + 1);
}

// Indexes every entry again in the current slots (after a removal moved entries).
void Reindex(CFOpaqueDictionary* dictionary) {
  if (dictionary->entries.size() <= kMostUnindexed) {
    std::vector<std::uint32_t>().swap(dictionary->slots);
    return;
  }
  std::fill(dictionary->slots.begin(), dictionary->slots.end(), 0);
  for (std::size_t i = 0; i < dictionary->entries.size(); ++i) IndexEntry(dictionary, i);
}

// Makes room in the slots for one more entry, at most half of them used. Throws std::bad_alloc
// (a "CFDictionary" allocation that may be made to fail) before anything changes.
void ReserveSlot(CFOpaqueDictionary* dictionary) {
  const std::size_t count = dictionary->entries.size() + 1;
  if (count <= kMostUnindexed || count * 2 <= dictionary->slots.size()) return;
  std::size_t slotCount = 64;
  while (slotCount < count * 2) slotCount *= 2;
  if (TakeAllocationFailure("CFDictionary")) throw std::bad_alloc();
  std::vector<std::uint32_t> slots(slotCount, 0);
  dictionary->slots.swap(slots);
  for (std::size_t i = 0; i < dictionary->entries.size(); ++i) IndexEntry(dictionary, i);
}

// The entry of key, or null.
const Entry* Find(const CFOpaqueDictionary* dictionary, const void* key) {
  CFHashCode hash = KeyHash(dictionary, key);
  if (dictionary->slots.empty()) {
    for (const Entry& entry : dictionary->entries) {
      if (entry.hash == hash && KeysEqual(dictionary, entry.key, key)) return &entry;
    }
    return nullptr;
  }
  const std::vector<std::uint32_t>& slots = dictionary->slots;
  for (std::size_t slot = FirstSlot(hash, slots.size()); slots[slot] != 0;
       slot = (slot + 1) & (slots.size() - 1)) {
    const Entry& entry = dictionary->entries[slots[slot] - 1];
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
  // Both may throw, before any retain.
  if (dictionary->entries.size() == dictionary->entries.capacity()) {
    dictionary->entries.reserve(dictionary->entries.size() * 2 + 1);
  }
  ReserveSlot(dictionary);
  const void* storedKey = keys.retain ? keys.retain(kCFAllocatorDefault, key) : key;
  const void* storedValue = values.retain ? values.retain(kCFAllocatorDefault, value) : value;
  dictionary->entries.push_back(Entry{storedKey, storedValue, hash});
  if (!dictionary->slots.empty()) IndexEntry(dictionary, dictionary->entries.size() - 1);
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
    dictionary->entries.reserve(static_cast<size_t>(numValues));
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
  Reindex(dictionary);
  ReleaseEntry(dictionary->keyCallBacks, dictionary->valueCallBacks, removed);
}

void CFDictionaryRemoveAllValues(CFMutableDictionaryRef theDict) {
  CFOpaqueDictionary* dictionary = MutableDictionary(theDict, "CFDictionaryRemoveAllValues");
  if (dictionary == nullptr) return;
  std::vector<Entry> entries = std::move(dictionary->entries);
  dictionary->entries.clear();
  std::vector<std::uint32_t>().swap(dictionary->slots);
  ReleaseEntries(dictionary->keyCallBacks, dictionary->valueCallBacks, entries);
}
