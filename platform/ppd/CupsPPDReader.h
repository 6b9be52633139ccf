// CupsPPDReader.h: the one place that reads PPD text, through libcups's PPD parser.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "../../host/MacTypes.h"
#include "pde/PPDHost.h"

namespace pde::ppd {

// One main keyword of a PPD file: an attribute without an option specifier, such as
// `*ModelName: "..."` (keyword "ModelName", value the text between the quotes).
struct MainKeyword {
  std::string keyword;
  std::string value;
};

// Parses PPD text. On noErr, *keywords holds the file's main keywords in file order, repeated
// keywords included, and *options the file's options with their choices, in the PPD's order. On kPPDMalformedErr (text libcups refuses), *errorLine and *errorMessage
// hold the line and the parser's reason; memFullErr when the parser runs out of memory;
// kPMGeneralError, with *errorMessage saying why, when the text cannot be handed to the parser.
// Throws std::bad_alloc when the keywords cannot be copied.
OSStatus ParsePPDMainKeywords(std::string_view text, std::vector<MainKeyword>* keywords,
                              std::vector<PPDOption>* options, int* errorLine,
                              std::string* errorMessage);

// ParsePPDMainKeywords for the text of the file at path, with *error "<path>:<line>: why" for
// text libcups refuses and "<path>: why" for any other failure (empty for memFullErr).
OSStatus ParsePPDFileText(const std::string& path, std::string_view text,
                          std::vector<MainKeyword>* keywords, std::vector<PPDOption>* options,
                          std::string* error);

}  // namespace pde::ppd
