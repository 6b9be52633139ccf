// PPDFileText.h: checks a PPD file's text, refusing files the parser must not be given.
#pragma once

#include <cstddef>
#include <string>

#include "../../host/MacTypes.h"
#include "pde/InputFiles.h"

namespace pde::ppd {

// Most lines beginning with '*' a PPD file may have. The parser's work grows faster than the
// number of keywords, so a small file of many short lines is refused as a huge one is.
inline constexpr std::size_t kMaxPPDKeywordLines = 65536;

// How a PPD file that ReadInputFile could not read is reported: kPPDFileNotFoundErr when it could
// not be opened or read or is not a regular file, kPPDMalformedErr when it is larger than
// MaxInputFileSize(InputKind::kPPD), memFullErr when out of memory.
OSStatus StatusOfUnreadPPD(InputRead read);

// Checks the text of the PPD file at path before it is given to the parser: kPPDMalformedErr
// when it is compressed, has more than kMaxPPDKeywordLines keyword lines, or gives one of the
// main keywords LanguageEncoding, NickName, JCLBegin, JCLEnd and JCLToPSInterpreter twice
// (libcups would leak the first value; *error then names the line). On failure, *error says
// why, beginning with the path. Throws std::bad_alloc when out of memory.
OSStatus CheckPPDFileText(const std::string& path, const std::string& text, std::string* error);

}  // namespace pde::ppd
