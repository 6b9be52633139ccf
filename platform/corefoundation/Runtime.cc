// Runtime.cc: retain counting, the polymorphic object calls, the allocator and object accounting.
#include "Runtime.h"

#include "String.h"
#include "Text.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

namespace pde::cf {
namespace {

std::atomic<long> liveObjects{0};

constexpr CFIndex kImmortalRetainCount = std::numeric_limits<CFIndex>::max();

void FinalizeImmortal(ObjectBase*) {}

std::u16string DescribeAllocator(const ObjectBase*) {
  return u"<CFAllocator default>";
}

}  // namespace

const ClassRecord kAllocatorClass = {kAllocatorTypeID, "CFAllocator", FinalizeImmortal,
                                     nullptr,          nullptr,       DescribeAllocator};

void CountNewObject() {
  liveObjects.fetch_add(1, std::memory_order_relaxed);
}
void CountFreedObject() {
  liveObjects.fetch_sub(1, std::memory_order_relaxed);
}

const ObjectBase* CheckedObject(CFTypeRef ref, const char* caller) {
  if (ref == nullptr) return nullptr;
  const auto* object = static_cast<const ObjectBase*>(ref);
  if (object->magic != kLiveMagic) {
    std::fprintf(stderr, "%s: %p is not a live Core Foundation object (%s)\n", caller, ref,
                 object->magic == kDeadMagic ? "already freed" : "unknown");
    std::abort();
  }
  return object;
}

bool RetainIfAlive(ObjectBase* object) {
  long count = object->retainCount.load(std::memory_order_relaxed);
  while (count > 0) {
    if (object->retainCount.compare_exchange_weak(count, count + 1, std::memory_order_acq_rel)) {
      return true;
    }
  }
  return false;
}

void ReportMisuse(const char* function, const char* why) {
  std::fprintf(stderr, "%s: %s\n", function, why);
}

std::u16string DescriptionOf(CFTypeRef ref) {
  const ObjectBase* object = CheckedObject(ref, "CFCopyDescription");
  if (object == nullptr) return {};
  return object->classRecord->describe(object);
}

}  // namespace pde::cf

using pde::cf::CheckedObject;
using pde::cf::ObjectBase;

namespace {
constinit ObjectBase systemAllocator(&pde::cf::kAllocatorClass, true);
}  // namespace

const CFAllocatorRef kCFAllocatorSystemDefault = reinterpret_cast<CFAllocatorRef>(&systemAllocator);

CFAllocatorRef CFAllocatorGetDefault(void) {
  return kCFAllocatorSystemDefault;
}

CFTypeRef CFRetain(CFTypeRef cf) {
  const ObjectBase* object = CheckedObject(cf, "CFRetain");
  if (object == nullptr || object->immortal) return cf;
  const_cast<ObjectBase*>(object)->retainCount.fetch_add(1, std::memory_order_relaxed);
  return cf;
}

void CFRelease(CFTypeRef cf) {
  const ObjectBase* object = CheckedObject(cf, "CFRelease");
  if (object == nullptr || object->immortal) return;
  auto* mutableObject = const_cast<ObjectBase*>(object);
  long before = mutableObject->retainCount.fetch_sub(1, std::memory_order_acq_rel);
  if (before == 1) {
    mutableObject->classRecord->finalize(mutableObject);
  } else if (before <= 0) {
    std::fprintf(stderr, "CFRelease: %p released more often than retained\n", cf);
    std::abort();
  }
}

CFIndex CFGetRetainCount(CFTypeRef cf) {
  const ObjectBase* object = CheckedObject(cf, "CFGetRetainCount");
  if (object == nullptr) return 0;
  if (object->immortal) return pde::cf::kImmortalRetainCount;
  return object->retainCount.load(std::memory_order_relaxed);
}

CFTypeID CFGetTypeID(CFTypeRef cf) {
  const ObjectBase* object = CheckedObject(cf, "CFGetTypeID");
  return object == nullptr ? 0 : object->classRecord->typeID;
}

Boolean CFEqual(CFTypeRef cf1, CFTypeRef cf2) {
  const ObjectBase* first = CheckedObject(cf1, "CFEqual");
  const ObjectBase* second = CheckedObject(cf2, "CFEqual");
  if (first == nullptr || second == nullptr) return false;
  if (first == second) return true;
  if (first->classRecord != second->classRecord || first->classRecord->equal == nullptr) {
    return false;
  }
  return first->classRecord->equal(first, second);
}

CFHashCode CFHash(CFTypeRef cf) {
  const ObjectBase* object = CheckedObject(cf, "CFHash");
  if (object == nullptr) return 0;
  if (object->classRecord->hash == nullptr) return reinterpret_cast<CFHashCode>(cf);
  return object->classRecord->hash(object);
}

CFStringRef CFCopyDescription(CFTypeRef cf) {
  if (cf == nullptr) return nullptr;
  try {
    return pde::cf::NewString(pde::cf::DescriptionOf(cf));
  } catch (...) {
    return nullptr;
  }
}

namespace {

// Where CFShow's lines go; null for standard error. Set by the host, read on its main thread.
pde::ConsoleSink consoleSink = nullptr;

void WriteLine(const char* line) {
  if (consoleSink != nullptr) {
    consoleSink(line);
  } else {
    std::fprintf(stderr, "%s\n", line);
  }
}

}  // namespace

void CFShow(CFTypeRef obj) {
  if (obj == nullptr) {
    WriteLine("(null)");
    return;
  }
  try {
    std::string text = pde::EscapeBytes(pde::cf::UTF16ToUTF8(pde::cf::DescriptionOf(obj)));
    WriteLine(text.c_str());
  } catch (...) {
    WriteLine("CFShow: out of memory");
  }
}

namespace pde {

void SetConsoleSink(ConsoleSink sink) {
  consoleSink = sink;
}

void WriteConsoleLine(const std::string& line) {
  WriteLine(line.c_str());
}

long LiveObjectCount() {
  return cf::liveObjects.load(std::memory_order_relaxed);
}

}  // namespace pde
