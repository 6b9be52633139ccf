// PPDFileText.cc: checks a PPD file's text against the limits the parser is safe under.
#include "PPDFileText.h"

#include <map>
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

// "<line>: why" for the first once-only keyword given again, empty when there is none. Lines end
// at '\n', or at a '\r' not followed by one.
std::string RepeatedOnceOnlyKeyword(std::string_view text) {
  std::map<std::string_view, std::size_t> firstLines;
  std::size_t line = 1;
  for (std::size_t start = 0; start < text.size(); ++line) {
    std::size_t end = text.find_first_of("\r\n", start);
    if (end == std::string_view::npos) end = text.size();
    const std::string_view content = text.substr(start, end - start);
    start = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    if (content.empty() || content[0] != '*') continue;
    const std::string_view keyword = content.substr(1, content.find_first_of(": \t") - 1);
    for (std::string_view once : kOnceOnlyKeywords) {
      if (keyword != once) continue;
      auto [first, isFirst] = firstLines.emplace(once, line);
      if (!isFirst) {
        return std::to_string(line) + ": *" + std::string(once) + " given again (first on line " +
               std::to_string(first->second) + ")";
      }
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
