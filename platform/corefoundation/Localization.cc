// Localization.cc: a bundle's localized strings, in the language the environment prefers.
#include <unistd.h>

#include <cstdlib>
#include <new>
#include <vector>

#include "Bundle.h"
#include "String.h"
#include "Text.h"
#include "pde/CFHost.h"
#include "pde/InputFiles.h"

namespace pde::cf {
namespace {

void AddLanguage(std::vector<std::string>* languages, std::string language) {
  for (const std::string& known : *languages) {
    if (known == language) return;
  }
  languages->push_back(std::move(language));
}

// Adds a locale name ("de_DE.UTF-8@euro") as "de_DE", then "de"; ignores C and POSIX.
void AddLocale(std::vector<std::string>* languages, std::string_view locale) {
  locale = locale.substr(0, locale.find_first_of(".@"));
  if (locale.empty() || locale == "C" || locale == "POSIX") return;
  AddLanguage(languages, std::string(locale));
  size_t territory = locale.find_first_of("_-");
  if (territory != std::string_view::npos) {
    AddLanguage(languages, std::string(locale.substr(0, territory)));
  }
}

// The languages to try, best first: the environment's, then the bundle's development region,
// then English.
std::vector<std::string> CandidateLanguages(const CFOpaqueBundle* bundle) {
  std::vector<std::string> languages;
  if (const char* list = std::getenv("LANGUAGE")) {
    std::string_view rest(list);
    while (!rest.empty()) {
      size_t colon = rest.find(':');
      AddLocale(&languages, rest.substr(0, colon));
      rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
    }
  }
  for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = std::getenv(variable);
    if (value != nullptr && *value != '\0') {
      AddLocale(&languages, value);
      break;  // the first one set decides, as for the C library's messages
    }
  }
  CFTypeRef region = CFDictionaryGetValue(bundle->info.get(), CFSTR("CFBundleDevelopmentRegion"));
  if (const std::u16string* text = TextOf(region)) AddLocale(&languages, UTF16ToUTF8(*text));
  AddLanguage(&languages, "en");
  return languages;
}

// The table in file, parsed once per bundle; null when the file is absent or unreadable (the
// latter reported on standard error once).
CFDictionaryRef Table(CFOpaqueBundle* bundle, const std::string& file) {
  std::lock_guard lock(bundle->tablesMutex);
  auto cached = bundle->tables.find(file);
  if (cached != bundle->tables.end()) return cached->second.get();
  CFPtr<CFDictionaryRef> table;
  if (access(file.c_str(), F_OK) == 0) {
    std::string error;
    std::string bytes;
    InputRead read = ReadInputFile(file, InputKind::kStringsTable, &bytes, &error);
    if (read == InputRead::kOutOfMemory) throw std::bad_alloc();  // not kept: tried again later
    if (read == InputRead::kRead) {
      table = ParseStringsTable(bytes, file, &error);
      if (!table) RecordRefusedInputFile(error);
    }
    if (!table) {
      pde::WriteConsoleLine("CFBundleCopyLocalizedString: " + pde::EscapeBytes(error));
    }
  }
  return bundle->tables.emplace(file, std::move(table)).first->second.get();
}

CFStringRef CopyLocalizedString(CFOpaqueBundle* bundle, CFStringRef key, CFStringRef value,
                                CFStringRef tableName) {
  std::string table = tableName != nullptr ? pde::ToUTF8(tableName) : "Localizable";
  std::string resources = bundle->path + "/Contents/Resources/";
  std::vector<std::string> files;
  for (const std::string& language : CandidateLanguages(bundle)) {
    files.push_back(resources + language + ".lproj/" + table + ".strings");
  }
  files.push_back(resources + table + ".strings");
  for (const std::string& file : files) {
    CFTypeRef found = CFDictionaryGetValue(Table(bundle, file), key);
    if (TextOf(found) != nullptr) return static_cast<CFStringRef>(CFRetain(found));
  }
  return static_cast<CFStringRef>(CFRetain(value != nullptr ? value : key));
}

}  // namespace
}  // namespace pde::cf

CFStringRef CFBundleCopyLocalizedString(CFBundleRef bundle, CFStringRef key, CFStringRef value,
                                        CFStringRef tableName) {
  CFOpaqueBundle* object = pde::cf::BundleOf(bundle);
  if (object == nullptr) return nullptr;
  if (pde::cf::TextOf(key) == nullptr) {
    return static_cast<CFStringRef>(CFRetain(value != nullptr ? value : CFSTR("")));
  }
  return pde::cf::NoThrow(
      [&] { return pde::cf::CopyLocalizedString(object, key, value, tableName); });
}

std::vector<std::string> pde::PreferredLocalizations(CFBundleRef bundle) {
  const CFOpaqueBundle* object = pde::cf::BundleOf(bundle);
  if (object == nullptr) return {};
  return pde::cf::NoThrow([&] { return pde::cf::CandidateLanguages(object); });
}
