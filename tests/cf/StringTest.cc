// StringTest.cc: MacRoman, encodings, literal comparison, formatting and mutable strings.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <tuple>

#include "pde/CFHost.h"

namespace {

using pde::CFPtr;

std::u16string TextOf(CFStringRef string) {
  std::u16string text(static_cast<size_t>(CFStringGetLength(string)), u'\0');
  CFStringGetCharacters(string, CFRangeMake(0, CFStringGetLength(string)),
                        reinterpret_cast<UniChar*>(text.data()));
  return text;
}

CFPtr<CFStringRef> FromUTF16(std::u16string_view text) {
  return CFPtr<CFStringRef>(CFStringCreateWithCharacters(
      nullptr, reinterpret_cast<const UniChar*>(text.data()), static_cast<CFIndex>(text.size())));
}

TEST(MacRoman, EveryByteMapsByThePlatformTableAndBack) {
  std::string all;
  for (int byte = 0; byte < 256; ++byte) {
    const unsigned char pascal[] = {1, static_cast<unsigned char>(byte)};
    CFPtr<CFStringRef> string(
        CFStringCreateWithPascalString(nullptr, pascal, kCFStringEncodingMacRoman));
    ASSERT_EQ(CFStringGetLength(string.get()), 1) << "byte " << byte;
    char32_t character = CFStringGetCharacterAtIndex(string.get(), 0);
    EXPECT_EQ(character, pde::UnicodeForMacRomanByte(static_cast<unsigned char>(byte)))
        << "byte " << byte;
    EXPECT_EQ(pde::MacRomanByteFor(character), static_cast<unsigned char>(byte)) << "byte " << byte;
    if (byte < 0x80) {
      EXPECT_EQ(character, static_cast<char32_t>(byte)) << "byte " << byte;
    }
    if (byte > 0) all.push_back(static_cast<char>(byte));
  }
  const std::pair<unsigned char, char32_t> landmarks[] = {
      {0x80, 0x00C4}, {0x8E, 0x00E9}, {0xA5, 0x2022}, {0xBD, 0x03A9},
      {0xCA, 0x00A0}, {0xDB, 0x20AC}, {0xF0, 0xF8FF}, {0xFF, 0x02C7}};
  for (auto [byte, character] : landmarks) {
    EXPECT_EQ(pde::UnicodeForMacRomanByte(byte), character) << "byte " << int{byte};
  }
  EXPECT_EQ(pde::MacRomanByteFor(0x00A4), std::nullopt);  // the currency sign left the table

  // The 255 bytes after NUL through a C string and back; one byte short of room fails.
  CFPtr<CFStringRef> string(
      CFStringCreateWithCString(nullptr, all.c_str(), kCFStringEncodingMacRoman));
  char buffer[256];
  ASSERT_TRUE(CFStringGetCString(string.get(), buffer, sizeof buffer, kCFStringEncodingMacRoman));
  EXPECT_EQ(std::string(buffer), all);
  EXPECT_FALSE(CFStringGetCString(string.get(), buffer, 255, kCFStringEncodingMacRoman));
}

TEST(String, PascalStringHonoursItsLengthByteAndKeepsNulBytes) {
  const unsigned char pascal[] = {3, 'a', 0, 0x8E, 'z'};
  CFPtr<CFStringRef> string(
      CFStringCreateWithPascalString(nullptr, pascal, kCFStringEncodingMacRoman));
  EXPECT_EQ(TextOf(string.get()), std::u16string(u"a\0\u00E9", 3));
  const unsigned char empty[] = {0, 'x'};
  CFPtr<CFStringRef> none(CFStringCreateWithPascalString(nullptr, empty, kCFStringEncodingASCII));
  EXPECT_EQ(CFStringGetLength(none.get()), 0);
}

TEST(String, CompareWithoutOptionsIsALiteralCodeUnitComparison) {
  const std::tuple<std::u16string, std::u16string, CFComparisonResult> cases[] = {
      {u"Private", u"Private", kCFCompareEqualTo},
      {u"Private", u"private", kCFCompareLessThan},  // 'P' 0x50 before 'p' 0x70
      {u"private", u"Private", kCFCompareGreaterThan},
      {u"Proof ", u"Proof", kCFCompareGreaterThan},  // a prefix sorts first
      {u"Proof", u"Proof ", kCFCompareLessThan},
      {u"", u"Hold", kCFCompareLessThan},
      {u"\u00E9", u"e\u0301", kCFCompareGreaterThan},     // no normalisation
      {u"\uFFFF", u"\U00010000", kCFCompareGreaterThan},  // units, not code points
      {u"True", u"False", kCFCompareGreaterThan},
  };
  for (const auto& [firstText, secondText, expected] : cases) {
    CFPtr<CFStringRef> first = FromUTF16(firstText);
    CFPtr<CFStringRef> second = FromUTF16(secondText);
    EXPECT_EQ(CFStringCompare(first.get(), second.get(), 0), expected)
        << pde::ToUTF8(first.get()) << " vs " << pde::ToUTF8(second.get());
    EXPECT_EQ(CFEqual(first.get(), second.get()), expected == kCFCompareEqualTo);
  }
  EXPECT_EQ(CFStringCompare(nullptr, CFSTR("a"), 0), kCFCompareLessThan);
  EXPECT_EQ(CFStringCompare(CFSTR("a"), nullptr, 0), kCFCompareGreaterThan);
  EXPECT_EQ(CFStringCompare(nullptr, nullptr, 0), kCFCompareEqualTo);
}

TEST(StringFormat, ObjectsAndPrintfConversions) {
  auto format = [](CFStringRef result) {
    CFPtr<CFStringRef> owner(result);
    return owner ? pde::ToUTF8(owner.get()) : std::string("<null>");
  };
  int three = 3;
  CFPtr<CFNumberRef> number(CFNumberCreate(nullptr, kCFNumberIntType, &three));
  EXPECT_EQ(format(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%@%d"), CFSTR("DINDigit"), 3)),
            "DINDigit3");
  EXPECT_EQ(
      format(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("[%@|%@|%@|%6@|%-6@]"), number.get(),
                                      kCFBooleanTrue, nullptr, CFSTR("ab"), CFSTR("cd"))),
      "[3|true|(null)|    ab|cd    ]");
  EXPECT_EQ(
      format(CFStringCreateWithFormat(
          nullptr, nullptr, CFSTR("%5d|%-5d|%05d|%+d|%i|%u %x %X %#x %o|%ld %lu %lld %llu %zu"), 42,
          42, 42, 42, -7, 4000000000u, 255u, 255u, 255u, 8u, -5000000000L, 5000000000UL,
          -9000000000000000000LL, 18000000000000000000ULL, size_t{12})),
      "   42|42   |00042|+42|-7|4000000000 ff FF 0xff 10|-5000000000 5000000000 "
      "-9000000000000000000 18000000000000000000 12");
  EXPECT_EQ(format(CFStringCreateWithFormat(
                nullptr, nullptr, CFSTR("%.2f|%8.3f|%g|%e|%s|%.3s|%-6s|%c|%%|%*d"), 3.14159, 2.5,
                0.0001, 1500.0, "Grüße", "abcdef", "ab", 'Z', 4, 7)),
            "3.14|   2.500|0.0001|1.500000e+03|Grüße|abc|ab    |Z|%|   7");
  EXPECT_EQ(format(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("%n"), nullptr)), "<null>");
  EXPECT_EQ(format(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("trailing %"))), "<null>");

  // %@ keeps every UTF-16 unit of the text, an unpaired surrogate included.
  CFPtr<CFStringRef> text = FromUTF16(u"\u00E9\U0001F600\xD800");
  CFPtr<CFStringRef> result(CFStringCreateWithFormat(nullptr, nullptr, CFSTR("<%@>"), text.get()));
  EXPECT_EQ(TextOf(result.get()), u"<\u00E9\U0001F600\xD800>");
  EXPECT_EQ(pde::ToUTF8(result.get()), "<\u00E9\U0001F600\uFFFD>");
}

TEST(String, MutableStringsAppendReplaceAndStopAtTheirMaximumLength) {
  const UniChar x[] = {'x'};
  CFPtr<CFMutableStringRef> limited(CFStringCreateMutable(nullptr, 5));
  CFStringAppend(limited.get(), CFSTR("abc"));
  CFStringAppendCString(limited.get(), "defg", kCFStringEncodingASCII);
  CFStringAppendCharacters(limited.get(), x, 1);
  EXPECT_EQ(pde::ToUTF8(limited.get()), "abcde");

  CFPtr<CFMutableStringRef> text(CFStringCreateMutableCopy(nullptr, 0, CFSTR("ab")));
  CFStringAppend(text.get(), text.get());
  CFStringAppendCharacters(text.get(), x, 1);
  CFStringAppendCString(text.get(), "\xC3\xA9", kCFStringEncodingUTF8);
  CFPtr<CFStringRef> copy(CFStringCreateCopy(nullptr, text.get()));
  CFStringReplaceAll(text.get(), CFSTR("new"));
  EXPECT_EQ(pde::ToUTF8(text.get()), "new");
  EXPECT_EQ(pde::ToUTF8(copy.get()), "ababx\u00E9");  // a copy of a mutable string is its own

  CFPtr<CFStringRef> immutable(CFStringCreateWithCString(nullptr, "fixed", kCFStringEncodingASCII));
  CFStringAppend(const_cast<CFMutableStringRef>(immutable.get()), CFSTR("!"));
  EXPECT_EQ(pde::ToUTF8(immutable.get()), "fixed");
  CFPtr<CFStringRef> same(CFStringCreateCopy(nullptr, immutable.get()));
  EXPECT_EQ(same.get(), immutable.get());  // an immutable string is shared
}

TEST(String, EncodingsRefuseBytesAndCharactersTheyCannotHold) {
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "\xC3\x28", kCFStringEncodingUTF8), nullptr);
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "caf\xE9", kCFStringEncodingASCII), nullptr);
  EXPECT_EQ(CFStringCreateWithCString(nullptr, "x", 0x7777), nullptr);
  EXPECT_FALSE(pde::MakeString("\xED\xA0\x80"));  // an encoded surrogate
  CFPtr<CFStringRef> latin(
      CFStringCreateWithCString(nullptr, "caf\xE9", kCFStringEncodingISOLatin1));
  EXPECT_EQ(TextOf(latin.get()), u"caf\u00E9");
  char buffer[8];
  EXPECT_FALSE(CFStringGetCString(latin.get(), buffer, sizeof buffer, kCFStringEncodingASCII));
  EXPECT_STREQ(buffer, "");
  ASSERT_TRUE(CFStringGetCString(latin.get(), buffer, sizeof buffer, kCFStringEncodingUTF8));
  EXPECT_STREQ(buffer, "caf\xC3\xA9");
  EXPECT_FALSE(CFStringGetCString(latin.get(), buffer, 5, kCFStringEncodingUTF8));
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(4, kCFStringEncodingUTF8), 12);
  EXPECT_EQ(CFStringGetMaximumSizeForEncoding(4, kCFStringEncodingMacRoman), 4);
  EXPECT_EQ(CFStringGetCharacterAtIndex(latin.get(), 99), 0);
  EXPECT_EQ(CFHash(pde::MakeString("Grüße \U0001F600").get()), CFHash(CFSTR("Grüße \U0001F600")));

  const UInt8 bigEndian[] = {0xFE, 0xFF, 0x00, 'A', 0x20, 0xAC};
  const UInt8 littleEndian[] = {0xFF, 0xFE, 'A', 0x00, 0xAC, 0x20};
  const UInt8 unmarked[] = {0x00, 'A', 0x20, 0xAC};
  for (auto [bytes, size, external] :
       {std::tuple{bigEndian, 6, true}, {littleEndian, 6, false}, {unmarked, 4, true}}) {
    CFPtr<CFStringRef> string(
        CFStringCreateWithBytes(nullptr, bytes, size, kCFStringEncodingUTF16, external));
    EXPECT_EQ(TextOf(string.get()), u"A\u20AC") << "size " << size;
  }
  EXPECT_EQ(CFStringCreateWithBytes(nullptr, unmarked, 3, kCFStringEncodingUTF16, true), nullptr);
}

// What reaches a terminal from outside: every single byte, and UTF-8 kept only when it is
// well-formed and no control.
TEST(EscapeBytes, ControlsBackslashesAndBrokenUTF8AreWrittenAsEscapes) {
  for (int byte = 0; byte < 256; ++byte) {
    const std::string escaped = pde::EscapeBytes(std::string(1, static_cast<char>(byte)));
    char hex[8];
    std::snprintf(hex, sizeof hex, "\\x%02X", byte);
    const bool printable = byte >= 0x20 && byte < 0x7F;
    const std::string expected = printable ? std::string(1, static_cast<char>(byte)) : hex;
    EXPECT_EQ(escaped, byte == '\\' ? "\\\\" : expected) << byte;
  }
  EXPECT_EQ(pde::EscapeBytes("Caf\xC3\xA9 \xE2\x80\xA2 \xF0\x9F\x96\xA8"),
            "Caf\xC3\xA9 \xE2\x80\xA2 \xF0\x9F\x96\xA8");
  EXPECT_EQ(pde::EscapeBytes("\xC2\x9B[2J"), "\\xC2\\x9B[2J");     // U+009B, a C1 control
  EXPECT_EQ(pde::EscapeBytes("\xC0\xAF"), "\\xC0\\xAF");           // overlong '/'
  EXPECT_EQ(pde::EscapeBytes("\xED\xA0\x80"), "\\xED\\xA0\\x80");  // a surrogate
  EXPECT_EQ(pde::EscapeBytes("\xE2\x80"), "\\xE2\\x80");           // cut short
  EXPECT_EQ(pde::EscapeBytes(std::string("a\0\x1B[2J", 6)), "a\\x00\\x1B[2J");
}

}  // namespace
