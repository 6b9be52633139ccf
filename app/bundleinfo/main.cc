// main.cc: bundleinfo: prints a bundle's identifier and one of its localized strings.
//
//   bundleinfo BUNDLE_DIR [KEY]
//
// KEY defaults to "DINTITLE"; the language follows LANGUAGE, LC_ALL, LC_MESSAGES and LANG.
#include <cstdio>
#include <string>

#include "pde/CFHost.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::fprintf(stderr, "usage: bundleinfo BUNDLE_DIR [KEY]\n");
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
