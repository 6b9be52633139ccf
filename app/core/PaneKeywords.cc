// PaneKeywords.cc: the pane's keywords.
#include "PaneKeywords.h"

#include <algorithm>

namespace pdehost {

const std::vector<std::string>& PaneKeywords() {
  static const std::vector<std::string> keywords = {
      "DeptCode",  "PrintMode", "BlankPage", "DistinguishThinLines",
      "DINDigit1", "DINDigit2", "DINDigit3", "DINDigit4",
      "DINDigit5", "DCDigit1",  "DCDigit2",  "DCDigit3",
      "DCDigit4",  "DCDigit5"};
  return keywords;
}

bool IsPaneKeyword(std::string_view keyword) {
  const auto& keywords = PaneKeywords();
  return std::find(keywords.begin(), keywords.end(), keyword) != keywords.end();
}

bool IsSecretKeyword(std::string_view keyword) {
  return keyword.size() == 9 && keyword.starts_with("DINDigit") && keyword[8] >= '1' &&
         keyword[8] <= '5';
}

}  // namespace pdehost
