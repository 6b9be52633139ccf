// Nibs.cc: nib references of a bundle, and fresh windows built from their descriptions.
#include <unistd.h>

#include <cstdio>

#include "NibReader.h"
#include "pde/CFHost.h"
#include "pde/Diagnostics.h"

struct OpaqueIBNibRef {
  pde::toolkit::LiveObject live;
  pde::toolkit::NibDescription windows;
};

namespace {

// A nib name names one directory inside Resources, never a path.
bool IsPlainName(const std::string& name) {
  return !name.empty() && name != "." && name != ".." &&
         name.find_first_of(std::string("/\0", 2)) == std::string::npos;
}

// The nib file to read for name: the one in the .lproj folder of the first preferred
// localization that has it (the development region among them), else the one outside any
// .lproj folder.
std::string NibFilePath(CFBundleRef bundle, const std::string& resources, const std::string& name) {
  const std::string file = name + ".nib/objects.plist";
  for (const std::string& localization : pde::PreferredLocalizations(bundle)) {
    std::string path = resources + localization + ".lproj/" + file;
    if (access(path.c_str(), F_OK) == 0) return path;
  }
  return resources + file;
}

bool AddControls(OpaqueControlRef* parent, const std::vector<pde::toolkit::NibControl>& controls) {
  for (const pde::toolkit::NibControl& description : controls) {
    OpaqueControlRef* control =
        pde::toolkit::AddControl(parent, description.kind, description.bounds);
    if (!control) return false;
    control->id = description.id;
    control->label = description.label;
    control->enabled = description.enabled;
    control->text = description.text;
    auto caret = static_cast<SInt16>(control->text.size());
    control->selection = ControlEditTextSelectionRec{caret, caret};
    if (description.kind == pde::ControlKind::kPopupButton) {
      if (description.hasMenu) {
        control->menu = std::make_unique<OpaqueMenuRef>();
        for (const std::u16string& text : description.items) {
          control->menu->items.push_back({text, false});
        }
      }
      SetControl32BitValue(control, description.value);
    }
    if (!AddControls(control, description.children)) return false;
  }
  return true;
}

}  // namespace

OSStatus CreateNibReferenceWithCFBundle(CFBundleRef inBundle, CFStringRef inNibName,
                                        IBNibRef* outNibRef) {
  if (!inBundle || !inNibName || !outNibRef || CFGetTypeID(inBundle) != CFBundleGetTypeID() ||
      CFGetTypeID(inNibName) != CFStringGetTypeID()) {
    return paramErr;
  }
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("CreateNibReferenceWithCFBundle", &injected)) return injected;
  std::string name = pde::ToUTF8(pde::toolkit::TextOf(inNibName));
  std::string resources = pde::BundlePath(inBundle) + "/Contents/Resources/";
  if (!IsPlainName(name)) {
    std::fprintf(stderr, "%s: \"%s\" is not a nib name\n", pde::EscapeBytes(resources).c_str(),
                 pde::EscapeBytes(name).c_str());
    return kIBCarbonRuntimeCantFindNibFile;
  }
  std::string error;
  std::optional<pde::toolkit::NibDescription> nib =
      pde::toolkit::ReadNibFile(NibFilePath(inBundle, resources, name), &error);
  if (!nib) {
    std::fprintf(stderr, "%s\n", pde::EscapeBytes(error).c_str());
    return kIBCarbonRuntimeCantFindNibFile;
  }
  auto* reference = new OpaqueIBNibRef;
  reference->windows = std::move(*nib);
  *outNibRef = reference;
  return noErr;
}

void DisposeNibReference(IBNibRef inNibRef) { delete inNibRef; }

OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow) {
  if (!inNibRef || !inName || !outWindow || CFGetTypeID(inName) != CFStringGetTypeID()) {
    return paramErr;
  }
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("CreateWindowFromNib", &injected)) return injected;
  auto found = inNibRef->windows.find(pde::toolkit::TextOf(inName));
  if (found == inNibRef->windows.end()) return kIBCarbonRuntimeCantFindObject;
  const pde::toolkit::NibWindow& description = found->second;
  std::unique_ptr<OpaqueWindowPtr> window = pde::toolkit::MakeWindow(description.contentBounds);
  if (!window) return memFullErr;
  window->title = description.title;
  if (!AddControls(window->root.get(), description.controls)) return memFullErr;
  *outWindow = window.release();
  return noErr;
}
