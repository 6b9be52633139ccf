// PaneKeywords.h: the PPD keywords the pane reads and writes, and which of them are secret. Every
// host and test takes them from here.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pdehost {

// The pane's fourteen keywords, in the order the pane writes them: DeptCode, PrintMode,
// BlankPage, DistinguishThinLines, DINDigit1 to DINDigit5, DCDigit1 to DCDigit5.
const std::vector<std::string>& PaneKeywords();

// True for one of the fourteen, spelled as the pane spells it.
bool IsPaneKeyword(std::string_view keyword);

// True for the digits of the DIN, the secure-print code (DINDigit1 to DINDigit5): never saved,
// never taken from saved defaults, never handed back to an application.
bool IsSecretKeyword(std::string_view keyword);

}  // namespace pdehost
