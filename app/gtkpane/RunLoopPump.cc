// RunLoopPump.cc: one GLib source, ready at the run loop's next fire date, that runs its passes.
#include "RunLoopPump.h"

#include <glib.h>

#include <algorithm>
#include <cmath>
#include <optional>
#include <utility>
#include <vector>

#include "pde/CFHost.h"

namespace pde::gtk {

// The source the pumps share, and the pumps.
struct PumpSource {
  // A wait longer than this is waited in parts (the next fire date may be "never": a year on).
  static constexpr double kLongestWaitSeconds = 3600.0;

  static inline GSource* source = nullptr;
  static inline std::vector<RunLoopPump*> pumps;

  // The monotonic time at which the run loop's next timer is due: 0 for now, -1 for never.
  static gint64 NextReadyTime() {
    const std::optional<CFAbsoluteTime> next = pde::RunLoopNextFireDate();
    if (!next) return -1;
    const double wait = std::min(*next - CFAbsoluteTimeGetCurrent(), kLongestWaitSeconds);
    if (wait <= 0) return 0;
    // Rounded up, so that the pass never comes before the timer is due.
    return g_get_monotonic_time() + static_cast<gint64>(std::ceil(wait * 1e6)) + 1;
  }

  // Brings the source's ready time forward to readyTime, never later.
  static void WakeBy(gint64 readyTime) {
    if (source == nullptr || readyTime == -1) return;
    const gint64 current = g_source_get_ready_time(source);
    if (current == -1 || readyTime < current) g_source_set_ready_time(source, readyTime);
  }

  static void OnNextFireDateChanged(void*) { WakeBy(NextReadyTime()); }

  static gboolean Dispatch(GSource* self, GSourceFunc, gpointer) {
    // A timer added or re-armed during the pass, or a RequestPass, brings this forward again.
    g_source_set_ready_time(self, -1);
    pde::RunLoopRunOnePass();
    const std::vector<RunLoopPump*> notified = pumps;
    for (RunLoopPump* pump : notified) {
      if (std::find(pumps.begin(), pumps.end(), pump) != pumps.end() && pump->afterPass_) {
        pump->afterPass_();
      }
    }
    WakeBy(NextReadyTime());
    return G_SOURCE_CONTINUE;
  }

  static void Attach() {
    static GSourceFuncs functions = {nullptr, nullptr, &PumpSource::Dispatch,
                                     nullptr, nullptr, nullptr};
    source = g_source_new(&functions, sizeof(GSource));
    g_source_set_name(source, "pdekit run loop");
    g_source_set_priority(source, G_PRIORITY_DEFAULT);
    g_source_attach(source, nullptr);
    pde::SetNextFireDateChanged(&PumpSource::OnNextFireDateChanged, nullptr);
    WakeBy(NextReadyTime());
  }

  static void Detach() {
    pde::SetNextFireDateChanged(nullptr, nullptr);
    g_source_destroy(source);
    g_source_unref(std::exchange(source, nullptr));
  }
};

RunLoopPump::RunLoopPump(std::function<void()> afterPass) : afterPass_(std::move(afterPass)) {
  if (PumpSource::pumps.empty()) PumpSource::Attach();
  PumpSource::pumps.push_back(this);
}

RunLoopPump::~RunLoopPump() {
  std::erase(PumpSource::pumps, this);
  if (PumpSource::pumps.empty()) PumpSource::Detach();
}

void RunLoopPump::RequestPass() {
  PumpSource::WakeBy(0);
}

}  // namespace pde::gtk
