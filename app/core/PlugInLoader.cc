// PlugInLoader.cc: the plug-in loader: bundle, factory by type, instance, interface by UUID.
#include "PlugInLoader.h"

#include <filesystem>

#include "CoreFoundation/CFPlugInCOM.h"
#include "Trust.h"
#include "pde/CFHost.h"

namespace pdehost {

namespace {

IUnknownVTbl** AsUnknown(void* instance) {
  return static_cast<IUnknownVTbl**>(instance);
}

}  // namespace

std::unique_ptr<DialogExtension> DialogExtension::Load(const std::string& path,
                                                       std::string* error) {
  std::error_code code;
  if (!std::filesystem::is_directory(path, code)) {
    *error = path + ": no such bundle directory";
    return nullptr;
  }
  if (!CheckBundleTrust(path, error)) return nullptr;
  std::unique_ptr<DialogExtension> extension(new DialogExtension());

  pde::CFPtr<CFURLRef> url(
      CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path.data()),
                                              static_cast<CFIndex>(path.size()), true));
  if (url) extension->plugIn_ = CFPlugInCreate(nullptr, url.get());
  if (extension->plugIn_ == nullptr) {
    *error = path + ": not a bundle (its Contents/Info.plist cannot be read)";
    return nullptr;
  }

  pde::CFPtr<CFUUIDRef> type(CFUUIDCreateFromString(nullptr, CFSTR(kPrinterModuleTypeIDStr)));
  pde::CFPtr<CFArrayRef> factories(
      CFPlugInFindFactoriesForPlugInTypeInPlugIn(type.get(), extension->plugIn_));
  if (!factories || CFArrayGetCount(factories.get()) == 0) {
    *error = path + ": registers no factory for the printer-module dialog-extension type";
    return nullptr;
  }
  const auto factory = static_cast<CFUUIDRef>(CFArrayGetValueAtIndex(factories.get(), 0));
  extension->instance_ = CFPlugInInstanceCreate(nullptr, factory, type.get());
  if (extension->instance_ == nullptr) {
    *error = path + ": its factory made no instance";
    return nullptr;
  }

  pde::CFPtr<CFUUIDRef> interfaceID(
      CFUUIDCreateFromString(nullptr, CFSTR(kDialogExtensionIntfIDStr)));
  IUnknownVTbl** unknown = AsUnknown(extension->instance_);
  void* interface = nullptr;
  const HRESULT result =
      (*unknown)->QueryInterface(unknown, CFUUIDGetUUIDBytes(interfaceID.get()), &interface);
  if (result != S_OK || interface == nullptr) {
    *error = path + ": its instance has no dialog-extension interface (result " +
             std::to_string(result) + ")";
    return nullptr;
  }
  extension->interface_ = static_cast<PMPlugInHeaderInterface*>(interface);
  extension->table_ = reinterpret_cast<const PlugInIntfVTable*>(extension->interface_->vtable);
  return extension;
}

DialogExtension::~DialogExtension() {
  if (interface_ != nullptr) interface_->vtable->Release(&interface_);
  if (instance_ != nullptr) (*AsUnknown(instance_))->Release(instance_);
  if (plugIn_ != nullptr) CFRelease(plugIn_);
}

}  // namespace pdehost
