// ServerConnection.h: one connection to the CUPS server libcups chooses, for a single operation,
// with an overall deadline and an optional cancellation.
#pragma once

#include <cups/cups.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "pde/cups/CupsQueue.h"

namespace pde::cups::internal {

// Connects, on construction, to the server named by cupsSetServer, CUPS_SERVER or the client
// configuration, and closes the connection when it goes out of scope.
//
// Every exchange on the connection ends by its deadline, CupsTimeout() after construction or the
// last Restart: libcups's waits give up then (its timeout callback), and a watchdog thread shuts
// the socket down, so that a server that floods libcups with header lines or data cannot keep a
// call busy either. A set cancellation ends the exchange the same way within a quarter second.
// Once Expired(), a call's result cannot be trusted (a cut connection can look like a complete
// answer): the caller reports Trouble() instead.
class ServerConnection {
 public:
  explicit ServerConnection(Cancellation* cancel = nullptr);
  ~ServerConnection();
  ServerConnection(const ServerConnection&) = delete;
  ServerConnection& operator=(const ServerConnection&) = delete;

  // The open connection, or null when the server did not answer.
  http_t* get() const { return http_; }
  // The server as "host:port", or the path of its local socket.
  const std::string& server() const { return server_; }
  // Why the connection failed ("the CUPS server at ... does not answer", or its deadline or
  // cancellation); empty when open.
  const std::string& failure() const { return failure_; }

  // Gives the next exchange a full deadline again, for an operation that makes progress.
  void Restart();
  // True once the deadline has passed or the cancellation was set.
  bool Expired() const;
  // Why the last call on the connection failed, `what` naming the exchange ("sending the PPD of
  // queue "q""): the deadline ("the CUPS server at S did not answer within 10 s while ..."), the
  // cancellation, or an answer that was no valid one (with libcups's IPP status when it has one,
  // never a bare "Success").
  std::string Trouble(const std::string& what) const;

  // Asks the server for the printer or class `queue`. False only when the connection is open and
  // the server answers that it has no such queue; any other failure is left to the operation that
  // follows to report.
  bool HasQueue(const std::string& queue) const;

  // The names of the server's printers and classes, sorted; empty when the connection is not open.
  std::vector<std::string> QueueNames() const;

 private:
  static int KeepWaiting(http_t* http, void* self);
  void Watch();
  bool Cancelled() const;

  http_t* http_ = nullptr;
  std::string server_;
  std::string failure_;
  Cancellation* cancel_;
  std::chrono::steady_clock::duration timeout_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::chrono::steady_clock::time_point deadline_;  // under mutex_
  bool expired_ = false;                            // under mutex_
  bool closing_ = false;                            // under mutex_
  std::thread watchdog_;
};

// The overall deadline of one exchange with the CUPS server: PDE_CUPS_TIMEOUT in seconds (a
// number above 0 and at most 3600, fractions allowed), else 10 seconds.
std::chrono::steady_clock::duration CupsTimeout();

// A new Get-Printer-Attributes request for the attribute (or group) `requested` of `queue`, under
// the resource prefix `kind` ("printers" or "classes"); null when no printer URI can be made of
// queue. The caller sends it with cupsDoRequest, which frees it.
ipp_t* NewPrinterAttributesRequest(std::string_view kind, const std::string& queue,
                                   const char* requested);

// "queue "NAME" does not exist on the CUPS server at SERVER", then the server's queues:
// "; its queues: a, b" or "; it has no queues".
std::string MissingQueueMessage(const ServerConnection& connection, const std::string& queue);

}  // namespace pde::cups::internal
