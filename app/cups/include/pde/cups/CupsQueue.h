// CupsQueue.h: submitting a file to a CUPS queue with PPD options, finding a submitted job, and
// fetching a queue's PPD.
//
// The calls talk to the server libcups chooses: the one set with cupsSetServer, else the
// CUPS_SERVER environment variable, else the client configuration, else the local server. Every
// exchange with it has an overall deadline: PDE_CUPS_TIMEOUT seconds (above 0, at most 3600),
// else 10; a server that does not answer by then gives a message naming it and what it did not
// answer.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace pde::cups {

namespace internal {
class ServerConnection;
}

// A request to end a fetch under way, made from any thread: the fetch then fails, what it wrote
// removed, within a quarter of a second.
class Cancellation {
 public:
  void Request();
  bool requested() const;

 private:
  friend class internal::ServerConnection;
  mutable int flag_ = 0;  // libcups's connect polls it too
};

// Submits `file` to the CUPS queue `queue` as one job whose options are the (KEY, VALUE) pairs of
// `options`, in order (a later pair for the same key wins), through the IPP job calls of libcups.
// The job is titled with the file's base name and its format is detected by the server.
//
// Returns the job ID (> 0) on success. Returns 0 and writes a readable message to `*error` (when
// `error` is not null) when the queue name is empty or not a valid queue name, an option key is
// empty, the file cannot be opened for reading or is not a regular file, the queue does not exist,
// or the server does not answer (each request within the deadline, the document's data within
// the deadline of each chunk); nothing is submitted then. A failure while the file is being sent
// also returns 0, after cancelling the job just created. `*error` is left alone on success.
int SubmitJob(const std::string& queue, const std::string& file,
              const std::vector<std::pair<std::string, std::string>>& options, std::string* error);

// Checks, without contacting a server and without blocking (a FIFO cannot hang it), that `file`
// is what SubmitJob can send: a regular file that can be opened for reading. SubmitJob opens
// the file the same way. Returns false and writes the reason to `*error` (when `error`
// is not null) otherwise, in the words SubmitJob uses.
bool CanSubmitFile(const std::string& file, std::string* error);

// The ID of the newest job of this user titled `title` on `queue`, as the server lists them.
// Returns 0 when there is none; 0 with *error set (when `error` is not null) when the server does
// not answer by the deadline or sends no valid answer.
int FindNewestJob(const std::string& queue, const std::string& title, std::string* error);

// Brings this user's copy of the PPD of the CUPS queue `queue` up to date and returns its path.
// The copies live in $XDG_CACHE_HOME/pdekit/ppd (else ~/.cache/pdekit/ppd), a directory only its
// owner may enter (made 0700 when missing, refused when it is a symbolic link, someone else's, or
// open to others), one file per server and queue; they outlast the process, as libcups's own
// per-user PPD copies do, so that the first dialog of the next program needs no download either.
// The copy is asked for as cupsGetPPD3 does, with If-Modified-Since its modification time (the
// server's time for the version it holds): a "304 Not Modified" keeps the very file, so that
// whatever was compiled from it still serves; a new version is written beside it and renamed over
// it, its modification time the server's Last-Modified. A copy is never removed: a reader that
// opened the one replaced keeps it whole.
//
// Returns an empty string and writes a readable message to `*error` (when `error` is not null)
// when the queue name is not valid, the queue does not exist or has no PPD, the server does not
// answer by the deadline or sends no valid answer, the PPD is larger than the PPD reader's limit
// (the download stops one byte past it), `cancel` (when not null) is requested, or the directory
// or the copy cannot be written; the copy held before stays as it was then.
std::string UpdateQueuePPDCopy(const std::string& queue, std::string* error,
                               Cancellation* cancel = nullptr);

// The same into the file open for writing as fd, whose path names it in messages, for a caller
// that makes and removes the file itself, always downloading. Returns false with *error set as
// UpdateQueuePPDCopy does; what was written stays in the file then.
bool FetchQueuePPDInto(const std::string& queue, int fd, const std::string& path,
                       std::string* error, Cancellation* cancel = nullptr);

}  // namespace pde::cups
