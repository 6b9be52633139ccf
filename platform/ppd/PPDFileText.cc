// PPDFileText.cc: checks a PPD file's text against the limits the parser is safe under.
#include "PPDFileText.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <string>
#include <string_view>

#include "../../host/PPDLib/PPDLib.h"

namespace pde::ppd {
namespace {

OSStatus Refuse(OSStatus status, const std::string& path, const std::string& why,
                std::string* error) {
  *error = path + ": " + why;
  return status;
}

std::size_t CountKeywordLines(const std::string& text) {
  std::size_t lines = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '*' && (i == 0 || text[i - 1] == '\n' || text[i - 1] == '\r')) ++lines;
  }
  return lines;
}

// The main keywords a PPD gives once, whose value libcups copies without freeing an earlier copy:
// given again, each repetition would leak its value for as long as the process runs.
constexpr std::string_view kOnceOnlyKeywords[] = {"LanguageEncoding", "NickName", "JCLBegin",
                                                  "JCLEnd", "JCLToPSInterpreter"};

// Where the line beginning at start ends: at its '\n', or at a '\r' not followed by one.
std::size_t LineEnd(std::string_view text, std::size_t start) {
  const std::size_t newline = std::min(text.find('\n', start), text.size());
  return std::min(text.substr(0, newline).find('\r', start), newline);
}

// Whether a main keyword that began the line ends at position: the line ends there, or its option
// or value begins.
bool EndsKeyword(std::string_view line, std::size_t position) {
  return position == line.size() || line[position] == ':' || line[position] == ' ' ||
         line[position] == '\t';
}

// "<line>: why" for the first once-only keyword given again, empty when there is none.
std::string RepeatedOnceOnlyKeyword(std::string_view text) {
  std::array<std::size_t, std::size(kOnceOnlyKeywords)> firstLines{};  // 0: not seen yet
  std::size_t line = 1;
  for (std::size_t start = 0; start < text.size(); ++line) {
    const std::size_t end = LineEnd(text, start);
    const std::string_view content = text.substr(start, end - start);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (content.size() < 2 || content[0] != '*') continue;
    for (std::size_t i = 0; i < std::size(kOnceOnlyKeywords); ++i) {
      const std::string_view once = kOnceOnlyKeywords[i];
      if (!content.substr(1).starts_with(once) || !EndsKeyword(content, once.size() + 1)) continue;
      if (firstLines[i] != 0) {
        return std::to_string(line) + ": *" + std::string(once) + " given again (first on line " +
               std::to_string(firstLines[i]) + ")";
      }
      firstLines[i] = line;
    }
  }
  return {};
}

bool IsGzipCompressed(const std::string& text) {
  return text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0x1f &&
         static_cast<unsigned char>(text[1]) == 0x8b;
}

}  // namespace

OSStatus StatusOfUnreadPPD(InputRead read) {
  switch (read) {
    case InputRead::kRead:
      break;
    case InputRead::kUnreadable:
      return kPPDFileNotFoundErr;
    case InputRead::kTooLarge:
      return kPPDMalformedErr;
    case InputRead::kOutOfMemory:
      return memFullErr;
  }
  return noErr;
}

OSStatus CheckPPDFileText(const std::string& path, const std::string& text, std::string* error) {
  if (IsGzipCompressed(text)) {
    return Refuse(kPPDMalformedErr, path, "compressed PPD files are not read", error);
  }
  if (CountKeywordLines(text) > kMaxPPDKeywordLines) {
    return Refuse(kPPDMalformedErr, path,
                  "more than " + std::to_string(kMaxPPDKeywordLines) + " keyword lines", error);
  }
  std::string repeated = RepeatedOnceOnlyKeyword(text);
  if (!repeated.empty()) {
    *error = path + ":" + repeated;
    return kPPDMalformedErr;
  }
  return noErr;
}

}  // namespace pde::ppd
