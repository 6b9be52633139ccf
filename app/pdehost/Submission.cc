// Submission.cc: printing a file to a CUPS queue with the options the dialog leaves in the ticket.
#include "Submission.h"

#include <utility>
#include <vector>

#include "pde/cups/CupsQueue.h"

namespace pdehost {

int SubmitSessionJob(DialogSession* session, const std::string& queue, const std::string& file,
                     OptionCheck* check, const std::string& where, std::string* note,
                     std::string* error) {
  note->clear();
  if (session->paneShown()) {
    const OSStatus status = session->Sync(false);
    if (status != noErr) {
      *note = "Sync returned status " + std::to_string(status) +
              "; the job carries the options as the ticket holds them";
    }
  }
  OptionMap options;
  if (!session->PrintSettings(&options, error) ||
      (check != nullptr && !check->Check(options, where, error))) {
    return 0;
  }
  const std::vector<std::pair<std::string, std::string>> jobOptions(options.begin(), options.end());
  return pde::cups::SubmitJob(queue, file, jobOptions, error);
}

}  // namespace pdehost
