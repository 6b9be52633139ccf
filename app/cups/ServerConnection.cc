// ServerConnection.cc: one connection to the CUPS server libcups chooses, for a single operation,
// with an overall deadline and an optional cancellation.
#include "ServerConnection.h"

#include <sys/socket.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <system_error>

namespace pde::cups {

void Cancellation::Request() {
  std::atomic_ref<int>(flag_).store(1);
}

bool Cancellation::requested() const {
  return std::atomic_ref<int>(flag_).load() != 0;
}

}  // namespace pde::cups

namespace pde::cups::internal {

namespace {

using Clock = std::chrono::steady_clock;

constexpr double kDefaultTimeoutSeconds = 10;
constexpr double kLongestTimeoutSeconds = 3600;
// How often libcups's waits ask whether to go on, and the watchdog looks at the clock.
constexpr double kWaitSliceSeconds = 0.25;
constexpr auto kWatchInterval = std::chrono::milliseconds(100);

double TimeoutSeconds() {
  const char* text = std::getenv("PDE_CUPS_TIMEOUT");
  if (text == nullptr || text[0] == '\0') return kDefaultTimeoutSeconds;
  char* end = nullptr;
  const double seconds = std::strtod(text, &end);
  if (*end != '\0' || !std::isfinite(seconds) || seconds <= 0 || seconds > kLongestTimeoutSeconds)
    return kDefaultTimeoutSeconds;
  return seconds;
}

std::string SecondsText(double seconds) {
  char text[32];
  std::snprintf(text, sizeof text, "%g s", seconds);
  return text;
}

// Whether the server answers "not found" to a printer-attributes request for `queue` under the
// resource prefix `kind` ("printers" or "classes").
bool IsMissing(http_t* http, std::string_view kind, const std::string& queue) {
  ipp_t* request = NewPrinterAttributesRequest(kind, queue, "printer-name");
  if (request == nullptr) return false;
  ippDelete(cupsDoRequest(http, request, "/"));
  return cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
}

}  // namespace

ipp_t* NewPrinterAttributesRequest(std::string_view kind, const std::string& queue,
                                   const char* requested) {
  char uri[HTTP_MAX_URI];
  const std::string resource = "/" + std::string(kind) + "/" + queue;
  if (httpAssembleURI(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                      resource.c_str()) < HTTP_URI_STATUS_OK) {
    return nullptr;
  }
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               requested);
  return request;
}

Clock::duration CupsTimeout() {
  return std::chrono::duration_cast<Clock::duration>(
      std::chrono::duration<double>(TimeoutSeconds()));
}

ServerConnection::ServerConnection(Cancellation* cancel)
    : cancel_(cancel), timeout_(CupsTimeout()) {
  const char* host = cupsServer();
  const int port = ippPort();
  server_ = host[0] == '/' ? host : std::string(host) + ":" + std::to_string(port);
  deadline_ = Clock::now() + timeout_;
  const auto milliseconds = std::chrono::duration_cast<std::chrono::milliseconds>(timeout_).count();
  http_ = httpConnect2(host, port, nullptr, AF_UNSPEC, cupsEncryption(), 1,
                       static_cast<int>(std::max<long long>(milliseconds, 1)),
                       cancel_ != nullptr ? &cancel_->flag_ : nullptr);
  if (http_ == nullptr) {
    // libcups keeps no dependable reason for a refused or unreachable server: none is given.
    failure_ = Cancelled() ? "the request to the CUPS server at " + server_ + " was cancelled"
                           : "the CUPS server at " + server_ + " does not answer";
    return;
  }
  httpSetTimeout(http_, kWaitSliceSeconds, KeepWaiting, this);
  try {
    watchdog_ = std::thread([this] { Watch(); });
  } catch (const std::system_error& error) {
    // Without its watchdog, the connection's deadline would not hold: it is not used.
    httpClose(http_);
    http_ = nullptr;
    failure_ = "cannot watch the connection to the CUPS server at " + server_ + ": " + error.what();
  }
}

ServerConnection::~ServerConnection() {
  if (watchdog_.joinable()) {
    {
      const std::lock_guard lock(mutex_);
      closing_ = true;
    }
    wake_.notify_all();
    watchdog_.join();
  }
  if (http_ != nullptr) httpClose(http_);
}

bool ServerConnection::Cancelled() const {
  return cancel_ != nullptr && cancel_->requested();
}

void ServerConnection::Restart() {
  const std::lock_guard lock(mutex_);
  if (!expired_) deadline_ = Clock::now() + timeout_;
}

bool ServerConnection::Expired() const {
  const std::lock_guard lock(mutex_);
  return expired_ || Clock::now() >= deadline_ || Cancelled();
}

int ServerConnection::KeepWaiting(http_t*, void* self) {
  return static_cast<ServerConnection*>(self)->Expired() ? 0 : 1;
}

void ServerConnection::Watch() {
  std::unique_lock lock(mutex_);
  while (!closing_) {
    if (!expired_ && (Clock::now() >= deadline_ || Cancelled())) expired_ = true;
    // Cut the connection, and any libcups opens again in its place, so that no call stays busy.
    if (expired_ && httpGetFd(http_) >= 0) shutdown(httpGetFd(http_), SHUT_RDWR);
    wake_.wait_for(lock, kWatchInterval);
  }
}

std::string ServerConnection::Trouble(const std::string& what) const {
  if (Cancelled()) return "the request to the CUPS server at " + server_ + " was cancelled";
  if (Expired()) {
    return "the CUPS server at " + server_ + " did not answer within " +
           SecondsText(std::chrono::duration<double>(timeout_).count()) + " while " + what +
           " (PDE_CUPS_TIMEOUT sets the limit in seconds)";
  }
  std::string message = "the CUPS server at " + server_ + " gave no valid answer while " + what;
  const ipp_status_t status = cupsLastError();
  const std::string said = cupsLastErrorString() != nullptr ? cupsLastErrorString() : "";
  if (status >= IPP_STATUS_ERROR_BAD_REQUEST && status != IPP_STATUS_ERROR_INTERNAL) {
    message += ": ";
    message += said.empty() || said == "Success" ? ippErrorString(status) : said;
  }
  return message;
}

bool ServerConnection::HasQueue(const std::string& queue) const {
  if (http_ == nullptr) return true;
  return !IsMissing(http_, "printers", queue) || !IsMissing(http_, "classes", queue);
}

std::vector<std::string> ServerConnection::QueueNames() const {
  std::vector<std::string> names;
  if (http_ == nullptr) return names;
  // Asked for directly: libcups's destination list would read the lpoptions files, unchecked.
  ipp_t* request = ippNewRequest(IPP_OP_CUPS_GET_PRINTERS);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-name");
  ipp_t* response = cupsDoRequest(http_, request, "/");
  for (ipp_attribute_t* attr = ippFindAttribute(response, "printer-name", IPP_TAG_NAME);
       attr != nullptr; attr = ippFindNextAttribute(response, "printer-name", IPP_TAG_NAME)) {
    if (const char* name = ippGetString(attr, 0, nullptr)) names.emplace_back(name);
  }
  ippDelete(response);
  std::sort(names.begin(), names.end());
  return names;
}

std::string MissingQueueMessage(const ServerConnection& connection, const std::string& queue) {
  std::string message =
      "queue \"" + queue + "\" does not exist on the CUPS server at " + connection.server();
  const std::vector<std::string> names = connection.QueueNames();
  if (names.empty()) return message + "; it has no queues";
  message += "; its queues: ";
  for (size_t i = 0; i < names.size(); ++i) message += (i == 0 ? "" : ", ") + names[i];
  return message;
}

}  // namespace pde::cups::internal
