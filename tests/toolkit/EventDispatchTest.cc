// EventDispatchTest.cc: handler stacks, propagation up the containment chain, CallNextEventHandler,
// duplicate installs, removal and disposal during dispatch, and event parameters.
#include "ToolkitTesting.h"
#include "pde/Diagnostics.h"

namespace pde::test {
namespace {

constexpr UInt32 kTestEventClass = 0x74657374;  // 'test'
constexpr UInt32 kTestEventKind = 7;
const EventTypeSpec kTestEvent{kTestEventClass, kTestEventKind};

EventRef NewTestEvent() {
  EventRef event = nullptr;
  EXPECT_EQ(CreateEvent(nullptr, kTestEventClass, kTestEventKind, 0, 0, &event), noErr);
  return event;
}

class EventDispatchTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    field_ = GetControlEventTarget(Control(6));
  }
  void TearDown() override {
    for (EventHandlerRef handler : applicationHandlers_) RemoveEventHandler(handler);
  }

  // Installs a recorder on target for the test event; removed again at the end of the test.
  EventHandlerRef Install(EventTargetRef target, Recorder* recorder) {
    EventHandlerRef handler = InstallRecorder(target, recorder, kTestEventClass, kTestEventKind);
    if (target == GetApplicationEventTarget()) applicationHandlers_.push_back(handler);
    return handler;
  }

  // Sends a test event to target; the status that ended the dispatch, and the log it left.
  std::pair<OSStatus, std::vector<std::string>> Send(EventTargetRef target) {
    log_.clear();
    EventRef event = NewTestEvent();
    OSStatus status = SendEventToEventTarget(event, target);
    ReleaseEvent(event);
    return {status, log_};
  }

  using Log = std::vector<std::string>;
  EventTargetRef field_ = nullptr;
  Log log_;
  std::vector<EventHandlerRef> applicationHandlers_;
};

TEST_F(EventDispatchTest, NewestHandlerFirstThenEachTargetUpToTheApplicationUntilOneAnswers) {
  Recorder older{&log_, "field older"}, newer{&log_, "field newer"}, keys{&log_, "keys"};
  Recorder group{&log_, "group"}, pane{&log_, "pane"}, window{&log_, "window"};
  Recorder application{&log_, "application"};
  Install(GetApplicationEventTarget(), &application);
  Install(GetWindowEventTarget(window_.get()), &window);
  Install(GetControlEventTarget(Control(1)), &pane);
  Install(GetControlEventTarget(Control(4)), &group);
  Install(field_, &older);
  Install(field_, &newer);
  InstallRecorder(field_, &keys, kEventClassKeyboard, kEventRawKeyDown);  // another event type

  EXPECT_EQ(Send(field_),
            std::pair(OSStatus{eventNotHandledErr},
                      Log{"field newer", "field older", "group", "pane", "window", "application"}));
  EXPECT_EQ(Send(GetWindowEventTarget(window_.get())),
            std::pair(OSStatus{eventNotHandledErr}, Log{"window", "application"}));
  // Any other result ends the dispatch and is returned.
  for (OSStatus result : {OSStatus{paramErr}, OSStatus{noErr}}) {
    group.result = result;
    EXPECT_EQ(Send(field_), std::pair(result, Log{"field newer", "field older", "group"}));
  }
}

struct Forwarder {
  std::vector<std::string>* log;
  OSStatus seenBelow = 0;
  OSStatus result = noErr;
  EventHandlerCallRef call = nullptr;  // kept after the handler returns
};

OSStatus ForwardFirst(EventHandlerCallRef call, EventRef event, void* data) {
  auto* self = static_cast<Forwarder*>(data);
  self->call = call;
  self->log->push_back("forwarder before");
  self->seenBelow = CallNextEventHandler(call, event);
  self->log->push_back("forwarder after");
  return self->result;
}

TEST_F(EventDispatchTest, CallNextEventHandlerRunsTheRestOfTheChainOnceAndOnlyWithinIt) {
  Recorder field{&log_, "field"};
  Recorder window{&log_, "window", noErr};
  Forwarder forwarder{&log_};
  Install(GetWindowEventTarget(window_.get()), &window);
  Install(field_, &field);
  ASSERT_EQ(InstallEventHandler(field_, ForwardFirst, 1, &kTestEvent, &forwarder, nullptr), noErr);

  // The forwarder's own result ends the dispatch, even "not handled": nothing runs twice.
  for (OSStatus result : {OSStatus{noErr}, OSStatus{eventNotHandledErr}}) {
    forwarder.result = result;
    EXPECT_EQ(Send(field_),
              std::pair(result, Log{"forwarder before", "field", "window", "forwarder after"}));
    EXPECT_EQ(forwarder.seenBelow, noErr);
  }
  EventRef event = NewTestEvent();
  EXPECT_EQ(CallNextEventHandler(forwarder.call, event), paramErr);
  EXPECT_EQ(CallNextEventHandler(nullptr, event), paramErr);
  ReleaseEvent(event);
}

TEST_F(EventDispatchTest, SameProcedureAndDataTwiceOnOneTargetIsRefused) {
  Recorder first{&log_, "first"}, second{&log_, "second"};
  EventHandlerRef handler = nullptr;
  ASSERT_EQ(InstallEventHandler(field_, RecordEvent, 1, &kTestEvent, &first, &handler), noErr);
  EXPECT_EQ(InstallEventHandler(field_, RecordEvent, 1, &kTestEvent, &first, nullptr),
            eventHandlerAlreadyInstalledErr);
  EXPECT_EQ(InstallEventHandler(field_, RecordEvent, 1, &kTestEvent, &second, nullptr), noErr);
  EXPECT_EQ(InstallEventHandler(GetWindowEventTarget(window_.get()), RecordEvent, 1, &kTestEvent,
                                &first, nullptr),
            noErr);
  EXPECT_EQ(RemoveEventHandler(handler), noErr);
  EXPECT_EQ(RemoveEventHandler(handler), paramErr);
  EXPECT_EQ(InstallEventHandler(field_, RecordEvent, 1, &kTestEvent, &first, nullptr), noErr);
  EXPECT_EQ(InstallEventHandler(nullptr, RecordEvent, 1, &kTestEvent, &first, nullptr), paramErr);
  EXPECT_EQ(InstallEventHandler(field_, nullptr, 1, &kTestEvent, &first, nullptr), paramErr);
  EXPECT_EQ(InstallEventHandler(field_, RecordEvent, 1, nullptr, &first, nullptr), paramErr);
  EXPECT_EQ(RemoveEventHandler(nullptr), paramErr);
}

struct Remover {
  std::vector<std::string>* log;
  std::vector<EventHandlerRef> toRemove;
  std::vector<OSStatus> statuses;
  WindowRef toDispose = nullptr;
};

OSStatus RemoveDuringDispatch(EventHandlerCallRef, EventRef, void* data) {
  auto* self = static_cast<Remover*>(data);
  self->log->push_back("remover");
  for (EventHandlerRef handler : self->toRemove)
    self->statuses.push_back(RemoveEventHandler(handler));
  if (self->toDispose != nullptr) DisposeWindow(self->toDispose);
  return eventNotHandledErr;
}

TEST_F(EventDispatchTest, HandlersRemovedDuringDispatchAreSkippedAndFreedAfter) {
  Recorder below{&log_, "below"}, window{&log_, "window"};
  EventHandlerRef belowRef = Install(field_, &below);
  Install(GetWindowEventTarget(window_.get()), &window);
  Remover remover{&log_, {}, {}, nullptr};
  EventHandlerRef removerRef = nullptr;
  ASSERT_EQ(
      InstallEventHandler(field_, RemoveDuringDispatch, 1, &kTestEvent, &remover, &removerRef),
      noErr);
  remover.toRemove = {removerRef, belowRef, belowRef};

  long live = LiveToolkitObjectCount();
  EXPECT_EQ(Send(field_), std::pair(OSStatus{eventNotHandledErr}, Log{"remover", "window"}));
  EXPECT_EQ(remover.statuses, (std::vector<OSStatus>{noErr, noErr, paramErr}));
  EXPECT_EQ(LiveToolkitObjectCount(), live - 2);
  EXPECT_EQ(Send(field_), std::pair(OSStatus{eventNotHandledErr}, Log{"window"}));
}

TEST_F(EventDispatchTest, AWindowDisposedOfDuringDispatchIsFreedAfterIt) {
  Recorder window{&log_, "window"}, application{&log_, "application"};
  Install(GetWindowEventTarget(window_.get()), &window);
  Install(GetApplicationEventTarget(), &application);
  EventHandlerRef orphan = Install(GetControlEventTarget(Control(4)), &window);
  Remover disposer{&log_, {}, {}, window_.release()};
  ASSERT_EQ(InstallEventHandler(field_, RemoveDuringDispatch, 1, &kTestEvent, &disposer, nullptr),
            noErr);
  EXPECT_EQ(Send(field_), std::pair(OSStatus{eventNotHandledErr}, Log{"remover", "application"}));
  // The handlers went with their controls: their references are refused, not followed.
  EXPECT_EQ(RemoveEventHandler(orphan), paramErr);
}

TEST_F(EventDispatchTest, ParametersAreKeptAsBytesByName) {
  EventRef event = NewTestEvent();
  EXPECT_EQ(GetEventClass(event), kTestEventClass);
  EXPECT_EQ(GetEventKind(event), kTestEventKind);
  UInt32 modifiers = cmdKey | shiftKey;
  ASSERT_EQ(
      SetEventParameter(event, kEventParamKeyModifiers, typeUInt32, sizeof modifiers, &modifiers),
      noErr);
  UInt32 read = 0;
  EventParamType actualType = 0;
  ByteCount actualSize = 0;
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyModifiers, typeWildCard, &actualType,
                              sizeof read, &actualSize, &read),
            noErr);
  EXPECT_EQ(read, modifiers);
  EXPECT_EQ(actualType, static_cast<EventParamType>(typeUInt32));
  EXPECT_EQ(actualSize, sizeof modifiers);
  // A short buffer takes what fits and learns the whole size.
  unsigned char first = 0;
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, 1, &actualSize,
                              &first),
            noErr);
  EXPECT_EQ(first, static_cast<unsigned char>(modifiers & 0xFF));
  EXPECT_EQ(actualSize, 4u);
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyModifiers, typeChar, nullptr, 4, nullptr, &read),
            eventParameterNotFoundErr);
  EXPECT_EQ(
      GetEventParameter(event, kEventParamDirectObject, typeWildCard, nullptr, 4, nullptr, &read),
      eventParameterNotFoundErr);
  EXPECT_EQ(
      GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, 4, nullptr, nullptr),
      paramErr);

  // Each reference keeps the event; the last release frees it.
  long live = LiveToolkitObjectCount();
  EXPECT_EQ(RetainEvent(event), event);
  ReleaseEvent(event);
  EXPECT_EQ(LiveToolkitObjectCount(), live);
  ReleaseEvent(event);
  EXPECT_EQ(LiveToolkitObjectCount(), live - 1);
  EXPECT_EQ(SetEventParameter(nullptr, kEventParamKeyModifiers, typeUInt32, 4, &read), paramErr);
  EXPECT_EQ(GetEventClass(nullptr), 0u);
  EXPECT_EQ(SendEventToEventTarget(nullptr, GetApplicationEventTarget()), paramErr);
}

TEST_F(EventDispatchTest, InjectedFailuresAreReturnedAndChangeNothing) {
  Recorder recorder{&log_, "field"};
  long live = LiveToolkitObjectCount();
  InjectFailure("InstallEventHandler", -9999);
  EXPECT_EQ(InstallEventHandler(field_, RecordEvent, 1, &kTestEvent, &recorder, nullptr), -9999);
  FailAllocations("EventHandler", 1);
  EXPECT_EQ(InstallEventHandler(field_, RecordEvent, 1, &kTestEvent, &recorder, nullptr),
            memFullErr);
  EXPECT_EQ(LiveToolkitObjectCount(), live);
  EXPECT_EQ(Send(field_), std::pair(OSStatus{eventNotHandledErr}, Log{}));

  FailAllocations("Event", 1);
  EventRef event = nullptr;
  EXPECT_EQ(CreateEvent(nullptr, kTestEventClass, kTestEventKind, 0, 0, &event), memFullErr);
  EXPECT_EQ(event, nullptr);

  event = NewTestEvent();
  unsigned char key = 'x', read = 0;
  SetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, 1, &key);
  InjectFailure("GetEventParameter", eventInternalErr);
  EXPECT_EQ(
      GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1, nullptr, &read),
      eventInternalErr);
  EXPECT_EQ(read, 0);
  EXPECT_EQ(
      GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1, nullptr, &read),
      noErr);
  EXPECT_EQ(read, 'x');
  ReleaseEvent(event);
}

}  // namespace
}  // namespace pde::test
