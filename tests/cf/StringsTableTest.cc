// StringsTableTest.cc: the strings-table reader: syntax, escapes, encodings and located errors.
#include <gtest/gtest.h>

#include "pde/CFHost.h"

namespace {

using pde::CFPtr;

std::string Value(CFDictionaryRef table, const char* key) {
  return pde::ToUTF8(
      static_cast<CFStringRef>(CFDictionaryGetValue(table, pde::MakeString(key).get())));
}

std::string ErrorOf(std::string_view bytes) {
  std::string error;
  CFPtr<CFDictionaryRef> table = pde::ParseStringsTable(bytes, "T.strings", &error);
  return table ? "<parsed>" : error;
}

std::string UTF16(std::u16string_view text, bool bigEndian) {
  std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
  for (char16_t unit : text) {
    char high = static_cast<char>(unit >> 8), low = static_cast<char>(unit & 0xFF);
    bytes += bigEndian ? std::string{high, low} : std::string{low, high};
  }
  return bytes;
}

TEST(StringsTable, EntriesCommentsAndEscapes) {
  const char text[] =
      "/* A comment\n   over lines */\n"
      "\"DINTITLE\" = \"DIN\";   // trailing comment\n"
      "\"QUOTED\" = \"say \\\"hi\\\"\\\\ \\n\\t\\r end\";\n"
      "\"UNICODE\" = \"\\U00e9\\u20AC\";\n"
      "Unquoted.Key = unquoted-value;\n"
      "\"KEYONLY\";\n"
      "\"DINTITLE\" = \"later wins\";";
  std::string error;
  CFPtr<CFDictionaryRef> table = pde::ParseStringsTable(text, "T.strings", &error);
  ASSERT_TRUE(table) << error;
  EXPECT_EQ(CFDictionaryGetCount(table.get()), 5);
  EXPECT_EQ(Value(table.get(), "DINTITLE"), "later wins");
  EXPECT_EQ(Value(table.get(), "QUOTED"), "say \"hi\"\\ \n\t\r end");
  EXPECT_EQ(Value(table.get(), "UNICODE"), "\u00E9\u20AC");
  EXPECT_EQ(Value(table.get(), "Unquoted.Key"), "unquoted-value");
  EXPECT_EQ(Value(table.get(), "KEYONLY"), "KEYONLY");
  CFPtr<CFDictionaryRef> empty = pde::ParseStringsTable(" \n// nothing\n", "E.strings", &error);
  ASSERT_TRUE(empty);
  EXPECT_EQ(CFDictionaryGetCount(empty.get()), 0);
}

TEST(StringsTable, UTF8AndUTF16WithByteOrderMarks) {
  std::u16string text = u"\"BLANKPAGES\" = \"Leerseiten \u00FCberspringen\";\n";
  std::string error;
  for (const std::string& bytes : {UTF16(text, true), UTF16(text, false),
                                   std::string("\xEF\xBB\xBF\"BLANKPAGES\" = \"Leerseiten \xC3\xBC"
                                               "berspringen\";")}) {
    CFPtr<CFDictionaryRef> table = pde::ParseStringsTable(bytes, "T.strings", &error);
    ASSERT_TRUE(table) << error;
    EXPECT_EQ(Value(table.get(), "BLANKPAGES"), "Leerseiten \u00FCberspringen");
  }
}

TEST(StringsTable, ErrorsNameTheFileAndLine) {
  EXPECT_EQ(ErrorOf("\"A\" = \"1\";\n\"B\" = \"2\"\n\"C\" = \"3\";"),
            "T.strings:3: expected ';' after the entry");
  EXPECT_EQ(ErrorOf("\"A\" = \"1\";\n\n\"B\" = \"never\nclosed;"),
            "T.strings:3: unterminated string");
  EXPECT_EQ(ErrorOf("\"A\" = \"1\";\n/* open\n"), "T.strings:2: unterminated comment");
  EXPECT_EQ(ErrorOf("\"A\" = ;"), "T.strings:1: expected a value after '='");
  EXPECT_EQ(ErrorOf("\n= \"x\";"), "T.strings:2: expected a key");
  EXPECT_EQ(ErrorOf("\"A\" = \"\\U12G4\";"), "T.strings:1: \\U needs four hexadecimal digits");
  EXPECT_EQ(ErrorOf("\"A\" = \"1\";\n\"B\" = \"\xE9\";"),
            "T.strings:2: not valid UTF-8 (and no UTF-16 byte-order mark)");
  EXPECT_EQ(ErrorOf("\xFF\xFE\"\0"), "T.strings:1: UTF-16 text with an odd number of bytes");
}

}  // namespace
