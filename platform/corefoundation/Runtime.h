// Runtime.h: the object runtime shared by every Core Foundation type of this layer (internal).
#pragma once

#include <atomic>
#include <cstdint>
#include <new>
#include <string>
#include <string_view>
#include <type_traits>

#include "pde/CFHost.h"
#include "pde/TestHooks.h"

namespace pde::cf {

// Type identifiers, one per class.
enum TypeID : CFTypeID {
  kAllocatorTypeID = 1,
  kStringTypeID,
  kNumberTypeID,
  kBooleanTypeID,
  kArrayTypeID,
  kDictionaryTypeID,
  kDataTypeID,
  kURLTypeID,
  kUUIDTypeID,
  kBundleTypeID,
  kRunLoopTypeID,
  kRunLoopTimerTypeID,
};

struct ObjectBase;

// What the runtime knows of a type: its name and its polymorphic operations.
struct ClassRecord {
  CFTypeID typeID;
  const char* name;  // the allocation kind, e.g. "CFString"
  // Frees the object's resources and the object itself. Required.
  void (*finalize)(ObjectBase* object);
  // Value equality with another object of the same class; null: identity.
  bool (*equal)(const ObjectBase* object, const ObjectBase* other);
  // Hash consistent with equal; null: the address.
  CFHashCode (*hash)(const ObjectBase* object);
  // The description text (CFCopyDescription, %@, CFShow). Required.
  std::u16string (*describe)(const ObjectBase* object);
};

inline constexpr std::uint32_t kLiveMagic = 0x43464f42;  // "CFOB"
inline constexpr std::uint32_t kDeadMagic = 0xdeadcf00;

// First member (base) of every object.
struct ObjectBase {
  constexpr explicit ObjectBase(const ClassRecord* klass = nullptr, bool isImmortal = false)
      : classRecord(klass), immortal(isImmortal) {}
  ObjectBase(const ObjectBase&) = delete;
  ObjectBase& operator=(const ObjectBase&) = delete;

  const ClassRecord* classRecord;
  std::atomic<long> retainCount{1};
  std::uint32_t magic = kLiveMagic;
  bool immortal;  // constants: never counted, never freed
};

// The class records, one per file that defines the type.
extern const ClassRecord kAllocatorClass;
extern const ClassRecord kStringClass;
extern const ClassRecord kNumberClass;
extern const ClassRecord kBooleanClass;
extern const ClassRecord kArrayClass;
extern const ClassRecord kDictionaryClass;
extern const ClassRecord kDataClass;
extern const ClassRecord kURLClass;
extern const ClassRecord kUUIDClass;
extern const ClassRecord kBundleClass;
extern const ClassRecord kRunLoopClass;
extern const ClassRecord kRunLoopTimerClass;

// Object accounting behind LiveObjectCount.
void CountNewObject();
void CountFreedObject();

// The one core constructor: a new counted object of type T (derived from ObjectBase) with a retain
// count of 1, or null when the allocation of its kind is to fail or memory is exhausted.
template <typename T>
T* NewObject(const ClassRecord& klass) {
  if (TakeAllocationFailure(klass.name)) return nullptr;
  T* object = new (std::nothrow) T;
  if (object == nullptr) return nullptr;
  object->classRecord = &klass;
  CountNewObject();
  return object;
}

// Frees a counted object made by NewObject; for finalizers. Marks it dead first.
template <typename T>
void DeleteObject(ObjectBase* object) {
  object->magic = kDeadMagic;
  CountFreedObject();
  delete static_cast<T*>(object);
}

// The object behind a reference, or null for null. Aborts with a message for a reference that is
// not a live object (a release of a freed object, for instance): continuing would corrupt memory.
const ObjectBase* CheckedObject(CFTypeRef ref, const char* caller);

// The object as class klass, or null when ref is null or of another class.
template <typename T>
const T* As(CFTypeRef ref, const ClassRecord& klass) {
  const ObjectBase* object = CheckedObject(ref, "type check");
  if (object == nullptr || object->classRecord != &klass) return nullptr;
  return static_cast<const T*>(object);
}
template <typename T>
T* AsMutable(CFTypeRef ref, const ClassRecord& klass) {
  return const_cast<T*>(As<T>(ref, klass));
}

// Increments the count unless the object is already on its way out (count 0); for uniquing tables.
bool RetainIfAlive(ObjectBase* object);

// Writes "<function>: <why>" to standard error: a caller broke a call's contract.
void ReportMisuse(const char* function, const char* why);

// Runs body; an exception (exhausted memory) gives a value-initialised result and a message,
// so that no exception leaves a C call.
template <typename Body>
auto NoThrow(Body body) -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    ReportMisuse("Core Foundation", "out of memory");
    if constexpr (!std::is_void_v<decltype(body())>) return decltype(body()){};
  }
}

// The description text of any object (CFCopyDescription, %@); empty for null.
std::u16string DescriptionOf(CFTypeRef ref);

}  // namespace pde::cf
