// RunLoopTest.cc: run-loop timers: re-arming, modes, removal, invalidation and context ownership.
#include <gtest/gtest.h>

#include <vector>

#include "pde/CFHost.h"
#include "pde/Diagnostics.h"

namespace {

using pde::CFPtr;

constexpr CFTimeInterval kFarAway = 1.0e9;  // far beyond any dialog's life

struct Firings {
  int count = 0;
  std::vector<CFRunLoopTimerRef> toInvalidate;  // invalidated and released by the callback
  bool removeSelf = false;
};

void CountFiring(CFRunLoopTimerRef timer, void* info) {
  auto* firings = static_cast<Firings*>(info);
  ++firings->count;
  for (CFRunLoopTimerRef other : firings->toInvalidate) {
    CFRunLoopTimerInvalidate(other);
    CFRelease(other);
  }
  firings->toInvalidate.clear();
  if (firings->removeSelf) {
    CFRunLoopRemoveTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
  }
}

CFPtr<CFRunLoopTimerRef> MakeTimer(Firings* firings, CFAbsoluteTime fireDate,
                                   CFTimeInterval interval = kFarAway) {
  CFRunLoopTimerContext context = {0, firings, nullptr, nullptr, nullptr};
  return CFPtr<CFRunLoopTimerRef>(
      CFRunLoopTimerCreate(kCFAllocatorDefault, fireDate, interval, 0, 0, CountFiring, &context));
}

SInt32 OnePass() {
  return CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, true);
}

TEST(RunLoop, ARepeatingTimerReArmedToNowFiresOnTheNextPassAndStays) {
  Firings firings;
  CFAbsoluteTime start = CFAbsoluteTimeGetCurrent();
  CFPtr<CFRunLoopTimerRef> timer = MakeTimer(&firings, start + kFarAway);
  CFRunLoopRef loop = CFRunLoopGetCurrent();
  CFRunLoopAddTimer(loop, timer.get(), kCFRunLoopCommonModes);
  EXPECT_EQ(OnePass(), kCFRunLoopRunTimedOut);
  EXPECT_EQ(firings.count, 0);

  CFRunLoopTimerSetNextFireDate(timer.get(), CFAbsoluteTimeGetCurrent());
  EXPECT_EQ(OnePass(), kCFRunLoopRunTimedOut);  // firing a timer is not a handled source
  EXPECT_EQ(firings.count, 1);
  EXPECT_TRUE(CFRunLoopTimerIsValid(timer.get()));
  EXPECT_TRUE(CFRunLoopContainsTimer(loop, timer.get(), kCFRunLoopDefaultMode));
  EXPECT_GE(CFRunLoopTimerGetNextFireDate(timer.get()), start + kFarAway);
  EXPECT_EQ(OnePass(), kCFRunLoopRunTimedOut);
  EXPECT_EQ(firings.count, 1);  // fires again only when re-armed

  CFRunLoopTimerSetNextFireDate(timer.get(), start - 5 * kFarAway);  // missed firings merge
  pde::RunLoopRunOnePass();
  EXPECT_EQ(firings.count, 2);
  EXPECT_GT(CFRunLoopTimerGetNextFireDate(timer.get()), CFAbsoluteTimeGetCurrent());
  pde::RunLoopRunOnePass();
  EXPECT_EQ(firings.count, 2);
  EXPECT_EQ(CFRunLoopTimerGetInterval(timer.get()), kFarAway);
  CFRunLoopRemoveTimer(loop, timer.get(), kCFRunLoopCommonModes);
}

TEST(RunLoop, CommonModesIncludeTheDefaultModeAndRemovalKeepsTheTimerValid) {
  Firings firings;
  CFPtr<CFRunLoopTimerRef> timer = MakeTimer(&firings, CFAbsoluteTimeGetCurrent());
  CFRunLoopRef loop = CFRunLoopGetCurrent();
  CFRunLoopAddTimer(loop, timer.get(), kCFRunLoopCommonModes);
  EXPECT_TRUE(CFRunLoopContainsTimer(loop, timer.get(), kCFRunLoopCommonModes));
  EXPECT_TRUE(CFRunLoopContainsTimer(loop, timer.get(), kCFRunLoopDefaultMode));
  EXPECT_FALSE(CFRunLoopContainsTimer(loop, timer.get(), CFSTR("OtherMode")));
  CFRunLoopRemoveTimer(loop, timer.get(), kCFRunLoopCommonModes);
  EXPECT_FALSE(CFRunLoopContainsTimer(loop, timer.get(), kCFRunLoopCommonModes));
  EXPECT_FALSE(CFRunLoopContainsTimer(loop, timer.get(), kCFRunLoopDefaultMode));
  EXPECT_TRUE(CFRunLoopTimerIsValid(timer.get()));
  EXPECT_EQ(CFGetRetainCount(timer.get()), 1);  // the loop's references are gone
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 30, false), kCFRunLoopRunFinished);
  EXPECT_EQ(firings.count, 0);

  CFRunLoopAddTimer(loop, timer.get(), kCFRunLoopDefaultMode);  // added again
  EXPECT_TRUE(CFRunLoopContainsTimer(loop, timer.get(), kCFRunLoopDefaultMode));
  EXPECT_FALSE(CFRunLoopContainsTimer(loop, timer.get(), kCFRunLoopCommonModes));
  pde::RunLoopRunOnePass();
  EXPECT_EQ(firings.count, 1);
  CFRunLoopRemoveTimer(loop, timer.get(), kCFRunLoopDefaultMode);
}

TEST(RunLoop, AnInvalidatedTimerIsGoneForGood) {
  Firings firings;
  long before = pde::LiveObjectCount();
  CFRunLoopTimerRef timer = MakeTimer(&firings, CFAbsoluteTimeGetCurrent()).release();
  CFRunLoopRef loop = CFRunLoopGetCurrent();
  CFRunLoopAddTimer(loop, timer, kCFRunLoopCommonModes);
  CFRelease(timer);  // the loop keeps it
  EXPECT_EQ(pde::LiveObjectCount(), before + 1);
  CFRetain(timer);
  CFRunLoopTimerInvalidate(timer);
  EXPECT_FALSE(CFRunLoopTimerIsValid(timer));
  EXPECT_FALSE(CFRunLoopContainsTimer(loop, timer, kCFRunLoopDefaultMode));
  CFRunLoopAddTimer(loop, timer, kCFRunLoopCommonModes);
  EXPECT_FALSE(CFRunLoopContainsTimer(loop, timer, kCFRunLoopCommonModes));
  CFRunLoopTimerSetNextFireDate(timer, 0);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false), kCFRunLoopRunFinished);
  EXPECT_EQ(firings.count, 0);
  CFRelease(timer);
  EXPECT_EQ(pde::LiveObjectCount(), before);
}

TEST(RunLoop, AOneShotTimerFiresOnceThenInvalidatesItself) {
  Firings firings;
  CFPtr<CFRunLoopTimerRef> timer = MakeTimer(&firings, CFAbsoluteTimeGetCurrent() + 0.02, 0);
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer.get(), kCFRunLoopDefaultMode);
  // Running for a time waits for the timer, fires it, and finishes once the mode is empty.
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 60, false), kCFRunLoopRunFinished);
  EXPECT_EQ(firings.count, 1);
  EXPECT_FALSE(CFRunLoopTimerIsValid(timer.get()));
  EXPECT_EQ(CFGetRetainCount(timer.get()), 1);
}

TEST(RunLoop, CallbacksMayInvalidateAndRemoveTimersDuringAPass) {
  Firings first, second, third;
  CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
  CFPtr<CFRunLoopTimerRef> early = MakeTimer(&first, now - 2);
  CFRunLoopTimerRef middle = MakeTimer(&second, now - 1).release();
  CFPtr<CFRunLoopTimerRef> late = MakeTimer(&third, now);
  CFRunLoopRef loop = CFRunLoopGetCurrent();
  for (CFRunLoopTimerRef timer : {early.get(), middle, late.get()}) {
    CFRunLoopAddTimer(loop, timer, kCFRunLoopCommonModes);
  }
  first.toInvalidate.push_back(middle);  // the earliest timer kills the next one
  first.removeSelf = true;
  third.removeSelf = true;
  pde::RunLoopRunOnePass();
  EXPECT_EQ(first.count, 1);
  EXPECT_EQ(second.count, 0);
  EXPECT_EQ(third.count, 1);
  EXPECT_FALSE(CFRunLoopContainsTimer(loop, early.get(), kCFRunLoopDefaultMode));
  EXPECT_TRUE(CFRunLoopTimerIsValid(early.get()));
}

struct InfoOwnership {
  int retains = 0;
  int releases = 0;
};

const void* RetainInfo(const void* info) {
  ++static_cast<InfoOwnership*>(const_cast<void*>(info))->retains;
  return info;
}
void ReleaseInfo(const void* info) {
  ++static_cast<InfoOwnership*>(const_cast<void*>(info))->releases;
}

TEST(RunLoop, TheContextInfoIsRetainedOnceAndReleasedOnce) {
  InfoOwnership ownership;
  CFRunLoopTimerContext context = {0, &ownership, RetainInfo, ReleaseInfo, nullptr};
  CFRunLoopTimerRef timer = CFRunLoopTimerCreate(nullptr, 0, kFarAway, 0, 0, nullptr, &context);
  EXPECT_EQ(ownership.retains, 1);
  CFRunLoopTimerInvalidate(timer);
  EXPECT_EQ(ownership.releases, 1);
  CFRelease(timer);
  EXPECT_EQ(ownership.releases, 1);

  timer = CFRunLoopTimerCreate(nullptr, 0, kFarAway, 0, 0, nullptr, &context);
  CFRelease(timer);  // freed without invalidation
  EXPECT_EQ(ownership.retains, 2);
  EXPECT_EQ(ownership.releases, 2);
}

TEST(RunLoop, TimerCreationFailsWhenInjectedOrOutOfMemory) {
  Firings firings;
  pde::InjectFailure("CFRunLoopTimerCreate", memFullErr);
  EXPECT_FALSE(MakeTimer(&firings, 0));
  pde::FailAllocations("CFRunLoopTimer", 1);
  EXPECT_FALSE(MakeTimer(&firings, 0));
  EXPECT_TRUE(MakeTimer(&firings, 0));
}

TEST(RunLoop, AModeWithNothingInItReturnsAtOnce) {
  EXPECT_EQ(CFRunLoopRunInMode(CFSTR("NothingHere"), 1.0e6, false), kCFRunLoopRunFinished);
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0e6, true), kCFRunLoopRunFinished);
  EXPECT_EQ(CFRunLoopGetCurrent(), CFRunLoopGetCurrent());
  EXPECT_EQ(CFGetTypeID(CFRunLoopGetCurrent()), CFRunLoopGetTypeID());
  CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
  EXPECT_GT(now, 7.0e8);  // after 2023 since 2001
}

}  // namespace
