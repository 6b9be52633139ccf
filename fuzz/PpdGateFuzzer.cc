// PpdGateFuzzer.cc: a PPD file's bytes through the printer gate of a real session: Prologue and
// Initialize against a printer-info ticket naming a file with the bytes, then Terminate.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "PaneHarness.h"

namespace {

using namespace pde::fuzz;

// The file the printer-info ticket names, made once per process and removed at exit.
const std::string& PPDFile() {
  static const std::string path = [] {
    const char* directory = std::getenv("TMPDIR");
    std::string pattern =
        std::string(directory && *directory ? directory : "/tmp") + "/ppd-gate-fuzz-XXXXXX";
    const int fd = mkstemp(pattern.data());
    Check(fd >= 0, "temporary PPD file");
    close(fd);
    return pattern;
  }();
  return path;
}

void RemovePPDFile() {
  std::remove(PPDFile().c_str());
}

void WriteFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* file = std::fopen(path.c_str(), "wb");
  Check(file != nullptr, "open the temporary PPD file");
  Check(std::fwrite(data, 1, size, file) == size, "write the temporary PPD file");
  Check(std::fclose(file) == 0, "close the temporary PPD file");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Operations();
  PPDFile();
  std::atexit(RemovePPDFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  WriteFile(PPDFile(), data, size);
  const long liveBefore = LiveObjects();
  {
    Session session(PPDFile());
    HostWindow host;
    OpenPane pane(session, host);
    Check(pane.prologueStatus() == noErr, "Prologue does not ask the gate");
    // The gate lets the pane in (and Initialize then succeeds, the ticket being there) or
    // declines it before anything is put into the host's pane.
    const bool shown = pane.status() == noErr;
    Check(shown || pane.status() == kPMInvalidPDEContext, "Initialize returns 0 or -9530");
    for (int id : {1, 5, 6, 7, 8, 9, 10}) {
      Check((host.Control(id) != nullptr) == shown, "the pane's controls are there iff shown");
    }
  }
  Check(LiveObjects() == liveBefore, "nothing outlives the session");
  return 0;
}
