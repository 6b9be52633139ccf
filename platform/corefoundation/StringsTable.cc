// StringsTable.cc: the reader of old-style strings tables ("KEY" = "value";).
#include <map>
#include <vector>

#include "String.h"
#include "Text.h"

namespace pde::cf {
namespace {

// A parse failure at a line.
struct ParseError {
  int line;
  std::string why;
};

class StringsParser {
 public:
  explicit StringsParser(std::u16string_view text) : text_(text) {}

  // Fills entries in order; nothing on success, else the error.
  std::optional<ParseError> Parse(std::vector<std::pair<std::u16string, std::u16string>>* entries) {
    while (true) {
      if (auto error = SkipBlanks()) return error;
      if (AtEnd()) return std::nullopt;
      std::u16string key;
      if (auto error = ReadString(&key, "a key")) return error;
      if (auto error = SkipBlanks()) return error;
      std::u16string value = key;  // "KEY"; stands for "KEY" = "KEY";
      if (Peek() == u'=') {
        ++index_;
        value.clear();
        if (auto error = SkipBlanks()) return error;
        if (auto error = ReadString(&value, "a value after '='")) return error;
        if (auto error = SkipBlanks()) return error;
      }
      if (Peek() != u';') return Error("expected ';' after the entry");
      ++index_;
      entries->emplace_back(std::move(key), std::move(value));
    }
  }

 private:
  bool AtEnd() const { return index_ >= text_.size(); }
  char16_t Peek(size_t ahead = 0) const {
    return index_ + ahead < text_.size() ? text_[index_ + ahead] : u'\0';
  }
  ParseError Error(std::string why) const { return ParseError{line_, std::move(why)}; }

  char16_t Next() {
    char16_t unit = text_[index_++];
    if (unit == u'\n') ++line_;
    return unit;
  }

  // Skips white space and comments.
  std::optional<ParseError> SkipBlanks() {
    while (!AtEnd()) {
      char16_t unit = Peek();
      if (unit == u' ' || unit == u'\t' || unit == u'\r' || unit == u'\n' || unit == 0xFEFF) {
        Next();
      } else if (unit == u'/' && Peek(1) == u'/') {
        while (!AtEnd() && Peek() != u'\n') Next();
      } else if (unit == u'/' && Peek(1) == u'*') {
        int startLine = line_;
        index_ += 2;
        while (!AtEnd() && !(Peek() == u'*' && Peek(1) == u'/')) Next();
        if (AtEnd()) return ParseError{startLine, "unterminated comment"};
        index_ += 2;
      } else {
        return std::nullopt;
      }
    }
    return std::nullopt;
  }

  static bool IsUnquotedCharacter(char16_t unit) {
    return (unit >= u'a' && unit <= u'z') || (unit >= u'A' && unit <= u'Z') ||
           (unit >= u'0' && unit <= u'9') ||
           std::u16string_view(u"_$+/:.-").find(unit) != std::u16string_view::npos;
  }

  static int HexValue(char16_t unit) {
    if (unit >= u'0' && unit <= u'9') return unit - u'0';
    if (unit >= u'a' && unit <= u'f') return unit - u'a' + 10;
    if (unit >= u'A' && unit <= u'F') return unit - u'A' + 10;
    return -1;
  }

  std::optional<ParseError> ReadString(std::u16string* out, const char* what) {
    if (Peek() != u'"') {
      if (AtEnd() || !IsUnquotedCharacter(Peek())) return Error(std::string("expected ") + what);
      while (!AtEnd() && IsUnquotedCharacter(Peek())) out->push_back(Next());
      return std::nullopt;
    }
    int startLine = line_;
    ++index_;
    while (true) {
      if (AtEnd()) return ParseError{startLine, "unterminated string"};
      char16_t unit = Next();
      if (unit == u'"') return std::nullopt;
      if (unit != u'\\') {
        out->push_back(unit);
        continue;
      }
      if (AtEnd()) return ParseError{startLine, "unterminated string"};
      char16_t escaped = Next();
      switch (escaped) {
        case u'n':
          out->push_back(u'\n');
          break;
        case u't':
          out->push_back(u'\t');
          break;
        case u'r':
          out->push_back(u'\r');
          break;
        case u'U':
        case u'u': {
          char16_t value = 0;
          for (int digit = 0; digit < 4; ++digit) {
            int hex = AtEnd() ? -1 : HexValue(Peek());
            if (hex < 0) return Error("\\U needs four hexadecimal digits");
            value = static_cast<char16_t>(value << 4 | hex);
            Next();
          }
          out->push_back(value);
          break;
        }
        default:  // \" \\ and any other escaped character stand for themselves
          out->push_back(escaped);
          break;
      }
    }
  }

  std::u16string_view text_;
  size_t index_ = 0;
  int line_ = 1;
};

// The text of the table's bytes: UTF-16 with a byte-order mark, else UTF-8.
std::optional<std::u16string> DecodeTable(std::string_view bytes, ParseError* error) {
  if (bytes.starts_with("\xFE\xFF") || bytes.starts_with("\xFF\xFE")) {
    std::optional<std::u16string> text = Decode(bytes, kCFStringEncodingUTF16);
    if (!text) *error = ParseError{1, "UTF-16 text with an odd number of bytes"};
    return text;
  }
  if (bytes.starts_with("\xEF\xBB\xBF")) bytes.remove_prefix(3);
  std::optional<std::u16string> text = UTF8ToUTF16(bytes);
  if (text) return text;
  int line = 1;  // find the first line that is not valid UTF-8
  for (size_t start = 0; start <= bytes.size(); ++line) {
    size_t end = bytes.find('\n', start);
    if (end == std::string_view::npos) end = bytes.size();
    if (!UTF8ToUTF16(bytes.substr(start, end - start))) break;
    start = end + 1;
  }
  *error = ParseError{line, "not valid UTF-8 (and no UTF-16 byte-order mark)"};
  return std::nullopt;
}

}  // namespace
}  // namespace pde::cf

namespace pde {

CFPtr<CFDictionaryRef> ParseStringsTable(std::string_view bytes, std::string_view name,
                                         std::string* error) {
  std::optional<cf::ParseError> failure;
  CFPtr<CFDictionaryRef> table = cf::NoThrow([&]() -> CFPtr<CFDictionaryRef> {
    cf::ParseError decodeError;
    std::optional<std::u16string> text = cf::DecodeTable(bytes, &decodeError);
    if (!text) {
      failure = decodeError;
      return {};
    }
    std::vector<std::pair<std::u16string, std::u16string>> entries;
    failure = cf::StringsParser(*text).Parse(&entries);
    if (failure) return {};
    CFMutableDictionaryRef dictionary = CFDictionaryCreateMutable(
        kCFAllocatorDefault, 0, &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks);
    CFPtr<CFDictionaryRef> owner(dictionary);
    if (dictionary == nullptr) {
      failure = cf::ParseError{0, "out of memory"};
      return {};
    }
    for (auto& [key, value] : entries) {
      CFPtr<CFStringRef> keyString(cf::NewString(std::move(key)));
      CFPtr<CFStringRef> valueString(cf::NewString(std::move(value)));
      if (!keyString || !valueString) {
        failure = cf::ParseError{0, "out of memory"};
        return {};
      }
      CFDictionarySetValue(dictionary, keyString.get(), valueString.get());
    }
    return owner;
  });
  if (!table && error != nullptr) {
    std::string where(name);
    if (failure && failure->line > 0) where += ":" + std::to_string(failure->line);
    *error = where + ": " + (failure ? failure->why : "out of memory");
  }
  return table;
}

}  // namespace pde
