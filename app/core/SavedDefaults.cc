// SavedDefaults.cc: a queue's saved defaults read for a dialog, and the pane's settings saved as
// them.
#include "SavedDefaults.h"

#include <strings.h>

#include <algorithm>
#include <unordered_map>

#include "PaneKeywords.h"
#include "pde/cups/CupsOptions.h"

namespace pdehost {

namespace {

constexpr char kPrivateMode[] = "Private";

// Lower case ASCII, as CUPS compares option names and choices.
std::string Folded(std::string text) {
  for (char& c : text) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return text;
}

// The PPD's options by keyword regardless of letter case, as CUPS finds them.
using PpdOptionIndex = std::unordered_map<std::string, const pde::PPDOption*>;

PpdOptionIndex IndexByKeyword(const std::vector<pde::PPDOption>& ppdOptions) {
  PpdOptionIndex index;
  for (const pde::PPDOption& option : ppdOptions) index.emplace(Folded(option.keyword), &option);
  return index;
}

// True when value is one of the choices the PPD offers for keyword.
bool IsPpdChoice(const std::vector<pde::PPDOption>& ppdOptions, const std::string& keyword,
                 const std::string& value) {
  return std::any_of(ppdOptions.begin(), ppdOptions.end(), [&](const auto& option) {
    return option.keyword == keyword && std::find(option.choices.begin(), option.choices.end(),
                                                  value) != option.choices.end();
  });
}

}  // namespace

void SpellAsThePpd(const std::vector<pde::PPDOption>& ppdOptions, SettingList* settings) {
  const PpdOptionIndex index = IndexByKeyword(ppdOptions);
  for (auto& [keyword, value] : *settings) {
    const auto option = index.find(Folded(keyword));
    if (option == index.end()) continue;
    keyword = option->second->keyword;
    for (const std::string& choice : option->second->choices) {
      if (strcasecmp(choice.c_str(), value.c_str()) == 0) value = choice;
    }
  }
}

bool GatherQueueDefaults(const std::string& queue, const std::vector<pde::PPDOption>& ppdOptions,
                         SettingList* settings, std::vector<std::string>* notes,
                         std::string* error) {
  settings->clear();
  for (const pde::PPDOption& option : ppdOptions) {
    if (!IsSecretKeyword(option.keyword) && !option.defaultChoice.empty()) {
      settings->emplace_back(option.keyword, option.defaultChoice);
    }
  }
  pde::cups::OptionList saved;
  if (!pde::cups::GetQueueDefaults(queue, &saved, error, notes)) return false;
  SpellAsThePpd(ppdOptions, &saved);
  const PpdOptionIndex index = IndexByKeyword(ppdOptions);
  std::string ignored;
  for (const auto& [keyword, value] : saved) {
    if (index.count(Folded(keyword)) == 0) continue;
    if (IsSecretKeyword(keyword)) {
      ignored += (ignored.empty() ? "" : ", ") + keyword;
    } else {
      settings->emplace_back(keyword, value);
    }
  }
  if (!ignored.empty()) {
    notes->push_back("the saved defaults of queue \"" + queue + "\" hold DIN digits (" + ignored +
                     "); they are ignored: a saved DIN never fills the DIN field");
  }
  return true;
}

bool SavePaneDefaults(const std::string& queue, const std::vector<pde::PPDOption>& ppdOptions,
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
