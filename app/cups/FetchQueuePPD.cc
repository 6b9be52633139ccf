// FetchQueuePPD.cc: copies a CUPS queue's PPD from the server into a temporary file.
#include <cups/cups.h>
#include <stdlib.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "QueueName.h"
#include "ServerConnection.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {

namespace {

constexpr std::string_view kTemplateName = "/pde-queue-XXXXXX.ppd";
constexpr int kTemplateSuffixLength = 4;  // ".ppd"

std::string Fail(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return {};
}

std::string TemporaryDirectory() {
  const char* directory = std::getenv("TMPDIR");
  return (directory != nullptr && directory[0] != '\0') ? directory : "/tmp";
}

}  // namespace

std::string FetchQueuePPD(const std::string& queue, std::string* error) {
  if (!internal::IsValidQueueName(queue)) {
    return Fail(error, "\"" + queue + "\" is not a valid CUPS queue name");
  }
  const internal::ServerConnection connection;
  if (connection.get() == nullptr) return Fail(error, connection.failure());
  const std::string directory = TemporaryDirectory();
  std::string pathTemplate = directory;
  pathTemplate += kTemplateName;
  std::vector<char> path(pathTemplate.begin(), pathTemplate.end());
  path.push_back('\0');
  const int fd = mkstemps(path.data(), kTemplateSuffixLength);
  if (fd < 0) {
    const int cause = errno;
    return Fail(error,
                "cannot create a temporary file in \"" + directory + "\": " + std::strerror(cause));
  }

  const std::string resource = "/printers/" + internal::EncodeQueueNameForPath(queue) + ".ppd";
  const http_status_t status = cupsGetFd(connection.get(), resource.c_str(), fd);
  std::string failure;
  if (status == HTTP_STATUS_NOT_FOUND && !connection.HasQueue(queue)) {
    failure = internal::MissingQueueMessage(connection, queue);
  } else if (status == HTTP_STATUS_NOT_FOUND) {
    failure = "queue \"" + queue + "\" has no PPD on the CUPS server at " + connection.server();
  } else if (status != HTTP_STATUS_OK) {
    failure = "cannot fetch the PPD of queue \"" + queue + "\": " + cupsLastErrorString();
  }
  if (close(fd) != 0 && failure.empty()) {
    const int cause = errno;
    failure = "cannot write \"" + std::string(path.data()) + "\": " + std::strerror(cause);
  }
  if (!failure.empty()) {
    unlink(path.data());
    return Fail(error, std::move(failure));
  }
  return std::string(path.data());
}

}  // namespace pde::cups
