// UUIDTest.cc: the lenient UUID parser, uniquing, constants and string forms.
#include <gtest/gtest.h>

#include <array>
#include <cstring>

#include "pde/CFHost.h"

namespace {

using pde::CFPtr;
using Bytes = std::array<UInt8, 16>;

Bytes BytesOf(CFUUIDRef uuid) {
  CFUUIDBytes raw = CFUUIDGetUUIDBytes(uuid);
  Bytes bytes;
  std::memcpy(bytes.data(), &raw, bytes.size());
  return bytes;
}

CFPtr<CFUUIDRef> Parse(const char* text) {
  return CFPtr<CFUUIDRef>(CFUUIDCreateFromString(nullptr, pde::MakeString(text).get()));
}

TEST(UUID, TheFactoryStringParsesAsThePlatformParsesIt) {
  CFPtr<CFUUIDRef> factory = Parse("5C34A7A0-06G8-69S8-BF35-000A9573BCE6");
  EXPECT_EQ(BytesOf(factory.get()), (Bytes{0x5C, 0x34, 0xA7, 0xA0, 0x06, 0x00, 0x69, 0x00, 0xBF,
                                           0x35, 0x00, 0x0A, 0x95, 0x73, 0xBC, 0xE6}));
  CFPtr<CFStringRef> text(CFUUIDCreateString(nullptr, factory.get()));
  EXPECT_EQ(pde::ToUTF8(text.get()), "5C34A7A0-0600-6900-BF35-000A9573BCE6");
  CFPtr<CFUUIDRef> again(CFUUIDCreateFromString(nullptr, text.get()));
  EXPECT_EQ(again.get(), factory.get());
}

TEST(UUID, LenientParsing) {
  struct Case {
    const char* text;
    Bytes bytes;
  };
  const Case cases[] = {
      {"bdb091f4-e57f-11d3-b5cc-0050e4603277",
       {0xBD, 0xB0, 0x91, 0xF4, 0xE5, 0x7F, 0x11, 0xD3, 0xB5, 0xCC, 0x00, 0x50, 0xE4, 0x60, 0x32,
        0x77}},
      {"{BDB091F4-E57F-11D3-B5CC-0050E4603277}",  // leading non-hex characters skipped
       {0xBD, 0xB0, 0x91, 0xF4, 0xE5, 0x7F, 0x11, 0xD3, 0xB5, 0xCC, 0x00, 0x50, 0xE4, 0x60, 0x32,
        0x77}},
      {"BDB091F4xE57Fx11D3xB5CCx0050E4603277",  // any one separator character
       {0xBD, 0xB0, 0x91, 0xF4, 0xE5, 0x7F, 0x11, 0xD3, 0xB5, 0xCC, 0x00, 0x50, 0xE4, 0x60, 0x32,
        0x77}},
      {"5C34", {0x5C, 0x34}},                  // missing bytes stay 0
      {"0G34A7A0", {0x00, 0x34, 0xA7, 0xA0}},  // a pair with a non-hex character gives 0
      {"  ", {}},
  };
  for (const Case& c : cases) {
    CFPtr<CFUUIDRef> uuid = Parse(c.text);
    ASSERT_TRUE(uuid) << c.text;
    EXPECT_EQ(BytesOf(uuid.get()), c.bytes) << c.text;
  }
  EXPECT_FALSE(Parse(""));
  EXPECT_EQ(CFUUIDCreateFromString(nullptr, nullptr), nullptr);
}

TEST(UUID, EqualBytesAreOneObjectUntilTheLastReleaseAndEqualComparesBytes) {
  long before = pde::LiveObjectCount();
  CFUUIDRef first =
      CFUUIDCreateWithBytes(nullptr, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  CFUUIDBytes raw = CFUUIDGetUUIDBytes(first);
  CFUUIDRef second = CFUUIDCreateFromUUIDBytes(nullptr, raw);
  EXPECT_EQ(first, second);
  EXPECT_EQ(CFGetRetainCount(first), 2);
  EXPECT_EQ(pde::LiveObjectCount(), before + 1);
  CFRelease(first);
  CFRelease(second);
  EXPECT_EQ(pde::LiveObjectCount(), before);
  CFPtr<CFUUIDRef> third(CFUUIDCreateFromUUIDBytes(nullptr, raw));  // a fresh object after the last
  EXPECT_EQ(CFGetRetainCount(third.get()), 1);
  CFPtr<CFUUIDRef> other = Parse("01020304-0506-0708-090A-0B0C0D0E0F11");
  EXPECT_FALSE(CFEqual(third.get(), other.get()));
  EXPECT_NE(CFHash(third.get()), CFHash(other.get()));
}

TEST(UUID, ConstantUUIDsAreImmortalAndShared) {
  long before = pde::LiveObjectCount();
  CFUUIDRef unknown = IUnknownUUID;
  EXPECT_EQ(IUnknownUUID, unknown);
  EXPECT_GT(CFGetRetainCount(unknown), 1L << 40);
  CFRelease(unknown);
  CFPtr<CFUUIDRef> parsed = Parse("00000000-0000-0000-C000-000000000046");
  EXPECT_EQ(parsed.get(), unknown);
  EXPECT_TRUE(CFEqual(parsed.get(), unknown));
  EXPECT_EQ(pde::LiveObjectCount(), before);
}

}  // namespace
