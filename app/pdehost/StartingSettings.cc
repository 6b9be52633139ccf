// StartingSettings.cc: the ticket's starting options from the PPD, the queue's saved defaults,
// --settings and --options.
#include "StartingSettings.h"

#include <strings.h>

#include <iostream>
#include <unordered_map>

#include "PaneKeywords.h"
#include "pde/EscapedText.h"
#include "pde/cups/CupsOptions.h"

namespace pdehost {

namespace {

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
  for (const pde::PPDOption& option : ppdOptions) {
    index.emplace(Folded(option.keyword), &option);
  }
  return index;
}

// Spells each keyword that names a PPD option regardless of letter case as the PPD does, and so
// each value that names one of its choices: CUPS takes either for that option and that choice
// (the server hands "true" for a default set as True), so the ticket, the pane and what `print`
// reports must hold the same option the printer will get.
void SpellAsThePpd(const PpdOptionIndex& ppdOptions, SettingList* settings) {
  for (auto& [keyword, value] : *settings) {
    const auto option = ppdOptions.find(Folded(keyword));
    if (option == ppdOptions.end()) continue;
    keyword = option->second->keyword;
    for (const std::string& choice : option->second->choices) {
      if (strcasecmp(choice.c_str(), value.c_str()) == 0) value = choice;
    }
  }
}

// The PPD's defaults and the queue's saved defaults, DIN digits left out.
bool AddQueueDefaults(const std::string& queue, const std::vector<pde::PPDOption>& ppdOptions,
                      const PpdOptionIndex& index, SettingList* settings, std::string* error) {
  for (const pde::PPDOption& option : ppdOptions) {
    if (!IsSecretKeyword(option.keyword) && !option.defaultChoice.empty()) {
      settings->emplace_back(option.keyword, option.defaultChoice);
    }
  }
  pde::cups::OptionList saved;
  std::vector<std::string> skipped;
  if (!pde::cups::GetQueueDefaults(queue, &saved, error, &skipped)) return false;
  for (const std::string& note : skipped)
    std::cerr << "pdehost: " << pde::EscapeBytes(note) << "\n";
  SpellAsThePpd(index, &saved);
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
    std::cerr << "pdehost: "
              << pde::EscapeBytes("the saved defaults of queue \"" + queue +
                                  "\" hold DIN digits (" + ignored +
                                  "); they are ignored: a saved DIN never fills the DIN field")
              << "\n";
  }
  return true;
}

}  // namespace

bool GatherStartingSettings(const HostOptions& options,
                            const std::vector<pde::PPDOption>& ppdOptions,
                            SettingList* settings,
                            std::unordered_map<std::string, std::string>* origins,
                            std::string* error) {
  origins->clear();
  settings->clear();
  const PpdOptionIndex index = IndexByKeyword(ppdOptions);
  if (!options.printerQueue.empty() &&
      !AddQueueDefaults(options.printerQueue, ppdOptions, index, settings, error)) {
    return false;
  }
  SettingList more;
  std::vector<int> lineNumbers;
  if (!options.settingsPath.empty() &&
      !ReadSettingsFile(options.settingsPath, &more, error, options.printerQueue, &lineNumbers)) {
    return false;
  }
  SpellAsThePpd(index, &more);
  const std::string settingsName = options.settingsPath == "-" ? "<stdin>" : options.settingsPath;
  for (size_t i = 0; i < more.size(); ++i) {
    (*origins)[more[i].first] = settingsName + ":" + std::to_string(lineNumbers[i]) + ": ";
  }
  settings->insert(settings->end(), more.begin(), more.end());
  if (!ParseOptionList(options.optionList, &more, error)) return false;
  SpellAsThePpd(index, &more);
  for (const auto& [keyword, value] : more) origins->erase(keyword);
  settings->insert(settings->end(), more.begin(), more.end());
  return true;
}

}  // namespace pdehost
