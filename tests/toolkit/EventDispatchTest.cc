// EventDispatchTest.cc: handler stacks, propagation up the containment chain, CallNextEventHandler,
// duplicate installs, removal and disposal during dispatch, and event parameters.
#include "ToolkitTesting.h"
#include "pde/Diagnostics.h"

namespace pde::test {
namespace {

constexpr UInt32 kTestEventClass = 0x74657374;  // 'test'
constexpr UInt32 kTestEventKind = 7;

EventRef NewTestEvent() {
  EventRef event = nullptr;
  EXPECT_EQ(CreateEvent(nullptr, kTestEventClass, kTestEventKind, 0, 0, &event), noErr);
  return event;
}

OSStatus SendTestEvent(EventTargetRef target) {
  EventRef event = NewTestEvent();
  OSStatus status = SendEventToEventTarget(event, target);
  ReleaseEvent(event);
  return status;
}

class EventDispatchTest : public ToolkitTest {
 protected:
  void SetUp() override {
    ToolkitTest::SetUp();
    window_ = LoadTestWindow();
    ASSERT_TRUE(window_);
    field_ = ControlNumbered(window_.get(), 6);
  }
  void TearDown() override {
    for (EventHandlerRef handler : applicationHandlers_) RemoveEventHandler(handler);
    window_.reset();
    ToolkitTest::TearDown();
  }

  // Installs a recorder on target for the test event; removed again at the end of the test.
  void Install(EventTargetRef target, Recorder* recorder) {
    EventHandlerRef handler = InstallRecorder(target, recorder, kTestEventClass, kTestEventKind);
    if (target == GetApplicationEventTarget()) applicationHandlers_.push_back(handler);
  }

  WindowPtr window_;
  ControlRef field_ = nullptr;
  std::vector<std::string> log_;
  std::vector<EventHandlerRef> applicationHandlers_;
};

TEST_F(EventDispatchTest, NewestHandlerFirstThenEachTargetUpToTheApplication) {
  Recorder older{&log_, "field older"}, newer{&log_, "field newer"};
  Recorder group{&log_, "group"}, pane{&log_, "pane"}, window{&log_, "window"};
  Recorder application{&log_, "application"};
  Install(GetApplicationEventTarget(), &application);
  Install(GetWindowEventTarget(window_.get()), &window);
  Install(GetControlEventTarget(ControlNumbered(window_.get(), 1)), &pane);
  Install(GetControlEventTarget(ControlNumbered(window_.get(), 4)), &group);
  Install(GetControlEventTarget(field_), &older);
  Install(GetControlEventTarget(field_), &newer);

  EXPECT_EQ(SendTestEvent(GetControlEventTarget(field_)), eventNotHandledErr);
  EXPECT_EQ(log_, (std::vector<std::string>{"field newer", "field older", "group", "pane",
                                            "window", "application"}));

  log_.clear();
  EXPECT_EQ(SendTestEvent(GetWindowEventTarget(window_.get())), eventNotHandledErr);
  EXPECT_EQ(log_, (std::vector<std::string>{"window", "application"}));
}

TEST_F(EventDispatchTest, AnyOtherResultEndsDispatchAndIsReturned) {
  Recorder window{&log_, "window"};
  Recorder group{&log_, "group", paramErr};
  Recorder field{&log_, "field"};
  Install(GetWindowEventTarget(window_.get()), &window);
  Install(GetControlEventTarget(ControlNumbered(window_.get(), 4)), &group);
  Install(GetControlEventTarget(field_), &field);

  EXPECT_EQ(SendTestEvent(GetControlEventTarget(field_)), paramErr);
  EXPECT_EQ(log_, (std::vector<std::string>{"field", "group"}));
  log_.clear();
  group.result = noErr;
  EXPECT_EQ(SendTestEvent(GetControlEventTarget(field_)), noErr);
  EXPECT_EQ(log_, (std::vector<std::string>{"field", "group"}));
}

TEST_F(EventDispatchTest, HandlersSeeOnlyTheirEventTypes) {
  Recorder keys{&log_, "keys"};
  InstallRecorder(GetControlEventTarget(field_), &keys, kEventClassKeyboard, kEventRawKeyDown);
  EXPECT_EQ(SendTestEvent(GetControlEventTarget(field_)), eventNotHandledErr);
  EXPECT_TRUE(log_.empty());
}

struct Forwarder {
  std::vector<std::string>* log;
  OSStatus seenBelow = 0;
  OSStatus result = noErr;
};

OSStatus ForwardFirst(EventHandlerCallRef call, EventRef event, void* data) {
  auto* self = static_cast<Forwarder*>(data);
  self->log->push_back("forwarder before");
  self->seenBelow = CallNextEventHandler(call, event);
  self->log->push_back("forwarder after");
  return self->result;
}

TEST_F(EventDispatchTest, CallNextEventHandlerRunsTheRestOfTheChainOnce) {
  Recorder field{&log_, "field"};
  Recorder window{&log_, "window", noErr};
  Forwarder forwarder{&log_};
  Install(GetWindowEventTarget(window_.get()), &window);
  Install(GetControlEventTarget(field_), &field);
  EventTypeSpec type{kTestEventClass, kTestEventKind};
  ASSERT_EQ(InstallEventHandler(GetControlEventTarget(field_), ForwardFirst, 1, &type, &forwarder,
                                nullptr),
            noErr);

  // The forwarder's own result ends the dispatch, even "not handled": nothing runs twice.
  for (OSStatus result : {OSStatus{noErr}, OSStatus{eventNotHandledErr}}) {
    log_.clear();
    forwarder.result = result;
    EXPECT_EQ(SendTestEvent(GetControlEventTarget(field_)), result);
    EXPECT_EQ(forwarder.seenBelow, noErr);
    EXPECT_EQ(log_, (std::vector<std::string>{"forwarder before", "field", "window",
                                              "forwarder after"}));
  }
}

EventHandlerCallRef gKeptCall = nullptr;

OSStatus KeepCall(EventHandlerCallRef call, EventRef, void*) {
  gKeptCall = call;
  return eventNotHandledErr;
}

TEST_F(EventDispatchTest, CallNextEventHandlerOutsideItsHandlerIsRefused) {
  EventTypeSpec type{kTestEventClass, kTestEventKind};
  ASSERT_EQ(InstallEventHandler(GetControlEventTarget(field_), KeepCall, 1, &type, nullptr,
                                nullptr),
            noErr);
  EXPECT_EQ(SendTestEvent(GetControlEventTarget(field_)), eventNotHandledErr);
  ASSERT_NE(gKeptCall, nullptr);
  EventRef event = NewTestEvent();
  EXPECT_EQ(CallNextEventHandler(gKeptCall, event), paramErr);
  EXPECT_EQ(CallNextEventHandler(nullptr, event), paramErr);
  ReleaseEvent(event);
}

TEST_F(EventDispatchTest, SameProcedureAndDataTwiceOnOneTargetIsRefused) {
  Recorder first{&log_, "first"}, second{&log_, "second"};
  EventTypeSpec type{kTestEventClass, kTestEventKind};
  EventTargetRef target = GetControlEventTarget(field_);
  EventHandlerRef handler = nullptr;
  ASSERT_EQ(InstallEventHandler(target, RecordEvent, 1, &type, &first, &handler), noErr);
  EXPECT_EQ(InstallEventHandler(target, RecordEvent, 1, &type, &first, nullptr),
            eventHandlerAlreadyInstalledErr);
  EXPECT_EQ(InstallEventHandler(target, RecordEvent, 1, &type, &second, nullptr), noErr);
  EXPECT_EQ(InstallEventHandler(GetWindowEventTarget(window_.get()), RecordEvent, 1, &type,
                                &first, nullptr),
            noErr);
  EXPECT_EQ(RemoveEventHandler(handler), noErr);
  EXPECT_EQ(RemoveEventHandler(handler), paramErr);
  EXPECT_EQ(InstallEventHandler(target, RecordEvent, 1, &type, &first, nullptr), noErr);
  EXPECT_EQ(InstallEventHandler(nullptr, RecordEvent, 1, &type, &first, nullptr), paramErr);
  EXPECT_EQ(InstallEventHandler(target, nullptr, 1, &type, &first, nullptr), paramErr);
  EXPECT_EQ(InstallEventHandler(target, RecordEvent, 1, nullptr, &first, nullptr), paramErr);
  EXPECT_EQ(RemoveEventHandler(nullptr), paramErr);
}

struct Remover {
  std::vector<std::string>* log;
  std::vector<EventHandlerRef> toRemove;
  std::vector<OSStatus> statuses;
};

OSStatus RemoveDuringDispatch(EventHandlerCallRef, EventRef, void* data) {
  auto* self = static_cast<Remover*>(data);
  self->log->push_back("remover");
  for (EventHandlerRef handler : self->toRemove) self->statuses.push_back(RemoveEventHandler(handler));
  return eventNotHandledErr;
}

TEST_F(EventDispatchTest, HandlersRemovedDuringDispatchAreSkippedAndFreedAfter) {
  Recorder below{&log_, "below"}, window{&log_, "window"};
  EventTypeSpec type{kTestEventClass, kTestEventKind};
  EventTargetRef target = GetControlEventTarget(field_);
  EventHandlerRef belowRef = InstallRecorder(target, &below, kTestEventClass, kTestEventKind);
  Install(GetWindowEventTarget(window_.get()), &window);
  Remover remover{&log_, {}, {}};
  EventHandlerRef removerRef = nullptr;
  ASSERT_EQ(InstallEventHandler(target, RemoveDuringDispatch, 1, &type, &remover, &removerRef),
            noErr);
  remover.toRemove = {removerRef, belowRef, belowRef};

  long live = LiveToolkitObjectCount();
  EXPECT_EQ(SendTestEvent(target), eventNotHandledErr);
  EXPECT_EQ(log_, (std::vector<std::string>{"remover", "window"}));
  EXPECT_EQ(remover.statuses, (std::vector<OSStatus>{noErr, noErr, paramErr}));
  EXPECT_EQ(LiveToolkitObjectCount(), live - 2);

  log_.clear();
  EXPECT_EQ(SendTestEvent(target), eventNotHandledErr);
  EXPECT_EQ(log_, (std::vector<std::string>{"window"}));
}

struct Disposer {
  std::vector<std::string>* log;
  WindowRef window;
};

OSStatus DisposeDuringDispatch(EventHandlerCallRef, EventRef, void* data) {
  auto* self = static_cast<Disposer*>(data);
  self->log->push_back("disposer");
  DisposeWindow(self->window);
  return eventNotHandledErr;
}

TEST_F(EventDispatchTest, AWindowDisposedOfDuringDispatchIsFreedAfterIt) {
  Recorder window{&log_, "window"}, application{&log_, "application"};
  Install(GetWindowEventTarget(window_.get()), &window);
  Install(GetApplicationEventTarget(), &application);
  EventTargetRef target = GetControlEventTarget(field_);
  EventHandlerRef orphan = InstallRecorder(GetControlEventTarget(ControlNumbered(window_.get(), 4)),
                                           &window, kTestEventClass, kTestEventKind);
  Disposer disposer{&log_, window_.release()};
  EventTypeSpec type{kTestEventClass, kTestEventKind};
  ASSERT_EQ(InstallEventHandler(target, DisposeDuringDispatch, 1, &type, &disposer, nullptr),
            noErr);

  EXPECT_EQ(SendTestEvent(target), eventNotHandledErr);
  EXPECT_EQ(log_, (std::vector<std::string>{"disposer", "application"}));
  // The handlers went with their controls: their references are refused, not followed.
  EXPECT_EQ(RemoveEventHandler(orphan), paramErr);
}

TEST_F(EventDispatchTest, ParametersAreKeptAsBytesByName) {
  EventRef event = NewTestEvent();
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(GetEventClass(event), kTestEventClass);
  EXPECT_EQ(GetEventKind(event), kTestEventKind);
  unsigned char key = 'k';
  ASSERT_EQ(SetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, 1, &key), noErr);
  UInt32 modifiers = cmdKey | shiftKey;
  ASSERT_EQ(SetEventParameter(event, kEventParamKeyModifiers, typeUInt32, sizeof modifiers,
                              &modifiers),
            noErr);

  char read = 0;
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1, nullptr,
                              &read),
            noErr);
  EXPECT_EQ(read, 'k');
  UInt32 readModifiers = 0;
  EventParamType actualType = 0;
  ByteCount actualSize = 0;
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyModifiers, typeWildCard, &actualType,
                              sizeof readModifiers, &actualSize, &readModifiers),
            noErr);
  EXPECT_EQ(readModifiers, modifiers);
  EXPECT_EQ(actualType, static_cast<EventParamType>(typeUInt32));
  EXPECT_EQ(actualSize, sizeof modifiers);
  // A short buffer takes what fits and learns the whole size.
  unsigned char first = 0;
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, 1,
                              &actualSize, &first),
            noErr);
  EXPECT_EQ(first, static_cast<unsigned char>(modifiers & 0xFF));
  EXPECT_EQ(actualSize, 4u);
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyModifiers, typeChar, nullptr, 4, nullptr,
                              &readModifiers),
            eventParameterNotFoundErr);
  EXPECT_EQ(GetEventParameter(event, kEventParamDirectObject, typeWildCard, nullptr, 4, nullptr,
                              &readModifiers),
            eventParameterNotFoundErr);
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyModifiers, typeUInt32, nullptr, 4, nullptr,
                              nullptr),
            paramErr);

  // Each reference keeps the event; the last release frees it.
  long live = LiveToolkitObjectCount();
  EXPECT_EQ(RetainEvent(event), event);
  ReleaseEvent(event);
  EXPECT_EQ(LiveToolkitObjectCount(), live);
  ReleaseEvent(event);
  EXPECT_EQ(LiveToolkitObjectCount(), live - 1);
  EXPECT_EQ(SetEventParameter(nullptr, kEventParamKeyMacCharCodes, typeChar, 1, &key), paramErr);
  EXPECT_EQ(GetEventClass(nullptr), 0u);
  EXPECT_EQ(SendEventToEventTarget(nullptr, GetApplicationEventTarget()), paramErr);
}

TEST_F(EventDispatchTest, InjectedFailuresAreReturnedAndChangeNothing) {
  Recorder recorder{&log_, "field"};
  EventTypeSpec type{kTestEventClass, kTestEventKind};
  EventTargetRef target = GetControlEventTarget(field_);
  long live = LiveToolkitObjectCount();
  InjectFailure("InstallEventHandler", -9999);
  EXPECT_EQ(InstallEventHandler(target, RecordEvent, 1, &type, &recorder, nullptr), -9999);
  FailAllocations("EventHandler", 1);
  EXPECT_EQ(InstallEventHandler(target, RecordEvent, 1, &type, &recorder, nullptr), memFullErr);
  EXPECT_EQ(LiveToolkitObjectCount(), live);
  EXPECT_EQ(SendTestEvent(target), eventNotHandledErr);
  EXPECT_TRUE(log_.empty());

  FailAllocations("Event", 1);
  EventRef event = nullptr;
  EXPECT_EQ(CreateEvent(nullptr, kTestEventClass, kTestEventKind, 0, 0, &event), memFullErr);
  EXPECT_EQ(event, nullptr);

  event = NewTestEvent();
  unsigned char key = 'x';
  SetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, 1, &key);
  InjectFailure("GetEventParameter", eventInternalErr);
  unsigned char read = 0;
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1, nullptr,
                              &read),
            eventInternalErr);
  EXPECT_EQ(read, 0);
  EXPECT_EQ(GetEventParameter(event, kEventParamKeyMacCharCodes, typeChar, nullptr, 1, nullptr,
                              &read),
            noErr);
  EXPECT_EQ(read, 'x');
  ReleaseEvent(event);
}

}  // namespace
}  // namespace pde::test
