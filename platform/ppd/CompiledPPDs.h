// CompiledPPDs.h: PPD files compiled once and served from the compiled form while they have not
// changed.
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "../../host/MacTypes.h"
#include "MainKeywordIndex.h"
#include "pde/PPDHost.h"

namespace pde::ppd {

// A PPD file's compiled form: its main keywords, numbered for the pane, and the facts hosts read.
struct CompiledPPD {
  MainKeywordIndex keywords;
  PPDFacts facts;

  // About how many bytes it holds, for a cache's limit.
  std::size_t MemorySize() const;
};

// The compiled form of the PPD file at path. Served from the form kept for the file when its
// device, inode, size, modification and change times are those it was compiled from; otherwise
// the file is read, checked (CheckPPDFileText), parsed with libcups and kept, the least recently
// used going first when 32 files or 16 MiB are kept. On failure, *error says why, as
// "<path>: why" or "<path>:<line>: why" (empty for memFullErr), with the status of
// StatusOfUnreadPPD, CheckPPDFileText or ParsePPDFileText. Throws std::bad_alloc when out of
// memory.
OSStatus OpenCompiledPPD(const std::string& path, std::shared_ptr<const CompiledPPD>* compiled,
                         std::string* error);

}  // namespace pde::ppd
