// PPDFileText.h: reads a PPD file's text, refusing files the parser must not be given.
#pragma once

#include <cstddef>
#include <string>

#include "../../host/MacTypes.h"
#include "pde/InputFiles.h"

namespace pde::ppd {

// Most lines beginning with '*' a PPD file may have. The parser's work grows faster than the
// number of keywords, so a small file of many short lines is refused as a huge one is.
inline constexpr std::size_t kMaxPPDKeywordLines = 65536;

// Reads the file at path into *text through ReadInputFile. kPPDFileNotFoundErr when it cannot be
// opened or read or is not a regular file; kPPDMalformedErr when it is larger than
// MaxInputFileSize(InputKind::kPPD), compressed, has more than kMaxPPDKeywordLines keyword
// lines, or gives one of the main keywords LanguageEncoding, NickName, JCLBegin, JCLEnd and
// JCLToPSInterpreter twice (libcups would leak the first value; *error then names the line);
// memFullErr when out of memory. On failure, *error says why, beginning with the path.
// Throws std::bad_alloc when out of memory later on.
OSStatus ReadPPDFileText(const std::string& path, std::string* text, std::string* error);

}  // namespace pde::ppd
