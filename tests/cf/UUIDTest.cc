// UUIDTest.cc: the lenient UUID parser, uniquing, constants and string forms.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "pde/CFHost.h"

namespace {

using pde::CFPtr;

// The sixteen bytes of uuid in hexadecimal.
std::string Hex(CFUUIDRef uuid) {
  CFUUIDBytes raw = CFUUIDGetUUIDBytes(uuid);
  const auto* bytes = reinterpret_cast<const UInt8*>(&raw);
  std::string hex;
  char pair[3];
  for (size_t i = 0; i < sizeof raw; ++i) {
    std::snprintf(pair, sizeof pair, "%02X", bytes[i]);
    hex += pair;
  }
  return hex;
}

CFPtr<CFUUIDRef> Parse(const char* text) {
  return CFPtr<CFUUIDRef>(CFUUIDCreateFromString(nullptr, pde::MakeString(text).get()));
}

TEST(UUID, ParsesAsThePlatformParsesEvenTheFactoryString) {
  const std::pair<const char*, const char*> cases[] = {
      {"5C34A7A0-06G8-69S8-BF35-000A9573BCE6", "5C34A7A006006900BF35000A9573BCE6"},
      {"bdb091f4-e57f-11d3-b5cc-0050e4603277", "BDB091F4E57F11D3B5CC0050E4603277"},
      {"{BDB091F4-E57F-11D3-B5CC-0050E4603277}", "BDB091F4E57F11D3B5CC0050E4603277"},
      {"BDB091F4xE57Fx11D3xB5CCx0050E4603277", "BDB091F4E57F11D3B5CC0050E4603277"},
      {"5C34", "5C340000000000000000000000000000"},      // missing bytes stay 0
      {"0G34A7A0", "0034A7A0000000000000000000000000"},  // a pair with a non-hex character: 0
      {"  ", "00000000000000000000000000000000"}};
  for (auto [text, hex] : cases) {
    CFPtr<CFUUIDRef> uuid = Parse(text);
    ASSERT_TRUE(uuid) << "for input " << text;
    EXPECT_EQ(Hex(uuid.get()), hex) << "for input " << text;
  }
  EXPECT_FALSE(Parse(""));

  CFPtr<CFUUIDRef> factory = Parse(cases[0].first);
  CFPtr<CFStringRef> text(CFUUIDCreateString(nullptr, factory.get()));
  EXPECT_EQ(pde::ToUTF8(text.get()), "5C34A7A0-0600-6900-BF35-000A9573BCE6");
  CFPtr<CFUUIDRef> again(CFUUIDCreateFromString(nullptr, text.get()));
  EXPECT_EQ(again.get(), factory.get());
}

TEST(UUID, EqualBytesAreOneObjectUntilTheLastReleaseAndEqualComparesBytes) {
  long before = pde::LiveObjectCount();
  CFUUIDRef first =
      CFUUIDCreateWithBytes(nullptr, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
  CFUUIDRef second = CFUUIDCreateFromUUIDBytes(nullptr, CFUUIDGetUUIDBytes(first));
  EXPECT_EQ(first, second);
  EXPECT_EQ(CFGetRetainCount(first), 2);
  EXPECT_EQ(pde::LiveObjectCount(), before + 1);
  CFRelease(first);
  CFRelease(second);
  EXPECT_EQ(pde::LiveObjectCount(), before);
  CFPtr<CFUUIDRef> third = Parse("01020304-0506-0708-090A-0B0C0D0E0F10");  // a fresh object
  EXPECT_EQ(CFGetRetainCount(third.get()), 1);
  CFPtr<CFUUIDRef> other = Parse("01020304-0506-0708-090A-0B0C0D0E0F11");
  EXPECT_FALSE(CFEqual(third.get(), other.get()));
  EXPECT_NE(CFHash(third.get()), CFHash(other.get()));

  // Constant UUIDs are immortal and shared with the parsed ones.
  CFRelease(IUnknownUUID);
  EXPECT_GT(CFGetRetainCount(IUnknownUUID), 1L << 40);
  EXPECT_EQ(Parse("00000000-0000-0000-C000-000000000046").get(), IUnknownUUID);
  EXPECT_EQ(pde::LiveObjectCount(), before + 2);
}

}  // namespace
