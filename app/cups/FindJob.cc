// FindJob.cc: finds a job the print dialog's backend submitted, on a connection with a deadline.
#include <cups/cups.h>

#include "ServerConnection.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {

int FindNewestJob(const std::string& queue, const std::string& title, std::string* error) {
  internal::ServerConnection connection;
  if (connection.get() == nullptr) {
    if (error != nullptr) *error = connection.failure();
    return 0;
  }
  cups_job_t* jobs = nullptr;
  const int count = cupsGetJobs2(connection.get(), &jobs, queue.c_str(), 1, CUPS_WHICHJOBS_ALL);
  int id = 0;
  for (int i = 0; i < count; ++i) {
    if (jobs[i].title != nullptr && title == jobs[i].title && jobs[i].id > id) id = jobs[i].id;
  }
  cupsFreeJobs(count, jobs);
  if (count < 0 || connection.Expired()) {
    if (error != nullptr)
      *error = connection.Trouble("listing the jobs of queue \"" + queue + "\"");
    return 0;
  }
  return id;
}

}  // namespace pde::cups
