// DefaultsSave.cc: which of the pane's settings are saved as a queue's defaults, and saving them.
#include "DefaultsSave.h"

#include <algorithm>

#include "PaneKeywords.h"

namespace pdehost {

namespace {

constexpr char kPrivateMode[] = "Private";

// True when value is one of the choices the PPD offers for keyword.
bool IsPpdChoice(const std::vector<pde::cups::PpdOption>& ppdOptions, const std::string& keyword,
                 const std::string& value) {
  return std::any_of(ppdOptions.begin(), ppdOptions.end(), [&](const auto& option) {
    return option.keyword == keyword && std::find(option.choices.begin(), option.choices.end(),
                                                  value) != option.choices.end();
  });
}

}  // namespace

bool SavePaneDefaults(const std::string& queue, const std::vector<pde::cups::PpdOption>& ppdOptions,
                      const OptionMap& start, const OptionMap& chosen,
                      std::vector<std::string>* messages, std::string* error) {
  pde::cups::OptionList changed;
  for (const std::string& keyword : PaneKeywords()) {
    const auto value = chosen.find(keyword);
    if (IsSecretKeyword(keyword) || value == chosen.end()) continue;
    if (keyword == "PrintMode" && value->second == kPrivateMode) {
      messages->push_back(
          "PrintMode=Private is never saved as a default: every job from a dialog without the "
          "pane would go out in Private mode with the default DIN; the saved print mode stays as "
          "it was");
      continue;
    }
    const auto before = start.find(keyword);
    if (before != start.end() && before->second == value->second) continue;
    if (!IsPpdChoice(ppdOptions, keyword, value->second)) {
      *error = keyword + "=" + value->second +
               ": not one of the printer's choices; no default of queue \"" + queue + "\" is saved";
      return false;
    }
    changed.emplace_back(keyword, value->second);
  }
  if (!pde::cups::SaveQueueDefaults(queue, changed, error)) return false;
  if (changed.empty()) {
    messages->push_back("the defaults of queue \"" + queue + "\" are as they were: nothing to save");
    return true;
  }
  std::string saved;
  for (const auto& [keyword, value] : changed) saved += " " + keyword + "=" + value;
  messages->push_back("saved the defaults of queue \"" + queue + "\" in " +
                      pde::cups::SavedDefaultsPath() + ":" + saved);
  return true;
}

}  // namespace pdehost
