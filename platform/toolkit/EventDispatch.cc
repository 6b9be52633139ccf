// EventDispatch.cc: delivery of an event along its target chain: the handlers of each target,
// newest first, then the targets further up, then the control's own handling.
#include <algorithm>

#include "EventModel.h"

namespace {

// One delivery: the event, the targets it may reach in order, and the control whose own
// handling runs when every handler declines.
struct Delivery {
  EventRef event = nullptr;
  std::vector<OpaqueEventTargetRef*> chain;
  OpaqueControlRef* control = nullptr;
};

struct DispatchState {
  int depth = 0;
  std::vector<OpaqueEventTargetRef*> targetsToPurge;
  std::vector<std::unique_ptr<OpaqueWindowPtr>> windowsToDestroy;
  std::vector<OpaqueEventHandlerCallRef*> activeCalls;
};

DispatchState& State() {
  static auto* state = new DispatchState;
  return *state;
}

void PurgeRemovedHandlers(OpaqueEventTargetRef* target) {
  std::erase_if(target->handlers, [](const auto& handler) { return handler->removed; });
}

}  // namespace

// A handler being called: where in its delivery the rest of the chain begins.
struct OpaqueEventHandlerCallRef {
  Delivery* delivery;
  std::size_t targetIndex;
  std::size_t handlerIndex;
  bool calledNext = false;
};

namespace pde::toolkit {

DispatchScope::DispatchScope() { ++State().depth; }

DispatchScope::~DispatchScope() {
  DispatchState& state = State();
  if (--state.depth > 0) return;
  for (OpaqueEventTargetRef* target : state.targetsToPurge) PurgeRemovedHandlers(target);
  state.targetsToPurge.clear();
  auto windows = std::move(state.windowsToDestroy);
  state.windowsToDestroy.clear();
}

bool IsDispatching() { return State().depth > 0; }

void DestroyWindowWhenIdle(std::unique_ptr<OpaqueWindowPtr> window) {
  // Outside a dispatch the window is destroyed on return, with the controls still inside it.
  if (IsDispatching()) State().windowsToDestroy.push_back(std::move(window));
}

void EraseHandlerWhenIdle(OpaqueEventHandlerRef* handler) {
  DispatchState& state = State();
  if (state.depth == 0) {
    PurgeRemovedHandlers(handler->target);
  } else if (std::find(state.targetsToPurge.begin(), state.targetsToPurge.end(),
                       handler->target) == state.targetsToPurge.end()) {
    state.targetsToPurge.push_back(handler->target);
  }
}

}  // namespace pde::toolkit

namespace {

// Runs the handlers of the chain from target targetIndex, below handler index below, then the
// targets after it, then the control's own handling.
OSStatus RunChain(Delivery& delivery, std::size_t targetIndex, std::size_t below) {
  DispatchState& state = State();
  EventRef event = delivery.event;
  for (std::size_t t = targetIndex; t < delivery.chain.size(); ++t) {
    OpaqueEventTargetRef* target = delivery.chain[t];
    std::size_t i = t == targetIndex ? below : target->handlers.size();
    while (i-- > 0 && !target->dead) {
      OpaqueEventHandlerRef* handler = target->handlers[i].get();
      if (handler->removed || !handler->Accepts(event->eventClass, event->eventKind)) continue;
      OpaqueEventHandlerCallRef call{&delivery, t, i};
      state.activeCalls.push_back(&call);
      OSStatus status = handler->procedure(&call, event, handler->userData);
      state.activeCalls.pop_back();
      // A handler that called the rest of the chain itself has the last word.
      if (call.calledNext || status != eventNotHandledErr) return status;
    }
  }
  if (delivery.control && !delivery.control->target.dead) {
    return pde::toolkit::RunDefaultHandling(delivery.control, event);
  }
  return eventNotHandledErr;
}

}  // namespace

OSStatus CallNextEventHandler(EventHandlerCallRef inCallRef, EventRef inEvent) {
  const auto& calls = State().activeCalls;
  if (!inCallRef || std::find(calls.begin(), calls.end(), inCallRef) == calls.end()) {
    return paramErr;
  }
  if (inEvent != inCallRef->delivery->event) return paramErr;
  inCallRef->calledNext = true;
  return RunChain(*inCallRef->delivery, inCallRef->targetIndex, inCallRef->handlerIndex);
}

OSStatus SendEventToEventTarget(EventRef inEvent, EventTargetRef inTarget) {
  if (!inEvent || !inTarget || inTarget->dead) return paramErr;
  pde::toolkit::DispatchScope scope;
  Delivery delivery;
  delivery.event = RetainEvent(inEvent);
  delivery.control = inTarget->control;
  WindowRef window = inTarget->window;
  for (ControlRef c = inTarget->control; c != nullptr; c = c->parent) {
    delivery.chain.push_back(&c->target);
    window = c->window;
  }
  if (window) delivery.chain.push_back(&window->target);
  delivery.chain.push_back(GetApplicationEventTarget());
  OSStatus status = RunChain(delivery, 0, delivery.chain.front()->handlers.size());
  ReleaseEvent(inEvent);
  return status;
}
