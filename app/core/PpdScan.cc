// PpdScan.cc: what a host reads of a PPD before loading a plug-in, checked.
#include "PpdScan.h"

#include <filesystem>
#include <string_view>
#include <system_error>

#include "Paths.h"
#include "pde/PPDHost.h"

namespace pdehost {

namespace {

// The quoted value of a main keyword line "*Keyword: "value"", or false when it has none.
bool QuotedValue(std::string_view rest, std::string* value) {
  const size_t open = rest.find_first_not_of(" \t");
  if (open == std::string_view::npos || rest[open] != '"') return false;
  const size_t close = rest.find('"', open + 1);
  if (close == std::string_view::npos) return false;
  *value = std::string(rest.substr(open + 1, close - open - 1));
  return true;
}

}  // namespace

bool ScanPpd(const std::string& path, PpdFacts* facts, std::string* error) {
  *facts = PpdFacts();
  pde::PPDFacts read;
  if (!pde::ReadPPDFacts(path, &read, error)) return false;
  std::string value;
  for (const pde::PPDLine& line : read.modelNames) {
    if (!QuotedValue(line.text, &value)) {
      *error = path + ":" + std::to_string(line.line) + ": *ModelName needs a quoted value";
      return false;
    }
    if (facts->modelName.empty()) facts->modelName = value;
  }
  for (const pde::PPDLine& line : read.dialogExtensions) {
    if (!QuotedValue(line.text, &value) || BundleBaseName(value).empty()) {
      *error = path + ":" + std::to_string(line.line) +
               ": *APDialogExtension needs a quoted bundle path";
      return false;
    }
    facts->dialogExtensions.push_back({value, line.line});
  }
  facts->options = std::move(read.options);
  return true;
}

std::string BundleBaseName(const std::string& platformPath) {
  std::string_view path = platformPath;
  while (!path.empty() && path.back() == '/') path.remove_suffix(1);
  const size_t slash = path.rfind('/');
  const std::string_view base = slash == std::string_view::npos ? path : path.substr(slash + 1);
  if (base == "." || base == "..") return {};
  return std::string(base);
}

bool LocateDialogExtension(const std::string& ppdPath, const PpdFacts& facts, std::string* bundle,
                           std::vector<std::string>* notes, std::string* error) {
  if (!CheckPlugInDirectory(error)) return false;
  if (facts.dialogExtensions.empty()) {
    *bundle = BuiltBundlePath();
    return true;
  }
  const DialogExtensionEntry& first = facts.dialogExtensions.front();
  for (size_t i = 1; i < facts.dialogExtensions.size(); ++i) {
    notes->push_back(ppdPath + ":" + std::to_string(facts.dialogExtensions[i].line) +
                     ": only the first dialog extension is loaded; not " +
                     facts.dialogExtensions[i].path);
  }
  *bundle = PlugInDirectory() + "/" + BundleBaseName(first.path);
  std::error_code code;
  if (std::filesystem::is_directory(*bundle, code)) return true;
  *error = ppdPath + ":" + std::to_string(first.line) + ": the dialog extension " + first.path +
           " is not in the plug-in directory (no " + *bundle + ")";
  return false;
}

}  // namespace pdehost
