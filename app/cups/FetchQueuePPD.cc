// FetchQueuePPD.cc: copies a CUPS queue's PPD from the server into a file, no larger than the
// PPD reader takes and within the connection's deadline.
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
#include "pde/InputFiles.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {

namespace {

constexpr std::string_view kTemplateName = "/pde-queue-XXXXXX.ppd";
constexpr int kTemplateSuffixLength = 4;  // ".ppd"
constexpr std::size_t kChunkSize = 32 * 1024;

std::string TemporaryDirectory() {
  const char* directory = std::getenv("TMPDIR");
  return (directory != nullptr && directory[0] != '\0') ? directory : "/tmp";
}

// Writes all of data to fd; false with errno set when it cannot.
bool WriteAll(int fd, const char* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = write(fd, data, size);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) return false;
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// Reads the body of the answer under way into fd: at most the PPD limit and one byte more.
// Returns the failure, or an empty string.
std::string CopyBody(const internal::ServerConnection& connection, const std::string& what, int fd,
                     const std::string& path) {
  http_t* http = connection.get();
  const std::size_t limit = pde::MaxInputFileSize(pde::InputKind::kPPD);
  const std::string tooLarge = what + " on the CUPS server at " + connection.server() +
                               " is larger than " + std::to_string(limit) + " bytes";
  const char* lengthField = httpGetField(http, HTTP_FIELD_CONTENT_LENGTH);
  const bool lengthKnown = lengthField != nullptr && lengthField[0] != '\0';
  const off_t expected = lengthKnown ? httpGetLength2(http) : -1;
  if (expected > static_cast<off_t>(limit)) return tooLarge;
  std::vector<char> chunk(kChunkSize);
  std::size_t total = 0;
  for (;;) {
    const std::size_t wanted = std::min(chunk.size(), limit + 1 - total);
    const ssize_t count = httpRead2(http, chunk.data(), wanted);
    if (connection.Expired()) return connection.Trouble("sending " + what);
    if (count < 0) return connection.Trouble("sending " + what);
    if (count == 0) break;
    if (!WriteAll(fd, chunk.data(), static_cast<std::size_t>(count))) {
      const int cause = errno;
      return "cannot write \"" + path + "\": " + std::strerror(cause);
    }
    total += static_cast<std::size_t>(count);
    if (total > limit) return tooLarge;
  }
  if (lengthKnown && static_cast<off_t>(total) != expected) {
    return "the CUPS server at " + connection.server() + " ended " + what + " after " +
           std::to_string(total) + " of " + std::to_string(expected) + " bytes";
  }
  return {};
}

// Asks for `resource` and copies the answer into fd. Returns the failure, or an empty string.
std::string GetPpd(const internal::ServerConnection& connection, const std::string& queue,
                   const std::string& resource, int fd, const std::string& path) {
  http_t* http = connection.get();
  const std::string what = "the PPD of queue \"" + queue + "\"";
  httpClearFields(http);
  http_status_t status = HTTP_STATUS_ERROR;
  if (httpGet(http, resource.c_str()) == 0) {
    do {
      status = httpUpdate(http);
    } while (status == HTTP_STATUS_CONTINUE && !connection.Expired());
  }
  if (connection.Expired() || status == HTTP_STATUS_ERROR) {
    return connection.Trouble("sending " + what);
  }
  if (status == HTTP_STATUS_NOT_FOUND) {
    httpFlush(http);
    return connection.HasQueue(queue)
               ? "queue \"" + queue + "\" has no PPD on the CUPS server at " + connection.server()
               : internal::MissingQueueMessage(connection, queue);
  }
  if (status != HTTP_STATUS_OK) {
    httpFlush(http);
    return "the CUPS server at " + connection.server() + " answered \"" +
           std::to_string(static_cast<int>(status)) + " " + httpStatus(status) +
           "\" to the request for " + what;
  }
  return CopyBody(connection, what, fd, path);
}

}  // namespace

bool FetchQueuePPDInto(const std::string& queue, int fd, const std::string& path,
                       std::string* error, Cancellation* cancel) {
  if (!internal::IsValidQueueName(queue)) {
    *error = "\"" + queue + "\" is not a valid CUPS queue name";
    return false;
  }
  const internal::ServerConnection connection(cancel);
  if (connection.get() == nullptr) {
    *error = connection.failure();
    return false;
  }
  const std::string resource = "/printers/" + internal::EncodeQueueNameForPath(queue) + ".ppd";
  *error = GetPpd(connection, queue, resource, fd, path);
  return error->empty();
}

std::string FetchQueuePPD(const std::string& queue, std::string* error, Cancellation* cancel) {
  std::string ignored;
  std::string& failure = error != nullptr ? *error : ignored;
  if (!internal::IsValidQueueName(queue)) {
    failure = "\"" + queue + "\" is not a valid CUPS queue name";
    return {};
  }
  const std::string directory = TemporaryDirectory();
  std::string pathTemplate = directory;
  pathTemplate += kTemplateName;
  std::vector<char> path(pathTemplate.begin(), pathTemplate.end());
  path.push_back('\0');
  const int fd = mkstemps(path.data(), kTemplateSuffixLength);
  if (fd < 0) {
    const int cause = errno;
    failure = "cannot create a temporary file in \"" + directory + "\": " + std::strerror(cause);
    return {};
  }
  bool fetched = FetchQueuePPDInto(queue, fd, path.data(), &failure, cancel);
  if (close(fd) != 0 && fetched) {
    const int cause = errno;
    failure = "cannot write \"" + std::string(path.data()) + "\": " + std::strerror(cause);
    fetched = false;
  }
  if (!fetched) {
    unlink(path.data());
    return {};
  }
  return std::string(path.data());
}

}  // namespace pde::cups
