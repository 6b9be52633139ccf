// PpdFetch.h: a queue's PPD fetched on a thread of its own, never GLib's shared worker pool, and
// cancelled when its owner lets it go.
#pragma once

#include <functional>
#include <memory>
#include <string>

namespace pde::gtk {

class PpdFetch {
 public:
  // Receives the path of the queue's PPD copy, brought up to date (shared: never the receiver's
  // to remove), or, when it is empty, why there is none.
  using Done = std::function<void(const std::string& ppdPath, const std::string& why)>;

  // Starts fetching queue's PPD (PrinterPane::FetchPpd) on a new thread, "pdekit-ppd". done runs
  // on the main context that was the calling thread's default, unless the fetch is destroyed
  // first; when no thread can be had, it gets why.
  PpdFetch(const std::string& queue, Done done);
  // Cancels a fetch under way: its thread ends within a fraction of a second, leaving the copy
  // as it was or brought up to date, and done is never called. Call on the thread that started the fetch.
  ~PpdFetch();
  PpdFetch(const PpdFetch&) = delete;
  PpdFetch& operator=(const PpdFetch&) = delete;

 private:
  struct State;
  // Hands the result to the main context of the fetch.
  static void Post(const std::shared_ptr<State>& state);

  std::shared_ptr<State> state_;
};

}  // namespace pde::gtk
