// Events.cc: event records: creation, reference counting and typed parameters held as bytes.
#include <algorithm>
#include <cstring>

#include "EventModel.h"
#include "pde/TestHooks.h"

namespace {

// Largest parameter an event holds; events carry small records, never bulk data.
constexpr ByteCount kMaxParameterSize = 64 * 1024;

OpaqueEventRef::Parameter* FindParameter(EventRef event, EventParamName name) {
  auto found = std::find_if(event->parameters.begin(), event->parameters.end(),
                            [name](const auto& parameter) { return parameter.name == name; });
  return found == event->parameters.end() ? nullptr : &*found;
}

}  // namespace

namespace pde::toolkit {

EventRef MakeEvent(UInt32 eventClass, UInt32 eventKind) {
  if (TakeAllocationFailure("Event")) return nullptr;
  auto* event = new OpaqueEventRef;
  event->eventClass = eventClass;
  event->eventKind = eventKind;
  return event;
}

}  // namespace pde::toolkit

OSStatus CreateEvent(CFAllocatorRef /*inAllocator*/, UInt32 inClassID, UInt32 inKind,
                     EventTime inWhen, EventAttributes inAttributes, EventRef* outEvent) {
  if (!outEvent) return paramErr;
  EventRef event = pde::toolkit::MakeEvent(inClassID, inKind);
  if (!event) return memFullErr;
  event->when = inWhen;
  event->attributes = inAttributes;
  *outEvent = event;
  return noErr;
}

EventRef RetainEvent(EventRef inEvent) {
  if (inEvent) ++inEvent->references;
  return inEvent;
}

void ReleaseEvent(EventRef inEvent) {
  if (inEvent && --inEvent->references == 0) delete inEvent;
}

UInt32 GetEventClass(EventRef inEvent) { return inEvent ? inEvent->eventClass : 0; }

UInt32 GetEventKind(EventRef inEvent) { return inEvent ? inEvent->eventKind : 0; }

OSStatus SetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inType,
                           ByteCount inSize, const void* inDataPtr) {
  if (!inEvent || (inSize > 0 && !inDataPtr) || inSize > kMaxParameterSize) return paramErr;
  const auto* bytes = static_cast<const unsigned char*>(inDataPtr);
  std::vector<unsigned char> value(bytes, bytes + inSize);
  if (OpaqueEventRef::Parameter* parameter = FindParameter(inEvent, inName)) {
    parameter->type = inType;
    parameter->bytes = std::move(value);
  } else {
    inEvent->parameters.push_back({inName, inType, std::move(value)});
  }
  return noErr;
}

OSStatus GetEventParameter(EventRef inEvent, EventParamName inName, EventParamType inDesiredType,
                           EventParamType* outActualType, ByteCount inBufferSize,
                           ByteCount* outActualSize, void* outData) {
  if (!inEvent || (inBufferSize > 0 && !outData)) return paramErr;
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("GetEventParameter", &injected)) return injected;
  const OpaqueEventRef::Parameter* parameter = FindParameter(inEvent, inName);
  if (!parameter || (inDesiredType != typeWildCard && inDesiredType != parameter->type)) {
    return eventParameterNotFoundErr;
  }
  ByteCount copied = std::min<ByteCount>(inBufferSize, parameter->bytes.size());
  if (copied > 0) std::memcpy(outData, parameter->bytes.data(), copied);
  if (outActualType) *outActualType = parameter->type;
  if (outActualSize) *outActualSize = parameter->bytes.size();
  return noErr;
}
