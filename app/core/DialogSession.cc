// DialogSession.cc: the host's side of a print dialog: session, tickets, window, pane calls.
#include "DialogSession.h"

#include <algorithm>

#include "NibCheck.h"
#include "PaneControls.h"
#include "pde/CFHost.h"
#include "pde/PrintingHost.h"

namespace pdehost {

namespace {

std::string StatusText(OSStatus status) {
  return "status " + std::to_string(status);
}

// Text of a string, or the description of any other object.
std::string TextOf(CFTypeRef object) {
  if (object == nullptr) return {};
  if (CFGetTypeID(object) == CFStringGetTypeID()) {
    return pde::ToUTF8(static_cast<CFStringRef>(object));
  }
  pde::CFPtr<CFStringRef> description(CFCopyDescription(object));
  return pde::ToUTF8(description.get());
}

// The host window's content is the pane's size, within the toolkit's 16-bit coordinates.
SInt16 Coordinate(UInt32 size) {
  return static_cast<SInt16>(std::min<UInt32>(size, 32767));
}

}  // namespace

DialogSession::~DialogSession() {
  if (extension_ && context_ != nullptr) extension_->operations().Terminate(context_, noErr);
  if (window_ != nullptr) DisposeWindow(window_);
  extension_.reset();
  if (printSession_ != nullptr) pde::DisposePrintSession(printSession_);
}

bool DialogSession::Open(const SessionSetup& setup, std::string* error) {
  OSStatus status = pde::CreatePrintSession(&printSession_);
  if (status != noErr) {
    printSession_ = nullptr;
    *error = "cannot make a print session (" + StatusText(status) + ")";
    return false;
  }
  PMTicketRef printerInfo = 0;
  status = pde::AddTicketToSession(printSession_, CFSTR(kPMPrinterInfoTicket), &printerInfo);
  if (status == noErr) status = pde::SetTicketPPDPath(printerInfo, setup.ppdPath);
  if (status == noErr) {
    status =
        pde::AddTicketToSession(printSession_, CFSTR(kPMPrintSettingsTicket), &settingsTicket_);
  }
  CFMutableDictionaryRef ppdDict = nullptr;
  if (status == noErr)
    status = PMTicketGetPPDDict(settingsTicket_, kPMTopLevel, kPMTopLevel, &ppdDict);
  if (status != noErr) {
    *error = "cannot make the print session's tickets (" + StatusText(status) + ")";
    return false;
  }
  for (const auto& [keyword, value] : setup.settings) {
    pde::CFPtr<CFStringRef> key = pde::MakeString(keyword);
    pde::CFPtr<CFStringRef> text = pde::MakeString(value);
    if (!key || !text) {
      *error = "cannot store the setting " + keyword + " in the print-settings ticket";
      return false;
    }
    CFDictionarySetValue(ppdDict, key.get(), text.get());
  }
  extension_ = DialogExtension::Load(setup.bundlePath, error);
  return extension_ != nullptr && CheckPaneNib(setup.bundlePath, error);
}

bool DialogSession::Start(std::string* error) {
  const PlugInIntfVTable& operations = extension_->operations();
  OSType creator = 0;
  CFStringRef userOptionKind = nullptr;
  CFStringRef title = nullptr;
  UInt32 maxH = 0;
  UInt32 maxV = 0;
  lastStatus_ = operations.Prologue(&context_, &creator, &userOptionKind, &title, &maxH, &maxV);
  if (title != nullptr) {
    title_ = pde::ToUTF8(title);
    CFRelease(title);
  }
  if (lastStatus_ != noErr) return true;
  prologueSucceeded_ = true;

  const Rect bounds{0, 0, Coordinate(maxV), Coordinate(maxH)};
  OSStatus status = CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &bounds, &window_);
  if (status != noErr) {
    window_ = nullptr;
    *error = "cannot make the dialog window (" + StatusText(status) + ")";
    return false;
  }
  ControlRef parentPane = nullptr;
  status = CreateUserPaneControl(window_, &bounds, 0, &parentPane);
  if (status != noErr) {
    *error = "cannot make the dialog's pane (" + StatusText(status) + ")";
    return false;
  }
  PMPDEFlags flags = kPMPDENoFlags;
  lastStatus_ = operations.Initialize(context_, &flags, 0, parentPane, printSession_);
  paneShown_ = lastStatus_ == noErr;
  pde::RunLoopRunOnePass();
  return true;
}

ControlRef DialogSession::FindControl(int id) const {
  if (!paneShown_) return nullptr;
  const ControlID controlID{kPaneControlSignature, id};
  ControlRef control = nullptr;
  if (GetControlByID(window_, &controlID, &control) != noErr) return nullptr;
  return control;
}

OSStatus DialogSession::Sync(bool reinitializePlugin) {
  if (!paneShown_) return lastStatus_;
  lastStatus_ = extension_->operations().Sync(context_, printSession_, reinitializePlugin);
  return lastStatus_;
}

OSStatus DialogSession::Summary(SummaryRows* rows) {
  rows->clear();
  if (!paneShown_) return lastStatus_;
  CFArrayRef titles = nullptr;
  CFArrayRef settings = nullptr;
  lastStatus_ = extension_->operations().GetSummaryText(context_, &titles, &settings);
  if (lastStatus_ == noErr) {
    const CFIndex titleCount = titles ? CFArrayGetCount(titles) : 0;
    const CFIndex settingCount = settings ? CFArrayGetCount(settings) : 0;
    for (CFIndex i = 0; i < std::max(titleCount, settingCount); ++i) {
      rows->emplace_back(i < titleCount ? TextOf(CFArrayGetValueAtIndex(titles, i)) : "",
                         i < settingCount ? TextOf(CFArrayGetValueAtIndex(settings, i)) : "");
    }
  }
  if (titles != nullptr) CFRelease(titles);
  if (settings != nullptr) CFRelease(settings);
  return lastStatus_;
}

bool DialogSession::PrintSettings(OptionMap* options, std::string* error) const {
  options->clear();
  CFMutableDictionaryRef ppdDict = nullptr;
  const OSStatus status = PMTicketGetPPDDict(settingsTicket_, kPMTopLevel, kPMTopLevel, &ppdDict);
  if (status != noErr) {
    *error = "cannot read the print-settings ticket (" + StatusText(status) + ")";
    return false;
  }
  const CFIndex count = CFDictionaryGetCount(ppdDict);
  std::vector<const void*> keys(count);
  std::vector<const void*> values(count);
  CFDictionaryGetKeysAndValues(ppdDict, keys.data(), values.data());
  for (CFIndex i = 0; i < count; ++i) (*options)[TextOf(keys[i])] = TextOf(values[i]);
  return true;
}

std::string DialogSession::WhyNoPane(const std::string& modelName) const {
  if (paneShown_) return "";
  const std::string status = "(status " + std::to_string(lastStatus_) + ")";
  if (!prologueSucceeded_) return "the pane's Prologue failed " + status;
  if (lastStatus_ == kPMInvalidPDEContext)
    return "the pane declined the printer \"" + modelName + "\" " + status;
  return "the pane's Initialize failed " + status;
}

}  // namespace pdehost
