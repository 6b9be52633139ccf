// CompiledPPDs.cc: the process's compiled PPDs, kept per file by the input file cache.
#include "CompiledPPDs.h"

#include <utility>
#include <vector>

#include "../../host/PPDLib/PPDLib.h"
#include "CupsPPDReader.h"
#include "PPDFileText.h"
#include "pde/InputFileCache.h"

namespace pde::ppd {
namespace {

constexpr InputFileCacheLimits kCompiledPPDLimits{32, 16 * 1024 * 1024};

TypedInputFileCache<MainKeywordIndex>& CompiledPPDCache() {
  static auto* cache =
      new TypedInputFileCache<MainKeywordIndex>(InputKind::kPPD, kCompiledPPDLimits);
  return *cache;
}

}  // namespace

OSStatus OpenCompiledPPD(const std::string& path, std::shared_ptr<const MainKeywordIndex>* compiled,
                         std::string* error) {
  OSStatus status = noErr;
  auto compile = [&](const std::string& text, std::size_t* size) {
    std::vector<MainKeyword> keywords;
    status = CheckPPDFileText(path, text, error);
    if (status == noErr) status = ParsePPDFileText(path, text, &keywords, error);
    if (status != noErr) return std::shared_ptr<const MainKeywordIndex>();
    auto index = std::make_shared<const MainKeywordIndex>(std::move(keywords));
    *size = index->MemorySize();
    return index;
  };
  InputRead read = InputRead::kRead;
  *compiled = CompiledPPDCache().Get(path, compile, &read, error);
  if (read != InputRead::kRead) return StatusOfUnreadPPD(read);
  return status;
}

}  // namespace pde::ppd
