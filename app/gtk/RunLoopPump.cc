// RunLoopPump.cc: GLib sources that run the model's run loop one pass at a time.
#include "RunLoopPump.h"

#include <utility>

#include "pde/CFHost.h"

namespace pde::gtk {

RunLoopPump::RunLoopPump(std::function<void()> afterPass) : afterPass_(std::move(afterPass)) {
  tickSource_ = g_timeout_add(kTickMilliseconds, &RunLoopPump::OnTick, this);
}

RunLoopPump::~RunLoopPump() {
  if (idleSource_ != 0) g_source_remove(idleSource_);
  g_source_remove(tickSource_);
}

void RunLoopPump::RequestPass() {
  if (idleSource_ == 0) {
    idleSource_ = g_idle_add_full(G_PRIORITY_DEFAULT, &RunLoopPump::OnIdle, this, nullptr);
  }
}

gboolean RunLoopPump::OnIdle(gpointer self) {
  auto* pump = static_cast<RunLoopPump*>(self);
  pump->idleSource_ = 0;
  pump->RunPass();
  return G_SOURCE_REMOVE;
}

gboolean RunLoopPump::OnTick(gpointer self) {
  static_cast<RunLoopPump*>(self)->RunPass();
  return G_SOURCE_CONTINUE;
}

void RunLoopPump::RunPass() {
  pde::RunLoopRunOnePass();
  if (afterPass_) afterPass_();
}

}  // namespace pde::gtk
