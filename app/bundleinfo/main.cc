// main.cc: bundleinfo: prints a bundle's identifier and one of its localized strings.
//
//   bundleinfo BUNDLE_DIR [KEY]
//
// KEY defaults to "DINTITLE"; the language follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
#include <cstdio>
#include <string>
#include <string_view>

#include "Version.h"
#include "pde/CFHost.h"

namespace {

constexpr char kUsage[] = "usage: bundleinfo BUNDLE_DIR [KEY]\n";

}  // namespace

int main(int argc, char** argv) {
  const std::string_view first = argc > 1 ? argv[1] : "";
  if (argc == 2 && (first == "-h" || first == "--help")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (argc == 2 && first == "--version") {
    std::fputs(pdehost::VersionText("bundleinfo").c_str(), stdout);
    return 0;
  }
  if (argc < 2 || argc > 3) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  std::string directory = argv[1];
  pde::CFPtr<CFBundleRef> bundle = pde::OpenBundle(directory);
  if (!bundle) {
    std::fprintf(stderr, "bundleinfo: %s: not a readable bundle directory\n", directory.c_str());
    return 1;
  }
  pde::CFPtr<CFStringRef> key = pde::MakeString(argc == 3 ? argv[2] : "DINTITLE");
  if (!key) {
    std::fprintf(stderr, "bundleinfo: the key is not valid UTF-8\n");
    return 2;
  }
  CFStringRef identifier = CFBundleGetIdentifier(bundle.get());
  pde::CFPtr<CFStringRef> text(
      CFBundleCopyLocalizedString(bundle.get(), key.get(), nullptr, nullptr));
  std::printf("%s\n%s\n", identifier ? pde::ToUTF8(identifier).c_str() : "(no identifier)",
              pde::ToUTF8(text.get()).c_str());
  return 0;
}
