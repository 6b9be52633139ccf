// Submission.h: printing a file to a CUPS queue with the options the dialog leaves in the ticket.
#pragma once

#include <string>

#include "DialogSession.h"
#include "OptionCheck.h"

namespace pdehost {

// Does what printing from the dialog does: writes the pane into the print-settings ticket (Sync
// with reinitializePlugin false, when the pane is shown), checks the ticket's PPD dictionary with
// *check unless it is null (findings named at `where`), then submits `file` to the CUPS queue `queue` with it as the
// job's options. Returns the job ID (> 0), or 0 with *error set when the ticket cannot be read,
// the check refuses the options (--strict), the queue does not exist, the server does not answer
// or the file cannot be read; nothing is submitted then. When Sync fails the job still
// goes out with the options as the ticket holds them, and *note says so; else *note is emptied.
int SubmitSessionJob(DialogSession* session, const std::string& queue, const std::string& file,
                     OptionCheck* check, const std::string& where, std::string* note,
                     std::string* error);

}  // namespace pdehost
