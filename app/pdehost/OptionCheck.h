// OptionCheck.h: the job's options checked against the printer's PPD before anything is printed
// or submitted, as the printer will take them.
#pragma once

#include <set>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "Emitters.h"
#include "pde/PPDHost.h"

namespace pdehost {

class OptionCheck {
 public:
  // Checks against the options and choices of ppdOptions; strict makes every finding an error.
  OptionCheck(std::vector<pde::PPDOption> ppdOptions, bool strict);

  // Looks at every option: a keyword the PPD does not have (other than CUPS's own job options
  // such as copies or media), or a value that is not one of its choices, and a DIN or department
  // code given only in part (some of its five digit keywords missing). Without strict, each
  // finding not reported before goes to standard error as "pdehost: <where>what the printer does
  // instead" and the call returns true. With strict, returns false with *error set to the first
  // finding (without where). where is "" or "FILE:LINE: ACTION: ". A finding about a keyword that
  // origins maps (to "FILE:LINE: ", the line it was read from) takes that place instead of where,
  // in the note and in *error alike.
  bool Check(const OptionMap& options, const std::string& where, std::string* error,
             const std::unordered_map<std::string, std::string>* origins = nullptr);

  // The PPD's option for keyword, or null.
  const pde::PPDOption* Find(const std::string& keyword) const;

 private:
  // Each finding with the keyword it is about (empty for a code given in part).
  std::vector<std::pair<std::string, std::string>> Findings(const OptionMap& options) const;

  std::vector<pde::PPDOption> ppdOptions_;
  std::unordered_map<std::string, size_t> byKeyword_;  // index into ppdOptions_
  bool strict_;
  std::set<std::string> reported_;
};

}  // namespace pdehost
