// PropertyListTest.cc: property lists read into objects, and the errors of malformed ones.
#include <gtest/gtest.h>

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"

namespace {

using pde::CFPtr;

const std::string kData = PDE_CF_TEST_DATA "/plist/";

std::string Describe(CFTypeRef object) {
  CFPtr<CFStringRef> description(CFCopyDescription(object));
  return pde::ToUTF8(description.get());
}

void ExpectAllTypes(CFPropertyListRef list) {
  ASSERT_EQ(CFGetTypeID(list), CFDictionaryGetTypeID());
  EXPECT_EQ(Describe(list),
            "{\n    String = Grüße;\n    Integer = -42;\n    Large = 4294967296;\n    Real = 2.5;\n"
            "    True = true;\n    False = false;\n    Data = <000102ff>;\n"
            "    Array = (\n        one,\n        2,\n        {}\n    );\n}");
  auto dictionary = static_cast<CFDictionaryRef>(list);
  for (CFStringRef key : {CFSTR("Integer"), CFSTR("Large"), CFSTR("Real")}) {
    EXPECT_EQ(CFGetTypeID(CFDictionaryGetValue(dictionary, key)), CFNumberGetTypeID());
  }
  EXPECT_EQ(CFDictionaryGetValue(dictionary, CFSTR("True")), kCFBooleanTrue);
  EXPECT_EQ(CFDictionaryGetValue(dictionary, CFSTR("False")), kCFBooleanFalse);
}

TEST(PropertyList, ReadsEveryValueTypeFromXMLAndBinary) {
  for (const char* file : {"AllTypes.plist", "AllTypes.bplist"}) {
    SCOPED_TRACE(file);
    std::string error;
    CFPtr<CFPropertyListRef> list = pde::ReadPropertyListFile(kData + file, &error);
    ASSERT_TRUE(list) << error;
    ExpectAllTypes(list.get());
  }
}

TEST(PropertyList, MalformedInputNamesTheFileAndLeaksNothing) {
  std::string error;
  EXPECT_FALSE(pde::ReadPropertyListFile(kData + "Truncated.plist", &error));
  EXPECT_EQ(
      error,
      kData + "Truncated.plist: malformed property list (neither well-formed XML nor binary)");
  EXPECT_FALSE(pde::ReadPropertyListFile(kData + "Date.plist", &error));
  EXPECT_EQ(error, kData + "Date.plist: key Outer: [1]: dates are not supported");
  EXPECT_FALSE(pde::ReadPropertyListFile(kData + "Missing.plist", &error));
  EXPECT_EQ(error, kData + "Missing.plist: No such file or directory");
  EXPECT_FALSE(pde::ReadPropertyList("", "empty", &error));
  EXPECT_EQ(error, "empty: empty property list");
  EXPECT_FALSE(pde::ReadPropertyList("bplist00\xFF\xFF", "garbage", &error));
  EXPECT_EQ(error, "garbage: malformed property list (neither well-formed XML nor binary)");
  EXPECT_FALSE(pde::ReadPropertyList("<plist><string>\xFF</string></plist>", "latin", &error));
  EXPECT_EQ(error, "latin: string is not valid UTF-8");
}

// A binary property list of one dictionary whose entries name their key and value objects by
// index; objects are UTF-16 strings, after the dictionary (object 0).
std::string BinaryDictionary(std::vector<std::pair<char, char>> entries,
                             std::vector<std::u16string_view> strings) {
  std::string list = "bplist00";
  std::vector<char> offsets;
  offsets.push_back(static_cast<char>(list.size()));
  list += static_cast<char>(0xD0 | entries.size());
  for (auto [key, value] : entries) list += key;
  for (auto [key, value] : entries) list += value;
  for (std::u16string_view text : strings) {
    offsets.push_back(static_cast<char>(list.size()));
    list += static_cast<char>(0x60 | text.size());
    for (char16_t unit : text) {
      list += static_cast<char>(unit >> 8);
      list += static_cast<char>(unit & 0xFF);
    }
  }
  const auto tableOffset = static_cast<char>(list.size());
  list.append(offsets.begin(), offsets.end());
  // Trailer: offset and reference sizes, object count, top object, offset of the table.
  list += std::string(6, '\0') + "\x01\x01";
  list += std::string(7, '\0') + static_cast<char>(offsets.size());
  list += std::string(15, '\0') + tableOffset;
  return list;
}

// libplist hands a string holding U+0000 out only by failing an assertion, which would end the
// host: such lists are refused before libplist reads them.
TEST(PropertyList, AStringHoldingUPlus0000IsRefusedNotFatal) {
  using namespace std::literals;
  std::string error;
  CFPtr<CFPropertyListRef> list =
      pde::ReadPropertyList(BinaryDictionary({{1, 2}}, {u"key"sv, u"value"sv}), "plain", &error);
  ASSERT_TRUE(list) << error;
  EXPECT_EQ(Describe(list.get()), "{\n    key = value;\n}");
  // A key given twice is kept once, with the last value, and no empty entry is left behind.
  list = pde::ReadPropertyList(
      BinaryDictionary({{1, 2}, {1, 3}}, {u"key"sv, u"first"sv, u"last"sv}), "twice", &error);
  ASSERT_TRUE(list) << error;
  EXPECT_EQ(Describe(list.get()), "{\n    key = last;\n}");
  for (auto strings : {std::vector{u"a\0b"sv, u"v"sv}, std::vector{u"k"sv, u"x\0y"sv}}) {
    EXPECT_FALSE(pde::ReadPropertyList(BinaryDictionary({{1, 2}}, strings), "utf16", &error));
    EXPECT_EQ(error, "utf16: malformed property list (a binary string holding U+0000)");
  }
  EXPECT_FALSE(pde::ReadPropertyList("<plist><string>a\0b</string></plist>"sv, "xml", &error));
  EXPECT_EQ(error, "xml: malformed property list (a NUL byte in XML text)");
  std::string badOffset = BinaryDictionary({{1, 2}}, {u"key"sv, u"value"sv});
  badOffset[badOffset.size() - 32 - 1] = '\x7F';  // the value's offset, past the objects
  EXPECT_FALSE(pde::ReadPropertyList(badOffset, "offset", &error));
  EXPECT_EQ(error, "offset: malformed property list (a binary object table that cannot be walked)");
}

// depth arrays nested one in another, the innermost empty, as XML.
std::string NestedXML(int depth) {
  std::string list = "<plist>";
  for (int i = 0; i < depth - 1; ++i) list += "<array>";
  list += "<array/>";
  for (int i = 0; i < depth - 1; ++i) list += "</array>";
  return list + "</plist>";
}

// depth arrays nested one in another, the innermost empty, as a binary list: object i holds
// object i + 1. With shared, each array holds the next one twice: 2^depth - 1 objects once each
// is counted for every reference to it.
std::string NestedBinary(int depth, bool shared = false) {
  std::string list = "bplist00";
  std::vector<int> offsets;
  auto be32 = [](int value) {
    return std::string{static_cast<char>(value >> 24), static_cast<char>(value >> 16),
                       static_cast<char>(value >> 8), static_cast<char>(value)};
  };
  for (int i = 0; i < depth; ++i) {
    offsets.push_back(static_cast<int>(list.size()));
    if (i == depth - 1) {
      list += '\xA0';
    } else {
      list += shared ? '\xA2' : '\xA1';
      list += be32(i + 1) + (shared ? be32(i + 1) : "");
    }
  }
  const int table = static_cast<int>(list.size());
  for (int offset : offsets) list += be32(offset);
  list += std::string(6, '\0') + "\x04\x04";
  return list + std::string(4, '\0') + be32(depth) + std::string(8, '\0') +
         std::string(4, '\0') + be32(table);
}

// libplist reads a binary list's containers recursively: nesting deep enough overflows the
// stack, so containers nest 256 deep at most, in either form.
TEST(PropertyList, ContainersNestAtMost256Deep) {
  std::string error;
  EXPECT_TRUE(pde::ReadPropertyList(NestedXML(256), "xml", &error)) << error;
  EXPECT_TRUE(pde::ReadPropertyList(NestedBinary(256), "binary", &error)) << error;
  EXPECT_FALSE(pde::ReadPropertyList(NestedXML(257), "xml", &error));
  EXPECT_EQ(error.substr(error.size() - 39), "]: containers nested more than 256 deep");
  for (int depth : {257, 100000}) {
    EXPECT_FALSE(pde::ReadPropertyList(NestedBinary(depth), "binary", &error)) << depth;
    EXPECT_EQ(error, "binary: malformed property list (containers nested more than 256 deep)");
  }
  EXPECT_FALSE(pde::ReadPropertyList(NestedBinary(257, true), "shared", &error));
  EXPECT_EQ(error, "shared: malformed property list (containers nested more than 256 deep)");
}

// libplist copies an object for each reference to it: a tower of arrays each holding the next
// twice makes 2^depth - 1 objects. Past 2^16 it is refused: a few hundred bytes would ask
// libplist for gigabytes.
TEST(PropertyList, SharedObjectsCountOncePerReference) {
  std::string error;
  EXPECT_TRUE(pde::ReadPropertyList(NestedBinary(12, true), "shared", &error)) << error;
  for (int depth : {17, 64}) {
    EXPECT_FALSE(pde::ReadPropertyList(NestedBinary(depth, true), "shared", &error)) << depth;
    EXPECT_EQ(error,
              "shared: malformed property list (more than 65536 objects, counting shared ones "
              "each time)");
  }
}

TEST(PropertyList, AnAllocationFailurePartWayLeaksNothing) {
  std::string error;
  for (int skip = 0; skip < 12; ++skip) {
    pde::ClearInjectedFailures();
    pde::FailAllocations("*", 1, skip);
    CFPtr<CFPropertyListRef> list = pde::ReadPropertyListFile(kData + "AllTypes.plist", &error);
    if (list) {
      ExpectAllTypes(list.get());
      break;
    }
    EXPECT_NE(error.find("out of memory"), std::string::npos) << error;
  }
  EXPECT_GE(pde::CountAllocations(), 12);
}

TEST(PropertyList, CreateFromXMLDataHonoursMutabilityAndReportsErrors) {
  const char xml[] =
      "<plist><dict><key>Modes</key><array><string>Normal</string></array></dict></plist>";
  CFPtr<CFDataRef> data(CFDataCreate(nullptr, reinterpret_cast<const UInt8*>(xml), sizeof xml - 1));
  CFStringRef error = nullptr;
  CFPtr<CFPropertyListRef> fixed(
      CFPropertyListCreateFromXMLData(nullptr, data.get(), kCFPropertyListImmutable, &error));
  ASSERT_TRUE(fixed);
  EXPECT_EQ(error, nullptr);
  auto fixedDictionary = static_cast<CFDictionaryRef>(fixed.get());
  CFDictionarySetValue(const_cast<CFMutableDictionaryRef>(fixedDictionary), CFSTR("x"), CFSTR("y"));
  EXPECT_EQ(CFDictionaryGetCount(fixedDictionary), 1);

  CFPtr<CFPropertyListRef> editable(CFPropertyListCreateFromXMLData(
      nullptr, data.get(), kCFPropertyListMutableContainersAndLeaves, nullptr));
  auto dictionary = static_cast<CFMutableDictionaryRef>(const_cast<void*>(editable.get()));
  CFDictionarySetValue(dictionary, CFSTR("x"), CFSTR("y"));
  auto modes = static_cast<CFMutableArrayRef>(
      const_cast<void*>(CFDictionaryGetValue(dictionary, CFSTR("Modes"))));
  CFArrayAppendValue(modes, CFSTR("Proof"));
  CFStringAppend(
      static_cast<CFMutableStringRef>(const_cast<void*>(CFArrayGetValueAtIndex(modes, 0))),
      CFSTR("!"));
  EXPECT_EQ(Describe(dictionary),
            "{\n    Modes = (\n        Normal!,\n        Proof\n    );\n    x = y;\n}");

  CFPtr<CFDataRef> bad(CFDataCreate(nullptr, reinterpret_cast<const UInt8*>("<plist>"), 7));
  EXPECT_EQ(CFPropertyListCreateFromXMLData(nullptr, bad.get(), 0, &error), nullptr);
  CFPtr<CFStringRef> owned(error);
  EXPECT_EQ(pde::ToUTF8(owned.get()),
            "property list: malformed property list (neither well-formed XML nor binary)");
}

}  // namespace
