// RunLoopPump.h: runs the model's run loop from GLib's main loop, so that its timers fire in a GTK
// program when they are due, and the program sleeps in between.
#pragma once

#include <functional>

namespace pde::gtk {

// While it lives, runs one pass of the main thread's run loop whenever one of the loop's timers
// is due, and once more soon after each RequestPass, then calls afterPass (which must not destroy
// a pump). Pumps are made and destroyed on the main thread. They share one GLib source on the
// default main context, whose ready time is the run loop's next fire date, moved earlier when
// the loop says a timer was added or re-armed: there is no periodic tick. The last pump's
// destructor removes the source.
class RunLoopPump {
 public:
  explicit RunLoopPump(std::function<void()> afterPass);
  ~RunLoopPump();
  RunLoopPump(const RunLoopPump&) = delete;
  RunLoopPump& operator=(const RunLoopPump&) = delete;

  // Asks for one pass as soon as the main loop is idle; several requests before it make one pass.
  static void RequestPass();

 private:
  friend struct PumpSource;
  std::function<void()> afterPass_;
};

}  // namespace pde::gtk
