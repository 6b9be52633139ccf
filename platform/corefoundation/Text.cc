// Text.cc: UTF-8, UTF-16, ASCII, Latin-1 and MacRoman conversions of UTF-16 text.
#include "Text.h"

namespace pde::cf {
namespace {

constexpr char16_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char32_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char32_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUTF16(std::u16string& out, char32_t scalar) {
  if (scalar < 0x10000) {
    out.push_back(static_cast<char16_t>(scalar));
  } else {
    scalar -= 0x10000;
    out.push_back(static_cast<char16_t>(0xD800 + (scalar >> 10)));
    out.push_back(static_cast<char16_t>(0xDC00 + (scalar & 0x3FF)));
  }
}

void AppendUTF8(std::string& out, char32_t scalar) {
  if (scalar < 0x80) {
    out.push_back(static_cast<char>(scalar));
  } else if (scalar < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (scalar >> 6)));
    out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
  } else if (scalar < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (scalar >> 12)));
    out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (scalar >> 18)));
    out.push_back(static_cast<char>(0x80 | ((scalar >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((scalar >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (scalar & 0x3F)));
  }
}

// Decodes one UTF-8 sequence at bytes[*index]; advances *index. Nothing for an invalid sequence
// (then *index has moved past its first byte only).
std::optional<char32_t> NextUTF8(std::string_view bytes, size_t* index) {
  auto lead = static_cast<unsigned char>(bytes[(*index)++]);
  if (lead < 0x80) return lead;
  int trailing;
  char32_t scalar;
  char32_t minimum;
  if ((lead & 0xE0) == 0xC0) {
    trailing = 1, scalar = lead & 0x1F, minimum = 0x80;
  } else if ((lead & 0xF0) == 0xE0) {
    trailing = 2, scalar = lead & 0x0F, minimum = 0x800;
  } else if ((lead & 0xF8) == 0xF0) {
    trailing = 3, scalar = lead & 0x07, minimum = 0x10000;
  } else {
    return std::nullopt;
  }
  if (*index + trailing > bytes.size()) return std::nullopt;
  for (int i = 0; i < trailing; ++i) {
    auto next = static_cast<unsigned char>(bytes[*index + i]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    scalar = (scalar << 6) | (next & 0x3F);
  }
  if (scalar < minimum || scalar > 0x10FFFF || IsHighSurrogate(scalar) || IsLowSurrogate(scalar)) {
    return std::nullopt;
  }
  *index += trailing;
  return scalar;
}

std::u16string DecodeUTF16(std::string_view bytes, bool bigEndian) {
  size_t start = 0;
  if (bytes.size() >= 2) {
    auto first = static_cast<unsigned char>(bytes[0]);
    auto second = static_cast<unsigned char>(bytes[1]);
    if (first == 0xFE && second == 0xFF) {
      bigEndian = true, start = 2;
    } else if (first == 0xFF && second == 0xFE) {
      bigEndian = false, start = 2;
    }
  }
  std::u16string text;
  text.reserve((bytes.size() - start) / 2);
  for (size_t i = start; i + 1 < bytes.size(); i += 2) {
    auto high = static_cast<unsigned char>(bytes[bigEndian ? i : i + 1]);
    auto low = static_cast<unsigned char>(bytes[bigEndian ? i + 1 : i]);
    text.push_back(static_cast<char16_t>((high << 8) | low));
  }
  return text;
}

}  // namespace

std::string UTF16ToUTF8(std::u16string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char32_t unit = text[i];
    if (IsHighSurrogate(unit) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
      AppendUTF8(out, 0x10000 + ((unit - 0xD800) << 10) + (text[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUTF8(out, kReplacement);
    } else {
      AppendUTF8(out, unit);
    }
  }
  return out;
}

std::optional<std::u16string> UTF8ToUTF16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t index = 0;
  while (index < utf8.size()) {
    std::optional<char32_t> scalar = NextUTF8(utf8, &index);
    if (!scalar) return std::nullopt;
    AppendUTF16(out, *scalar);
  }
  return out;
}

std::u16string UTF8ToUTF16Lenient(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  size_t index = 0;
  while (index < utf8.size()) {
    AppendUTF16(out, NextUTF8(utf8, &index).value_or(kReplacement));
  }
  return out;
}

std::u16string ASCIIToUTF16(std::string_view ascii) {
  return std::u16string(ascii.begin(), ascii.end());
}

std::optional<std::u16string> Decode(std::string_view bytes, CFStringEncoding encoding,
                                     bool unmarkedBigEndian) {
  std::u16string text;
  switch (encoding) {
    case kCFStringEncodingUTF8:
      return UTF8ToUTF16(bytes);
    case kCFStringEncodingUTF16:
      if (bytes.size() % 2 != 0) return std::nullopt;
      return DecodeUTF16(bytes, unmarkedBigEndian);
    case kCFStringEncodingASCII:
      for (char byte : bytes) {
        if (static_cast<unsigned char>(byte) >= 0x80) return std::nullopt;
        text.push_back(static_cast<char16_t>(byte));
      }
      return text;
    case kCFStringEncodingISOLatin1:
      for (char byte : bytes) text.push_back(static_cast<unsigned char>(byte));
      return text;
    case kCFStringEncodingMacRoman:
      for (char byte : bytes) {
        text.push_back(
            static_cast<char16_t>(UnicodeForMacRomanByte(static_cast<unsigned char>(byte))));
      }
      return text;
    default:
      return std::nullopt;
  }
}

std::optional<std::string> Encode(std::u16string_view text, CFStringEncoding encoding) {
  std::string bytes;
  switch (encoding) {
    case kCFStringEncodingUTF8:
      for (size_t i = 0; i < text.size(); ++i) {
        if (IsHighSurrogate(text[i]) && i + 1 < text.size() && IsLowSurrogate(text[i + 1])) {
          ++i;
        } else if (IsHighSurrogate(text[i]) || IsLowSurrogate(text[i])) {
          return std::nullopt;
        }
      }
      return UTF16ToUTF8(text);
    case kCFStringEncodingASCII:
    case kCFStringEncodingISOLatin1: {
      char16_t limit = encoding == kCFStringEncodingASCII ? 0x80 : 0x100;
      for (char16_t unit : text) {
        if (unit >= limit) return std::nullopt;
        bytes.push_back(static_cast<char>(unit));
      }
      return bytes;
    }
    case kCFStringEncodingMacRoman:
      for (char16_t unit : text) {
        std::optional<unsigned char> byte = MacRomanByteFor(unit);
        if (!byte) return std::nullopt;
        bytes.push_back(static_cast<char>(*byte));
      }
      return bytes;
    default:
      return std::nullopt;
  }
}

}  // namespace pde::cf
