// ScriptParserTest.cc: the session-script parser: joining, escapes, arguments, and error lines.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "Script.h"
#include "ScriptLexer.h"

namespace pdehost {
namespace {

Script ParseOk(std::string_view text) {
  Script script;
  std::string error;
  EXPECT_TRUE(ParseScript(text, "t.session", &script, &error)) << error;
  return script;
}

std::string ParseError(std::string_view text) {
  Script script;
  std::string error;
  EXPECT_FALSE(ParseScript(text, "t.session", &script, &error)) << text;
  return error;
}

TEST(ScriptParser, JoinsActionsOnOneLineAndKeepsLineNumbers) {
  const Script script = ParseOk(
      "# the typical use\n"
      "\n"
      "choose PrintMode Private ; expect disabled DIN\r\n"
      "   expect enabled 6   # after the pass\n"
      "show;idle ;summary");
  ASSERT_EQ(script.lines.size(), 3u);

  const ScriptLine& joined = script.lines[0];
  ASSERT_EQ(joined.actions.size(), 2u);
  const Action& choose = joined.actions[0];
  EXPECT_EQ(std::tuple(joined.line, choose.kind, choose.control.id, choose.text, choose.number,
                       choose.source),
            std::tuple(3, ActionKind::kChoose, 5, "Private", 0, "choose PrintMode Private"));
  const Action& expect = joined.actions[1];
  EXPECT_EQ(std::tuple(expect.kind, expect.control.name, expect.line),
            std::tuple(ActionKind::kExpectDisabled, "DIN", 3));
  ASSERT_EQ(script.lines[1].actions.size(), 1u);
  const Action& enabled = script.lines[1].actions[0];
  EXPECT_EQ(std::tuple(script.lines[1].line, enabled.kind, enabled.control.id),
            std::tuple(4, ActionKind::kExpectEnabled, 6));
  EXPECT_EQ(script.lines[2].line, 5);
  std::vector<ActionKind> kinds;
  for (const Action& action : script.lines[2].actions) kinds.push_back(action.kind);
  EXPECT_EQ(kinds, (std::vector{ActionKind::kShow, ActionKind::kIdle, ActionKind::kSummary}));
}

TEST(ScriptParser, SeparatorsMustStandBetweenActions) {
  EXPECT_EQ(ParseError("show\n; show"), "t.session:2: ';' must stand between two actions");
  EXPECT_EQ(ParseError("show ;"), "t.session:1: ';' must stand between two actions");
  EXPECT_EQ(ParseError("show ; ; show"), "t.session:1: ';' must stand between two actions");
}

TEST(ScriptParser, QuotedTextsResolveTheirEscapes) {
  const Script script = ParseOk(R"(paste DIN "a\"b\\c\x41\xc3\xA9 ;#x")");
  const Action& paste = script.lines.at(0).actions.at(0);
  EXPECT_EQ(paste.kind, ActionKind::kPaste);
  EXPECT_EQ(paste.text, "a\"b\\cA\xC3\xA9 ;#x");
  EXPECT_EQ(paste.source, R"(paste DIN "a\"b\\cAé ;#x")");
}

TEST(ScriptParser, EveryEscapedByteIsTakenOrRefusedAsUtf8) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  for (int byte = 0; byte < 256; ++byte) {
    const std::string script =
        std::string("paste DC \"\\x") + kDigits[byte >> 4] + kDigits[byte & 15] + "\"";
    Script parsed;
    std::string error;
    const bool ok = ParseScript(script, "t.session", &parsed, &error);
    if (byte < 0x80) {
      ASSERT_TRUE(ok) << "byte " << byte << ": " << error;
      EXPECT_EQ(parsed.lines[0].actions[0].text, std::string(1, static_cast<char>(byte)))
          << "byte " << byte;
    } else {
      EXPECT_FALSE(ok) << "byte " << byte;
      EXPECT_EQ(error, "t.session:1: text is not valid UTF-8") << "byte " << byte;
    }
  }
}

// The bad-malformed-line, bad-not-utf8 and bad-long-text sessions check an open quote, a line
// that is not UTF-8 and a text one byte too long, end to end.
TEST(ScriptParser, LexicalErrorsNameTheLine) {
  EXPECT_EQ(ParseError("\n\ntype DIN \"1\\n\""),
            "t.session:3: unknown escape \\n (use \\\" \\\\ or \\xNN)");
  EXPECT_EQ(ParseError("type DIN \"\\x4\""), "t.session:1: \\x needs two hexadecimal digits");
  EXPECT_EQ(ParseError("type DIN \"\\"), "t.session:1: unknown escape \\ at the end of the line");
  EXPECT_EQ(ParseError("paste DIN \"a\x01\""),
            "t.session:1: control character 0x01 in the line (write it as \\xNN in a text)");

  const std::string longest(kMaxScriptTextBytes, '7');
  EXPECT_EQ(ParseOk("paste DIN \"" + longest + "\"").lines[0].actions[0].text, longest);
  EXPECT_EQ(ParseError("show #" + std::string(kMaxScriptLineBytes, ' ')),
            "t.session:1: line longer than 4096 bytes");
}

// The bad-unknown-action and bad-unknown-control sessions check those messages end to end.
TEST(ScriptParser, ActionsAndControlsAreChecked) {
  EXPECT_EQ(ParseError("focus 11"),
            "t.session:1: unknown control \"11\" (use 5 to 10 or PrintMode, DIN, Department, DC, "
            "BlankPages, DistinguishThinLines)");
  EXPECT_EQ(ParseError("choose DIN 1"), "t.session:1: DIN is a text field, not a pop-up");
  EXPECT_EQ(ParseError("type BlankPages \"1\""),
            "t.session:1: BlankPages is a pop-up, not a text field");
  EXPECT_EQ(ParseError("show now"), "t.session:1: usage: show");
  EXPECT_EQ(ParseError("choose PrintMode"),
            "t.session:1: usage: choose <control> <item number or text>");
  EXPECT_EQ(ParseError("choose PrintMode 0"),
            "t.session:1: an item number must be a number from 1 to 32767, not \"0\"");
  EXPECT_EQ(ParseError("select DIN -1 3"),
            "t.session:1: the selection start must be a number from 0 to 32767, not \"-1\"");
  EXPECT_EQ(ParseError("select DIN 0 x"),
            "t.session:1: the selection end must be a number from 0 to 32767, not \"x\"");
  EXPECT_EQ(ParseError("sync both"), "t.session:1: usage: sync in|out");
  EXPECT_EQ(ParseError("submit report.txt"), "t.session:1: usage: submit \"<file>\"");
  EXPECT_EQ(ParseError("submit \"\""), "t.session:1: usage: submit \"<file>\"");
  EXPECT_EQ(ParseOk("submit \"a b.txt\"").lines[0].actions[0].text, "a b.txt");
  EXPECT_EQ(ParseError("\"show\""), "t.session:1: an action begins with a word, not a text");
  EXPECT_EQ(ParseError("expect rows"), "t.session:1: usage: expect rows <n>");
  EXPECT_EQ(ParseError("expect visible DIN"),
            "t.session:1: usage: expect enabled|disabled|text|item|option|no-option|rows|status|"
            "log ...");
  EXPECT_EQ(ParseError("expect option \"Print Mode\" Normal"),
            "t.session:1: bad keyword \"Print Mode\" (1 to 40 letters, digits, '_', '-', '.' or "
            "'+')");
}

TEST(ScriptParser, ChooseTakesANumberOrAShownText) {
  const Script script = ParseOk("choose 7 2\nchoose Department \"On\"\nchoose 9 \"2\"");
  EXPECT_EQ(script.lines[0].actions[0].control.name, "Department");
  EXPECT_EQ(script.lines[0].actions[0].number, 2);
  EXPECT_EQ(script.lines[1].actions[0].number, 0);
  EXPECT_EQ(script.lines[1].actions[0].text, "On");
  EXPECT_EQ(script.lines[2].actions[0].number, 0);
  EXPECT_EQ(script.lines[2].actions[0].text, "2");
}

TEST(ScriptParser, TypedTextBecomesMacRomanKeys) {
  const Action type = ParseOk("type DC \"5\xC3\xA9" "a\xE2\x82\xAC\"").lines[0].actions[0];
  EXPECT_EQ(type.keyBytes, "5\x8E" "a\xDB");  // bad-no-macroman refuses one without a byte
}

// The sessions type backspace, delete, left, home, end and bytes, repeated too; here the rest.
TEST(ScriptParser, KeysByNameOrByte) {
  const struct {
    const char* name;
    unsigned char code;
  } kKeys[] = {{"tab", 0x09}, {"return", 0x0D}, {"right", 0x1D}, {"0XfF", 0xFF}, {"0x00", 0x00}};
  for (const auto& key : kKeys) {
    const Action action = ParseOk(std::string("key DIN ") + key.name).lines[0].actions[0];
    EXPECT_EQ(action.kind, ActionKind::kKey) << key.name;
    EXPECT_EQ(action.keyBytes, std::string(1, static_cast<char>(key.code))) << key.name;
    EXPECT_FALSE(action.repeat) << key.name;
  }
  EXPECT_EQ(ParseError("key DIN escape"),
            "t.session:1: unknown key \"escape\" "
            "(backspace|delete|tab|return|left|right|home|end|0xNN [repeat])");
  EXPECT_EQ(ParseError("key DIN 0x4G"),
            "t.session:1: unknown key \"0x4G\" "
            "(backspace|delete|tab|return|left|right|home|end|0xNN [repeat])");
  EXPECT_EQ(ParseError("key DIN tab twice"),
            "t.session:1: usage: key <field> "
            "backspace|delete|tab|return|left|right|home|end|0xNN [repeat]");
}

// Every kind of expectation runs in the golden sessions; here the statuses they do not write.
TEST(ScriptParser, StatusesAreThirtyTwoBitNumbersInDecimalOrHexadecimal) {
  EXPECT_EQ(ParseOk("expect status 0x80000004").lines[0].actions[0].status,
            static_cast<std::int32_t>(0x80000004u));
  EXPECT_EQ(ParseOk("expect status -2147483648").lines[0].actions[0].status, INT32_MIN);
  EXPECT_EQ(ParseError("expect status 2147483648"),
            "t.session:1: a status must be a 32-bit number (decimal, or 0x and hexadecimal "
            "digits), not \"2147483648\"");
  EXPECT_EQ(ParseError("expect item DIN 1"), "t.session:1: DIN is a text field, not a pop-up");
}

}  // namespace
}  // namespace pdehost
