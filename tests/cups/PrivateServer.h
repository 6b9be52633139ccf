// PrivateServer.h: what the tests against the private CUPS server read back from it.
#pragma once

#include <string>

namespace pde::test {

// The whole content of the file at path (what the queue's file device received), or "" when it
// cannot be read.
std::string ReadWholeFile(const std::string& path);

// The number of jobs of queue (every queue's when queue is empty) that cupsGetJobs2 lists for
// which (CUPS_WHICHJOBS_ACTIVE, _COMPLETED or _ALL), or -1 when the server cannot say.
int CountJobs(const std::string& queue, int which);

}  // namespace pde::test
