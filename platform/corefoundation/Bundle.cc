// Bundle.cc: bundle directories, the registry of open bundles, and their executables.
#include "Bundle.h"

#include <dlfcn.h>
#include <elf.h>
#include <limits.h>
#include <link.h>
#include <stdlib.h>
#include <sys/stat.h>

#include "Executable.h"
#include "String.h"
#include "Text.h"
#include "URL.h"
#include "pde/CFHost.h"

namespace pde::cf {
namespace {

// The bundles the process holds open, by directory. The registry does not own them: each
// removes itself when freed.
struct BundleRegistry {
  std::mutex mutex;
  std::map<std::string, CFOpaqueBundle*> byPath;
};

BundleRegistry& Registry() {
  static BundleRegistry* registry = new BundleRegistry;  // outlives every static destructor
  return *registry;
}

void FinalizeBundle(ObjectBase* object) {
  auto* bundle = static_cast<CFOpaqueBundle*>(object);
  {
    BundleRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.byPath.find(bundle->path);
    if (found != registry.byPath.end() && found->second == bundle) registry.byPath.erase(found);
  }
  bool instancesAlive = ForgetFactoriesOf(bundle);
  // With live instances, the code they run must stay: the executable stays loaded for the process.
  if (bundle->executable != nullptr && !instancesAlive) dlclose(bundle->executable);
  DeleteObject<CFOpaqueBundle>(object);
}

std::u16string DescribeBundle(const ObjectBase* object) {
  const auto* bundle = static_cast<const CFOpaqueBundle*>(object);
  return UTF8ToUTF16Lenient("CFBundle <" + bundle->path + "> (" +
                            (bundle->executable ? "loaded" : "not loaded") + ")");
}

// The canonical directory of path; nothing when it is not an existing directory.
std::optional<std::string> CanonicalDirectory(const std::string& path) {
  char resolved[PATH_MAX];
  struct stat status;
  if (realpath(path.c_str(), resolved) == nullptr || stat(resolved, &status) != 0 ||
      !S_ISDIR(status.st_mode)) {
    return std::nullopt;
  }
  return std::string(resolved);
}

// A new bundle of the directory, or null with a message when its property list is bad.
CFOpaqueBundle* OpenDirectory(const std::string& directory) {
  std::string plistPath = directory + "/Contents/Info.plist";
  std::string error;
  CFPtr<CFPropertyListRef> info = ReadPropertyListFile(plistPath, &error);
  if (!info) {
    pde::WriteConsoleLine("CFBundleCreate: " + pde::EscapeBytes(error));
    return nullptr;
  }
  if (CFGetTypeID(info.get()) != CFDictionaryGetTypeID()) {
    pde::WriteConsoleLine("CFBundleCreate: " + pde::EscapeBytes(plistPath) + ": not a dictionary");
    return nullptr;
  }
  auto* bundle = NewObject<CFOpaqueBundle>(kBundleClass);
  if (bundle == nullptr) return nullptr;
  bundle->path = directory;
  bundle->info = CFPtr<CFDictionaryRef>(static_cast<CFDictionaryRef>(info.release()));
  return bundle;
}

CFBundleRef CreateBundle(const std::string& path) {
  std::optional<std::string> directory = CanonicalDirectory(path);
  if (!directory) return nullptr;
  BundleRegistry& registry = Registry();
  {
    std::lock_guard lock(registry.mutex);
    auto found = registry.byPath.find(*directory);
    if (found != registry.byPath.end() && RetainIfAlive(found->second)) return found->second;
  }
  CFOpaqueBundle* bundle = OpenDirectory(*directory);
  if (bundle == nullptr) return nullptr;
  std::lock_guard lock(registry.mutex);
  auto found = registry.byPath.find(*directory);
  if (found != registry.byPath.end() && RetainIfAlive(found->second)) {
    CFRelease(bundle);  // another thread opened it meanwhile
    return found->second;
  }
  registry.byPath[*directory] = bundle;
  return bundle;
}

// The value of an Info.plist key when it is a string.
CFStringRef InfoString(const CFOpaqueBundle* bundle, CFStringRef key) {
  CFTypeRef value = CFDictionaryGetValue(bundle->info.get(), key);
  return CFGetTypeID(value) == CFStringGetTypeID() ? static_cast<CFStringRef>(value) : nullptr;
}

}  // namespace

const ClassRecord kBundleClass = {kBundleTypeID, "CFBundle", FinalizeBundle,
                                  nullptr,       nullptr,    DescribeBundle};

CFOpaqueBundle* BundleOf(CFTypeRef ref) {
  return AsMutable<CFOpaqueBundle>(ref, kBundleClass);
}

void* OwnFunction(const CFOpaqueBundle* bundle, const std::string& name, std::string* why) {
  link_map* own = nullptr;
  void* address = bundle->executable == nullptr ? nullptr : dlsym(bundle->executable, name.c_str());
  if (address == nullptr || dlinfo(bundle->executable, RTLD_DI_LINKMAP, &own) != 0) {
    *why = "no function " + name;
    return nullptr;
  }
  Dl_info info{};
  link_map* holder = nullptr;
  ElfW(Sym)* symbol = nullptr;
  if (dladdr1(address, &info, reinterpret_cast<void**>(&holder), RTLD_DL_LINKMAP) == 0 ||
      holder != own) {
    const std::string file = info.dli_fname != nullptr ? info.dli_fname : "";
    *why = name + " is not the bundle executable's own function" +
           (file.empty() ? std::string() : " (" + file + " defines it)");
    return nullptr;
  }
  if (dladdr1(address, &info, reinterpret_cast<void**>(&symbol), RTLD_DL_SYMENT) == 0 ||
      symbol == nullptr || ELF64_ST_TYPE(symbol->st_info) != STT_FUNC) {
    *why = name + " is not a function of the bundle's executable";
    return nullptr;
  }
  return address;
}

}  // namespace pde::cf

using namespace pde::cf;

CFTypeID CFBundleGetTypeID(void) {
  return kBundleTypeID;
}

CFBundleRef CFBundleCreate(CFAllocatorRef, CFURLRef bundleURL) {
  const std::string* path = PathOf(bundleURL);
  if (path == nullptr) return nullptr;
  return NoThrow([&] { return CreateBundle(*path); });
}

CFBundleRef CFBundleGetBundleWithIdentifier(CFStringRef bundleID) {
  if (TextOf(bundleID) == nullptr) return nullptr;
  BundleRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  for (const auto& [path, bundle] : registry.byPath) {
    if (bundle->retainCount.load() > 0 &&
        CFEqual(InfoString(bundle, CFSTR("CFBundleIdentifier")), bundleID)) {
      return bundle;
    }
  }
  return nullptr;
}

CFStringRef CFBundleGetIdentifier(CFBundleRef bundle) {
  const CFOpaqueBundle* object = BundleOf(bundle);
  return object == nullptr ? nullptr : InfoString(object, CFSTR("CFBundleIdentifier"));
}

CFDictionaryRef CFBundleGetInfoDictionary(CFBundleRef bundle) {
  const CFOpaqueBundle* object = BundleOf(bundle);
  return object == nullptr ? nullptr : object->info.get();
}

CFTypeRef CFBundleGetValueForInfoDictionaryKey(CFBundleRef bundle, CFStringRef key) {
  const CFOpaqueBundle* object = BundleOf(bundle);
  if (object == nullptr || key == nullptr) return nullptr;
  return CFDictionaryGetValue(object->info.get(), key);
}

CFURLRef CFBundleCopyBundleURL(CFBundleRef bundle) {
  const CFOpaqueBundle* object = BundleOf(bundle);
  if (object == nullptr) return nullptr;
  return NoThrow([&] { return NewFileURL(object->path, true); });
}

Boolean CFBundleLoadExecutable(CFBundleRef bundle) {
  CFOpaqueBundle* object = BundleOf(bundle);
  if (object == nullptr) return false;
  if (object->executable != nullptr) return true;
  CFStringRef name = InfoString(object, CFSTR("CFBundleExecutable"));
  if (name == nullptr) {
    pde::WriteConsoleLine("CFBundleLoadExecutable: " + pde::EscapeBytes(object->path) +
                          ": no CFBundleExecutable");
    return false;
  }
  return NoThrow([&] {
    std::string why;
    std::string executable = CheckedExecutablePath(object->path, pde::ToUTF8(name), &why);
    if (executable.empty()) {
      pde::WriteConsoleLine("CFBundleLoadExecutable: " + pde::EscapeBytes(why));
      return false;
    }
    object->executable = dlopen(executable.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (object->executable == nullptr) {
      pde::WriteConsoleLine("CFBundleLoadExecutable: " + pde::EscapeBytes(dlerror()));
      return false;
    }
    return true;
  });
}

Boolean CFBundleIsExecutableLoaded(CFBundleRef bundle) {
  const CFOpaqueBundle* object = BundleOf(bundle);
  return object != nullptr && object->executable != nullptr;
}

void CFBundleUnloadExecutable(CFBundleRef bundle) {
  CFOpaqueBundle* object = BundleOf(bundle);
  if (object == nullptr || object->executable == nullptr || HasLiveInstances(object)) return;
  dlclose(object->executable);
  object->executable = nullptr;
}

void* CFBundleGetFunctionPointerForName(CFBundleRef bundle, CFStringRef functionName) {
  CFOpaqueBundle* object = BundleOf(bundle);
  if (object == nullptr || TextOf(functionName) == nullptr || !CFBundleLoadExecutable(bundle)) {
    return nullptr;
  }
  return NoThrow([&] {
    std::string why;
    return OwnFunction(object, pde::ToUTF8(functionName), &why);
  });
}

namespace pde {

CFPtr<CFBundleRef> OpenBundle(const std::string& path) {
  return CFPtr<CFBundleRef>(cf::NoThrow([&] { return cf::CreateBundle(path); }));
}

std::string BundlePath(CFBundleRef bundle) {
  const CFOpaqueBundle* object = cf::BundleOf(bundle);
  return object == nullptr ? std::string() : object->path;
}

}  // namespace pde
