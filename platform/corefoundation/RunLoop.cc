// RunLoop.cc: per-thread run loops with modes, and the timers they fire.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <ctime>
#include <map>
#include <optional>
#include <thread>
#include <vector>

#include "String.h"
#include "Text.h"
#include "pde/CFHost.h"

struct CFOpaqueRunLoop;

struct CFOpaqueRunLoopTimer : pde::cf::ObjectBase {
  CFAbsoluteTime nextFire = 0;
  CFTimeInterval interval = 0;
  CFIndex order = 0;
  CFRunLoopTimerCallBack callout = nullptr;
  CFRunLoopTimerContext context{};  // info is held (retained) while infoHeld
  bool infoHeld = false;
  bool valid = true;
  CFOpaqueRunLoop* loop = nullptr;  // the loop it is scheduled in, while in one
};

struct CFOpaqueRunLoop : pde::cf::ObjectBase {
  // Each list holds one reference to each of its timers.
  std::map<std::u16string, std::vector<CFOpaqueRunLoopTimer*>> modes;
  std::vector<CFOpaqueRunLoopTimer*> commonItems;  // added in kCFRunLoopCommonModes
  std::vector<std::u16string> commonModes{u"kCFRunLoopDefaultMode"};
  // The host's callback for a timer added or given a new fire date (pde::SetNextFireDateChanged).
  pde::NextFireDateChanged nextFireDateChanged = nullptr;
  void* nextFireDateChangedInfo = nullptr;
};

const CFStringRef kCFRunLoopDefaultMode = CFSTR("kCFRunLoopDefaultMode");
const CFStringRef kCFRunLoopCommonModes = CFSTR("kCFRunLoopCommonModes");

namespace pde::cf {
namespace {

constexpr CFAbsoluteTime kUnixTimeOfReferenceDate = 978307200.0;  // 2001-01-01 00:00:00 GMT

using TimerList = std::vector<CFOpaqueRunLoopTimer*>;

bool Contains(const TimerList& list, const CFOpaqueRunLoopTimer* timer) {
  return std::find(list.begin(), list.end(), timer) != list.end();
}

// Adds timer to list with a reference for the list.
void AddTo(TimerList& list, CFOpaqueRunLoopTimer* timer) {
  if (Contains(list, timer)) return;
  list.push_back(timer);
  CFRetain(timer);
}

// Takes timer out of list; counts the reference the list held in *references.
void RemoveFrom(TimerList& list, CFOpaqueRunLoopTimer* timer, int* references) {
  auto found = std::find(list.begin(), list.end(), timer);
  if (found == list.end()) return;
  list.erase(found);
  ++*references;
}

bool IsScheduled(const CFOpaqueRunLoop* loop, const CFOpaqueRunLoopTimer* timer) {
  if (Contains(loop->commonItems, timer)) return true;
  for (const auto& [name, timers] : loop->modes) {
    if (Contains(timers, timer)) return true;
  }
  return false;
}

// Drops references the loop held on timer, after the timer has left the loop's lists.
void DropReferences(CFOpaqueRunLoop* loop, CFOpaqueRunLoopTimer* timer, int references) {
  if (references == 0) return;
  if (!IsScheduled(loop, timer)) timer->loop = nullptr;
  while (references-- > 0) CFRelease(timer);
}

void ReleaseInfo(CFOpaqueRunLoopTimer* timer) {
  if (!timer->infoHeld) return;
  timer->infoHeld = false;
  if (timer->context.release != nullptr) timer->context.release(timer->context.info);
}

void FinalizeTimer(ObjectBase* object) {
  ReleaseInfo(static_cast<CFOpaqueRunLoopTimer*>(object));
  DeleteObject<CFOpaqueRunLoopTimer>(object);
}

void FinalizeImmortal(ObjectBase*) {}

std::u16string DescribeTimer(const ObjectBase* object) {
  const auto* timer = static_cast<const CFOpaqueRunLoopTimer*>(object);
  char text[128];
  std::snprintf(text, sizeof text,
                "<CFRunLoopTimer %p> {valid = %s, interval = %g, next fire = %.3f}",
                static_cast<const void*>(timer), timer->valid ? "Yes" : "No", timer->interval,
                timer->nextFire);
  return ASCIIToUTF16(text);
}

std::u16string DescribeRunLoop(const ObjectBase* object) {
  char text[64];
  std::snprintf(text, sizeof text, "<CFRunLoop %p>", static_cast<const void*>(object));
  return ASCIIToUTF16(text);
}

CFOpaqueRunLoopTimer* TimerOf(CFRunLoopTimerRef ref) {
  return AsMutable<CFOpaqueRunLoopTimer>(ref, kRunLoopTimerClass);
}
CFOpaqueRunLoop* LoopOf(CFRunLoopRef ref) {
  return AsMutable<CFOpaqueRunLoop>(ref, kRunLoopClass);
}

// The next date after a firing: one interval on, with the firings missed until now merged.
CFAbsoluteTime NextFireDate(const CFOpaqueRunLoopTimer* timer, CFAbsoluteTime now) {
  CFAbsoluteTime next = timer->nextFire + timer->interval;
  if (next > now) return next;
  double missed = std::floor((now - timer->nextFire) / timer->interval);
  next = timer->nextFire + (missed + 1) * timer->interval;
  return next > now ? next : now + timer->interval;
}

void Fire(CFOpaqueRunLoopTimer* timer, CFAbsoluteTime now) {
  if (timer->interval > 0) timer->nextFire = NextFireDate(timer, now);
  if (timer->callout != nullptr) timer->callout(timer, timer->context.info);
  if (timer->interval <= 0) CFRunLoopTimerInvalidate(timer);
}

// Fires, once each, the timers of mode that are due now. The callbacks may add, remove, re-arm
// or invalidate timers: the pass works on a snapshot and checks each timer before firing it.
void FireDueTimers(CFOpaqueRunLoop* loop, const std::u16string& mode) {
  TimerList snapshot = loop->modes[mode];
  for (CFOpaqueRunLoopTimer* timer : snapshot) CFRetain(timer);
  std::stable_sort(snapshot.begin(), snapshot.end(), [](const auto* a, const auto* b) {
    return a->nextFire < b->nextFire || (a->nextFire == b->nextFire && a->order < b->order);
  });
  CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
  for (CFOpaqueRunLoopTimer* timer : snapshot) {
    if (timer->valid && timer->nextFire <= now && Contains(loop->modes[mode], timer)) {
      Fire(timer, now);
    }
  }
  for (CFOpaqueRunLoopTimer* timer : snapshot) CFRelease(timer);
}

// The earliest fire date of the valid timers of mode; nothing when there is none.
std::optional<CFAbsoluteTime> EarliestFireDate(const CFOpaqueRunLoop* loop,
                                               const std::u16string& mode) {
  auto found = loop->modes.find(mode);
  if (found == loop->modes.end()) return std::nullopt;
  std::optional<CFAbsoluteTime> earliest;
  for (const CFOpaqueRunLoopTimer* timer : found->second) {
    if (timer->valid && (!earliest || timer->nextFire < *earliest)) earliest = timer->nextFire;
  }
  return earliest;
}

SInt32 Run(CFOpaqueRunLoop* loop, const std::u16string& mode, CFTimeInterval seconds) {
  CFAbsoluteTime deadline = CFAbsoluteTimeGetCurrent() + std::max(seconds, 0.0);
  while (true) {
    if (loop->modes[mode].empty()) return kCFRunLoopRunFinished;
    FireDueTimers(loop, mode);
    CFAbsoluteTime now = CFAbsoluteTimeGetCurrent();
    if (seconds <= 0 || now >= deadline) return kCFRunLoopRunTimedOut;
    std::optional<CFAbsoluteTime> next = EarliestFireDate(loop, mode);
    if (!next) return kCFRunLoopRunFinished;
    CFAbsoluteTime wake = std::min(*next, deadline);
    if (wake > now) std::this_thread::sleep_for(std::chrono::duration<double>(wake - now));
  }
}

// Tells the loop's host that one of its timers may now fire earlier.
void NotifyNextFireDateChanged(const CFOpaqueRunLoop* loop) {
  if (loop->nextFireDateChanged != nullptr) {
    loop->nextFireDateChanged(loop->nextFireDateChangedInfo);
  }
}

bool IsCommonModes(CFStringRef mode) {
  return CFEqual(mode, kCFRunLoopCommonModes);
}

}  // namespace

const ClassRecord kRunLoopClass = {kRunLoopTypeID, "CFRunLoop", FinalizeImmortal,
                                   nullptr,        nullptr,     DescribeRunLoop};
const ClassRecord kRunLoopTimerClass = {
    kRunLoopTimerTypeID, "CFRunLoopTimer", FinalizeTimer, nullptr, nullptr, DescribeTimer};

}  // namespace pde::cf

using namespace pde::cf;

CFAbsoluteTime CFAbsoluteTimeGetCurrent(void) {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return static_cast<double>(now.tv_sec) - kUnixTimeOfReferenceDate +
         static_cast<double>(now.tv_nsec) * 1e-9;
}

CFTypeID CFRunLoopGetTypeID(void) {
  return kRunLoopTypeID;
}
CFTypeID CFRunLoopTimerGetTypeID(void) {
  return kRunLoopTimerTypeID;
}

CFRunLoopRef CFRunLoopGetCurrent(void) {
  // One loop per thread, immortal: it lives as long as the process (timers included).
  thread_local CFOpaqueRunLoop* current = nullptr;
  if (current == nullptr) {
    current = NoThrow([] { return new CFOpaqueRunLoop; });
    if (current == nullptr) return nullptr;
    current->classRecord = &kRunLoopClass;
    current->immortal = true;
  }
  return current;
}

SInt32 CFRunLoopRunInMode(CFStringRef mode, CFTimeInterval seconds, Boolean) {
  const std::u16string* name = TextOf(mode);
  CFOpaqueRunLoop* loop = LoopOf(CFRunLoopGetCurrent());
  if (name == nullptr || loop == nullptr) return kCFRunLoopRunFinished;
  return NoThrow([&] { return Run(loop, *name, seconds); });
}

void CFRunLoopAddTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFStringRef mode) {
  CFOpaqueRunLoop* loop = LoopOf(rl);
  CFOpaqueRunLoopTimer* object = TimerOf(timer);
  const std::u16string* name = TextOf(mode);
  if (loop == nullptr || object == nullptr || name == nullptr || !object->valid) return;
  if (object->loop != nullptr && object->loop != loop) {
    ReportMisuse("CFRunLoopAddTimer", "the timer is already in another run loop");
    return;
  }
  NoThrow([&] {
    if (IsCommonModes(mode)) {
      AddTo(loop->commonItems, object);
      for (const std::u16string& common : loop->commonModes) AddTo(loop->modes[common], object);
    } else {
      AddTo(loop->modes[*name], object);
    }
    object->loop = loop;
  });
  NotifyNextFireDateChanged(loop);
}

void CFRunLoopRemoveTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFStringRef mode) {
  CFOpaqueRunLoop* loop = LoopOf(rl);
  CFOpaqueRunLoopTimer* object = TimerOf(timer);
  const std::u16string* name = TextOf(mode);
  if (loop == nullptr || object == nullptr || name == nullptr || object->loop != loop) return;
  int references = 0;
  if (IsCommonModes(mode)) {
    RemoveFrom(loop->commonItems, object, &references);
    for (const std::u16string& common : loop->commonModes) {
      RemoveFrom(loop->modes[common], object, &references);
    }
  } else if (auto found = loop->modes.find(*name); found != loop->modes.end()) {
    RemoveFrom(found->second, object, &references);
  }
  DropReferences(loop, object, references);
}

Boolean CFRunLoopContainsTimer(CFRunLoopRef rl, CFRunLoopTimerRef timer, CFStringRef mode) {
  CFOpaqueRunLoop* loop = LoopOf(rl);
  CFOpaqueRunLoopTimer* object = TimerOf(timer);
  const std::u16string* name = TextOf(mode);
  if (loop == nullptr || object == nullptr || name == nullptr) return false;
  if (IsCommonModes(mode)) return Contains(loop->commonItems, object);
  auto found = loop->modes.find(*name);
  return found != loop->modes.end() && Contains(found->second, object);
}

CFRunLoopTimerRef CFRunLoopTimerCreate(CFAllocatorRef, CFAbsoluteTime fireDate,
                                       CFTimeInterval interval, CFOptionFlags, CFIndex order,
                                       CFRunLoopTimerCallBack callout,
                                       CFRunLoopTimerContext* context) {
  OSStatus status = 0;
  if (pde::TakeInjectedFailure("CFRunLoopTimerCreate", &status)) return nullptr;
  auto* timer = NewObject<CFOpaqueRunLoopTimer>(kRunLoopTimerClass);
  if (timer == nullptr) return nullptr;
  timer->nextFire = fireDate;
  timer->interval = interval > 0 ? interval : 0;
  timer->order = order;
  timer->callout = callout;
  if (context != nullptr) {
    timer->context = *context;
    if (context->retain != nullptr) {
      timer->context.info = const_cast<void*>(context->retain(context->info));
    }
    timer->infoHeld = true;
  }
  return timer;
}

CFAbsoluteTime CFRunLoopTimerGetNextFireDate(CFRunLoopTimerRef timer) {
  const CFOpaqueRunLoopTimer* object = TimerOf(timer);
  return object == nullptr || !object->valid ? 0 : object->nextFire;
}

void CFRunLoopTimerSetNextFireDate(CFRunLoopTimerRef timer, CFAbsoluteTime fireDate) {
  CFOpaqueRunLoopTimer* object = TimerOf(timer);
  if (object == nullptr || !object->valid) return;
  object->nextFire = fireDate;
  if (object->loop != nullptr) NotifyNextFireDateChanged(object->loop);
}

CFTimeInterval CFRunLoopTimerGetInterval(CFRunLoopTimerRef timer) {
  const CFOpaqueRunLoopTimer* object = TimerOf(timer);
  return object == nullptr ? 0 : object->interval;
}

void CFRunLoopTimerInvalidate(CFRunLoopTimerRef timer) {
  CFOpaqueRunLoopTimer* object = TimerOf(timer);
  if (object == nullptr || !object->valid) return;
  CFRetain(object);  // the loop's references may be the last ones
  object->valid = false;
  if (CFOpaqueRunLoop* loop = object->loop) {
    int references = 0;
    RemoveFrom(loop->commonItems, object, &references);
    for (auto& [name, timers] : loop->modes) RemoveFrom(timers, object, &references);
    DropReferences(loop, object, references);
  }
  ReleaseInfo(object);
  CFRelease(object);
}

Boolean CFRunLoopTimerIsValid(CFRunLoopTimerRef timer) {
  const CFOpaqueRunLoopTimer* object = TimerOf(timer);
  return object != nullptr && object->valid;
}

namespace pde {

void RunLoopRunOnePass() {
  CFRunLoopRunInMode(kCFRunLoopDefaultMode, 0, false);
}

void SetNextFireDateChanged(NextFireDateChanged callback, void* info) {
  CFOpaqueRunLoop* loop = LoopOf(CFRunLoopGetCurrent());
  if (loop == nullptr) return;
  loop->nextFireDateChanged = callback;
  loop->nextFireDateChangedInfo = info;
}

std::optional<CFAbsoluteTime> RunLoopNextFireDate() {
  CFOpaqueRunLoop* loop = LoopOf(CFRunLoopGetCurrent());
  if (loop == nullptr) return std::nullopt;
  return EarliestFireDate(loop, u"kCFRunLoopDefaultMode");
}

}  // namespace pde
