// NumberTest.cc: number conversions, lossy reads, equality across types, and Booleans.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <limits>

#include "pde/CFHost.h"

namespace {

using pde::CFPtr;

template <typename T>
CFPtr<CFNumberRef> Make(CFNumberType type, T value) {
  return CFPtr<CFNumberRef>(CFNumberCreate(nullptr, type, &value));
}

TEST(Number, GetValueWritesTheConvertedValueAndReportsLoss) {
  CFPtr<CFNumberRef> big = Make(kCFNumberSInt64Type, int64_t{300});
  int8_t small = 0;
  EXPECT_FALSE(CFNumberGetValue(big.get(), kCFNumberSInt8Type, &small));
  EXPECT_EQ(small, 44);  // 300 wrapped to eight bits
  int16_t medium = 0;
  EXPECT_TRUE(CFNumberGetValue(big.get(), kCFNumberSInt16Type, &medium));
  EXPECT_EQ(medium, 300);

  CFPtr<CFNumberRef> fraction = Make(kCFNumberDoubleType, 2.75);
  int whole = 0;
  EXPECT_FALSE(CFNumberGetValue(fraction.get(), kCFNumberIntType, &whole));
  EXPECT_EQ(whole, 2);
  double exact = 0;
  EXPECT_TRUE(CFNumberGetValue(fraction.get(), kCFNumberFloat64Type, &exact));
  EXPECT_EQ(exact, 2.75);

  CFPtr<CFNumberRef> huge = Make(kCFNumberDoubleType, 1e300);
  int32_t saturated = 0;
  EXPECT_FALSE(CFNumberGetValue(huge.get(), kCFNumberSInt32Type, &saturated));
  EXPECT_EQ(saturated, std::numeric_limits<int32_t>::max());
  float single = 0;
  EXPECT_FALSE(CFNumberGetValue(huge.get(), kCFNumberFloat32Type, &single));
  EXPECT_TRUE(std::isinf(single));

  CFPtr<CFNumberRef> whole64 = Make(kCFNumberDoubleType, -3.0);
  long asLong = 0;
  EXPECT_TRUE(CFNumberGetValue(whole64.get(), kCFNumberLongType, &asLong));
  EXPECT_EQ(asLong, -3);
  CFIndex index = 0;
  EXPECT_TRUE(CFNumberGetValue(Make(kCFNumberIntType, -1).get(), kCFNumberCFIndexType, &index));
  EXPECT_EQ(index, -1);
  int untouched = 5;
  EXPECT_FALSE(CFNumberGetValue(big.get(), 99, &untouched));
  EXPECT_EQ(untouched, 5);
}

TEST(Number, TypesEqualityHashAndOrder) {
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
  EXPECT_EQ(CFGetTypeID(three.get()), CFNumberGetTypeID());
  EXPECT_NE(CFNumberGetTypeID(), CFBooleanGetTypeID());
}

TEST(Boolean, TwoConstants) {
  EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
  EXPECT_FALSE(CFBooleanGetValue(kCFBooleanFalse));
  EXPECT_EQ(CFGetTypeID(kCFBooleanTrue), CFBooleanGetTypeID());
  EXPECT_FALSE(CFEqual(kCFBooleanTrue, kCFBooleanFalse));
  EXPECT_FALSE(CFBooleanGetValue(reinterpret_cast<CFBooleanRef>(CFSTR("True"))));
}

}  // namespace
