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
  CFRunLoopTimerRef toInvalidate = nullptr;  // invalidated and released by the callback
  bool removeSelf = false;
};

void CountFiring(CFRunLoopTimerRef timer, void* info) {
  auto* firings = static_cast<Firings*>(info);
  ++firings->count;
  if (firings->toInvalidate != nullptr) {
    CFRunLoopTimerInvalidate(firings->toInvalidate);
    CFRelease(firings->toInvalidate);
    firings->toInvalidate = nullptr;
  }
  if (firings->removeSelf)
    CFRunLoopRemoveTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
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

bool Contains(CFRunLoopTimerRef timer, CFStringRef mode) {
  return CFRunLoopContainsTimer(CFRunLoopGetCurrent(), timer, mode);
}

TEST(RunLoop, ARepeatingTimerReArmedToNowFiresOnTheNextPassAndStays) {
  Firings firings;
  CFAbsoluteTime start = CFAbsoluteTimeGetCurrent();
  EXPECT_GT(start, 7.0e8);  // seconds since 2001, and now is after 2023
  CFPtr<CFRunLoopTimerRef> timer = MakeTimer(&firings, start + kFarAway);
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer.get(), kCFRunLoopCommonModes);
  EXPECT_EQ(OnePass(), kCFRunLoopRunTimedOut);
  EXPECT_EQ(firings.count, 0);
  CFRunLoopTimerSetNextFireDate(timer.get(), CFAbsoluteTimeGetCurrent());
  EXPECT_EQ(OnePass(), kCFRunLoopRunTimedOut);  // firing a timer is not a handled source
  EXPECT_EQ(firings.count, 1);
  EXPECT_TRUE(Contains(timer.get(), kCFRunLoopDefaultMode));
  EXPECT_GE(CFRunLoopTimerGetNextFireDate(timer.get()), start + kFarAway);
  EXPECT_EQ(OnePass(), kCFRunLoopRunTimedOut);
  EXPECT_EQ(firings.count, 1);  // fires again only when re-armed

  CFRunLoopTimerSetNextFireDate(timer.get(), start - 5 * kFarAway);  // missed firings merge
  pde::RunLoopRunOnePass();
  pde::RunLoopRunOnePass();
  EXPECT_EQ(firings.count, 2);
  EXPECT_GT(CFRunLoopTimerGetNextFireDate(timer.get()), CFAbsoluteTimeGetCurrent());
  CFRunLoopRemoveTimer(CFRunLoopGetCurrent(), timer.get(), kCFRunLoopCommonModes);
}

TEST(RunLoop, CommonModesIncludeTheDefaultModeAndRemovalKeepsTheTimerValid) {
  Firings firings;
  CFPtr<CFRunLoopTimerRef> timer = MakeTimer(&firings, CFAbsoluteTimeGetCurrent());
  CFRunLoopRef loop = CFRunLoopGetCurrent();
  CFRunLoopAddTimer(loop, timer.get(), kCFRunLoopCommonModes);
  EXPECT_TRUE(Contains(timer.get(), kCFRunLoopCommonModes));
  EXPECT_TRUE(Contains(timer.get(), kCFRunLoopDefaultMode));
  EXPECT_FALSE(Contains(timer.get(), CFSTR("OtherMode")));
  CFRunLoopRemoveTimer(loop, timer.get(), kCFRunLoopCommonModes);
  EXPECT_FALSE(Contains(timer.get(), kCFRunLoopDefaultMode));
  EXPECT_TRUE(CFRunLoopTimerIsValid(timer.get()));
  EXPECT_EQ(CFGetRetainCount(timer.get()), 1);  // the loop's references are gone
  // A mode with nothing in it returns at once, whatever the time asked for.
  EXPECT_EQ(CFRunLoopRunInMode(kCFRunLoopDefaultMode, 1.0e6, false), kCFRunLoopRunFinished);
  EXPECT_EQ(CFRunLoopRunInMode(CFSTR("NothingHere"), 1.0e6, true), kCFRunLoopRunFinished);
  EXPECT_EQ(firings.count, 0);

  CFRunLoopAddTimer(loop, timer.get(), kCFRunLoopDefaultMode);  // added again
  EXPECT_TRUE(Contains(timer.get(), kCFRunLoopDefaultMode));
  EXPECT_FALSE(Contains(timer.get(), kCFRunLoopCommonModes));
  pde::RunLoopRunOnePass();
  EXPECT_EQ(firings.count, 1);
  CFRunLoopRemoveTimer(loop, timer.get(), kCFRunLoopDefaultMode);
}

TEST(RunLoop, AnInvalidatedTimerIsGoneForGood) {
  Firings firings;
  long before = pde::LiveObjectCount();
  CFRunLoopTimerRef timer = MakeTimer(&firings, CFAbsoluteTimeGetCurrent()).release();
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
  CFRelease(timer);  // the loop keeps it
  EXPECT_EQ(pde::LiveObjectCount(), before + 1);
  CFRetain(timer);
  CFRunLoopTimerInvalidate(timer);
  EXPECT_FALSE(CFRunLoopTimerIsValid(timer));
  EXPECT_FALSE(Contains(timer, kCFRunLoopDefaultMode));
  CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
  EXPECT_FALSE(Contains(timer, kCFRunLoopCommonModes));
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
  for (CFRunLoopTimerRef timer : {early.get(), middle, late.get()}) {
    CFRunLoopAddTimer(CFRunLoopGetCurrent(), timer, kCFRunLoopCommonModes);
  }
  first = {0, middle, true};  // the earliest timer kills the next one and removes itself
  third.removeSelf = true;
  pde::RunLoopRunOnePass();
  EXPECT_EQ((std::vector<int>{first.count, second.count, third.count}),
            (std::vector<int>{1, 0, 1}));
  EXPECT_FALSE(Contains(early.get(), kCFRunLoopDefaultMode));
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
  CFRelease(CFRunLoopTimerCreate(nullptr, 0, kFarAway, 0, 0, nullptr, &context));  // no invalidate
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

}  // namespace
