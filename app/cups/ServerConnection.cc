// ServerConnection.cc: one connection to the CUPS server libcups chooses, for a single operation.
#include "ServerConnection.h"

#include <algorithm>

namespace pde::cups::internal {

namespace {

constexpr int kConnectTimeoutMs = 30000;

// Whether the server answers "not found" to a printer-attributes request for `queue` under the
// resource prefix `kind` ("printers" or "classes").
bool IsMissing(http_t* http, std::string_view kind, const std::string& queue) {
  char uri[HTTP_MAX_URI];
  const std::string resource = "/" + std::string(kind) + "/" + queue;
  if (httpAssembleURI(HTTP_URI_CODING_ALL, uri, sizeof uri, "ipp", nullptr, "localhost", ippPort(),
                      resource.c_str()) < HTTP_URI_STATUS_OK) {
    return false;
  }
  ipp_t* request = ippNewRequest(IPP_OP_GET_PRINTER_ATTRIBUTES);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_URI, "printer-uri", nullptr, uri);
  ippAddString(request, IPP_TAG_OPERATION, IPP_TAG_KEYWORD, "requested-attributes", nullptr,
               "printer-name");
  ippDelete(cupsDoRequest(http, request, "/"));
  return cupsLastError() == IPP_STATUS_ERROR_NOT_FOUND;
}

}  // namespace

ServerConnection::ServerConnection() {
  const char* host = cupsServer();
  const int port = ippPort();
  server_ = host[0] == '/' ? host : std::string(host) + ":" + std::to_string(port);
  http_ =
      httpConnect2(host, port, nullptr, AF_UNSPEC, cupsEncryption(), 1, kConnectTimeoutMs, nullptr);
  // libcups keeps no dependable reason for a refused or unreachable server: none is given.
  if (http_ == nullptr) failure_ = "the CUPS server at " + server_ + " does not answer";
}

ServerConnection::~ServerConnection() {
  if (http_ != nullptr) httpClose(http_);
}

bool ServerConnection::HasQueue(const std::string& queue) const {
  if (http_ == nullptr) return true;
  return !IsMissing(http_, "printers", queue) || !IsMissing(http_, "classes", queue);
}

std::vector<std::string> ServerConnection::QueueNames() const {
  std::vector<std::string> names;
  if (http_ == nullptr) return names;
  cups_dest_t* dests = nullptr;
  const int count = cupsGetDests2(http_, &dests);
  for (int i = 0; i < count; ++i) {
    if (dests[i].instance == nullptr) names.emplace_back(dests[i].name);
  }
  cupsFreeDests(count, dests);
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
