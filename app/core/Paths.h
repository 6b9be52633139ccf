// Paths.h: where a program or module of the project finds its plug-ins and data: next to itself,
// in the tree it is installed in (a build tree has the same layout), unless the environment says
// otherwise.
#pragma once

#include <string>

namespace pdehost {

// The absolute path of the program or shared object this code is linked into (pdehost, pdeprint,
// the GTK module's integration), found with dladdr; empty when the system cannot tell.
std::string OwnBinaryFile();

// The plug-in directory: $PDE_PLUGIN_DIR when set, else the one of the tree binaryFile lies in
// (<prefix>/<libdir>/pdekit/plugins, reached from the private library directory for the programs
// and the GTK module's integration, else from the program directory). Never a build directory
// compiled in. Empty when binaryFile is.
std::string PlugInDirectory(const std::string& binaryFile = OwnBinaryFile());

// Checks that PlugInDirectory() is a directory that code may be loaded from
// (CheckPlugInDirectoryTrust). Returns false with *error "<directory>: no plug-in directory
// (named by PDE_PLUGIN_DIR)" or "(... beside <binary file>)" when it is not, with the trust
// check's message when it may not be trusted, or with a message asking for PDE_PLUGIN_DIR when
// the program cannot tell where it lies.
bool CheckPlugInDirectory(std::string* error);

// The PPD of the bundled supported sample printer: $PDE_SAMPLES_DIR/ppd/VELMORA-q-RX730.ppd when
// PDE_SAMPLES_DIR is set (a samples/ directory), else the tree's CUPS driver directory; empty when
// the program cannot tell where it lies.
std::string DefaultPpdPath();
// The bundled demo session: $PDE_SAMPLES_DIR/sessions/demo.session, else the tree's data
// directory; empty as DefaultPpdPath().
std::string DemoScriptPath();
// The project's own bundle in the plug-in directory.
std::string BuiltBundlePath();
// A file of the tree's private library directory, where the programs' libraries and parts lie;
// empty when the program cannot tell where it lies.
std::string PrivateLibraryFile(const char* name);

}  // namespace pdehost
