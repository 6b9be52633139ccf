// StartingSettings.cc: the ticket's starting options from the PPD, the queue's saved defaults,
// --settings and --options.
#include "StartingSettings.h"

#include <iostream>

namespace pdehost {

namespace {

bool IsDinDigit(const std::string& keyword) { return keyword.starts_with("DINDigit"); }

bool HasPpdOption(const std::vector<pde::cups::PpdOption>& ppdOptions, const std::string& keyword) {
  for (const pde::cups::PpdOption& option : ppdOptions) {
    if (option.keyword == keyword) return true;
  }
  return false;
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
    if (!HasPpdOption(ppdOptions, keyword)) continue;
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
  return true;
}

}  // namespace pdehost
