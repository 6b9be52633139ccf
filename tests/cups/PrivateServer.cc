// PrivateServer.cc: what the tests against the private CUPS server read back from it.
#include "PrivateServer.h"

#include <cups/cups.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>

namespace pde::test {

bool ReadServerQueues(ServerQueues* queues) {
  for (auto [name, value] : {std::pair{"CUPS_SERVER", &queues->server},
                             {"PDE_TEST_CUPS_QUEUE", &queues->queue},
                             {"PDE_TEST_CUPS_PPD", &queues->ppd},
                             {"PDE_TEST_CUPS_DEVICE", &queues->device},
                             {"PDE_TEST_CUPS_RAW_QUEUE", &queues->raw},
                             {"PDE_TEST_CUPS_DECLINED_QUEUE", &queues->declined}}) {
    const char* set = std::getenv(name);
    if (set == nullptr) return false;
    *value = set;
  }
  return true;
}

std::string ReadWholeFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

int CountJobs(const std::string& queue, int which) {
  cups_job_t* jobs = nullptr;
  const int count =
      cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.empty() ? nullptr : queue.c_str(), 0, which);
  cupsFreeJobs(count, jobs);
  return count;
}

bool JobsCompleted(const std::string& queue, int completedBefore) {
  return CountJobs(queue, CUPS_WHICHJOBS_ACTIVE) == 0 &&
         CountJobs(queue, CUPS_WHICHJOBS_COMPLETED) > completedBefore;
}

}  // namespace pde::test
