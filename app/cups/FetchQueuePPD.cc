// FetchQueuePPD.cc: copies a CUPS queue's PPD from the server into a file, no larger than the
// PPD reader takes and within the connection's deadline, unless the version held is current.
#include "QueuePPDRequest.h"

#include <cups/cups.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "QueueName.h"
#include "ServerConnection.h"
#include "pde/InputFiles.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {

namespace {

constexpr std::size_t kChunkSize = 32 * 1024;

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

// The server's time of the version it sent: its Last-Modified, else the time of its answer.
time_t VersionTime(http_t* http) {
  for (const http_field_t field : {HTTP_FIELD_LAST_MODIFIED, HTTP_FIELD_DATE}) {
    const char* text = httpGetField(http, field);
    const time_t time = text != nullptr && text[0] != '\0' ? httpGetDateTime(text) : 0;
    if (time > 0) return time;
  }
  return 0;
}

}  // namespace

namespace internal {

PpdAnswer RequestQueuePPD(const ServerConnection& connection, const std::string& queue,
                          const HeldPPD* held, int fd, const std::string& path, time_t* version,
                          std::string* error) {
  http_t* http = connection.get();
  const std::string what = "the PPD of queue \"" + queue + "\"";
  const std::string resource = "/printers/" + EncodeQueueNameForPath(queue) + ".ppd";
  httpClearFields(http);
  if (held != nullptr) {
    // cupsd also compares the length it is given with its file's, so that a PPD replaced within
    // the second of the version held still counts as changed; other servers ignore the field.
    char date[256];
    const std::string since = std::string(httpGetDateString2(held->version, date, sizeof date)) +
                              "; length=" + std::to_string(held->size);
    httpSetField(http, HTTP_FIELD_IF_MODIFIED_SINCE, since.c_str());
  }
  http_status_t status = HTTP_STATUS_ERROR;
  if (httpGet(http, resource.c_str()) == 0) {
    do {
      status = httpUpdate(http);
    } while (status == HTTP_STATUS_CONTINUE && !connection.Expired());
  }
  if (connection.Expired() || status == HTTP_STATUS_ERROR) {
    *error = connection.Trouble("sending " + what);
    return PpdAnswer::kFailed;
  }
  if (status == HTTP_STATUS_NOT_MODIFIED && held != nullptr) {
    httpFlush(http);
    return PpdAnswer::kUnchanged;
  }
  if (status == HTTP_STATUS_NOT_FOUND) {
    httpFlush(http);
    *error = connection.HasQueue(queue) ? "queue \"" + queue +
                                              "\" has no PPD on the CUPS server at " +
                                              connection.server()
                                        : MissingQueueMessage(connection, queue);
    return PpdAnswer::kFailed;
  }
  if (status != HTTP_STATUS_OK) {
    httpFlush(http);
    *error = "the CUPS server at " + connection.server() + " answered \"" +
             std::to_string(static_cast<int>(status)) + " " + httpStatus(status) +
             "\" to the request for " + what;
    return PpdAnswer::kFailed;
  }
  if (version != nullptr) *version = VersionTime(http);
  *error = CopyBody(connection, what, fd, path);
  return error->empty() ? PpdAnswer::kCopied : PpdAnswer::kFailed;
}

}  // namespace internal

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
  return internal::RequestQueuePPD(connection, queue, nullptr, fd, path, nullptr, error) ==
         internal::PpdAnswer::kCopied;
}

}  // namespace pde::cups
