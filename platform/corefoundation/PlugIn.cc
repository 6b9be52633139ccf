// PlugIn.cc: the plug-in registry: factories and types read from bundles, and live instances.
#include <array>
#include <cstring>
#include <vector>

#include "Bundle.h"
#include "String.h"
#include "Text.h"
#include "pde/CFHost.h"

namespace pde::cf {
namespace {

using UUIDKey = std::array<UInt8, 16>;

UUIDKey KeyOf(CFUUIDRef uuid) {
  CFUUIDBytes bytes = CFUUIDGetUUIDBytes(uuid);
  UUIDKey key;
  std::memcpy(key.data(), &bytes, key.size());
  return key;
}

struct Factory {
  CFOpaqueBundle* bundle;  // not owned: the bundle forgets its factories when freed
  std::string functionName;
  std::vector<UUIDKey> types;
};

struct PlugInRegistry {
  std::mutex mutex;
  std::map<UUIDKey, Factory> factories;
  std::map<UUIDKey, long> instances;
};

PlugInRegistry& Registry() {
  static PlugInRegistry* registry = new PlugInRegistry;  // outlives every static destructor
  return *registry;
}

bool HasLiveInstancesLocked(PlugInRegistry& registry, const CFOpaqueBundle* bundle) {
  for (const auto& [id, factory] : registry.factories) {
    if (factory.bundle == bundle && registry.instances.count(id) != 0) return true;
  }
  return false;
}

// The UUID key of a UUID string as the platform parses it; nothing for a non-string.
std::optional<UUIDKey> ParseKey(CFTypeRef string) {
  if (TextOf(string) == nullptr) return std::nullopt;
  CFPtr<CFUUIDRef> uuid(
      CFUUIDCreateFromString(kCFAllocatorDefault, static_cast<CFStringRef>(string)));
  if (!uuid) return std::nullopt;
  return KeyOf(uuid.get());
}

void Warn(const CFOpaqueBundle* bundle, const char* why) {
  pde::WriteConsoleLine("CFPlugInCreate: " + pde::EscapeBytes(bundle->path) +
                        "/Contents/Info.plist: " + why);
}

// Reads CFPlugInFactories {factory: function} and CFPlugInTypes {type: [factory...]}.
void RegisterFactories(CFOpaqueBundle* bundle) {
  CFTypeRef factoriesValue = CFDictionaryGetValue(bundle->info.get(), CFSTR("CFPlugInFactories"));
  CFTypeRef typesValue = CFDictionaryGetValue(bundle->info.get(), CFSTR("CFPlugInTypes"));
  auto factories = static_cast<CFDictionaryRef>(factoriesValue);
  auto types = static_cast<CFDictionaryRef>(typesValue);
  if (CFGetTypeID(factories) != CFDictionaryGetTypeID()) return;
  std::map<UUIDKey, Factory> found;
  CFIndex count = CFDictionaryGetCount(factories);
  std::vector<const void*> keys(count), values(count);
  CFDictionaryGetKeysAndValues(factories, keys.data(), values.data());
  for (CFIndex i = 0; i < count; ++i) {
    std::optional<UUIDKey> id = ParseKey(keys[i]);
    if (!id || TextOf(values[i]) == nullptr) {
      Warn(bundle, "a CFPlugInFactories entry is not a UUID string and a function name");
      continue;
    }
    found[*id] = Factory{bundle, pde::ToUTF8(static_cast<CFStringRef>(values[i])), {}};
  }
  if (CFGetTypeID(types) == CFDictionaryGetTypeID()) {
    count = CFDictionaryGetCount(types);
    keys.assign(count, nullptr), values.assign(count, nullptr);
    CFDictionaryGetKeysAndValues(types, keys.data(), values.data());
    for (CFIndex i = 0; i < count; ++i) {
      std::optional<UUIDKey> type = ParseKey(keys[i]);
      auto list = static_cast<CFArrayRef>(values[i]);
      if (!type || CFGetTypeID(list) != CFArrayGetTypeID()) {
        Warn(bundle, "a CFPlugInTypes entry is not a UUID string and an array");
        continue;
      }
      for (CFIndex j = 0; j < CFArrayGetCount(list); ++j) {
        std::optional<UUIDKey> factory = ParseKey(CFArrayGetValueAtIndex(list, j));
        auto entry = factory ? found.find(*factory) : found.end();
        if (entry == found.end()) {
          Warn(bundle, "CFPlugInTypes names a factory that CFPlugInFactories lacks");
          continue;
        }
        entry->second.types.push_back(*type);
      }
    }
  }
  PlugInRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  for (auto& [id, factory] : found) {
    if (!registry.factories.emplace(id, std::move(factory)).second) {
      Warn(bundle, "a factory is already registered by another plug-in");
    }
  }
  bundle->factoriesRegistered = true;
}

}  // namespace

bool ForgetFactoriesOf(const CFOpaqueBundle* bundle) {
  if (!bundle->factoriesRegistered) return false;
  PlugInRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  bool instancesAlive = HasLiveInstancesLocked(registry, bundle);
  std::erase_if(registry.factories,
                [&](const auto& entry) { return entry.second.bundle == bundle; });
  return instancesAlive;
}

bool HasLiveInstances(const CFOpaqueBundle* bundle) {
  PlugInRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  return HasLiveInstancesLocked(registry, bundle);
}

}  // namespace pde::cf

using namespace pde::cf;
using pde::CFPtr;

CFPlugInRef CFPlugInCreate(CFAllocatorRef allocator, CFURLRef plugInURL) {
  CFBundleRef bundle = CFBundleCreate(allocator, plugInURL);
  CFOpaqueBundle* object = BundleOf(bundle);
  if (object == nullptr) return nullptr;
  if (!object->factoriesRegistered) NoThrow([&] { RegisterFactories(object); });
  return bundle;
}

CFBundleRef CFPlugInGetBundle(CFPlugInRef plugIn) {
  return BundleOf(plugIn) ? plugIn : nullptr;
}

CFArrayRef CFPlugInFindFactoriesForPlugInTypeInPlugIn(CFUUIDRef typeUUID, CFPlugInRef plugIn) {
  const CFOpaqueBundle* bundle = BundleOf(plugIn);
  if (bundle == nullptr || CFGetTypeID(typeUUID) != CFUUIDGetTypeID()) return nullptr;
  UUIDKey type = KeyOf(typeUUID);
  CFMutableArrayRef result = CFArrayCreateMutable(kCFAllocatorDefault, 0, &kCFTypeArrayCallBacks);
  if (result == nullptr) return nullptr;
  std::vector<CFUUIDBytes> matches;
  {
    PlugInRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    for (const auto& [id, factory] : registry.factories) {
      if (factory.bundle != bundle) continue;
      for (const UUIDKey& served : factory.types) {
        if (served != type) continue;
        CFUUIDBytes bytes;
        std::memcpy(&bytes, id.data(), id.size());
        matches.push_back(bytes);
      }
    }
  }
  for (const CFUUIDBytes& bytes : matches) {
    CFPtr<CFUUIDRef> uuid(CFUUIDCreateFromUUIDBytes(kCFAllocatorDefault, bytes));
    if (!uuid) {
      CFRelease(result);
      return nullptr;
    }
    CFArrayAppendValue(result, uuid.get());
  }
  return result;
}

void* CFPlugInInstanceCreate(CFAllocatorRef allocator, CFUUIDRef factoryUUID, CFUUIDRef typeUUID) {
  if (CFGetTypeID(factoryUUID) != CFUUIDGetTypeID() || CFGetTypeID(typeUUID) != CFUUIDGetTypeID()) {
    return nullptr;
  }
  UUIDKey id = KeyOf(factoryUUID);
  UUIDKey type = KeyOf(typeUUID);
  CFPtr<CFBundleRef> bundle;
  std::string functionName;
  {
    PlugInRegistry& registry = Registry();
    std::lock_guard lock(registry.mutex);
    auto found = registry.factories.find(id);
    if (found == registry.factories.end()) return nullptr;
    const Factory& factory = found->second;
    bool servesType = false;
    for (const UUIDKey& served : factory.types) servesType = servesType || served == type;
    if (!servesType || !RetainIfAlive(factory.bundle)) return nullptr;
    bundle = CFPtr<CFBundleRef>(factory.bundle);
    functionName = factory.functionName;
  }
  if (!CFBundleLoadExecutable(bundle.get())) return nullptr;
  std::string why;
  auto function = reinterpret_cast<CFPlugInFactoryFunction>(
      NoThrow([&] { return OwnFunction(BundleOf(bundle.get()), functionName, &why); }));
  if (function == nullptr) {
    pde::WriteConsoleLine("CFPlugInInstanceCreate: " +
                          pde::EscapeBytes(pde::BundlePath(bundle.get()) + ": " + why));
    return nullptr;
  }
  return function(allocator, typeUUID);
}

void CFPlugInAddInstanceForFactory(CFUUIDRef factoryID) {
  if (CFGetTypeID(factoryID) != CFUUIDGetTypeID()) return;
  PlugInRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  NoThrow([&] { ++registry.instances[KeyOf(factoryID)]; });
}

void CFPlugInRemoveInstanceForFactory(CFUUIDRef factoryID) {
  if (CFGetTypeID(factoryID) != CFUUIDGetTypeID()) return;
  PlugInRegistry& registry = Registry();
  std::lock_guard lock(registry.mutex);
  auto found = registry.instances.find(KeyOf(factoryID));
  if (found == registry.instances.end()) {
    ReportMisuse("CFPlugInRemoveInstanceForFactory", "the factory has no live instance");
    return;
  }
  if (--found->second == 0) registry.instances.erase(found);
}

namespace pde {

long PlugInInstanceCount(CFUUIDRef factoryID) {
  if (CFGetTypeID(factoryID) != CFUUIDGetTypeID()) return 0;
  cf::PlugInRegistry& registry = cf::Registry();
  std::lock_guard lock(registry.mutex);
  auto found = registry.instances.find(cf::KeyOf(factoryID));
  return found == registry.instances.end() ? 0 : found->second;
}

}  // namespace pde
