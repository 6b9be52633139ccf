// OptionCheck.cc: the job's options against the printer's PPD: unknown keywords, values that are
// not choices, codes given in part.
#include "OptionCheck.h"

#include <strings.h>

#include <algorithm>
#include <iostream>
#include <string_view>
#include <utility>

#include "pde/EscapedText.h"

namespace pdehost {

namespace {

// Options CUPS itself takes for every job (lp(1), "Standard Printing Options"); no PPD lists them.
constexpr std::string_view kCupsJobOptions[] = {"collate",          "copies",
                                                "fit-to-page",      "job-hold-until",
                                                "job-priority",     "job-sheets",
                                                "landscape",        "media",
                                                "mirror",           "number-up",
                                                "number-up-layout", "orientation-requested",
                                                "output-order",     "outputorder",
                                                "page-border",      "page-ranges",
                                                "page-set",         "print-color-mode",
                                                "print-quality",    "printer-resolution",
                                                "scaling",          "sides"};

std::string JoinChoices(const std::vector<std::string>& choices) {
  std::string joined;
  for (const std::string& choice : choices) joined += (joined.empty() ? "" : ", ") + choice;
  return joined;
}

// A code of five digit keywords given only in part: "the DIN is given only in part (...)".
void CheckCode(const OptionMap& options, std::string_view prefix, std::string_view title,
               std::vector<std::pair<std::string, std::string>>* findings) {
  std::string given;
  int count = 0;
  for (int digit = 1; digit <= 5; ++digit) {
    const std::string keyword = std::string(prefix) + std::to_string(digit);
    if (options.count(keyword) == 0) continue;
    given += (given.empty() ? "" : ", ") + keyword;
    ++count;
  }
  if (count == 0 || count == 5) return;
  findings->emplace_back("", std::string(title) + " is given only in part (" + given +
                                 "); the dialog shows the default code instead");
}

}  // namespace

OptionCheck::OptionCheck(std::vector<pde::PPDOption> ppdOptions, bool strict)
    : ppdOptions_(std::move(ppdOptions)), strict_(strict) {
  for (size_t i = 0; i < ppdOptions_.size(); ++i) byKeyword_.emplace(ppdOptions_[i].keyword, i);
}

const pde::PPDOption* OptionCheck::Find(const std::string& keyword) const {
  const auto found = byKeyword_.find(keyword);
  return found == byKeyword_.end() ? nullptr : &ppdOptions_[found->second];
}

std::vector<std::pair<std::string, std::string>> OptionCheck::Findings(
    const OptionMap& options) const {
  std::vector<std::pair<std::string, std::string>> findings;
  CheckCode(options, "DINDigit", "the DIN", &findings);
  CheckCode(options, "DCDigit", "the department code", &findings);
  for (const auto& [keyword, value] : options) {
    const pde::PPDOption* option = Find(keyword);
    if (option == nullptr) {
      if (std::find(std::begin(kCupsJobOptions), std::end(kCupsJobOptions), keyword) ==
          std::end(kCupsJobOptions)) {
        findings.emplace_back(keyword, keyword + "=" + value + ": the printer has no option " +
                                           keyword + "; it ignores it");
      }
      continue;
    }
    // CUPS takes a choice regardless of letter case.
    const std::string& given = value;
    const auto sameChoice = [&given](const std::string& choice) {
      return strcasecmp(choice.c_str(), given.c_str()) == 0;
    };
    if (std::any_of(option->choices.begin(), option->choices.end(), sameChoice)) continue;
    findings.emplace_back(keyword, keyword + "=" + value + ": not one of the printer's choices (" +
                                       JoinChoices(option->choices) +
                                       "); it prints with its default, " + option->defaultChoice);
  }
  return findings;
}

bool OptionCheck::Check(const OptionMap& options, const std::string& where, std::string* error,
                        const std::unordered_map<std::string, std::string>* origins) {
  for (const auto& [keyword, finding] : Findings(options)) {
    std::string origin;  // "FILE:LINE: " of a keyword read from a file
    if (origins != nullptr) {
      const auto found = origins->find(keyword);
      if (found != origins->end()) origin = found->second;
    }
    if (strict_) {
      *error = origin + finding;
      return false;
    }
    if (reported_.insert(finding).second) {
      std::cerr << "pdehost: " << pde::EscapeBytes((origin.empty() ? where : origin) + finding)
                << "\n";
    }
  }
  return true;
}

}  // namespace pdehost
