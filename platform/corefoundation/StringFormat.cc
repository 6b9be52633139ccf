// StringFormat.cc: printf-style string formatting with %@ for objects.
#include <cstdarg>
#include <cstdio>
#include <optional>
#include <string>

#include "String.h"
#include "Text.h"

namespace pde::cf {
namespace {

// One conversion, as parsed from the format.
struct Conversion {
  std::string flags;
  std::optional<int> width;
  std::optional<int> precision;
  std::string length;  // "", "hh", "h", "l", "ll", "q", "L", "z", "j", "t"
  char16_t type = 0;
};

// The C library format of a conversion, with widths resolved.
std::string CFormatOf(const Conversion& conversion, std::string_view length, char type) {
  std::string directive = "%" + conversion.flags;
  if (conversion.width) directive += std::to_string(*conversion.width);
  if (conversion.precision) directive += "." + std::to_string(*conversion.precision);
  directive += length;
  directive += type;
  return directive;
}

template <typename Value>
std::string PrintC(const std::string& directive, Value value) {
  int size = std::snprintf(nullptr, 0, directive.c_str(), value);
  if (size <= 0) return {};
  std::string out(static_cast<size_t>(size) + 1, '\0');
  std::snprintf(out.data(), out.size(), directive.c_str(), value);
  out.resize(static_cast<size_t>(size));
  return out;
}

std::u16string Padded(std::u16string text, const Conversion& conversion) {
  if (!conversion.width || static_cast<size_t>(*conversion.width) <= text.size()) return text;
  std::u16string padding(static_cast<size_t>(*conversion.width) - text.size(), u' ');
  return conversion.flags.find('-') != std::string::npos ? text + padding : padding + text;
}

std::string PrintSigned(const Conversion& c, va_list* args) {
  char type = static_cast<char>(c.type);
  if (c.length == "l") return PrintC(CFormatOf(c, "l", type), va_arg(*args, long));
  if (c.length == "ll" || c.length == "q") {
    return PrintC(CFormatOf(c, "ll", type), va_arg(*args, long long));
  }
  if (c.length == "z" || c.length == "t")
    return PrintC(CFormatOf(c, "t", type), va_arg(*args, ptrdiff_t));
  if (c.length == "j") return PrintC(CFormatOf(c, "j", type), va_arg(*args, intmax_t));
  return PrintC(CFormatOf(c, c.length, type), va_arg(*args, int));  // "", "h", "hh"
}

std::string PrintUnsigned(const Conversion& c, va_list* args) {
  char type = static_cast<char>(c.type);
  if (c.length == "l") return PrintC(CFormatOf(c, "l", type), va_arg(*args, unsigned long));
  if (c.length == "ll" || c.length == "q") {
    return PrintC(CFormatOf(c, "ll", type), va_arg(*args, unsigned long long));
  }
  if (c.length == "z" || c.length == "t")
    return PrintC(CFormatOf(c, "z", type), va_arg(*args, size_t));
  if (c.length == "j") return PrintC(CFormatOf(c, "j", type), va_arg(*args, uintmax_t));
  return PrintC(CFormatOf(c, c.length, type), va_arg(*args, unsigned int));
}

std::string PrintFloating(const Conversion& c, va_list* args) {
  char type = static_cast<char>(c.type);
  if (c.length == "L") return PrintC(CFormatOf(c, "L", type), va_arg(*args, long double));
  return PrintC(CFormatOf(c, "", type), va_arg(*args, double));
}

// The text of one conversion, consuming its argument; nothing for a conversion not supported.
std::optional<std::u16string> Convert(const Conversion& c, va_list* args) {
  switch (c.type) {
    case u'%':
      return u"%";
    case u'@': {
      CFTypeRef object = va_arg(*args, CFTypeRef);
      return Padded(object == nullptr ? u"(null)" : DescriptionOf(object), c);
    }
    case u'd':
    case u'i':
      return ASCIIToUTF16(PrintSigned(c, args));
    case u'o':
    case u'u':
    case u'x':
    case u'X':
      return ASCIIToUTF16(PrintUnsigned(c, args));
    case u'e':
    case u'E':
    case u'f':
    case u'F':
    case u'g':
    case u'G':
    case u'a':
    case u'A':
      return ASCIIToUTF16(PrintFloating(c, args));
    case u'c':
      return UTF8ToUTF16Lenient(PrintC(CFormatOf(c, "", 'c'), va_arg(*args, int)));
    case u'C':
      return Padded(std::u16string(1, static_cast<char16_t>(va_arg(*args, int))), c);
    case u'p':
      return ASCIIToUTF16(PrintC(CFormatOf(c, "", 'p'), va_arg(*args, void*)));
    case u's': {
      const char* text = va_arg(*args, const char*);
      return UTF8ToUTF16Lenient(PrintC(CFormatOf(c, "", 's'), text ? text : "(null)"));
    }
    case u'S': {
      const auto* units = va_arg(*args, const char16_t*);
      std::u16string text = units ? std::u16string(units) : u"(null)";
      if (c.precision && static_cast<size_t>(*c.precision) < text.size()) text.resize(*c.precision);
      return Padded(std::move(text), c);
    }
    default:
      return std::nullopt;
  }
}

bool IsDigit(char16_t unit) {
  return unit >= u'0' && unit <= u'9';
}

int ReadNumber(std::u16string_view format, size_t* index) {
  int number = 0;
  while (*index < format.size() && IsDigit(format[*index]) && number < 100000) {
    number = number * 10 + (format[(*index)++] - u'0');
  }
  return number;
}

// Parses the conversion after a '%' at format[*index]; nothing when the format ends inside it.
std::optional<Conversion> ParseConversion(std::u16string_view format, size_t* index,
                                          va_list* args) {
  Conversion c;
  while (*index < format.size() &&
         std::u16string_view(u"-+ #0'").find(format[*index]) != std::u16string_view::npos) {
    c.flags.push_back(static_cast<char>(format[(*index)++]));
  }
  if (*index < format.size() && format[*index] == u'*') {
    ++*index;
    int width = va_arg(*args, int);
    if (width < 0) c.flags.push_back('-');
    c.width = width < 0 ? -width : width;
  } else if (*index < format.size() && IsDigit(format[*index])) {
    c.width = ReadNumber(format, index);
  }
  if (*index < format.size() && format[*index] == u'.') {
    ++*index;
    if (*index < format.size() && format[*index] == u'*') {
      ++*index;
      int precision = va_arg(*args, int);
      if (precision >= 0) c.precision = precision;
    } else {
      c.precision = ReadNumber(format, index);
    }
  }
  for (std::u16string_view length : {u"hh", u"ll", u"h", u"l", u"q", u"L", u"z", u"j", u"t"}) {
    if (format.substr(*index).starts_with(length)) {
      c.length.assign(length.begin(), length.end());
      *index += length.size();
      break;
    }
  }
  if (*index >= format.size()) return std::nullopt;
  c.type = format[(*index)++];
  return c;
}

std::optional<std::u16string> Format(std::u16string_view format, va_list* args) {
  std::u16string out;
  size_t index = 0;
  while (index < format.size()) {
    char16_t unit = format[index++];
    if (unit != u'%') {
      out.push_back(unit);
      continue;
    }
    std::optional<Conversion> conversion = ParseConversion(format, &index, args);
    if (!conversion) return std::nullopt;
    std::optional<std::u16string> text = Convert(*conversion, args);
    if (!text) return std::nullopt;
    out += *text;
  }
  return out;
}

}  // namespace
}  // namespace pde::cf

CFStringRef CFStringCreateWithFormat(CFAllocatorRef alloc, CFDictionaryRef formatOptions,
                                     CFStringRef format, ...) {
  va_list arguments;
  va_start(arguments, format);
  CFStringRef result =
      CFStringCreateWithFormatAndArguments(alloc, formatOptions, format, arguments);
  va_end(arguments);
  return result;
}

CFStringRef CFStringCreateWithFormatAndArguments(CFAllocatorRef, CFDictionaryRef,
                                                 CFStringRef format, va_list arguments) {
  const std::u16string* text = pde::cf::TextOf(format);
  if (text == nullptr) return nullptr;
  va_list args;
  va_copy(args, arguments);
  CFStringRef result = pde::cf::NoThrow([&]() -> CFStringRef {
    std::optional<std::u16string> formatted = pde::cf::Format(*text, &args);
    if (!formatted) {
      pde::cf::ReportMisuse("CFStringCreateWithFormat", "unsupported conversion in the format");
      return nullptr;
    }
    return pde::cf::NewString(std::move(*formatted));
  });
  va_end(args);
  return result;
}
