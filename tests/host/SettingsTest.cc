// SettingsTest.cc: settings files, lp-style option lists, and the writers of `print`.
#include <gtest/gtest.h>

#include <algorithm>

#include "Emitters.h"
#include "Settings.h"
#include "Utf8.h"

namespace pdehost {
namespace {

using Pair = std::pair<std::string, std::string>;

std::string SettingsError(std::string_view text) {
  SettingList settings;
  std::string error;
  EXPECT_FALSE(ParseSettings(text, "job.settings", &settings, &error)) << text;
  return error;
}

std::string OptionsError(std::string_view text) {
  SettingList settings;
  std::string error;
  EXPECT_FALSE(ParseOptionList(text, &settings, &error)) << text;
  return error;
}

TEST(Settings, ReadsKeyValueLinesAsPrintWritesThem) {
  SettingList settings;
  std::string error;
  ASSERT_TRUE(ParseSettings("# saved preset\r\n\nPrintMode=Private\r\nDINDigit1=\n"
                            "Odd=a=b \\\\ \\x09\nPrintMode=Hold",
                            "job.settings", &settings, &error))
      << error;
  EXPECT_EQ(settings, (SettingList{Pair{"PrintMode", "Private"}, Pair{"DINDigit1", ""},
                                   Pair{"Odd", "a=b \\ \t"}, Pair{"PrintMode", "Hold"}}));
}

// A line without '=' is refused by the bad-settings-line session, end to end.
TEST(Settings, BadLinesNameTheFileAndLine) {
  EXPECT_EQ(SettingsError("=1"),
            "job.settings:1: bad keyword \"\" (1 to 40 letters, digits, '_', '-', '.' or '+')");
  EXPECT_EQ(SettingsError("Print Mode=1"),
            "job.settings:1: bad keyword \"Print Mode\" (1 to 40 letters, digits, '_', '-', '.' "
            "or '+')");
  EXPECT_EQ(SettingsError(std::string(41, 'K') + "=1"),
            "job.settings:1: bad keyword \"" + std::string(41, 'K') +
                "\" (1 to 40 letters, digits, '_', '-', '.' or '+')");
  EXPECT_EQ(SettingsError("A=1\nB=c:\\d"),
            "job.settings:2: a backslash in a value starts \\\\ or \\xNN");
  EXPECT_EQ(SettingsError("B=\\x4"), "job.settings:1: a backslash in a value starts \\\\ or \\xNN");
  EXPECT_EQ(SettingsError("B=\xFF"), "job.settings:1: the value of B is not valid UTF-8");
  EXPECT_EQ(SettingsError("B=\\xC3"), "job.settings:1: the value of B is not valid UTF-8");
  EXPECT_EQ(SettingsError("B=" + std::string(kMaxValueBytes + 1, 'v')),
            "job.settings:1: the value of B is longer than 1024 bytes");
}

TEST(Settings, EveryCharacterSurvivesPrintAndReadingBack) {
  OptionMap written;
  for (char32_t c = 0; c < 256; ++c) {
    written["K" + std::to_string(static_cast<unsigned>(c))] = "<" + EncodeUtf8(c) + ">";
  }
  written["Empty"] = "";
  const std::string lines = FormatOptionLines(written);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), '\n'), 257);

  SettingList read;
  std::string error;
  ASSERT_TRUE(ParseSettings(lines, "round.trip", &read, &error)) << error;
  const OptionMap readBack(read.begin(), read.end());
  EXPECT_EQ(readBack, written);
}

TEST(Settings, PrintWritesSortedEscapedLines) {
  const OptionMap options{{"PrintMode", "Private"}, {"DINDigit1", "1"}, {"Note", "a\\b\nc\x7F"}};
  EXPECT_EQ(FormatOptionLines(options), "DINDigit1=1\nNote=a\\\\b\\x0ac\\x7f\nPrintMode=Private\n");
  EXPECT_EQ(FormatOptionLines({}), "");
}

TEST(Settings, PrintWritesJson) {
  const OptionMap options{{"PrintMode", "Private"}, {"Note", "\"q\" \\ \x01\t\n\xC3\xA9"}};
  EXPECT_EQ(FormatOptionJson(options),
            "{\n"
            "  \"Note\": \"\\\"q\\\" \\\\ \\u0001\\t\\n\xC3\xA9\",\n"
            "  \"PrintMode\": \"Private\"\n"
            "}\n");
  EXPECT_EQ(FormatOptionJson({}), "{}\n");
}

TEST(OptionList, SplitsAtBlanksAndCommasAndHonoursQuotes) {
  SettingList settings;
  std::string error;
  ASSERT_TRUE(ParseOptionList(" PrintMode=Private,DeptCode=True\tNote='a b,c' Q=\"x'y\" "
                              "E= B=\\,\\'",
                              &settings, &error))
      << error;
  EXPECT_EQ(settings, (SettingList{Pair{"PrintMode", "Private"}, Pair{"DeptCode", "True"},
                                   Pair{"Note", "a b,c"}, Pair{"Q", "x'y"}, Pair{"E", ""},
                                   Pair{"B", ",'"}}));
  ASSERT_TRUE(ParseOptionList("", &settings, &error));
  EXPECT_TRUE(settings.empty());
}

// An entry without '=' is refused by the bad-options session, end to end.
TEST(OptionList, BadEntriesAreRefused) {
  EXPECT_EQ(OptionsError("Note='open"), "--options: a quoted value of Note has no closing quote");
  EXPECT_EQ(OptionsError("A/B=1"),
            "--options: bad keyword \"A/B\" (1 to 40 letters, digits, '_', '-', '.' or '+')");
  EXPECT_EQ(OptionsError("A=\xC3"), "--options: the value of A is not valid UTF-8");
}

TEST(Utf8, RefusesMalformedSequences) {
  EXPECT_TRUE(IsValidUtf8("a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80"));
  EXPECT_EQ(DecodeUtf8("a\xC3\xA9\xF0\x9F\x98\x80"), std::u32string(U"a\u00E9\U0001F600"));
  for (const char* bad : {"\x80", "\xC0\xAF", "\xC3", "\xE0\x80\xAF", "\xED\xA0\x80",
                          "\xF4\x90\x80\x80", "\xF8\x88\x80\x80\x80", "\xC3\x28"}) {
    EXPECT_FALSE(IsValidUtf8(bad)) << bad;
  }
  for (char32_t c : {U'\0', U'A', U'\u00E9', U'\u20AC', U'\U0010FFFF'}) {
    EXPECT_EQ(DecodeUtf8(EncodeUtf8(c)), std::u32string(1, c));
  }
}

}  // namespace
}  // namespace pdehost
