// Nibs.cc: nib references of a bundle, and fresh windows built from their descriptions.
#include <unistd.h>

#include <memory>
#include <new>
#include <string>
#include <vector>

#include "NibReader.h"
#include "pde/CFHost.h"
#include "pde/TestHooks.h"
#include "pde/InputFileCache.h"

struct OpaqueIBNibRef {
  pde::toolkit::LiveObject live;
  std::shared_ptr<const pde::toolkit::NibDescription> windows;  // shared with the nib cache
};

namespace {

constexpr pde::InputFileCacheLimits kNibCacheLimits{32, 4 * 1024 * 1024};

// The checked descriptions of the nib files read in this process, kept per file.
pde::TypedInputFileCache<pde::toolkit::NibDescription>& NibCache() {
  static auto* cache = new pde::TypedInputFileCache<pde::toolkit::NibDescription>(
      pde::InputKind::kNib, kNibCacheLimits);
  return *cache;
}

// About how many bytes controls hold, for the cache's limit.
std::size_t MemorySize(const std::vector<pde::toolkit::NibControl>& controls) {
  std::size_t size = 0;
  for (const pde::toolkit::NibControl& control : controls) {
    size += sizeof control + 2 * (control.label.capacity() + control.text.capacity()) +
            MemorySize(control.children);
    for (const std::u16string& item : control.items) size += sizeof item + 2 * item.capacity();
  }
  return size;
}

std::size_t MemorySize(const pde::toolkit::NibDescription& nib) {
  constexpr std::size_t kPerWindow =
      sizeof(pde::toolkit::NibDescription::value_type) + 4 * sizeof(void*);
  std::size_t size = sizeof nib;
  for (const auto& [name, window] : nib) {
    size +=
        kPerWindow + 2 * (name.capacity() + window.title.capacity()) + MemorySize(window.controls);
  }
  return size;
}

// The description of the nib file at path, read and checked as ReadNibFile does, or kept from an
// earlier read of the same version of the file. Null with *error set when it is refused.
std::shared_ptr<const pde::toolkit::NibDescription> CachedNib(const std::string& path,
                                                              std::string* error) {
  auto check = [&](const std::string& bytes, std::size_t* size) {
    std::optional<pde::toolkit::NibDescription> nib = pde::toolkit::ReadNib(bytes, path, error);
    if (!nib) return std::shared_ptr<const pde::toolkit::NibDescription>();
    *size = MemorySize(*nib);
    return std::make_shared<const pde::toolkit::NibDescription>(std::move(*nib));
  };
  pde::InputRead read = pde::InputRead::kRead;
  try {
    std::shared_ptr<const pde::toolkit::NibDescription> nib =
        NibCache().Get(path, check, &read, error);
    // A file read whole and then refused is as refused as one that could not be read.
    if (!nib && read == pde::InputRead::kRead) pde::RecordRefusedInputFile(*error);
    return nib;
  } catch (const std::bad_alloc&) {
    *error = path + ": out of memory";
    return nullptr;
  }
}

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

// Appends the snapshots of controls and their children, depth first, at depth.
void Describe(const std::vector<pde::toolkit::NibControl>& controls, int depth,
              std::vector<pde::ControlSnapshot>* snapshots) {
  for (const pde::toolkit::NibControl& description : controls) {
    pde::ControlSnapshot snapshot;
    snapshot.kind = description.kind;
    snapshot.id = description.id;
    snapshot.bounds = description.bounds;
    snapshot.label = pde::ToUTF8(description.label);
    snapshot.value = description.kind == pde::ControlKind::kPopupButton ? description.value : 0;
    for (const std::u16string& item : description.items)
      snapshot.items.push_back(pde::ToUTF8(item));
    snapshot.text = pde::ToUTF8(description.text);
    snapshot.enabled = description.enabled;
    snapshot.depth = depth;
    snapshots->push_back(std::move(snapshot));
    Describe(description.children, depth + 1, snapshots);
  }
}

}  // namespace

bool pde::DescribeNibWindow(CFBundleRef bundle, const std::string& nibName,
                            const std::string& windowName, std::string* path,
                            std::vector<ControlSnapshot>* controls, std::string* error) {
  controls->clear();
  const std::string resources = pde::BundlePath(bundle) + "/Contents/Resources/";
  if (!IsPlainName(nibName)) {
    *error = resources + ": \"" + nibName + "\" is not a nib name";
    return false;
  }
  *path = NibFilePath(bundle, resources, nibName);
  std::shared_ptr<const pde::toolkit::NibDescription> nib = CachedNib(*path, error);
  if (!nib) return false;
  const pde::CFPtr<CFStringRef> name = pde::MakeString(windowName);
  const auto found = name ? nib->find(pde::toolkit::TextOf(name.get())) : nib->end();
  if (found == nib->end()) {
    *error = *path + ": no window \"" + windowName + "\"";
    return false;
  }
  try {
    Describe(found->second.controls, 0, controls);
  } catch (const std::bad_alloc&) {
    controls->clear();
    *error = *path + ": out of memory";
    return false;
  }
  return true;
}

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
    pde::WriteConsoleLine(pde::EscapeBytes(resources) + ": \"" + pde::EscapeBytes(name) +
                          "\" is not a nib name");
    return kIBCarbonRuntimeCantFindNibFile;
  }
  std::string error;
  std::shared_ptr<const pde::toolkit::NibDescription> nib =
      CachedNib(NibFilePath(inBundle, resources, name), &error);
  if (!nib) {
    pde::WriteConsoleLine(pde::EscapeBytes(error));
    return kIBCarbonRuntimeCantFindNibFile;
  }
  auto* reference = new OpaqueIBNibRef;
  reference->windows = std::move(nib);
  *outNibRef = reference;
  return noErr;
}

void DisposeNibReference(IBNibRef inNibRef) {
  delete inNibRef;
}

OSStatus CreateWindowFromNib(IBNibRef inNibRef, CFStringRef inName, WindowRef* outWindow) {
  if (!inNibRef || !inName || !outWindow || CFGetTypeID(inName) != CFStringGetTypeID()) {
    return paramErr;
  }
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("CreateWindowFromNib", &injected)) return injected;
  auto found = inNibRef->windows->find(pde::toolkit::TextOf(inName));
  if (found == inNibRef->windows->end()) return kIBCarbonRuntimeCantFindObject;
  const pde::toolkit::NibWindow& description = found->second;
  std::unique_ptr<OpaqueWindowPtr> window = pde::toolkit::MakeWindow(description.contentBounds);
  if (!window) return memFullErr;
  window->title = description.title;
  if (!AddControls(window->root.get(), description.controls)) return memFullErr;
  *outWindow = window.release();
  return noErr;
}
