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
// lpoptions lines: those of the queue (or without one, the Default line) count, instances and
// other queues do not; KEY=VALUE lines may come between.
TEST(Settings, ReadsTheQueuesLinesOfAnLpoptionsFile) {
  constexpr std::string_view kFile =
      "Dest office PrintMode=Hold DeptCode=True\n"
      "Dest office/draft PrintMode=Proof\n"
      "dest lab PrintMode=Private\n"
      "BlankPage=True\n"
      "Default lab BlankPage=False copies=2\n";
  const struct {
    const char* queue;
    SettingList expected;
  } kCases[] = {
      {"office", {Pair{"DeptCode", "True"}, Pair{"PrintMode", "Hold"}, Pair{"BlankPage", "True"}}},
      {"lab", {Pair{"PrintMode", "Private"}, Pair{"BlankPage", "True"}, Pair{"BlankPage", "False"},
               Pair{"copies", "2"}}},
      {"", {Pair{"BlankPage", "True"}, Pair{"BlankPage", "False"}, Pair{"copies", "2"}}},
  };
  for (const auto& testCase : kCases) {
    SettingList settings;
    std::string error;
    ASSERT_TRUE(ParseSettings(kFile, "lpoptions", &settings, &error, testCase.queue)) << error;
    EXPECT_EQ(settings, testCase.expected) << testCase.queue;
  }
  // The line of each entry, for messages about it.
  SettingList settings;
  std::vector<int> lines;
  std::string error;
  ASSERT_TRUE(ParseSettings(kFile, "lpoptions", &settings, &error, "lab", &lines)) << error;
  EXPECT_EQ(lines, (std::vector<int>{3, 4, 5, 5}));
  EXPECT_EQ(SettingsError("Default office P/M=1"),
            "job.settings:1: bad keyword \"P/M\" (1 to 40 letters, digits, '_', '-', '.' or '+')");
}

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

// Each writer on the same options; every JSON record is one line.
TEST(Settings, PrintWritesJsonLinesAndLpArguments) {
  const OptionMap options{{"PrintMode", "Private"}, {"Note", "\"q\" \\ \x01\t\n\xC3\xA9 it's"}};
  EXPECT_EQ(FormatOptions(EmitFormat::kJson, options),
            "{\"options\":{\"Note\":\"\\\"q\\\" \\\\ \\u0001\\t\\n\xC3\xA9 it's\","
            "\"PrintMode\":\"Private\"}}\n");
  EXPECT_EQ(FormatOptions(EmitFormat::kJson, {}), "{\"options\":{}}\n");
  EXPECT_EQ(FormatOptions(EmitFormat::kLp, options),
            "-o 'Note=\"\\\"q\\\" \\\\ \x01\t\n\xC3\xA9 it'\\''s\"' -o PrintMode=Private\n");
  EXPECT_EQ(FormatOptions(EmitFormat::kLp, {{"E", ""}, {"M", "A4,tray1"}}), "-o 'E=\"\"' -o 'M=\"A4,tray1\"'\n");
  EXPECT_EQ(FormatSubmittedJob(EmitFormat::kJson, 7, "q\""), "{\"job\":7,\"queue\":\"q\\\"\"}\n");
  EXPECT_EQ(FormatSubmittedJob(EmitFormat::kLp, 7, "q"), "submitted job 7 to q\n");
}

// What lp -o takes, as one text; `print --emit lp` reads back the same.
TEST(OptionList, ReadsWhatLpTakes) {
  const struct {
    const char* text;
    SettingList expected;
  } kCases[] = {
      {" PrintMode=Private,DeptCode=True\tNote='a b,c' Q=\"x'y\" E= B=\\,\\'",
       {Pair{"B", ",'"}, Pair{"DeptCode", "True"}, Pair{"E", ""}, Pair{"Note", "a b,c"},
        Pair{"PrintMode", "Private"}, Pair{"Q", "x'y"}}},
      {"-o PrintMode=Hold -oBlankPage=True -o media=A4,tray1", 
       {Pair{"BlankPage", "True"}, Pair{"media", "A4,tray1"}, Pair{"PrintMode", "Hold"}}},
      {"landscape nocollate PrintMode=Proof PrintMode=Hold",
       {Pair{"collate", "false"}, Pair{"landscape", "true"}, Pair{"PrintMode", "Hold"}}},
      // `print --emit lp` as the shell hands it on.
      {"-o Note=\"a 'b\\\"c\\\\\" -o M=\"A4,tray1\" -o PrintMode=Private",
       {Pair{"M", "A4,tray1"}, Pair{"Note", "a 'b\"c\\"}, Pair{"PrintMode", "Private"}}},
      {"", {}},
  };
  for (const auto& testCase : kCases) {
    SettingList settings;
    std::string error;
    ASSERT_TRUE(ParseOptionList(testCase.text, &settings, &error)) << error;
    EXPECT_EQ(settings, testCase.expected) << testCase.text;
  }
}

// The bad-options session refuses a bad keyword end to end; here a value that is not UTF-8.
TEST(OptionList, BadEntriesAreRefused) {
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
