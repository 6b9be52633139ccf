// EventModel.h: the toolkit's private event record and the dispatch bookkeeping that keeps
// handlers and windows alive while an event is being delivered.
#pragma once

#include <memory>
#include <vector>

#include "ToolkitModel.h"

struct OpaqueEventRef {
  struct Parameter {
    EventParamName name;
    EventParamType type;
    std::vector<unsigned char> bytes;
  };
  pde::toolkit::LiveObject live;
  UInt32 eventClass = 0;
  UInt32 eventKind = 0;
  EventTime when = 0;
  EventAttributes attributes = 0;
  long references = 1;
  std::vector<Parameter> parameters;
};

namespace pde::toolkit {

// Marks a delivery in progress: while one exists, removed handlers and disposed windows are only
// marked, and they are freed when the outermost scope ends.
class DispatchScope {
 public:
  DispatchScope();
  DispatchScope(const DispatchScope&) = delete;
  DispatchScope& operator=(const DispatchScope&) = delete;
  ~DispatchScope();
};

bool IsDispatching();
// Frees a window whose targets are already dead, now or at the end of the current dispatch.
void DestroyWindowWhenIdle(std::unique_ptr<OpaqueWindowPtr> window);
// Erases the removed handler from its target's stack, now or at the end of the current dispatch.
void EraseHandlerWhenIdle(OpaqueEventHandlerRef* handler);

// True when handler names a handler installed and not removed since.
bool IsLiveHandler(const OpaqueEventHandlerRef* handler);
void RegisterHandler(OpaqueEventHandlerRef* handler);
void UnregisterHandler(OpaqueEventHandlerRef* handler);

// Creates an event of class and kind; null when the "Event" allocation fails.
EventRef MakeEvent(UInt32 eventClass, UInt32 eventKind);

}  // namespace pde::toolkit
