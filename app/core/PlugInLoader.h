// PlugInLoader.h: loads a dialog-extension bundle as the printing system does and holds its
// interface.
#pragma once

#include <memory>
#include <string>

#include "PrintCore/PMPrintingDialogExtensions.h"

namespace pdehost {

// A dialog extension's interface, obtained through the bundle's property list: the factory is
// found by the printer-module dialog-extension type, called by name, and the instance asked for
// the dialog-extension interface by UUID. Destroying it releases the interface object, then the
// instance, then the plug-in.
class DialogExtension {
 public:
  // Loads the bundle directory at path. Returns null with *error set to "<path>: why" when
  // the directory is missing, may not be trusted (CheckBundleTrust), is no bundle, registers no
  // factory for the type, or its factory or instance fails.
  static std::unique_ptr<DialogExtension> Load(const std::string& path, std::string* error);

  ~DialogExtension();
  DialogExtension(const DialogExtension&) = delete;
  DialogExtension& operator=(const DialogExtension&) = delete;

  // The interface's table of dialog-extension operations (borrowed; valid while this lives).
  const PlugInIntfVTable& operations() const { return *table_; }

 private:
  DialogExtension() = default;

  CFPlugInRef plugIn_ = nullptr;
  void* instance_ = nullptr;  // IUnknownVTbl** of the factory's instance
  PMPlugInHeaderInterface* interface_ = nullptr;
  const PlugInIntfVTable* table_ = nullptr;
};

}  // namespace pdehost
