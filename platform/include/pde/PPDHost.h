// PPDHost.h: host-only side of the compiled-PPD library: what a host reads of a printer's PPD
// before it opens the pane for it, from the one read and parse that the pane's own open is then
// served from.
#pragma once

#include <string>
#include <vector>

namespace pde {

// One option of a PPD and its choices, as libcups reads them.
struct PPDOption {
  std::string keyword;
  std::string defaultChoice;
  std::vector<std::string> choices;
};

// A main keyword's line as the file holds it: what follows "*Keyword:", and the line's number.
struct PPDLine {
  std::string text;
  int line = 0;
};

// What a host needs of a PPD to open the pane for it and to check a job's options.
struct PPDFacts {
  std::vector<PPDLine> modelNames;        // the *ModelName: lines, in file order
  std::vector<PPDLine> dialogExtensions;  // the *APDialogExtension: lines, in file order
  std::vector<PPDOption> options;         // the options, in the PPD's order
};

// Reads and parses the PPD file at path as ppdOpenCompiledPPDFromTicket does, and hands back its
// facts. Returns false with *error "<path>:<line>: why" for text the parser refuses (empty, not a
// PPD, a line longer than 255 bytes, ...) and "<path>: why" for a file that cannot be read or is
// refused unread (not a regular file, too large, compressed, too many keyword lines). A host
// reports such a file as bad input rather than letting the pane decline the printer. A file that
// passes is kept compiled with its facts, so that neither the pane that opens it next nor another
// host's call parses it again.
bool ReadPPDFacts(const std::string& path, PPDFacts* facts, std::string* error);

}  // namespace pde
