// ScriptParser.cc: turns session-script text into checked actions, before anything runs.
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <utility>

#include "Files.h"
#include "Script.h"
#include "ScriptLexer.h"
#include "Settings.h"
#include "Utf8.h"
#include "pde/CFHost.h"

namespace pdehost {

namespace {

constexpr int kMaxItem = 32767;     // menu items are 16-bit
constexpr int kMaxTextIndex = 32767;  // selections are 16-bit
constexpr int kMaxRows = 1000;

struct KeyName {
  std::string_view name;
  unsigned char code;
};

constexpr std::array<KeyName, 8> kKeyNames{{
    {"backspace", 0x08},
    {"delete", 0x7F},
    {"tab", 0x09},
    {"return", 0x0D},
    {"left", 0x1C},
    {"right", 0x1D},
    {"home", 0x01},
    {"end", 0x04},
}};

// The action as written, for messages: words as they are, texts quoted again.
std::string SourceOf(const std::vector<Token>& tokens) {
  std::string source;
  for (const Token& token : tokens) {
    if (!source.empty()) source += ' ';
    if (token.kind == TokenKind::kWord) {
      source += token.text;
      continue;
    }
    source += '"';
    for (const char c : token.text) {
      const auto byte = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        source += '\\';
        source += c;
      } else if (byte < 0x20 || byte == 0x7F) {
        static constexpr char kDigits[] = "0123456789ABCDEF";
        source += "\\x";
        source += kDigits[byte >> 4];
        source += kDigits[byte & 0xF];
      } else {
        source += c;
      }
    }
    source += '"';
  }
  return source;
}

std::optional<long long> ParseDecimal(std::string_view word) {
  long long value = 0;
  const char* first = word.data();
  const char* last = word.data() + word.size();
  if (word.empty() || word[0] == '+') return std::nullopt;
  const auto [end, code] = std::from_chars(first, last, value);
  if (code != std::errc() || end != last) return std::nullopt;
  return value;
}

bool IsAllDigits(std::string_view word) {
  if (word.empty()) return false;
  for (const char c : word) {
    if (c < '0' || c > '9') return false;
  }
  return true;
}

std::string QuoteWord(std::string_view word) { return "\"" + std::string(word) + "\""; }

// Parses the arguments of one action; *error is a reason without file and line.
class ActionParser {
 public:
  ActionParser(const std::vector<Token>& tokens, Action* action, std::string* error)
      : tokens_(tokens), action_(action), error_(error) {}

  bool Parse() {
    const std::string& verb = tokens_[0].text;
    if (tokens_[0].kind != TokenKind::kWord) return Fail("an action begins with a word, not a text");
    if (verb == "show") return Simple(ActionKind::kShow, "show");
    if (verb == "idle") return Simple(ActionKind::kIdle, "idle");
    if (verb == "summary") return Simple(ActionKind::kSummary, "summary");
    if (verb == "print") return Simple(ActionKind::kPrint, "print");
    if (verb == "submit") return Submit();
    if (verb == "sync") return Sync();
    if (verb == "choose") return Choose();
    if (verb == "focus") return Focus();
    if (verb == "select") return Select();
    if (verb == "type") return Type();
    if (verb == "key") return Key();
    if (verb == "paste") return Paste();
    if (verb == "expect") return Expect();
    return Fail("unknown action " + QuoteWord(verb) +
                " (show, choose, focus, select, type, key, paste, idle, sync, summary, print, "
                "submit, expect)");
  }

 private:
  bool Fail(std::string message) {
    *error_ = std::move(message);
    return false;
  }

  bool Arity(size_t arguments, std::string_view usage) {
    if (tokens_.size() - 1 == arguments) return true;
    return Fail("usage: " + std::string(usage));
  }

  bool Simple(ActionKind kind, std::string_view usage) {
    action_->kind = kind;
    return Arity(0, usage);
  }

  // The control named by argument index, checked to be of kind when kind is given.
  bool Control(size_t index, std::optional<PaneControlKind> kind) {
    const std::string& word = tokens_[index].text;
    const std::optional<PaneControl> control = FindPaneControl(word);
    if (!control) {
      return Fail("unknown control " + QuoteWord(word) + " (use 5 to 10 or " +
                  std::string(PaneControlNames()) + ")");
    }
    if (kind && control->kind != *kind) {
      return Fail(std::string(control->name) + " is " +
                  (control->kind == PaneControlKind::kPopup ? "a pop-up, not a text field"
                                                            : "a text field, not a pop-up"));
    }
    action_->control = *control;
    return true;
  }

  bool Integer(size_t index, long long min, long long max, std::string_view what, int* out) {
    const std::optional<long long> value = ParseDecimal(tokens_[index].text);
    if (tokens_[index].kind != TokenKind::kWord || !value || *value < min || *value > max) {
      return Fail(std::string(what) + " must be a number from " + std::to_string(min) + " to " +
                  std::to_string(max) + ", not " + QuoteWord(tokens_[index].text));
    }
    *out = static_cast<int>(*value);
    return true;
  }

  bool Sync() {
    if (!Arity(1, "sync in|out")) return false;
    const std::string& direction = tokens_[1].text;
    if (direction == "in") {
      action_->kind = ActionKind::kSyncIn;
    } else if (direction == "out") {
      action_->kind = ActionKind::kSyncOut;
    } else {
      return Fail("usage: sync in|out");
    }
    return true;
  }

  bool Choose() {
    action_->kind = ActionKind::kChoose;
    if (!Arity(2, "choose <control> <item number or text>")) return false;
    if (!Control(1, PaneControlKind::kPopup)) return false;
    const Token& item = tokens_[2];
    if (item.kind == TokenKind::kWord && IsAllDigits(item.text)) {
      return Integer(2, 1, kMaxItem, "an item number", &action_->number);
    }
    action_->text = item.text;
    return true;
  }

  bool Focus() {
    action_->kind = ActionKind::kFocus;
    return Arity(1, "focus <field>") && Control(1, PaneControlKind::kField);
  }

  bool Select() {
    action_->kind = ActionKind::kSelect;
    return Arity(3, "select <field> <start> <end>") && Control(1, PaneControlKind::kField) &&
           Integer(2, 0, kMaxTextIndex, "the selection start", &action_->selectionStart) &&
           Integer(3, 0, kMaxTextIndex, "the selection end", &action_->selectionEnd);
  }

  bool Type() {
    action_->kind = ActionKind::kType;
    if (!Arity(2, "type <field> \"<text>\"") || !Control(1, PaneControlKind::kField)) return false;
    action_->text = tokens_[2].text;
    const std::optional<std::u32string> characters = DecodeUtf8(action_->text);
    for (const char32_t character : *characters) {
      const std::optional<unsigned char> byte = pde::MacRomanByteFor(character);
      if (!byte) {
        char code[16];
        std::snprintf(code, sizeof code, "U+%04X", static_cast<unsigned>(character));
        return Fail("\"" + EncodeUtf8(character) + "\" (" + code +
                    ") has no MacRoman byte and cannot be typed");
      }
      action_->keyBytes += static_cast<char>(*byte);
    }
    return true;
  }

  bool Key() {
    action_->kind = ActionKind::kKey;
    constexpr std::string_view kUsage =
        "key <field> backspace|delete|tab|return|left|right|home|end|0xNN [repeat]";
    if (tokens_.size() != 3 && tokens_.size() != 4) return Fail("usage: " + std::string(kUsage));
    if (!Control(1, PaneControlKind::kField)) return false;
    if (tokens_.size() == 4) {
      if (tokens_[3].text != "repeat") return Fail("usage: " + std::string(kUsage));
      action_->repeat = true;
    }
    const std::string& name = tokens_[2].text;
    for (const KeyName& key : kKeyNames) {
      if (name == key.name) {
        action_->keyBytes = std::string(1, static_cast<char>(key.code));
        return true;
      }
    }
    if (name.size() == 4 && name[0] == '0' && (name[1] == 'x' || name[1] == 'X')) {
      unsigned value = 0;
      const auto [end, code] = std::from_chars(name.data() + 2, name.data() + 4, value, 16);
      if (code == std::errc() && end == name.data() + 4) {
        action_->keyBytes = std::string(1, static_cast<char>(value));
        return true;
      }
    }
    return Fail("unknown key " + QuoteWord(name) + " (" + std::string(kUsage.substr(12)) + ")");
  }

  bool Paste() {
    action_->kind = ActionKind::kPaste;
    if (!Arity(2, "paste <field> \"<text>\"") || !Control(1, PaneControlKind::kField)) return false;
    action_->text = tokens_[2].text;
    return true;
  }

  bool Submit() {
    action_->kind = ActionKind::kSubmit;
    constexpr std::string_view kUsage = "submit \"<file>\"";
    if (tokens_.size() != 2 || tokens_[1].kind != TokenKind::kText || tokens_[1].text.empty()) {
      return Fail("usage: " + std::string(kUsage));
    }
    action_->text = tokens_[1].text;
    return true;
  }

  bool Expect() {
    constexpr std::string_view kWhat =
        "expect enabled|disabled|text|item|option|no-option|rows|status|log ...";
    if (tokens_.size() < 2) return Fail("usage: " + std::string(kWhat));
    const std::string& what = tokens_[1].text;
    if (what == "enabled" || what == "disabled") {
      action_->kind = what == "enabled" ? ActionKind::kExpectEnabled : ActionKind::kExpectDisabled;
      return Arity(2, "expect " + what + " <control>") && Control(2, std::nullopt);
    }
    if (what == "text") {
      action_->kind = ActionKind::kExpectText;
      if (!Arity(3, "expect text <field> \"<text>\"") || !Control(2, PaneControlKind::kField)) {
        return false;
      }
      action_->text = tokens_[3].text;
      return true;
    }
    if (what == "item") {
      action_->kind = ActionKind::kExpectItem;
      return Arity(3, "expect item <pop-up> <n>") && Control(2, PaneControlKind::kPopup) &&
             Integer(3, 1, kMaxItem, "an item number", &action_->number);
    }
    if (what == "option" || what == "no-option") {
      const bool present = what == "option";
      action_->kind = present ? ActionKind::kExpectOption : ActionKind::kExpectNoOption;
      if (!Arity(present ? 3 : 2, present ? "expect option <KEY> \"<value>\""
                                          : "expect no-option <KEY>")) {
        return false;
      }
      action_->option = tokens_[2].text;
      if (!IsValidKeyword(action_->option)) {
        return Fail("bad keyword " + QuoteWord(action_->option) +
                    " (1 to 40 letters, digits, '_', '-', '.' or '+')");
      }
      if (present) action_->text = tokens_[3].text;
      return true;
    }
    if (what == "rows") {
      action_->kind = ActionKind::kExpectRows;
      return Arity(2, "expect rows <n>") && Integer(2, 0, kMaxRows, "a row count", &action_->number);
    }
    if (what == "status") {
      action_->kind = ActionKind::kExpectStatus;
      return Arity(2, "expect status <n>") && Status(2);
    }
    if (what == "log") {
      action_->kind = ActionKind::kExpectLog;
      if (!Arity(2, "expect log \"<text>\"")) return false;
      action_->text = tokens_[2].text;
      return true;
    }
    return Fail("usage: " + std::string(kWhat));
  }

  // A status: a signed decimal, or 0x followed by up to eight hexadecimal digits (the 32-bit
  // pattern, so 0x80000004 is -2147483644).
  bool Status(size_t index) {
    const std::string& word = tokens_[index].text;
    if (word.size() > 2 && word.size() <= 10 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
      std::uint32_t bits = 0;
      const auto [end, code] = std::from_chars(word.data() + 2, word.data() + word.size(), bits, 16);
      if (code == std::errc() && end == word.data() + word.size()) {
        action_->status = static_cast<std::int32_t>(bits);
        return true;
      }
    }
    const std::optional<long long> value = ParseDecimal(word);
    if (tokens_[index].kind == TokenKind::kWord && value && *value >= INT32_MIN &&
        *value <= INT32_MAX) {
      action_->status = static_cast<std::int32_t>(*value);
      return true;
    }
    return Fail("a status must be a 32-bit number (decimal, or 0x and hexadecimal digits), not " +
                QuoteWord(word));
  }

  const std::vector<Token>& tokens_;
  Action* action_;
  std::string* error_;
};

// Splits the line's tokens at separators into the tokens of each action.
bool SplitActions(const std::vector<Token>& tokens, std::vector<std::vector<Token>>* groups,
                  std::string* error) {
  groups->assign(1, {});
  for (const Token& token : tokens) {
    if (token.kind != TokenKind::kSeparator) {
      groups->back().push_back(token);
      continue;
    }
    if (groups->back().empty()) {
      *error = "';' must stand between two actions";
      return false;
    }
    groups->emplace_back();
  }
  if (groups->back().empty()) {
    *error = "';' must stand between two actions";
    return false;
  }
  return true;
}

}  // namespace

bool ParseScript(std::string_view bytes, std::string_view name, Script* script, std::string* error) {
  script->name = std::string(name);
  script->lines.clear();
  LineReader lines(bytes);
  std::string_view line;
  while (lines.Next(&line)) {
    const int lineNumber = lines.lineNumber();

    const auto fail = [&](const std::string& why) {
      *error = std::string(name) + ":" + std::to_string(lineNumber) + ": " + why;
      return false;
    };
    std::vector<Token> tokens;
    std::string why;
    if (!TokenizeScriptLine(line, &tokens, &why)) return fail(why);
    if (tokens.empty()) continue;
    std::vector<std::vector<Token>> groups;
    if (!SplitActions(tokens, &groups, &why)) return fail(why);

    ScriptLine scriptLine{lineNumber, {}};
    for (const std::vector<Token>& group : groups) {
      Action action;
      action.line = lineNumber;
      action.source = SourceOf(group);
      if (!ActionParser(group, &action, &why).Parse()) return fail(why);
      scriptLine.actions.push_back(std::move(action));
    }
    script->lines.push_back(std::move(scriptLine));
  }
  return true;
}

bool ReadScriptFile(const std::string& path, Script* script, std::string* error) {
  std::string bytes;
  if (!ReadWholeFile(path, pde::InputKind::kScript, &bytes, error)) return false;
  return ParseScript(bytes, path == "-" ? "<stdin>" : path, script, error);
}

}  // namespace pdehost
