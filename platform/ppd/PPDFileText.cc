// PPDFileText.cc: reads a PPD file's text within the limits the parser is safe under.
#include "PPDFileText.h"

#include <string>

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

bool IsGzipCompressed(const std::string& text) {
  return text.size() >= 2 && static_cast<unsigned char>(text[0]) == 0x1f &&
         static_cast<unsigned char>(text[1]) == 0x8b;
}

}  // namespace

OSStatus ReadPPDFileText(const std::string& path, std::string* text, std::string* error) {
  if (!text || !error) return paramErr;
  switch (ReadInputFile(path, InputKind::kPPD, text, error)) {
    case InputRead::kRead:
      break;
    case InputRead::kUnreadable:
      return kPPDFileNotFoundErr;
    case InputRead::kTooLarge:
      return kPPDMalformedErr;
    case InputRead::kOutOfMemory:
      return memFullErr;
  }
  if (IsGzipCompressed(*text)) {
    return Refuse(kPPDMalformedErr, path, "compressed PPD files are not read", error);
  }
  if (CountKeywordLines(*text) > kMaxPPDKeywordLines) {
    return Refuse(kPPDMalformedErr, path,
                  "more than " + std::to_string(kMaxPPDKeywordLines) + " keyword lines", error);
  }
  return noErr;
}

}  // namespace pde::ppd
