// Paths.cc: the tree a binary lies in, found from its own location, and the files it brings.
#include "Paths.h"

#include <dlfcn.h>
#include <link.h>

#include <cstdlib>
#include <filesystem>
#include <string_view>
#include <system_error>

#include "InstallLayout.h"
#include "Trust.h"

namespace pdehost {

namespace {

// An object of this binary's own, whose address dladdr maps to the binary's file.
const char kAnchor = 0;

const char* FromEnvironment(const char* name) {
  const char* value = std::getenv(name);
  return value != nullptr && *value != '\0' ? value : nullptr;
}

// Whether directory (generic form) is installDirectory below some prefix.
bool EndsWithDirectory(const std::string& directory, std::string_view installDirectory) {
  return directory.size() > installDirectory.size() && directory.ends_with(installDirectory) &&
         directory[directory.size() - installDirectory.size() - 1] == '/';
}

// The install prefix of the tree binaryFile lies in, reached from the directory the binary was
// installed into: the private library directory for the programs and the GTK module's
// integration, else the program directory.
std::filesystem::path PrefixOf(const std::string& binaryFile) {
  const std::filesystem::path directory = std::filesystem::path(binaryFile).parent_path();
  const std::string text = directory.generic_string();
  if (EndsWithDirectory(text, PDE_INSTALL_PRIVATE_LIBDIR)) {
    return directory / PDE_PREFIX_FROM_PRIVATE_LIBDIR;
  }
  return directory / PDE_PREFIX_FROM_BINDIR;
}

// prefix/relative/leaf, without "." and ".." components; empty when binaryFile is.
std::string InTree(const std::string& binaryFile, const char* relative, const char* leaf = "") {
  if (binaryFile.empty()) return {};
  std::filesystem::path path = PrefixOf(binaryFile) / relative;
  if (*leaf != '\0') path /= leaf;
  return path.lexically_normal().string();
}

}  // namespace

std::string OwnBinaryFile() {
  Dl_info info{};
  link_map* map = nullptr;
  if (dladdr1(&kAnchor, &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) return {};
  std::error_code error;
  // The main program's link map has no name. Symbolic links are resolved: the tree is the one
  // the file really lies in.
  const std::filesystem::path file =
      map == nullptr || map->l_name == nullptr || *map->l_name == '\0'
          ? std::filesystem::read_symlink("/proc/self/exe", error)
          : std::filesystem::canonical(map->l_name, error);
  return error ? std::string() : file.string();
}

std::string PlugInDirectory(const std::string& binaryFile) {
  if (const char* directory = FromEnvironment("PDE_PLUGIN_DIR")) return directory;
  return InTree(binaryFile, PDE_INSTALL_PLUGINDIR);
}

bool CheckPlugInDirectory(std::string* error) {
  const std::string directory = PlugInDirectory();
  std::error_code code;
  if (std::filesystem::is_directory(directory, code)) {
    return CheckPlugInDirectoryTrust(directory, error);
  }
  if (directory.empty()) {
    *error = "no plug-in directory: the program cannot tell where it lies (set PDE_PLUGIN_DIR)";
    return false;
  }
  *error = directory + ": no plug-in directory (" +
           (FromEnvironment("PDE_PLUGIN_DIR") != nullptr ? std::string("named by PDE_PLUGIN_DIR")
                                                         : "beside " + OwnBinaryFile()) +
           ")";
  return false;
}

std::string DefaultPpdPath() {
  if (const char* samples = FromEnvironment("PDE_SAMPLES_DIR")) {
    return std::string(samples) + "/ppd/VELMORA-q-RX730.ppd";
  }
  return InTree(OwnBinaryFile(), PDE_INSTALL_PPDDIR, "VELMORA-q-RX730.ppd");
}

std::string DemoScriptPath() {
  if (const char* samples = FromEnvironment("PDE_SAMPLES_DIR")) {
    return std::string(samples) + "/sessions/demo.session";
  }
  return InTree(OwnBinaryFile(), PDE_INSTALL_DATADIR, "sessions/demo.session");
}

std::string BuiltBundlePath() {
  return PlugInDirectory() + "/ZORPDE.plugin";
}

std::string PrivateLibraryFile(const char* name) {
  return InTree(OwnBinaryFile(), PDE_INSTALL_PRIVATE_LIBDIR, name);
}

}  // namespace pdehost
