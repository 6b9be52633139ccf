// CompiledPPDs.cc: the process's compiled PPDs, kept per file by the input file cache.
#include "CompiledPPDs.h"

#include <string_view>
#include <utility>
#include <vector>

#include "../../host/PPDLib/PPDLib.h"
#include "CupsPPDReader.h"
#include "PPDFileText.h"
#include "pde/InputFileCache.h"

namespace pde::ppd {
namespace {

constexpr InputFileCacheLimits kCompiledPPDLimits{32, 16 * 1024 * 1024};

TypedInputFileCache<CompiledPPD>& CompiledPPDCache() {
  static auto* cache = new TypedInputFileCache<CompiledPPD>(InputKind::kPPD, kCompiledPPDLimits);
  return *cache;
}

// The *ModelName: and *APDialogExtension: lines of text, with their numbers.
void ScanHostLines(std::string_view text, PPDFacts* facts) {
  constexpr std::string_view kModelName = "*ModelName:";
  constexpr std::string_view kDialogExtension = "*APDialogExtension:";
  int number = 0;
  for (std::size_t start = 0; start < text.size();) {
    std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (line.ends_with('\r')) line.remove_suffix(1);
    start = end + 1;
    ++number;
    if (line.starts_with(kModelName)) {
      facts->modelNames.push_back({std::string(line.substr(kModelName.size())), number});
    } else if (line.starts_with(kDialogExtension)) {
      facts->dialogExtensions.push_back({std::string(line.substr(kDialogExtension.size())), number});
    }
  }
}

std::size_t TextSize(const PPDLine& line) { return sizeof line + line.text.size(); }

}  // namespace

std::size_t CompiledPPD::MemorySize() const {
  std::size_t size = sizeof *this + keywords.MemorySize();
  for (const PPDLine& line : facts.modelNames) size += TextSize(line);
  for (const PPDLine& line : facts.dialogExtensions) size += TextSize(line);
  for (const PPDOption& option : facts.options) {
    size += sizeof option + option.keyword.size() + option.defaultChoice.size();
    for (const std::string& choice : option.choices) size += sizeof choice + choice.size();
  }
  return size;
}

OSStatus OpenCompiledPPD(const std::string& path, std::shared_ptr<const CompiledPPD>* compiled,
                         std::string* error) {
  OSStatus status = noErr;
  auto compile = [&](const std::string& text, std::size_t* size) {
    std::vector<MainKeyword> keywords;
    PPDFacts facts;
    status = CheckPPDFileText(path, text, error);
    if (status == noErr) status = ParsePPDFileText(path, text, &keywords, &facts.options, error);
    if (status != noErr) return std::shared_ptr<const CompiledPPD>();
    ScanHostLines(text, &facts);
    auto form = std::make_shared<const CompiledPPD>(
        CompiledPPD{MainKeywordIndex(std::move(keywords)), std::move(facts)});
    *size = form->MemorySize();
    return form;
  };
  InputRead read = InputRead::kRead;
  *compiled = CompiledPPDCache().Get(path, compile, &read, error);
  if (read != InputRead::kRead) return StatusOfUnreadPPD(read);
  return status;
}

}  // namespace pde::ppd
