// Script.h: a parsed session script: lines of actions the host dispatches before one run-loop pass.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "PaneControls.h"

namespace pdehost {

enum class ActionKind {
  kShow,            // show
  kChoose,          // choose <popup> <item number | shown text>
  kFocus,           // focus <field>
  kSelect,          // select <field> <start> <end>
  kType,            // type <field> "<text>"
  kKey,             // key <field> <name | 0xNN> [repeat]
  kPaste,           // paste <field> "<text>"
  kIdle,            // idle
  kSyncIn,          // sync in
  kSyncOut,         // sync out
  kSummary,         // summary
  kPrint,           // print
  kSubmit,          // submit "<file>"
  kExpectEnabled,   // expect enabled <control>
  kExpectDisabled,  // expect disabled <control>
  kExpectText,      // expect text <field> "<text>"
  kExpectItem,      // expect item <popup> <n>
  kExpectOption,    // expect option <KEY> "<value>"
  kExpectNoOption,  // expect no-option <KEY>
  kExpectRows,      // expect rows <n>
  kExpectStatus,    // expect status <n>
  kExpectLog,       // expect log "<text>"
};

// One action. Only the fields its kind uses are set.
struct Action {
  ActionKind kind = ActionKind::kShow;
  int line = 0;              // 1-based line of the script
  std::string source;        // the action as written, for messages
  PaneControl control;       // the control acted on or checked
  int number = 0;            // choose/expect item: item (0 when chosen by text); expect rows
  int selectionStart = 0;    // select
  int selectionEnd = 0;      // select
  std::string text;          // choose by text, paste, submit, expect text/option/log
  std::string keyBytes;      // type: one MacRoman byte per character; key: the one byte
  bool repeat = false;       // key ... repeat
  std::string option;        // expect option/no-option: the PPD keyword
  std::int32_t status = 0;   // expect status
};

// The actions of one script line, dispatched together before one run-loop pass.
struct ScriptLine {
  int line = 0;
  std::vector<Action> actions;
};

struct Script {
  std::string name;  // file name used in messages
  std::vector<ScriptLine> lines;
};

// Parses a whole script. name is used in messages. Returns false with *error set to
// "<name>:<line>: what" for the first bad line (unknown action or control, wrong arguments, a
// control of the wrong kind, a bad number, a character without a MacRoman byte in a typed
// text, or a lexical error); *script is then unspecified.
bool ParseScript(std::string_view bytes, std::string_view name, Script* script, std::string* error);

// Reads and parses the script file at path ("-" reads standard input, named "<stdin>").
// Errors as ParseScript, or "<path>: why" when the file cannot be read or is over 1 MiB.
bool ReadScriptFile(const std::string& path, Script* script, std::string* error);

}  // namespace pdehost
