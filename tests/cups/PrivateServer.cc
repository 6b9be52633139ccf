// PrivateServer.cc: what the tests against the private CUPS server read back from it.
#include "PrivateServer.h"

#include <cups/cups.h>

#include <fstream>
#include <sstream>

namespace pde::test {

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

}  // namespace pde::test
