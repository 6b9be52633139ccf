// ServerConnection.h: one connection to the CUPS server libcups chooses, for a single operation.
#pragma once

#include <cups/cups.h>

#include <string>
#include <string_view>
#include <vector>

namespace pde::cups::internal {

// Connects, on construction, to the server named by cupsSetServer, CUPS_SERVER or the client
// configuration, and closes the connection when it goes out of scope.
class ServerConnection {
 public:
  ServerConnection();
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  // The open connection, or null when the server did not answer.
  http_t* get() const { return http_; }
  // The server as "host:port", or the path of its local socket.
  const std::string& server() const { return server_; }
  // Why the connection failed ("the CUPS server at ... does not answer"); empty when open.
  const std::string& failure() const { return failure_; }

  // Asks the server for the printer or class `queue`. False only when the connection is open and
  // the server answers that it has no such queue; any other failure is left to the operation that
  // follows to report.
  bool HasQueue(const std::string& queue) const;

  // The names of the server's printers and classes, sorted; empty when the connection is not open.
  std::vector<std::string> QueueNames() const;

 private:
  http_t* http_ = nullptr;
  std::string server_;
  std::string failure_;
};

// "queue "NAME" does not exist on the CUPS server at SERVER", then the server's queues:
// "; its queues: a, b" or "; it has no queues".
std::string MissingQueueMessage(const ServerConnection& connection, const std::string& queue);

}  // namespace pde::cups::internal
