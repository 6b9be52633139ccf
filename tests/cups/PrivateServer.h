// PrivateServer.h: what the tests against the private CUPS server read back from it.
#pragma once

#include <string>

namespace pde::test {

// The private server and its queues, as private-cupsd.sh names them in the environment: a queue
// of a supported sample PPD (its PPD file and its file device), one without a PPD, and one of a
// printer the pane declines.
struct ServerQueues {
  std::string server, queue, ppd, device, raw, declined;
};

// Reads them from the environment; false when any is not set (the tests then skip).
bool ReadServerQueues(ServerQueues* queues);

// The whole content of the file at path (what the queue's file device received), or "" when it
// cannot be read.
std::string ReadWholeFile(const std::string& path);

// The number of jobs of queue (every queue's when queue is empty) that cupsGetJobs2 lists for
// which (CUPS_WHICHJOBS_ACTIVE, _COMPLETED or _ALL), or -1 when the server cannot say.
int CountJobs(const std::string& queue, int which);

// Whether queue has no active job and more completed ones than completedBefore.
bool JobsCompleted(const std::string& queue, int completedBefore);

}  // namespace pde::test
