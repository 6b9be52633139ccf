// RuntimeTest.cc: retain counting, immortal constants, accounting and null arguments.
#include <gtest/gtest.h>

#include <cstring>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"

namespace {

using pde::CFPtr;

TEST(Runtime, RetainAndReleaseCountAndTheLastReleaseFrees) {
  long before = pde::LiveObjectCount();
  CFStringRef string = CFStringCreateWithCString(nullptr, "counted", kCFStringEncodingUTF8);
  EXPECT_EQ(pde::LiveObjectCount(), before + 1);
  EXPECT_EQ(CFGetRetainCount(string), 1);
  EXPECT_EQ(CFRetain(string), string);
  EXPECT_EQ(CFGetRetainCount(string), 2);
  CFRelease(string);
  EXPECT_EQ(CFGetRetainCount(string), 1);
  CFRelease(string);
  EXPECT_EQ(pde::LiveObjectCount(), before);
}

TEST(Runtime, ConstantsAreImmortalUniquedAndNotCounted) {
  long before = pde::LiveObjectCount();
  char buffer[16];
  std::strcpy(buffer, "DINDigit");
  CFStringRef constant = CFSTR("DINDigit");
  EXPECT_EQ(CFStringMakeConstantString(buffer), constant);  // same text, other address
  std::strcpy(buffer, "DCDigit");                           // the same address with another text
  EXPECT_EQ(CFStringMakeConstantString(buffer), CFSTR("DCDigit"));
  EXPECT_NE(CFSTR("DCDigit"), constant);
  EXPECT_GT(CFGetRetainCount(constant), 1L << 40);
  CFRelease(constant);
  CFRelease(kCFBooleanTrue);
  CFRelease(kCFAllocatorSystemDefault);
  EXPECT_EQ(pde::ToUTF8(constant), "DINDigit");
  EXPECT_TRUE(CFBooleanGetValue(kCFBooleanTrue));
  EXPECT_EQ(pde::LiveObjectCount(), before);
}

TEST(Runtime, NullAndWrongTypeArgumentsGiveNullFalseOrZero) {
  int three = 3;
  CFPtr<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &three));
  EXPECT_EQ(CFRetain(nullptr), nullptr);
  CFRelease(nullptr);
  EXPECT_EQ(CFGetRetainCount(nullptr), 0);
  EXPECT_EQ(CFGetTypeID(nullptr), 0UL);
  EXPECT_FALSE(CFEqual(nullptr, number.get()));
  EXPECT_FALSE(CFEqual(number.get(), nullptr));
  EXPECT_EQ(CFHash(nullptr), 0UL);
  EXPECT_EQ(CFCopyDescription(nullptr), nullptr);
  auto notAString = reinterpret_cast<CFStringRef>(number.get());
  EXPECT_EQ(CFStringGetLength(notAString), 0);
  EXPECT_EQ(CFStringGetLength(nullptr), 0);
  EXPECT_EQ(CFStringGetCharacterAtIndex(nullptr, 0), 0);
  EXPECT_EQ(CFStringCreateWithCString(nullptr, nullptr, kCFStringEncodingUTF8), nullptr);
  EXPECT_EQ(CFStringCreateWithPascalString(nullptr, nullptr, kCFStringEncodingMacRoman), nullptr);
  EXPECT_EQ(CFStringCreateWithFormat(nullptr, nullptr, nullptr), nullptr);
  EXPECT_EQ(CFStringCreateCopy(nullptr, notAString), nullptr);
  EXPECT_EQ(CFStringMakeConstantString(nullptr), nullptr);
  char buffer[4];
  EXPECT_FALSE(CFStringGetCString(nullptr, buffer, sizeof buffer, kCFStringEncodingUTF8));
  EXPECT_EQ(CFArrayGetCount(nullptr), 0);
  EXPECT_EQ(CFArrayGetValueAtIndex(nullptr, 0), nullptr);
  CFArrayAppendValue(nullptr, number.get());
  EXPECT_EQ(CFDictionaryGetValue(nullptr, number.get()), nullptr);
  CFDictionarySetValue(nullptr, number.get(), number.get());
  int value = 9;
  EXPECT_FALSE(CFNumberGetValue(nullptr, kCFNumberIntType, &value));
  EXPECT_FALSE(CFNumberGetValue(number.get(), kCFNumberIntType, nullptr));
  EXPECT_EQ(value, 9);
  EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberIntType, nullptr), nullptr);
  EXPECT_FALSE(CFBooleanGetValue(nullptr));
  EXPECT_EQ(CFUUIDCreateFromString(nullptr, nullptr), nullptr);
  EXPECT_EQ(CFUUIDCreateString(nullptr, nullptr), nullptr);
  EXPECT_EQ(CFDataCreate(nullptr, nullptr, 3), nullptr);
  EXPECT_EQ(CFDataGetBytePtr(nullptr), nullptr);
  EXPECT_EQ(CFURLCreateFromFileSystemRepresentation(nullptr, nullptr, 4, true), nullptr);
  EXPECT_EQ(CFBundleCreate(nullptr, nullptr), nullptr);
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(nullptr), nullptr);
  EXPECT_EQ(CFBundleGetIdentifier(nullptr), nullptr);
  EXPECT_EQ(CFBundleCopyLocalizedString(nullptr, CFSTR("K"), CFSTR("V"), nullptr), nullptr);
  EXPECT_EQ(CFPlugInCreate(nullptr, nullptr), nullptr);
  EXPECT_EQ(CFPlugInInstanceCreate(nullptr, nullptr, nullptr), nullptr);
  CFPlugInAddInstanceForFactory(nullptr);
  CFPlugInRemoveInstanceForFactory(nullptr);
  EXPECT_EQ(CFPropertyListCreateFromXMLData(nullptr, nullptr, 0, nullptr), nullptr);
  CFRunLoopAddTimer(nullptr, nullptr, kCFRunLoopCommonModes);
  CFRunLoopRemoveTimer(CFRunLoopGetCurrent(), nullptr, nullptr);
  CFRunLoopTimerInvalidate(nullptr);
  EXPECT_FALSE(CFRunLoopTimerIsValid(nullptr));
  EXPECT_EQ(CFRunLoopRunInMode(nullptr, 0, false), kCFRunLoopRunFinished);
}

TEST(Runtime, AllocationFailuresOfAKindGiveNullAndLeaveNothing) {
  pde::FailAllocations("CFString", 1);
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "a", kCFStringEncodingUTF8), nullptr);
  EXPECT_TRUE(pde::MakeString("b"));
  pde::FailAllocations("*", 1);
  int three = 3;
  EXPECT_EQ(CFNumberCreate(nullptr, kCFNumberIntType, &three), nullptr);
  EXPECT_EQ(CFSTR("constants never fail"), CFSTR("constants never fail"));
  EXPECT_EQ(pde::CountAllocations("CFString"), 2);
}

TEST(RuntimeDeathTest, ReleasingSomethingThatIsNotALiveObjectAborts) {
  struct {
    const void* classRecord = nullptr;
    long count = 1;
    unsigned magic = 0x12345678;
  } fake;
  EXPECT_DEATH(CFRelease(&fake), "CFRelease: .* is not a live Core Foundation object");
}

}  // namespace
