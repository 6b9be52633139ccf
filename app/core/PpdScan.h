// PpdScan.h: what a host reads of a PPD itself: the model name, the dialog extensions and the
// options, from the one read the pane's open is served from.
#pragma once

#include <string>
#include <vector>

#include "pde/PPDHost.h"

namespace pdehost {

// A dialog extension a PPD names, with the line that names it.
struct DialogExtensionEntry {
  std::string path;  // the bundle's path on the platform the PPD was written for
  int line = 0;
};

struct PpdFacts {
  std::string modelName;  // *ModelName, empty when the PPD has none
  std::vector<DialogExtensionEntry> dialogExtensions;  // *APDialogExtension lines, in order
  std::vector<pde::PPDOption> options;                // the PPD's options, in its order
};

// Reads the PPD file at path once, as the PPD library reads it for the pane (pde::ReadPPDFacts,
// which keeps it compiled), and takes its first *ModelName, its *APDialogExtension lines and its
// options. Returns false with *error "<path>: why" when the file cannot be read or is refused
// unread, or "<path>:<line>: why" when the PPD library's parser refuses a line or one of those
// lines does not hold a quoted value.
bool ScanPpd(const std::string& path, PpdFacts* facts, std::string* error);

// The last component of a platform path ("/Library/Printers/X/PDEs/Y.plugin" gives
// "Y.plugin"); empty when there is none.
std::string BundleBaseName(const std::string& platformPath);

// The bundle a printing system loads for this PPD: its first dialog extension, mapped by base name
// into the plug-in directory, else the bundle the build makes. Further dialog extensions are not
// loaded; a line "<ppdPath>:<line>: only the first ..." for each is added to *notes. Returns
// false with *error "<ppdPath>:<line>: why" when the named bundle is not in the plug-in
// directory, or as CheckPlugInDirectory() when there is no plug-in directory.
bool LocateDialogExtension(const std::string& ppdPath, const PpdFacts& facts, std::string* bundle,
                           std::vector<std::string>* notes, std::string* error);

}  // namespace pdehost
