// SubmitJob.cc: sends a file to a CUPS queue as one job with PPD options, through libcups.
#include <cups/cups.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "QueueName.h"
#include "ServerConnection.h"
#include "pde/cups/CupsQueue.h"

namespace pde::cups {

namespace {

constexpr std::size_t kChunkSize = 64 * 1024;

// A file descriptor open for reading, closed when it goes out of scope. It is opened without
// blocking, so that a FIFO in the file's place cannot hang the open; WhyUnreadable then refuses
// anything but a regular file, for which the flag changes nothing.
class ReadableFile {
 public:
  explicit ReadableFile(const std::string& path)
      : fd_(open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK)) {}
  ~ReadableFile() {
    if (fd_ >= 0) close(fd_);
  }
  ReadableFile(const ReadableFile&) = delete;
  ReadableFile& operator=(const ReadableFile&) = delete;

  int fd() const { return fd_; }

 private:
  int fd_;
};

// An option array built with cupsAddOption, freed when it goes out of scope.
class OptionArray {
 public:
  OptionArray() = default;
  ~OptionArray() { cupsFreeOptions(count_, options_); }
  OptionArray(const OptionArray&) = delete;
  OptionArray& operator=(const OptionArray&) = delete;

  void Add(const std::string& key, const std::string& value) {
    count_ = cupsAddOption(key.c_str(), value.c_str(), count_, &options_);
  }
  int count() const { return count_; }
  cups_option_t* options() const { return options_; }

 private:
  int count_ = 0;
  cups_option_t* options_ = nullptr;
};

int Fail(std::string* error, std::string message) {
  if (error != nullptr) *error = std::move(message);
  return 0;
}

std::string BaseName(const std::string& path) {
  const std::size_t slash = path.find_last_of('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Why the file just opened as `input` cannot be sent, or an empty string when it can.
std::string WhyUnreadable(const ReadableFile& input, const std::string& file) {
  struct stat status {};
  if (input.fd() < 0 || fstat(input.fd(), &status) != 0) {
    const int cause = errno;
    return "cannot read \"" + file + "\": " + std::strerror(cause);
  }
  if (!S_ISREG(status.st_mode)) return "cannot read \"" + file + "\": not a regular file";
  return {};
}

bool IsIppFailure(ipp_status_t status) {
  return status >= IPP_STATUS_REDIRECTION_OTHER_SITE;
}

// libcups's reason for the last failed request; its text when it has one, never a bare "Success".
std::string IppFailureText() {
  const char* said = cupsLastErrorString();
  if (said != nullptr && said[0] != '\0' && std::strcmp(said, "Success") != 0) return said;
  return ippErrorString(cupsLastError());
}

// Cancels job `id` on a fresh connection of its own deadline, the one that made it being cut.
void CancelJob(const std::string& queue, int id) {
  const internal::ServerConnection connection;
  if (connection.get() != nullptr) cupsCancelJob2(connection.get(), queue.c_str(), id, 0);
}

// Streams the open file into the document request of `job`. Returns an empty string on success,
// else what went wrong; the request is finished either way. Each chunk the server takes gives the
// connection its full deadline again.
std::string SendDocument(internal::ServerConnection& connection, const std::string& queue, int job,
                         const std::string& title, int fd) {
  http_t* http = connection.get();
  const std::string sending =
      "receiving job " + std::to_string(job) + " for queue \"" + queue + "\"";
  connection.Restart();
  if (cupsStartDocument(http, queue.c_str(), job, title.c_str(), CUPS_FORMAT_AUTO, 1) !=
      HTTP_STATUS_CONTINUE) {
    return "cannot start the document: " + connection.Trouble(sending);
  }
  std::string failure;
  std::vector<char> chunk(kChunkSize);
  for (;;) {
    const ssize_t count = read(fd, chunk.data(), chunk.size());
    if (count < 0 && errno == EINTR) continue;
    if (count < 0) {
      const int cause = errno;
      failure = std::string("cannot read the file: ") + std::strerror(cause);
      break;
    }
    if (count == 0) break;
    if (cupsWriteRequestData(http, chunk.data(), static_cast<std::size_t>(count)) !=
            HTTP_STATUS_CONTINUE ||
        connection.Expired()) {
      failure = "cannot send the document: " + connection.Trouble(sending);
      break;
    }
    connection.Restart();
  }
  const ipp_status_t finished = cupsFinishDocument(http, queue.c_str());
  if (failure.empty() && (IsIppFailure(finished) || connection.Expired())) {
    failure = connection.Expired() ? connection.Trouble(sending)
                                   : "the server refused the document: " + IppFailureText();
  }
  return failure;
}

}  // namespace

bool CanSubmitFile(const std::string& file, std::string* error) {
  const std::string why = WhyUnreadable(ReadableFile(file), file);
  if (why.empty()) return true;
  Fail(error, why);
  return false;
}

int SubmitJob(const std::string& queue, const std::string& file,
              const std::vector<std::pair<std::string, std::string>>& options, std::string* error) {
  if (!internal::IsValidQueueName(queue)) {
    return Fail(error, "\"" + queue + "\" is not a valid CUPS queue name");
  }
  OptionArray jobOptions;
  for (const auto& [key, value] : options) {
    if (key.empty()) return Fail(error, "a job option has an empty name (value \"" + value + "\")");
    jobOptions.Add(key, value);
  }

  const ReadableFile input(file);
  if (const std::string why = WhyUnreadable(input, file); !why.empty()) return Fail(error, why);

  internal::ServerConnection connection;
  http_t* http = connection.get();
  if (http == nullptr) return Fail(error, connection.failure());
  const std::string lookingUp = "looking up queue \"" + queue + "\"";
  if (!connection.HasQueue(queue)) {
    return Fail(error, internal::MissingQueueMessage(connection, queue));
  }
  if (connection.Expired()) return Fail(error, connection.Trouble(lookingUp));
  const std::string title = BaseName(file);
  connection.Restart();
  const int job =
      cupsCreateJob(http, queue.c_str(), title.c_str(), jobOptions.count(), jobOptions.options());
  if (job <= 0 || connection.Expired()) {
    // A job the server made before the deadline cut its answer off is not left behind.
    if (job > 0) CancelJob(queue, job);
    const std::string why = connection.Expired()
                                ? connection.Trouble("creating a job on queue \"" + queue + "\"")
                                : IppFailureText();
    return Fail(error, "cannot submit to queue \"" + queue + "\": " + why);
  }
  const std::string failure = SendDocument(connection, queue, job, title, input.fd());
  if (!failure.empty()) {
    if (connection.Expired()) {
      CancelJob(queue, job);
    } else {
      cupsCancelJob2(http, queue.c_str(), job, 0);
    }
    return Fail(error, "job " + std::to_string(job) + " on queue \"" + queue +
                           "\" was cancelled: " + failure);
  }
  return job;
}

}  // namespace pde::cups
