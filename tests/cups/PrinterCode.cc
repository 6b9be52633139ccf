// PrinterCode.cc: the code the sample PPDs send to the printer for each choice of the pane's
// options.
#include "PrinterCode.h"

#include <algorithm>
#include <cctype>
#include <string_view>
#include <vector>

namespace pde::test {

namespace {

constexpr std::string_view kPrintModes[] = {"Normal", "Proof", "Private", "Hold"};
constexpr std::string_view kSwitchValues[] = {"False", "True"};
constexpr std::string_view kDigitPrefixes[] = {"DINDigit", "DCDigit"};

std::string Upper(std::string_view text) {
  std::string upper(text);
  std::transform(upper.begin(), upper.end(), upper.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return upper;
}

bool IsDigitKey(std::string_view key) {
  for (const std::string_view prefix : kDigitPrefixes) {
    if (key.size() == prefix.size() + 1 && key.substr(0, prefix.size()) == prefix &&
        key.back() >= '1' && key.back() <= '5') {
      return true;
    }
  }
  return false;
}

// Every choice the sample PPDs list for `key` (empty for a key they do not declare).
std::vector<std::string> ChoicesOf(std::string_view key) {
  if (key == "PrintMode") return {std::begin(kPrintModes), std::end(kPrintModes)};
  if (key == "DeptCode" || key == "BlankPage" || key == "DistinguishThinLines") {
    return {std::begin(kSwitchValues), std::end(kSwitchValues)};
  }
  if (IsDigitKey(key)) return {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"};
  return {};
}

// The invocation code of `key`=`value` in the supported sample PPDs (a PJL line without its line
// feed, or a setpagedevice call), or an empty string when `value` is not one of the key's choices.
std::string PrinterCodeFor(std::string_view key, std::string_view value) {
  const std::vector<std::string> choices = ChoicesOf(key);
  if (std::find(choices.begin(), choices.end(), value) == choices.end()) return {};
  const bool on = value == "True";
  if (key == "DeptCode") return on ? "@PJL SET DEPTCODE=ON" : "@PJL SET DEPTCODE=OFF";
  if (key == "BlankPage")
    return std::string("<</VelmoraBlankPage ") + (on ? "true" : "false") + ">>setpagedevice";
  if (key == "DistinguishThinLines") {
    return std::string("<</VelmoraThinLines ") + (on ? "true" : "false") + ">>setpagedevice";
  }
  return "@PJL SET " + Upper(key) + "=" + Upper(value);
}

}  // namespace

PaneOptions DefaultPaneOptions() {
  PaneOptions defaults = {{"PrintMode", "Normal"},
                          {"DeptCode", "False"},
                          {"BlankPage", "False"},
                          {"DistinguishThinLines", "False"}};
  for (const std::string_view prefix : kDigitPrefixes)
    SetCode(&defaults, std::string(prefix), "58203");
  return defaults;
}

void SetCode(PaneOptions* options, const std::string& prefix, const std::string& code) {
  for (std::size_t i = 0; i < code.size(); ++i)
    (*options)[prefix + std::to_string(i + 1)] = std::string(1, code[i]);
}

std::string CheckPrinterCode(const std::string& output, const PaneOptions& chosen) {
  std::string mismatches;
  for (const auto& [key, value] : chosen) {
    for (const std::string& choice : ChoicesOf(key)) {
      const std::string code = PrinterCodeFor(key, choice);
      const bool present = output.find(code) != std::string::npos;
      if (choice == value && !present) mismatches += "missing: " + code + "\n";
      if (choice != value && present) mismatches += "unchosen but present: " + code + "\n";
    }
  }
  return mismatches;
}

}  // namespace pde::test
