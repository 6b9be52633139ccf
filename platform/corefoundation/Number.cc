// Number.cc: number objects (a 64-bit integer or a double) and the two Boolean constants.
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "Runtime.h"
#include "Text.h"

struct CFOpaqueNumber : pde::cf::ObjectBase {
  CFNumberType type = kCFNumberSInt64Type;  // the canonical type: SInt8..SInt64, Float32, Float64
  bool isFloat = false;
  SInt64 integer = 0;
  double real = 0;
};

struct CFOpaqueBoolean : pde::cf::ObjectBase {
  constexpr CFOpaqueBoolean(const pde::cf::ClassRecord* klass, bool isTrue)
      : ObjectBase(klass, true), value(isTrue) {}
  bool value;
};

namespace pde::cf {
namespace {

// The canonical type of theType; 0 when theType is unknown.
CFNumberType CanonicalType(CFNumberType theType) {
  switch (theType) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
      return kCFNumberSInt8Type;
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
      return kCFNumberSInt16Type;
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
      return kCFNumberSInt32Type;
    case kCFNumberSInt64Type:
    case kCFNumberLongType:
    case kCFNumberLongLongType:
    case kCFNumberCFIndexType:
      return kCFNumberSInt64Type;
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
      return kCFNumberFloat32Type;
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType:
      return kCFNumberFloat64Type;
    default:
      return 0;
  }
}

// The number as a double, and whether it is integral: for mixed comparisons and hashing.
bool IsIntegral(const CFOpaqueNumber* number) {
  return !number->isFloat ||
         (std::isfinite(number->real) && std::trunc(number->real) == number->real &&
          std::fabs(number->real) < 9.2e18);
}
SInt64 IntegralValue(const CFOpaqueNumber* number) {
  return number->isFloat ? static_cast<SInt64>(number->real) : number->integer;
}

int Compare(const CFOpaqueNumber* first, const CFOpaqueNumber* second) {
  if (!first->isFloat && !second->isFloat) {
    return first->integer < second->integer ? -1 : first->integer > second->integer ? 1 : 0;
  }
  if (IsIntegral(first) && IsIntegral(second)) {
    SInt64 a = IntegralValue(first), b = IntegralValue(second);
    return a < b ? -1 : a > b ? 1 : 0;
  }
  long double a = first->isFloat ? first->real : static_cast<long double>(first->integer);
  long double b = second->isFloat ? second->real : static_cast<long double>(second->integer);
  return a < b ? -1 : a > b ? 1 : 0;
}

void FinalizeNumber(ObjectBase* object) {
  DeleteObject<CFOpaqueNumber>(object);
}

bool EqualNumbers(const ObjectBase* object, const ObjectBase* other) {
  const auto* first = static_cast<const CFOpaqueNumber*>(object);
  const auto* second = static_cast<const CFOpaqueNumber*>(other);
  if (first->isFloat && std::isnan(first->real)) return second->isFloat && std::isnan(second->real);
  return Compare(first, second) == 0;
}

CFHashCode HashNumber(const ObjectBase* object) {
  const auto* number = static_cast<const CFOpaqueNumber*>(object);
  if (IsIntegral(number)) return static_cast<CFHashCode>(IntegralValue(number));
  double real = number->real;
  CFHashCode hash;
  std::memcpy(&hash, &real, sizeof hash);
  return hash;
}

std::u16string DescribeNumber(const ObjectBase* object) {
  const auto* number = static_cast<const CFOpaqueNumber*>(object);
  char buffer[64];
  std::to_chars_result result =
      number->isFloat ? std::to_chars(buffer, buffer + sizeof buffer, number->real)
                      : std::to_chars(buffer, buffer + sizeof buffer, number->integer);
  return ASCIIToUTF16(std::string_view(buffer, static_cast<size_t>(result.ptr - buffer)));
}

void FinalizeImmortal(ObjectBase*) {}

bool EqualBooleans(const ObjectBase* object, const ObjectBase* other) {
  return static_cast<const CFOpaqueBoolean*>(object)->value ==
         static_cast<const CFOpaqueBoolean*>(other)->value;
}

CFHashCode HashBoolean(const ObjectBase* object) {
  return static_cast<const CFOpaqueBoolean*>(object)->value ? 1 : 0;
}

std::u16string DescribeBoolean(const ObjectBase* object) {
  return static_cast<const CFOpaqueBoolean*>(object)->value ? u"true" : u"false";
}

// Converts an integer to Target: true when the value fits.
template <typename Target>
bool StoreInteger(SInt64 value, void* out) {
  auto converted = static_cast<Target>(value);
  std::memcpy(out, &converted, sizeof converted);
  return static_cast<SInt64>(converted) == value;
}

// Converts a double to the integer Target, truncating and saturating: true when nothing is lost.
template <typename Target>
bool StoreTruncated(double value, void* out) {
  constexpr double kLow = static_cast<double>(std::numeric_limits<Target>::min());
  constexpr double kHigh = -kLow;  // the first value above the range
  Target converted;
  bool exact = std::trunc(value) == value;
  if (std::isnan(value)) {
    converted = 0, exact = false;
  } else if (value < kLow) {
    converted = std::numeric_limits<Target>::min(), exact = false;
  } else if (value >= kHigh) {
    converted = std::numeric_limits<Target>::max(), exact = false;
  } else {
    converted = static_cast<Target>(value);
  }
  std::memcpy(out, &converted, sizeof converted);
  return exact;
}

}  // namespace

const ClassRecord kNumberClass = {kNumberTypeID, "CFNumber", FinalizeNumber,
                                  EqualNumbers,  HashNumber, DescribeNumber};
const ClassRecord kBooleanClass = {kBooleanTypeID, "CFBoolean", FinalizeImmortal,
                                   EqualBooleans,  HashBoolean, DescribeBoolean};

}  // namespace pde::cf

using namespace pde::cf;

namespace {
constinit CFOpaqueBoolean trueObject(&kBooleanClass, true);
constinit CFOpaqueBoolean falseObject(&kBooleanClass, false);
}  // namespace

const CFBooleanRef kCFBooleanTrue = &trueObject;
const CFBooleanRef kCFBooleanFalse = &falseObject;

CFTypeID CFBooleanGetTypeID(void) {
  return kBooleanTypeID;
}

Boolean CFBooleanGetValue(CFBooleanRef boolean) {
  const auto* object = As<CFOpaqueBoolean>(boolean, kBooleanClass);
  return object != nullptr && object->value;
}

CFTypeID CFNumberGetTypeID(void) {
  return kNumberTypeID;
}

CFNumberRef CFNumberCreate(CFAllocatorRef, CFNumberType theType, const void* valuePtr) {
  CFNumberType canonical = CanonicalType(theType);
  if (canonical == 0 || valuePtr == nullptr) return nullptr;
  auto* number = NewObject<CFOpaqueNumber>(kNumberClass);
  if (number == nullptr) return nullptr;
  number->type = canonical;
  switch (theType) {
    case kCFNumberSInt8Type:
      number->integer = *static_cast<const SInt8*>(valuePtr);
      break;
    case kCFNumberCharType:
      number->integer = *static_cast<const signed char*>(valuePtr);
      break;
    case kCFNumberSInt16Type:
      number->integer = *static_cast<const SInt16*>(valuePtr);
      break;
    case kCFNumberShortType:
      number->integer = *static_cast<const short*>(valuePtr);
      break;
    case kCFNumberSInt32Type:
      number->integer = *static_cast<const SInt32*>(valuePtr);
      break;
    case kCFNumberIntType:
      number->integer = *static_cast<const int*>(valuePtr);
      break;
    case kCFNumberSInt64Type:
      number->integer = *static_cast<const SInt64*>(valuePtr);
      break;
    case kCFNumberLongType:
      number->integer = *static_cast<const long*>(valuePtr);
      break;
    case kCFNumberLongLongType:
      number->integer = *static_cast<const long long*>(valuePtr);
      break;
    case kCFNumberCFIndexType:
      number->integer = *static_cast<const CFIndex*>(valuePtr);
      break;
    case kCFNumberFloat32Type:
    case kCFNumberFloatType:
      number->isFloat = true, number->real = *static_cast<const float*>(valuePtr);
      break;
    default:  // Float64, double
      number->isFloat = true, number->real = *static_cast<const double*>(valuePtr);
      break;
  }
  return number;
}

CFNumberType CFNumberGetType(CFNumberRef number) {
  const auto* object = As<CFOpaqueNumber>(number, kNumberClass);
  return object == nullptr ? 0 : object->type;
}

Boolean CFNumberIsFloatType(CFNumberRef number) {
  const auto* object = As<CFOpaqueNumber>(number, kNumberClass);
  return object != nullptr && object->isFloat;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType theType, void* valuePtr) {
  const auto* object = As<CFOpaqueNumber>(number, kNumberClass);
  if (object == nullptr || valuePtr == nullptr) return false;
  bool isFloat = object->isFloat;
  SInt64 integer = object->integer;
  double real = object->real;
  switch (theType) {
    case kCFNumberSInt8Type:
    case kCFNumberCharType:
      return isFloat ? StoreTruncated<SInt8>(real, valuePtr)
                     : StoreInteger<SInt8>(integer, valuePtr);
    case kCFNumberSInt16Type:
    case kCFNumberShortType:
      return isFloat ? StoreTruncated<SInt16>(real, valuePtr)
                     : StoreInteger<SInt16>(integer, valuePtr);
    case kCFNumberSInt32Type:
    case kCFNumberIntType:
      return isFloat ? StoreTruncated<SInt32>(real, valuePtr)
                     : StoreInteger<SInt32>(integer, valuePtr);
    case kCFNumberSInt64Type:
    case kCFNumberLongType:
    case kCFNumberLongLongType:
    case kCFNumberCFIndexType:
      return isFloat ? StoreTruncated<SInt64>(real, valuePtr)
                     : StoreInteger<SInt64>(integer, valuePtr);
    case kCFNumberFloat32Type:
    case kCFNumberFloatType: {
      double value = isFloat ? real : static_cast<double>(integer);
      bool inRange = !std::isfinite(value) || std::fabs(value) <= std::numeric_limits<float>::max();
      float converted = inRange ? static_cast<float>(value)
                                : std::copysign(std::numeric_limits<float>::infinity(),
                                                static_cast<float>(value > 0 ? 1 : -1));
      std::memcpy(valuePtr, &converted, sizeof converted);
      return inRange;
    }
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType: {
      double value = isFloat ? real : static_cast<double>(integer);
      std::memcpy(valuePtr, &value, sizeof value);
      return true;
    }
    default:
      return false;
  }
}

CFComparisonResult CFNumberCompare(CFNumberRef number, CFNumberRef otherNumber, void*) {
  const auto* first = As<CFOpaqueNumber>(number, kNumberClass);
  const auto* second = As<CFOpaqueNumber>(otherNumber, kNumberClass);
  if (first == nullptr || second == nullptr) {
    if (first == second) return kCFCompareEqualTo;
    return first == nullptr ? kCFCompareLessThan : kCFCompareGreaterThan;
  }
  return static_cast<CFComparisonResult>(Compare(first, second));
}
