// Bundle.h: the bundle object, shared by bundles, localized strings and the plug-in registry
// (internal).
#pragma once

#include <map>
#include <mutex>
#include <string>

#include "Runtime.h"

struct CFOpaqueBundle : pde::cf::ObjectBase {
  std::string path;                  // the bundle directory, canonical
  pde::CFPtr<CFDictionaryRef> info;  // Contents/Info.plist
  void* executable = nullptr;        // dlopen handle while loaded
  bool factoriesRegistered = false;  // CFPlugInCreate has read its factories and types
  std::mutex tablesMutex;
  std::map<std::string, pde::CFPtr<CFDictionaryRef>> tables;  // by file; null: unreadable
};

namespace pde::cf {

// The bundle behind ref, or null when ref is not a bundle.
CFOpaqueBundle* BundleOf(CFTypeRef ref);

// The address of the function `name` that the bundle's loaded executable itself defines. A look-up
// through the executable's handle also finds what the libraries it depends on define (`free`,
// `system`, `exit` of the C library), so where the symbol lies is checked. Null with *why set
// ("no function NAME", or where it lies instead) otherwise.
void* OwnFunction(const CFOpaqueBundle* bundle, const std::string& name, std::string* why);

// Plug-in registry hooks. Forgets the factories of a bundle that is being freed; true when one of
// them still has live instances (its executable must then stay loaded).
bool ForgetFactoriesOf(const CFOpaqueBundle* bundle);
// True when a factory of the bundle has live instances.
bool HasLiveInstances(const CFOpaqueBundle* bundle);

}  // namespace pde::cf
