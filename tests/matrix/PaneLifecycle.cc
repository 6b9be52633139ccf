// PaneLifecycle.cc: the pane's whole life through its bundle, as a printing system and a user
// give it.
#include "PaneControls.h"
#include "PaneLifecycle.h"

#include "PlugInAllocations.h"
#include "pde/CFHost.h"
#include "pde/Diagnostics.h"
#include "pde/PrintingHost.h"
#include "pde/ToolkitHost.h"

namespace pde::matrix {
namespace {

constexpr OSType kPaneSignature = 0x7A6F7220;  // 'zor '
constexpr int kPrintModeID = pdehost::kPrintModeControl, kDINID = pdehost::kDinControl,
              kDepartmentID = pdehost::kDepartmentControl;

struct PlugIn {
  CFPlugInRef plugIn = nullptr;
  CFUUIDRef typeID = nullptr;
  CFUUIDRef factoryID = nullptr;
  CFUUIDRef interfaceID = nullptr;
};

PlugIn& Loaded() {
  static auto* loaded = new PlugIn;  // kept for the program's life
  return *loaded;
}

// The control of the host window with the pane's signature and id, found without the
// toolkit's lookup call (which may be made to fail); null when there is none.
ControlRef Control(WindowRef window, int id) {
  for (const ControlSnapshot& snapshot : SnapshotWindow(window)) {
    if (snapshot.id.signature == kPaneSignature && snapshot.id.id == id) return snapshot.control;
  }
  return nullptr;
}

std::string FieldText(ControlRef field) {
  CFStringRef text = nullptr;
  if (GetControlData(field, kControlEntireControl, kControlEditTextCFStringTag, sizeof text, &text,
                     nullptr) != noErr ||
      text == nullptr) {
    return "<unreadable>";
  }
  CFPtr<CFStringRef> owned(text);
  return ToUTF8(text);
}

// Faults of the summary's arrays: parallel, strings only, no null.
std::string SummaryFaults(CFArrayRef titles, CFArrayRef settings) {
  if (titles == nullptr || settings == nullptr) return "GetSummaryText succeeded without arrays; ";
  if (CFArrayGetCount(titles) != CFArrayGetCount(settings)) return "summary arrays not parallel; ";
  for (CFArrayRef array : {titles, settings}) {
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
      CFTypeRef element = CFArrayGetValueAtIndex(array, i);
      if (element == nullptr || CFGetTypeID(element) != CFStringGetTypeID()) {
        return "a summary array holds something other than a string; ";
      }
    }
  }
  return {};
}

// Works the pane's controls once the pane is gone: no command may reach a handler of the pane
// (it would make a timer), no key filter may be left on the DIN field.
std::string FaultsAfterTerminate(WindowRef window) {
  ControlRef printMode = Control(window, kPrintModeID);
  ControlRef din = Control(window, kDINID);
  if (printMode == nullptr || din == nullptr) return {};
  std::string faults;
  const long objects = LiveObjectCount();
  const size_t messages = LoggedMessages().size();
  ChoosePopupItem(printMode, 3);
  RunLoopRunOnePass();
  if (LiveObjectCount() != objects || LoggedMessages().size() != messages) {
    faults += "a command still reaches the pane after Terminate; ";
  }
  EnableControl(din);
  CFPtr<CFStringRef> full = MakeString("12345");
  CFStringRef text = full.get();
  SetControlData(din, kControlEntireControl, kControlEditTextCFStringTag, sizeof text, &text);
  FocusControl(din);
  TypeKey(GetControlOwner(din), 'x');
  if (FieldText(din) != "12345x")
    faults += "a key filter is still on the DIN field after Terminate; ";
  return faults;
}

}  // namespace

const char* StepName(int step) {
  static const char* const kNames[kStepCount] = {"factory",
                                                 "query",
                                                 "Prologue",
                                                 "Initialize",
                                                 "Sync in",
                                                 "choose Private",
                                                 "choose department code",
                                                 "keys",
                                                 "Sync out",
                                                 "GetSummaryText",
                                                 "Open/Close",
                                                 "Terminate"};
  return step >= 0 && step < kStepCount ? kNames[step] : "?";
}

OSStatus NominalStatus(int step) {
  const bool command = step == kChoosePrivate || step == kChooseDepartment;
  return command ? OSStatus{eventNotHandledErr} : OSStatus{noErr};
}

bool LoadPlugIn(std::string* error) {
  PlugIn& loaded = Loaded();
  if (loaded.plugIn != nullptr) return true;
  const std::string path = ZORPDE_BUNDLE_PATH;
  CFPtr<CFURLRef> url(
      CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path.data()),
                                              static_cast<CFIndex>(path.size()), true));
  loaded.plugIn = CFPlugInCreate(nullptr, url.get());
  if (loaded.plugIn == nullptr || !CFBundleLoadExecutable(CFPlugInGetBundle(loaded.plugIn))) {
    *error = path + ": cannot be loaded";
    return false;
  }
  if (!RoutePlugInAllocations("/Contents/MacOS/ZORPDE")) {
    *error = path + ": its malloc, calloc and free cannot be routed";
    return false;
  }
  loaded.typeID = CFUUIDCreateFromString(nullptr, CFSTR(kPrinterModuleTypeIDStr));
  loaded.interfaceID = CFUUIDCreateFromString(nullptr, CFSTR(kDialogExtensionIntfIDStr));
  CFPtr<CFArrayRef> factories(
      CFPlugInFindFactoriesForPlugInTypeInPlugIn(loaded.typeID, loaded.plugIn));
  if (!factories || CFArrayGetCount(factories.get()) != 1) {
    *error = path + ": no factory for the dialog-extension type";
    return false;
  }
  loaded.factoryID = static_cast<CFUUIDRef>(CFRetain(CFArrayGetValueAtIndex(factories.get(), 0)));
  return true;
}

LifeResult RunLife(const LifeHooks& hooks) {
  LifeResult result;
  result.status.fill(kNotRun);
  const PlugIn& loaded = Loaded();

  PMPrintSession session = nullptr;
  PMTicketRef printerInfo = 0;
  CreatePrintSession(&session);
  AddTicketToSession(session, CFSTR(kPMPrinterInfoTicket), &printerInfo);
  SetTicketPPDPath(printerInfo, ZOR_SAMPLE_PPD_DIR "/VELMORA-q-RX730.ppd");
  AddTicketToSession(session, CFSTR(kPMPrintSettingsTicket), nullptr);
  const Rect bounds{0, 0, 240, 480};
  WindowRef window = nullptr;
  ControlRef pane = nullptr;
  CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &bounds, &window);
  CreateUserPaneControl(window, &bounds, 0, &pane);

  if (hooks.start) hooks.start();
  auto done = [&](int step, OSStatus status) {
    result.status[step] = status;
    if (hooks.afterStep) hooks.afterStep(step);
    return status;
  };

  auto instance =
      static_cast<IUnknownVTbl**>(CFPlugInInstanceCreate(nullptr, loaded.factoryID, loaded.typeID));
  PMPlugInHeaderInterface* intf = nullptr;
  if (done(kFactory, instance != nullptr ? noErr : memFullErr) == noErr) {
    void* queried = nullptr;
    const HRESULT answer =
        (*instance)->QueryInterface(instance, CFUUIDGetUUIDBytes(loaded.interfaceID), &queried);
    intf = static_cast<PMPlugInHeaderInterface*>(queried);
    if (answer != S_OK && intf != nullptr) result.faults += "an interface with a failure; ";
    done(kQuery, answer == S_OK && intf != nullptr ? noErr : memFullErr);
  }

  if (intf != nullptr) {
    const auto& table = *reinterpret_cast<const PlugInIntfVTable*>(intf->vtable);
    PMPDEContext context = nullptr;
    OSType creator = 0;
    CFStringRef kind = nullptr;
    CFStringRef title = nullptr;
    UInt32 maxH = 0;
    UInt32 maxV = 0;
    const OSStatus prologue =
        done(kPrologue, table.Prologue(&context, &creator, &kind, &title, &maxH, &maxV));
    if (creator != kPaneSignature || kind == nullptr) result.faults += "no creator or kind; ";
    if (title != nullptr) {
      if (prologue != noErr) result.faults += "a title handed out with a failure; ";
      CFRelease(title);
    }
    OSStatus initialize = kNotRun;
    if (prologue == noErr) {
      PMPDEFlags flags = kPMPDENoFlags;
      initialize = done(kInitialize, table.Initialize(context, &flags, 0, pane, session));
    }
    if (initialize == noErr) {
      ControlRef printMode = Control(window, kPrintModeID);
      ControlRef department = Control(window, kDepartmentID);
      ControlRef din = Control(window, kDINID);
      done(kSyncIn, table.Sync(context, session, true));
      OSStatus chosen = ChoosePopupItem(printMode, 3);
      RunLoopRunOnePass();
      done(kChoosePrivate, chosen);
      chosen = ChoosePopupItem(department, 2);
      RunLoopRunOnePass();
      done(kChooseDepartment, chosen);
      OSStatus typed = SelectText(din, 0, 5);
      if (typed == noErr) typed = TypeText(din, "13579");
      for (unsigned char key : {'2', 'x', '\b'}) {
        if (typed == noErr) typed = TypeKey(window, key);
      }
      done(kKeys, typed);
      done(kSyncOut, table.Sync(context, session, false));
      CFArrayRef titles = nullptr;
      CFArrayRef settings = nullptr;
      if (done(kSummary, table.GetSummaryText(context, &titles, &settings)) == noErr) {
        result.faults += SummaryFaults(titles, settings);
      } else if (titles != nullptr || settings != nullptr) {
        result.faults += "summary arrays handed out with a failure; ";
      }
      if (titles != nullptr) CFRelease(titles);
      if (settings != nullptr) CFRelease(settings);
      const OSStatus open = table.Open(context);
      const OSStatus close = table.Close(context);
      done(kOpenClose, open != noErr ? open : close);
    }
    done(kTerminate, table.Terminate(context, noErr));
    intf->vtable->Release(&intf);
  }
  if (instance != nullptr) (*instance)->Release(instance);
  if (hooks.end) hooks.end();

  result.faults += FaultsAfterTerminate(window);
  DisposeWindow(window);
  DisposePrintSession(session);
  return result;
}

}  // namespace pde::matrix
