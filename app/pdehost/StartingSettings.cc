// StartingSettings.cc: the ticket's starting options from the PPD, the queue's saved defaults,
// --settings and --options.
#include "StartingSettings.h"

#include <strings.h>

#include <iostream>

namespace pdehost {

namespace {

bool IsDinDigit(const std::string& keyword) { return keyword.starts_with("DINDigit"); }

const pde::cups::PpdOption* FindPpdOption(const std::vector<pde::cups::PpdOption>& ppdOptions,
                                          const std::string& keyword) {
  for (const pde::cups::PpdOption& option : ppdOptions) {
    if (option.keyword == keyword) return &option;
  }
  return nullptr;
}

// Spells each value that names one of its option's choices regardless of case as the PPD does,
// since CUPS takes it for that choice (the server hands "true" for a default set as True).
void SpellChoicesAsThePpd(const std::vector<pde::cups::PpdOption>& ppdOptions,
                          SettingList* settings) {
  for (auto& [keyword, value] : *settings) {
    const pde::cups::PpdOption* option = FindPpdOption(ppdOptions, keyword);
    if (option == nullptr) continue;
    for (const std::string& choice : option->choices) {
      if (strcasecmp(choice.c_str(), value.c_str()) == 0) value = choice;
    }
  }
}

// The PPD's defaults and the queue's saved defaults, DIN digits left out.
bool AddQueueDefaults(const std::string& queue, const std::vector<pde::cups::PpdOption>& ppdOptions,
                      SettingList* settings, std::string* error) {
  for (const pde::cups::PpdOption& option : ppdOptions) {
    if (!IsDinDigit(option.keyword) && !option.defaultChoice.empty()) {
      settings->emplace_back(option.keyword, option.defaultChoice);
    }
  }
  pde::cups::OptionList saved;
  if (!pde::cups::GetQueueDefaults(queue, &saved, error)) return false;
  std::string ignored;
  for (const auto& [keyword, value] : saved) {
    if (FindPpdOption(ppdOptions, keyword) == nullptr) continue;
    if (IsDinDigit(keyword)) {
      ignored += (ignored.empty() ? "" : ", ") + keyword;
    } else {
      settings->emplace_back(keyword, value);
    }
  }
  if (!ignored.empty()) {
    std::cerr << "pdehost: the saved defaults of queue \"" << queue << "\" hold DIN digits ("
              << ignored << "); they are ignored: a saved DIN never fills the DIN field\n";
  }
  return true;
}

}  // namespace

bool GatherStartingSettings(const HostOptions& options,
                            const std::vector<pde::cups::PpdOption>& ppdOptions,
                            SettingList* settings, std::string* error) {
  settings->clear();
  if (!options.printerQueue.empty() &&
      !AddQueueDefaults(options.printerQueue, ppdOptions, settings, error)) {
    return false;
  }
  SettingList more;
  if (!options.settingsPath.empty() &&
      !ReadSettingsFile(options.settingsPath, &more, error, options.printerQueue)) {
    return false;
  }
  settings->insert(settings->end(), more.begin(), more.end());
  if (!ParseOptionList(options.optionList, &more, error)) return false;
  settings->insert(settings->end(), more.begin(), more.end());
  SpellChoicesAsThePpd(ppdOptions, settings);
  return true;
}

}  // namespace pdehost
