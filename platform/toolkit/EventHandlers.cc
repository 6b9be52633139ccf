// EventHandlers.cc: event targets and the stacks of handlers installed on them.
#include <algorithm>
#include <unordered_set>

#include "EventModel.h"
#include "pde/TestHooks.h"

namespace {

// Most event types one handler may listen for.
constexpr ItemCount kMaxEventTypes = 256;

std::unordered_set<const OpaqueEventHandlerRef*>& LiveHandlers() {
  // Never destroyed, so that targets destroyed at exit can still unregister their handlers.
  static auto* handlers = new std::unordered_set<const OpaqueEventHandlerRef*>;
  return *handlers;
}

}  // namespace

namespace pde::toolkit {

bool IsLiveHandler(const OpaqueEventHandlerRef* handler) {
  return handler != nullptr && LiveHandlers().count(handler) != 0;
}

void RegisterHandler(OpaqueEventHandlerRef* handler) { LiveHandlers().insert(handler); }

void UnregisterHandler(OpaqueEventHandlerRef* handler) { LiveHandlers().erase(handler); }

}  // namespace pde::toolkit

bool OpaqueEventHandlerRef::Accepts(UInt32 eventClass, UInt32 eventKind) const {
  return std::any_of(types.begin(), types.end(), [&](const EventTypeSpec& type) {
    return type.eventClass == eventClass && type.eventKind == eventKind;
  });
}

OpaqueEventTargetRef::~OpaqueEventTargetRef() { Kill(); }

void OpaqueEventTargetRef::Kill() {
  for (const auto& handler : handlers) {
    if (!handler->removed) {
      pde::toolkit::UnregisterHandler(handler.get());
      handler->removed = true;
    }
  }
  dead = true;
}

EventHandlerUPP NewEventHandlerUPP(EventHandlerProcPtr userRoutine) { return userRoutine; }

void DisposeEventHandlerUPP(EventHandlerUPP /*userUPP*/) {}

EventTargetRef GetControlEventTarget(ControlRef inControl) {
  return inControl ? &inControl->target : nullptr;
}

EventTargetRef GetWindowEventTarget(WindowRef inWindow) {
  return inWindow ? &inWindow->target : nullptr;
}

EventTargetRef GetApplicationEventTarget(void) {
  static auto* application = new OpaqueEventTargetRef;
  return application;
}

OSStatus InstallEventHandler(EventTargetRef inTarget, EventHandlerUPP inHandler,
                             ItemCount inNumTypes, const EventTypeSpec* inList, void* inUserData,
                             EventHandlerRef* outRef) {
  if (!inTarget || inTarget->dead || !inHandler || (inNumTypes > 0 && !inList) ||
      inNumTypes > kMaxEventTypes) {
    return paramErr;
  }
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("InstallEventHandler", &injected)) return injected;
  bool installed = std::any_of(
      inTarget->handlers.begin(), inTarget->handlers.end(), [&](const auto& handler) {
        return !handler->removed && handler->procedure == inHandler &&
               handler->userData == inUserData;
      });
  if (installed) return eventHandlerAlreadyInstalledErr;
  if (pde::TakeAllocationFailure("EventHandler")) return memFullErr;

  auto handler = std::make_unique<OpaqueEventHandlerRef>();
  handler->target = inTarget;
  handler->procedure = inHandler;
  handler->types.assign(inList, inList + inNumTypes);
  handler->userData = inUserData;
  pde::toolkit::RegisterHandler(handler.get());
  if (outRef) *outRef = handler.get();
  inTarget->handlers.push_back(std::move(handler));
  return noErr;
}

OSStatus RemoveEventHandler(EventHandlerRef inHandlerRef) {
  if (!pde::toolkit::IsLiveHandler(inHandlerRef)) return paramErr;
  pde::toolkit::UnregisterHandler(inHandlerRef);
  inHandlerRef->removed = true;
  pde::toolkit::EraseHandlerWhenIdle(inHandlerRef);
  return noErr;
}
