// RunLoopPump.h: runs the model's run loop from GLib's main loop, so its timers fire in a GTK
// program.
#pragma once

#include <glib.h>

#include <functional>

namespace pde::gtk {

// While it lives, runs one pass of the current thread's run loop on every tick (kTickMilliseconds)
// and once more soon after each RequestPass, and calls afterPass after every pass (afterPass must
// not destroy the pump). Sources live on the default main context; the destructor removes them.
class RunLoopPump {
 public:
  static constexpr guint kTickMilliseconds = 50;

  explicit RunLoopPump(std::function<void()> afterPass);
  ~RunLoopPump();
  RunLoopPump(const RunLoopPump&) = delete;
  RunLoopPump& operator=(const RunLoopPump&) = delete;

  // Asks for one pass as soon as the main loop is idle; several requests before it make one pass.
  void RequestPass();

 private:
  static gboolean OnIdle(gpointer self);
  static gboolean OnTick(gpointer self);
  void RunPass();

  std::function<void()> afterPass_;
  guint idleSource_ = 0;
  guint tickSource_ = 0;
};

}  // namespace pde::gtk
