// PathsTest.cc: the plug-in directory found from a binary's own location in an installed tree.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "Paths.h"

namespace pdehost {
namespace {

// A binary in the private library directory (a program, the GTK module's integration) and another
// in the program directory reach the same tree, also through ".."; PDE_PLUGIN_DIR wins.
TEST(Paths, FindsThePlugInDirectoryFromTheBinarysLocation) {
  unsetenv("PDE_PLUGIN_DIR");
  const std::string plugins = std::string("/opt/pdekit/") + PDE_TEST_INSTALL_PLUGINDIR;
  const struct {
    std::string binary;
    std::string expected;
  } kCases[] = {
      {std::string("/opt/pdekit/") + PDE_TEST_INSTALL_PRIVATE_LIBDIR + "/pdehost", plugins},
      {std::string("/opt/pdekit/") + PDE_TEST_INSTALL_BINDIR + "/a-test", plugins},
      {std::string("/opt/x/../pdekit/") + PDE_TEST_INSTALL_PRIVATE_LIBDIR + "/pdeprint", plugins},
  };
  for (const auto& c : kCases) EXPECT_EQ(PlugInDirectory(c.binary), c.expected) << c.binary;

  // The running test program lies in the build tree's program directory: its plug-in directory
  // is the build's, and holds the bundle the build makes.
  std::string error;
  EXPECT_EQ(PlugInDirectory(), PDE_TEST_BUILD_PLUGINDIR);
  EXPECT_TRUE(CheckPlugInDirectory(&error)) << error;

  setenv("PDE_PLUGIN_DIR", "/nowhere/plugins", 1);
  EXPECT_EQ(PlugInDirectory(kCases[1].binary), "/nowhere/plugins");
  EXPECT_FALSE(CheckPlugInDirectory(&error));
  EXPECT_EQ(error, "/nowhere/plugins: no plug-in directory (named by PDE_PLUGIN_DIR)");
  unsetenv("PDE_PLUGIN_DIR");
}

}  // namespace
}  // namespace pdehost
