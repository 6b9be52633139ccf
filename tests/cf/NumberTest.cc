// NumberTest.cc: number conversions, lossy reads, equality across types, and Booleans.
#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <utility>

#include "pde/CFHost.h"

namespace {

using pde::CFPtr;

template <typename T>
CFPtr<CFNumberRef> Make(CFNumberType type, T value) {
  return CFPtr<CFNumberRef>(CFNumberCreate(nullptr, type, &value));
}

// Whether reading number as type was exact, and the value it wrote.
template <typename T>
std::pair<bool, T> Get(const CFPtr<CFNumberRef>& number, CFNumberType type) {
  T value{};
  bool exact = CFNumberGetValue(number.get(), type, &value);
  return {exact, value};
}

TEST(Number, GetValueWritesTheConvertedValueAndReportsLoss) {
  CFPtr<CFNumberRef> big = Make(kCFNumberSInt64Type, int64_t{300});
  CFPtr<CFNumberRef> fraction = Make(kCFNumberDoubleType, 2.75);
  CFPtr<CFNumberRef> huge = Make(kCFNumberDoubleType, 1e300);
  EXPECT_EQ(Get<int8_t>(big, kCFNumberSInt8Type), std::pair(false, int8_t{44}));  // wrapped
  EXPECT_EQ(Get<int16_t>(big, kCFNumberSInt16Type), std::pair(true, int16_t{300}));
  EXPECT_EQ(Get<int>(fraction, kCFNumberIntType), std::pair(false, 2));
  EXPECT_EQ(Get<double>(fraction, kCFNumberFloat64Type), std::pair(true, 2.75));
  EXPECT_EQ(Get<int32_t>(huge, kCFNumberSInt32Type),
            std::pair(false, std::numeric_limits<int32_t>::max()));
  EXPECT_EQ(Get<float>(huge, kCFNumberFloat32Type),
            std::pair(false, std::numeric_limits<float>::infinity()));
  EXPECT_EQ(Get<long>(Make(kCFNumberDoubleType, -3.0), kCFNumberLongType), std::pair(true, -3L));
  EXPECT_EQ(Get<CFIndex>(Make(kCFNumberIntType, -1), kCFNumberCFIndexType),
            std::pair(true, CFIndex{-1}));
  int untouched = 5;
  EXPECT_FALSE(CFNumberGetValue(big.get(), 99, &untouched));
  EXPECT_EQ(untouched, 5);
}

TEST(Number, TypesEqualityHashOrderAndBooleans) {
  CFPtr<CFNumberRef> three = Make(kCFNumberIntType, 3);
  CFPtr<CFNumberRef> threeReal = Make(kCFNumberFloatType, 3.0f);
  CFPtr<CFNumberRef> half = Make(kCFNumberDoubleType, 3.5);
  EXPECT_EQ(CFNumberGetType(three.get()), kCFNumberSInt32Type);
  EXPECT_EQ(CFNumberGetType(threeReal.get()), kCFNumberFloat32Type);
  EXPECT_EQ(CFNumberGetType(Make(kCFNumberCharType, char{1}).get()), kCFNumberSInt8Type);
  EXPECT_EQ(CFNumberGetType(Make(kCFNumberLongLongType, 1LL).get()), kCFNumberSInt64Type);
  EXPECT_FALSE(CFNumberIsFloatType(three.get()));
  EXPECT_TRUE(CFNumberIsFloatType(half.get()));
  EXPECT_TRUE(CFEqual(three.get(), threeReal.get()));
  EXPECT_EQ(CFHash(three.get()), CFHash(threeReal.get()));
  EXPECT_FALSE(CFEqual(three.get(), half.get()));
  EXPECT_EQ(CFNumberCompare(three.get(), half.get(), nullptr), kCFCompareLessThan);
  EXPECT_EQ(CFNumberCompare(half.get(), three.get(), nullptr), kCFCompareGreaterThan);
  EXPECT_EQ(CFNumberCompare(three.get(), threeReal.get(), nullptr), kCFCompareEqualTo);
  int one = 1;
  EXPECT_EQ(CFNumberCreate(nullptr, 0, &one), nullptr);

  EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
  EXPECT_FALSE(CFBooleanGetValue(kCFBooleanFalse));
  EXPECT_FALSE(CFEqual(kCFBooleanTrue, kCFBooleanFalse));
  EXPECT_FALSE(CFBooleanGetValue(reinterpret_cast<CFBooleanRef>(CFSTR("True"))));
}

}  // namespace
