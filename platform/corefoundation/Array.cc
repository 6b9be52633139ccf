// Array.cc: immutable and mutable arrays with element callbacks.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "Collection.h"
#include "String.h"
#include "Text.h"

struct CFOpaqueArray : pde::cf::ObjectBase {
  std::vector<const void*> values;
  CFArrayCallBacks callBacks{};
  bool isMutable = false;
  CFIndex capacity = 0;  // mutable arrays: 0 means no limit
};

namespace pde::cf {

const void* RetainTypeCallBack(CFAllocatorRef, const void* value) {
  return CFRetain(value);
}
void ReleaseTypeCallBack(CFAllocatorRef, const void* value) {
  CFRelease(value);
}

std::u16string DescribeElement(const void* value, CFStringRef (*copyDescription)(const void*)) {
  if (copyDescription != nullptr && value != nullptr) {
    CFStringRef description = copyDescription(value);
    const std::u16string* text = TextOf(description);
    std::u16string result = text ? *text : std::u16string();
    if (description != nullptr) CFRelease(description);
    return result;
  }
  char address[32];
  std::snprintf(address, sizeof address, "<%p>", value);
  return ASCIIToUTF16(address);
}

std::u16string Indented(std::u16string text) {
  for (size_t at = text.find(u'\n'); at != std::u16string::npos; at = text.find(u'\n', at + 5)) {
    text.insert(at + 1, u"    ");
  }
  return text;
}

namespace {

void ReleaseAll(const CFArrayCallBacks& callBacks, const std::vector<const void*>& values) {
  if (callBacks.release == nullptr) return;
  for (const void* value : values) callBacks.release(kCFAllocatorDefault, value);
}

void FinalizeArray(ObjectBase* object) {
  auto* array = static_cast<CFOpaqueArray*>(object);
  std::vector<const void*> values = std::move(array->values);
  CFArrayCallBacks callBacks = array->callBacks;
  DeleteObject<CFOpaqueArray>(object);
  ReleaseAll(callBacks, values);
}

bool EqualArrays(const ObjectBase* object, const ObjectBase* other) {
  const auto* first = static_cast<const CFOpaqueArray*>(object);
  const auto* second = static_cast<const CFOpaqueArray*>(other);
  if (first->values.size() != second->values.size()) return false;
  for (size_t i = 0; i < first->values.size(); ++i) {
    const void* a = first->values[i];
    const void* b = second->values[i];
    if (a == b) continue;
    if (first->callBacks.equal == nullptr || !first->callBacks.equal(a, b)) return false;
  }
  return true;
}

CFHashCode HashArray(const ObjectBase* object) {
  return static_cast<const CFOpaqueArray*>(object)->values.size();
}

std::u16string DescribeArray(const ObjectBase* object) {
  const auto* array = static_cast<const CFOpaqueArray*>(object);
  std::u16string text = u"(";
  for (size_t i = 0; i < array->values.size(); ++i) {
    text += u"\n    ";
    text += Indented(DescribeElement(array->values[i], array->callBacks.copyDescription));
    if (i + 1 < array->values.size()) text += u",";
  }
  text += array->values.empty() ? u")" : u"\n)";
  return text;
}

CFOpaqueArray* NewArray(const CFArrayCallBacks* callBacks, bool isMutable, CFIndex capacity) {
  auto* array = NewObject<CFOpaqueArray>(kArrayClass);
  if (array == nullptr) return nullptr;
  if (callBacks != nullptr) array->callBacks = *callBacks;
  array->isMutable = isMutable;
  array->capacity = capacity;
  return array;
}

CFOpaqueArray* MutableArray(CFMutableArrayRef ref, const char* function) {
  auto* array = AsMutable<CFOpaqueArray>(ref, kArrayClass);
  if (array == nullptr) return nullptr;
  if (!array->isMutable) {
    ReportMisuse(function, "the array is immutable");
    return nullptr;
  }
  return array;
}

// Stores value at the end, retaining it; false when memory is exhausted.
bool Append(CFOpaqueArray* array, const void* value) {
  // Room first, growing geometrically (reserve grows to exactly what it is asked for): this may
  // throw before anything is retained.
  if (array->values.size() == array->values.capacity()) {
    array->values.reserve(std::max<std::size_t>(4, 2 * array->values.size()));
  }
  if (array->callBacks.retain != nullptr)
    value = array->callBacks.retain(kCFAllocatorDefault, value);
  array->values.push_back(value);
  return true;
}

}  // namespace

const ClassRecord kArrayClass = {kArrayTypeID, "CFArray", FinalizeArray,
                                 EqualArrays,  HashArray, DescribeArray};

}  // namespace pde::cf

using namespace pde::cf;

const CFArrayCallBacks kCFTypeArrayCallBacks = {0, RetainTypeCallBack, ReleaseTypeCallBack,
                                                CFCopyDescription, CFEqual};

CFTypeID CFArrayGetTypeID(void) {
  return kArrayTypeID;
}

CFArrayRef CFArrayCreate(CFAllocatorRef, const void** values, CFIndex numValues,
                         const CFArrayCallBacks* callBacks) {
  if (numValues < 0 || (values == nullptr && numValues > 0)) return nullptr;
  CFOpaqueArray* array = NewArray(callBacks, false, 0);
  if (array == nullptr) return nullptr;
  bool filled = NoThrow([&] {
    array->values.reserve(static_cast<size_t>(numValues));
    for (CFIndex i = 0; i < numValues; ++i) Append(array, values[i]);
    return true;
  });
  if (!filled) {
    CFRelease(array);
    return nullptr;
  }
  return array;
}

CFMutableArrayRef CFArrayCreateMutable(CFAllocatorRef, CFIndex capacity,
                                       const CFArrayCallBacks* callBacks) {
  if (capacity < 0) return nullptr;
  return NewArray(callBacks, true, capacity);
}

CFIndex CFArrayGetCount(CFArrayRef theArray) {
  const auto* array = As<CFOpaqueArray>(theArray, kArrayClass);
  return array == nullptr ? 0 : static_cast<CFIndex>(array->values.size());
}

const void* CFArrayGetValueAtIndex(CFArrayRef theArray, CFIndex idx) {
  const auto* array = As<CFOpaqueArray>(theArray, kArrayClass);
  if (array == nullptr || idx < 0 || static_cast<size_t>(idx) >= array->values.size()) {
    return nullptr;
  }
  return array->values[static_cast<size_t>(idx)];
}

void CFArrayAppendValue(CFMutableArrayRef theArray, const void* value) {
  CFOpaqueArray* array = MutableArray(theArray, "CFArrayAppendValue");
  if (array == nullptr) return;
  if (array->capacity > 0 && static_cast<CFIndex>(array->values.size()) >= array->capacity) {
    ReportMisuse("CFArrayAppendValue", "the array is full");
    return;
  }
  NoThrow([&] { return Append(array, value); });
}

void CFArrayRemoveValueAtIndex(CFMutableArrayRef theArray, CFIndex idx) {
  CFOpaqueArray* array = MutableArray(theArray, "CFArrayRemoveValueAtIndex");
  if (array == nullptr) return;
  if (idx < 0 || static_cast<size_t>(idx) >= array->values.size()) {
    ReportMisuse("CFArrayRemoveValueAtIndex", "index out of range");
    return;
  }
  const void* value = array->values[static_cast<size_t>(idx)];
  array->values.erase(array->values.begin() + idx);
  if (array->callBacks.release != nullptr) array->callBacks.release(kCFAllocatorDefault, value);
}

void CFArrayRemoveAllValues(CFMutableArrayRef theArray) {
  CFOpaqueArray* array = MutableArray(theArray, "CFArrayRemoveAllValues");
  if (array == nullptr) return;
  std::vector<const void*> values = std::move(array->values);
  array->values.clear();
  ReleaseAll(array->callBacks, values);
}
