// QueuePPDRequest.h: one request for a CUPS queue's PPD, conditional on the version a copy holds.
#pragma once

#include <ctime>
#include <string>

#include "ServerConnection.h"

namespace pde::cups::internal {

// The version of a PPD a copy holds: its size and the server's time for it.
struct HeldPPD {
  long long size = 0;
  time_t version = 0;  // above 0
};

enum class PpdAnswer { kFailed, kCopied, kUnchanged };

// Asks the server on connection for queue's PPD, as libcups's cupsGetPPD3 does: when held is not
// null, only if it changed since (If-Modified-Since). A new version is copied into fd (path names
// it in messages), within the PPD reader's limit and the connection's deadline, and *version (when
// not null) is set to the server's time for it (its Last-Modified, else the answer's Date; 0 when
// it gives neither). kUnchanged when the server answers that held is current; kFailed with *error
// set, as FetchQueuePPD words it, otherwise.
PpdAnswer RequestQueuePPD(const ServerConnection& connection, const std::string& queue,
                          const HeldPPD* held, int fd, const std::string& path, time_t* version,
                          std::string* error);

}  // namespace pde::cups::internal
