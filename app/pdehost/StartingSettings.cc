// StartingSettings.cc: the ticket's starting options from the PPD, the queue's saved defaults,
// --settings and --options.
#include "StartingSettings.h"

#include <iostream>
#include <unordered_map>

#include "SavedDefaults.h"
#include "pde/EscapedText.h"

namespace pdehost {

bool GatherStartingSettings(const HostOptions& options,
                            const std::vector<pde::PPDOption>& ppdOptions,
                            SettingList* settings,
                            std::unordered_map<std::string, std::string>* origins,
                            std::string* error, SettingList* queueDefaults) {
  origins->clear();
  settings->clear();
  std::vector<std::string> notes;
  if (!options.printerQueue.empty() &&
      !GatherQueueDefaults(options.printerQueue, ppdOptions, settings, &notes, error)) {
    return false;
  }
  for (const std::string& note : notes) std::cerr << "pdehost: " << pde::EscapeBytes(note) << "\n";
  if (queueDefaults != nullptr) *queueDefaults = *settings;
  SettingList more;
  std::vector<int> lineNumbers;
  if (!options.settingsPath.empty() &&
      !ReadSettingsFile(options.settingsPath, &more, error, options.printerQueue, &lineNumbers)) {
    return false;
  }
  SpellAsThePpd(ppdOptions, &more);
  const std::string settingsName = options.settingsPath == "-" ? "<stdin>" : options.settingsPath;
  for (size_t i = 0; i < more.size(); ++i) {
    (*origins)[more[i].first] = settingsName + ":" + std::to_string(lineNumbers[i]) + ": ";
  }
  settings->insert(settings->end(), more.begin(), more.end());
  if (!ParseOptionList(options.optionList, &more, error)) return false;
  SpellAsThePpd(ppdOptions, &more);
  for (const auto& [keyword, value] : more) origins->erase(keyword);
  settings->insert(settings->end(), more.begin(), more.end());
  return true;
}

}  // namespace pdehost
