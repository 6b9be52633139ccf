// RunLoopPumpTest.cc: the run loop's timers fire from GLib's main loop when they are due, woken
// by the loop itself when a timer is added or re-armed while GLib sleeps, with no periodic pass.
#include <glib.h>
#include <gtest/gtest.h>

#include "RunLoopPump.h"
#include "pde/CFHost.h"

namespace pde::gtk {
namespace {

using pde::CFPtr;

constexpr CFTimeInterval kFarAway = 1.0e9;
constexpr double kDelay = 0.15;     // from the change to the fire date
constexpr guint kIdleMs = 300;      // GLib sleeps this long before the change
constexpr guint kGiveUpMs = 10000;  // a timer that never fires fails the test, not the suite

struct Probe {
  GMainLoop* loop = nullptr;
  CFRunLoopTimerRef timer = nullptr;
  bool rearm = false;        // re-arm the scheduled timer instead of adding it
  CFAbsoluteTime due = 0;    // the fire date set at the change
  CFAbsoluteTime fired = 0;  // when the timer's callback ran
  int passesBeforeChange = -1;
  int passes = 0;
};

void OnFire(CFRunLoopTimerRef, void* info) {
  auto* probe = static_cast<Probe*>(info);
  probe->fired = CFAbsoluteTimeGetCurrent();
  g_main_loop_quit(probe->loop);
}

// Adds the timer, or re-arms it, from a GLib timeout that ends the sleep.
gboolean ChangeTimer(gpointer data) {
  auto* probe = static_cast<Probe*>(data);
  probe->passesBeforeChange = probe->passes;
  probe->due = CFAbsoluteTimeGetCurrent() + kDelay;
  CFRunLoopTimerSetNextFireDate(probe->timer, probe->due);
  if (!probe->rearm) CFRunLoopAddTimer(CFRunLoopGetCurrent(), probe->timer, kCFRunLoopDefaultMode);
  return G_SOURCE_REMOVE;
}

gboolean GiveUp(gpointer loop) {
  g_main_loop_quit(static_cast<GMainLoop*>(loop));
  return G_SOURCE_REMOVE;
}

TEST(RunLoopPump, ATimerAddedOrReArmedWhileGLibSleepsFiresWhenDueInOnePass) {
  for (const bool rearm : {false, true}) {
    SCOPED_TRACE(rearm ? "re-armed" : "added");
    Probe probe;
    probe.rearm = rearm;
    probe.loop = g_main_loop_new(nullptr, FALSE);
    CFRunLoopTimerContext context = {0, &probe, nullptr, nullptr, nullptr};
    // Added: a one-shot timer. Re-armed: a repeating one, scheduled far away from the start.
    CFPtr<CFRunLoopTimerRef> timer(
        CFRunLoopTimerCreate(nullptr, CFAbsoluteTimeGetCurrent() + kFarAway, rearm ? kFarAway : 0,
                             0, 0, OnFire, &context));
    probe.timer = timer.get();
    if (rearm) CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer.get(), kCFRunLoopCommonModes);
    {
      RunLoopPump pump([&probe] { ++probe.passes; });
      g_timeout_add(kIdleMs, ChangeTimer, &probe);
      const guint giveUp = g_timeout_add(kGiveUpMs, GiveUp, probe.loop);
      g_main_loop_run(probe.loop);
      g_source_remove(giveUp);
    }
    EXPECT_EQ(probe.passesBeforeChange, 0);  // no tick while nothing was due
    EXPECT_EQ(probe.passes, 1);              // woken once, for the fire date
    ASSERT_GT(probe.fired, 0) << "the timer never fired";
    EXPECT_GE(probe.fired, probe.due);
    EXPECT_LT(probe.fired - probe.due, 2.0);  // on time, on a loaded machine
    CFRunLoopTimerInvalidate(timer.get());
    g_main_loop_unref(probe.loop);
  }
}

}  // namespace
}  // namespace pde::gtk
