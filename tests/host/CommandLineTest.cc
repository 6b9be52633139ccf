// CommandLineTest.cc: pdehost's options.
#include <gtest/gtest.h>

#include <tuple>

#include "CommandLine.h"

namespace pdehost {
namespace {

// The fields of a failure to inject, in one comparable tuple.
auto Fields(const InjectedFailure& f) {
  return std::tuple(f.allocation, f.name, f.status, f.count, f.skip);
}

TEST(CommandLine, TakesEveryOptionInBothForms) {
  HostOptions options;
  std::string error;
  ASSERT_TRUE(ParseCommandLine(
      {"--ppd=a.ppd", "--bundle", "B.plugin", "--options", "A=1", "--settings", "s.txt",
       "--script=-", "--emit", "json", "--quiet", "--options=B=2,C=3", "--check-leaks",
       "--fail-allocation", "CFRunLoopTimer:2:1", "--fail-call=PMTicketGetPPDDict:-30891",
       "--print", "a.txt", "--printer=office", "-o", "D=4", "-oE=5", "--strict"},
      &options, &error))
      << error;
  EXPECT_EQ(
      std::tuple(options.ppdPath, options.bundlePath, options.settingsPath, options.scriptPath,
                 options.optionList, options.printerQueue, options.printFile),
      std::tuple("a.ppd", "B.plugin", "s.txt", "-", "A=1 B=2,C=3 D=4 E=5", "office", "a.txt"));
  EXPECT_EQ(std::tuple(options.emit, options.emitAsked, options.quiet, options.checkLeaks,
                       options.help, options.gui, options.strict, options.demo),
            std::tuple(EmitFormat::kJson, true, true, true, false, false, true, false));
  ASSERT_EQ(options.failures.size(), 2u);
  EXPECT_EQ(Fields(options.failures[0]), std::tuple(true, "CFRunLoopTimer", 0, 2, 1));
  EXPECT_EQ(Fields(options.failures[1]), std::tuple(false, "PMTicketGetPPDDict", -30891, 1, 0));

  // Without options the host chooses; --gui takes the place of the script.
  HostOptions defaults;
  ASSERT_TRUE(ParseCommandLine({}, &defaults, &error));
  EXPECT_EQ(std::tuple(defaults.ppdPath, defaults.scriptPath, defaults.emit, defaults.quiet,
                       defaults.emitAsked),
            std::tuple("", "", EmitFormat::kLines, false, false));
  HostOptions gui;
  ASSERT_TRUE(ParseCommandLine({"--gui", "--printer", "office", "--print", "a.txt"}, &gui, &error))
      << error;
  EXPECT_EQ(std::tuple(gui.gui, gui.scriptPath), std::tuple(true, ""));
}

// "--emit xml" is refused by the bad-command-line session, end to end.
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
      {{"--fail-allocation", ""}, "--fail-allocation takes KIND[:COUNT[:SKIP]]"},
      {{"--fail-allocation", "X:1:2:3"}, "--fail-allocation takes KIND[:COUNT[:SKIP]]"},
      {{"--fail-call", "Op"}, "--fail-call takes OPERATION:STATUS[:COUNT[:SKIP]]"},
      {{"--fail-call", "Op:x"}, "--fail-call takes OPERATION:STATUS[:COUNT[:SKIP]]"},
      {{"--printer="}, "--printer needs a queue name"},
      {{"--print", "a.txt"}, "--print needs --printer QUEUE"},
      {{"--save-defaults"}, "--save-defaults needs --printer QUEUE and no --print"},
      {{"--printer", "q", "--print", "a", "--save-defaults"},
       "--save-defaults needs --printer QUEUE and no --print"},
      {{"--gui", "--script", "s"}, "give only one of --gui, --script and --demo"},
      {{"--demo", "--script", "s"}, "give only one of --gui, --script and --demo"},
      {{"-o"}, "--options needs a value"},
      {{"--gui=yes"}, "--gui takes no value"},
  };
  for (const auto& testCase : kCases) {
    HostOptions options;
    std::string error;
    EXPECT_FALSE(ParseCommandLine(testCase.arguments, &options, &error)) << testCase.error;
    EXPECT_EQ(error, testCase.error);
  }
}

// The demo runs only when nothing else was asked for, or with --demo.
TEST(CommandLine, RunsTheDemoOnlyWhenNothingElseIsAsked) {
  const struct {
    std::vector<std::string> arguments;
    bool demo;
  } kCases[] = {
      {{}, true},
      {{"--ppd", "a.ppd", "--emit", "json", "--quiet", "--strict"}, true},
      {{"--demo", "--printer", "office"}, true},
      {{"--printer", "office"}, false},
      {{"--printer", "office", "--print", "a.txt"}, false},
      {{"--options", "PrintMode=Hold"}, false},
      {{"-o", "PrintMode=Hold"}, false},
      {{"--settings", "s"}, false},
      {{"--script", "s"}, false},
      {{"--gui"}, false},
  };
  for (const auto& testCase : kCases) {
    HostOptions options;
    std::string error;
    ASSERT_TRUE(ParseCommandLine(testCase.arguments, &options, &error)) << error;
    EXPECT_EQ(RunsDemo(options), testCase.demo) << testCase.arguments.size();
  }
}

}  // namespace
}  // namespace pdehost
