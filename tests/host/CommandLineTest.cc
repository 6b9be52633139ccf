// CommandLineTest.cc: pdehost's options.
#include <gtest/gtest.h>

#include "CommandLine.h"

namespace pdehost {
namespace {

TEST(CommandLine, TakesEveryOptionInBothForms) {
  HostOptions options;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--ppd=a.ppd", "--bundle", "B.plugin", "--options", "A=1",
                                "--settings", "s.txt", "--script=-", "--emit", "json", "--quiet",
                                "--options=B=2,C=3", "--check-leaks",
                                "--fail-allocation", "CFRunLoopTimer:2:1",
                                "--fail-call=PMTicketGetPPDDict:-30891", "--print", "a.txt",
                                "--printer=office"},
                               &options, &error))
      << error;
  EXPECT_EQ(options.ppdPath, "a.ppd");
  EXPECT_EQ(options.bundlePath, "B.plugin");
  EXPECT_EQ(options.settingsPath, "s.txt");
  EXPECT_EQ(options.scriptPath, "-");
  EXPECT_EQ(options.optionList, "A=1 B=2,C=3");
  EXPECT_EQ(options.printerQueue, "office");
  EXPECT_EQ(options.printFile, "a.txt");
  EXPECT_EQ(options.emit, EmitFormat::kJson);
  EXPECT_TRUE(options.quiet);
  EXPECT_TRUE(options.checkLeaks);
  EXPECT_FALSE(options.help);
  ASSERT_EQ(options.failures.size(), 2u);
  EXPECT_TRUE(options.failures[0].allocation);
  EXPECT_EQ(options.failures[0].name, "CFRunLoopTimer");
  EXPECT_EQ(options.failures[0].count, 2);
  EXPECT_EQ(options.failures[0].skip, 1);
  EXPECT_FALSE(options.failures[1].allocation);
  EXPECT_EQ(options.failures[1].name, "PMTicketGetPPDDict");
  EXPECT_EQ(options.failures[1].status, -30891);
  EXPECT_EQ(options.failures[1].count, 1);
  EXPECT_EQ(options.failures[1].skip, 0);
}

TEST(CommandLine, DefaultsLeaveTheChoiceToTheHost) {
  HostOptions options;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({}, &options, &error));
  EXPECT_EQ(options.ppdPath, "");
  EXPECT_EQ(options.scriptPath, "");
  EXPECT_EQ(options.emit, EmitFormat::kLines);
  EXPECT_FALSE(options.quiet);
  EXPECT_FALSE(options.gui);
}

TEST(CommandLine, GuiTakesThePlaceOfTheScript) {
  HostOptions options;
  std::string error;
  ASSERT_TRUE(ParseCommandLine({"--gui", "--printer", "office", "--print", "a.txt"}, &options, &error))
      << error;
  EXPECT_TRUE(options.gui);
  EXPECT_EQ(options.scriptPath, "");
}

TEST(CommandLine, RefusesWhatItDoesNotKnow) {
  const struct {
    std::vector<std::string> arguments;
    const char* error;
  } kCases[] = {
      {{"--pdd", "x"}, "unknown option --pdd"},
      {{"demo.session"}, "unexpected argument \"demo.session\""},
      {{"--ppd"}, "--ppd needs a value"},
      {{"--ppd="}, "--ppd needs a file name"},
      {{"--quiet=yes"}, "--quiet takes no value"},
      {{"--emit", "xml"}, "--emit takes lines or json, not \"xml\""},
      {{"--fail-allocation", ""}, "--fail-allocation takes KIND[:COUNT[:SKIP]]"},
      {{"--fail-allocation", "X:1:2:3"}, "--fail-allocation takes KIND[:COUNT[:SKIP]]"},
      {{"--fail-call", "Op"}, "--fail-call takes OPERATION:STATUS[:COUNT[:SKIP]]"},
      {{"--fail-call", "Op:x"}, "--fail-call takes OPERATION:STATUS[:COUNT[:SKIP]]"},
      {{"--printer="}, "--printer needs a queue name"},
      {{"--print", "a.txt"}, "--print needs --printer QUEUE"},
      {{"--gui", "--script", "s"}, "--gui and --script cannot be given together"},
      {{"--gui=yes"}, "--gui takes no value"},
  };
  for (const auto& testCase : kCases) {
    HostOptions options;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(testCase.arguments, &options, &error)) << testCase.error;
    EXPECT_EQ(error, testCase.error);
  }
}

}  // namespace
}  // namespace pdehost
