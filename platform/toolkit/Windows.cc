// Windows.cc: windows: creation, disposal with the controls inside them, bounds and titles.
#include <algorithm>

#include "EventModel.h"
#include "pde/TestHooks.h"

namespace pde::toolkit {
namespace {

// Height of the title bar that the structure region adds above the content.
constexpr int kTitleBarHeight = 22;

void KillTargets(OpaqueControlRef* control) {
  control->target.Kill();
  for (const auto& child : control->children) KillTargets(child.get());
}

}  // namespace

std::unique_ptr<OpaqueWindowPtr> MakeWindow(const Rect& contentBounds) {
  if (TakeAllocationFailure("Window")) return nullptr;
  auto window = std::make_unique<OpaqueWindowPtr>();
  window->contentBounds = contentBounds;
  window->target.window = window.get();
  window->root = std::make_unique<OpaqueControlRef>();
  OpaqueControlRef& root = *window->root;
  root.kind = ControlKind::kRoot;
  root.window = window.get();
  root.bounds = Rect{0, 0, static_cast<SInt16>(contentBounds.bottom - contentBounds.top),
                     static_cast<SInt16>(contentBounds.right - contentBounds.left)};
  root.target.control = &root;
  return window;
}

}  // namespace pde::toolkit

OSStatus CreateNewWindow(WindowClass /*windowClass*/, WindowAttributes /*attributes*/,
                         const Rect* contentBounds, WindowRef* outWindow) {
  if (!contentBounds || !outWindow) return paramErr;
  std::unique_ptr<OpaqueWindowPtr> window = pde::toolkit::MakeWindow(*contentBounds);
  if (!window) return memFullErr;
  *outWindow = window.release();
  return noErr;
}

void DisposeWindow(WindowRef window) {
  if (!window) return;
  window->target.Kill();
  pde::toolkit::KillTargets(window->root.get());
  pde::toolkit::DestroyWindowWhenIdle(std::unique_ptr<OpaqueWindowPtr>(window));
}

OSStatus GetWindowBounds(WindowRef window, WindowRegionCode regionCode, Rect* globalBounds) {
  if (!window || !globalBounds) return paramErr;
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("GetWindowBounds", &injected)) return injected;
  switch (regionCode) {
    case kWindowContentRgn:
      *globalBounds = window->contentBounds;
      return noErr;
    case kWindowStructureRgn: {
      Rect bounds = window->contentBounds;
      bounds.top = static_cast<SInt16>(
          std::max(bounds.top - pde::toolkit::kTitleBarHeight, -32768));
      *globalBounds = bounds;
      return noErr;
    }
    default:
      return errWindowRegionCodeInvalid;
  }
}

OSStatus CopyWindowTitleAsCFString(WindowRef inWindow, CFStringRef* outString) {
  if (!inWindow || !outString) return paramErr;
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("CopyWindowTitleAsCFString", &injected)) return injected;
  CFStringRef title = pde::toolkit::CreateStringWithText(inWindow->title);
  if (!title) return memFullErr;
  *outString = title;
  return noErr;
}

OSStatus SetWindowTitleWithCFString(WindowRef inWindow, CFStringRef inString) {
  if (!inWindow || !inString || CFGetTypeID(inString) != CFStringGetTypeID()) return paramErr;
  inWindow->title = pde::toolkit::TextOf(inString);
  return noErr;
}
