// BundleTest.cc: bundles, their registry, localized strings and the plug-in loader.
#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <utility>

#include "pde/CFHost.h"

namespace {

using pde::CFPtr;

const std::string kSample = PDE_CF_SAMPLE_BUNDLE;
const std::string kData = PDE_CF_TEST_DATA;

CFPtr<CFURLRef> URLOf(const std::string& path) {
  return CFPtr<CFURLRef>(
      CFURLCreateFromFileSystemRepresentation(nullptr, reinterpret_cast<const UInt8*>(path.data()),
                                              static_cast<CFIndex>(path.size()), true));
}

CFPtr<CFUUIDRef> UUID(const char* text) {
  return CFPtr<CFUUIDRef>(CFUUIDCreateFromString(nullptr, pde::MakeString(text).get()));
}

std::string Localized(CFBundleRef bundle, const char* key, CFStringRef table = nullptr) {
  CFPtr<CFStringRef> value(CFBundleCopyLocalizedString(
      bundle, pde::MakeString(key).get(), CFSTR("Missing Localizable.strings"), table));
  return pde::ToUTF8(value.get());
}

// Clears the locale variables for one test and restores them after it.
class LocaleEnvironment : public ::testing::Test {
 protected:
  void SetUp() override {
    for (auto& [name, value] : saved_) {
      if (const char* set = std::getenv(name)) value = set;
      unsetenv(name);
    }
  }
  void TearDown() override {
    for (const auto& [name, value] : saved_) {
      value ? setenv(name, value->c_str(), 1) : unsetenv(name);
    }
  }

 private:
  std::pair<const char*, std::optional<std::string>> saved_[4] = {
      {"LANGUAGE", {}}, {"LC_ALL", {}}, {"LC_MESSAGES", {}}, {"LANG", {}}};
};

TEST(Bundle, OpensADirectoryAndIsFoundByIdentifierWhileOpen) {
  CFPtr<CFBundleRef> bundle(CFBundleCreate(nullptr, URLOf(kSample + "/").get()));
  ASSERT_TRUE(bundle);
  EXPECT_EQ(pde::ToUTF8(CFBundleGetIdentifier(bundle.get())), "org.pdekit.test.Sample");
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("org.pdekit.test.Sample")), bundle.get());
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("org.pdekit.test.Other")), nullptr);
  EXPECT_EQ(pde::ToUTF8(static_cast<CFStringRef>(
                CFBundleGetValueForInfoDictionaryKey(bundle.get(), CFSTR("CFBundleName")))),
            "Sample");
  EXPECT_EQ(CFDictionaryGetCount(CFBundleGetInfoDictionary(bundle.get())), 6);
  CFPtr<CFBundleRef> again = pde::OpenBundle(kSample + "/Contents/..");
  EXPECT_EQ(again.get(), bundle.get());  // one bundle per directory
  CFPtr<CFURLRef> copied(CFBundleCopyBundleURL(bundle.get()));
  UInt8 path[4096];
  ASSERT_TRUE(CFURLGetFileSystemRepresentation(copied.get(), true, path, sizeof path));
  EXPECT_EQ(reinterpret_cast<char*>(path), pde::BundlePath(bundle.get()));
  bundle = {};
  again = {};
  EXPECT_EQ(CFBundleGetBundleWithIdentifier(CFSTR("org.pdekit.test.Sample")), nullptr);

  EXPECT_FALSE(pde::OpenBundle(kData + "/NoSuch.bundle"));
  EXPECT_FALSE(pde::OpenBundle(kData + "/plist/AllTypes.plist"));  // not a directory
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(pde::OpenBundle(kData + "/Broken.bundle"));
  std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_NE(message.find("Broken.bundle/Contents/Info.plist: malformed property list"),
            std::string::npos)
      << message;
}

TEST_F(LocaleEnvironment, LocalizedStringsFollowThePreferredLanguages) {
  CFPtr<CFBundleRef> bundle = pde::OpenBundle(kSample);
  ASSERT_TRUE(bundle);
  EXPECT_EQ(Localized(bundle.get(), "DINTITLE"), "DIN");  // nothing set: the development region
  setenv("LANG", "de_DE.UTF-8", 1);
  EXPECT_EQ(Localized(bundle.get(), "DINTITLE"), "DIN-Nummer");
  EXPECT_EQ(Localized(bundle.get(), "BLANKPAGES"), "Leerseiten \u00FCberspringen");
  EXPECT_EQ(Localized(bundle.get(), "ONLYENGLISH"), "Only in English");
  setenv("LC_MESSAGES", "POSIX", 1);  // a C locale says nothing: English
  EXPECT_EQ(Localized(bundle.get(), "DINTITLE"), "DIN");
  setenv("LANGUAGE", "pt_BR:fr_FR@euro:de", 1);
  EXPECT_EQ(Localized(bundle.get(), "DINTITLE"), "Num\u00E9ro DIN");  // UTF-16 table
  EXPECT_EQ(Localized(bundle.get(), "NOSUCHKEY"), "Missing Localizable.strings");
  EXPECT_EQ(Localized(bundle.get(), "DINTITLE", CFSTR("Other")), "DIN (other table)");
  CFPtr<CFStringRef> keyItself(
      CFBundleCopyLocalizedString(bundle.get(), CFSTR("NOSUCHKEY"), nullptr, nullptr));
  EXPECT_EQ(pde::ToUTF8(keyItself.get()), "NOSUCHKEY");

  // An unreadable table is reported once, and the development region's table answers.
  setenv("LANGUAGE", "zz", 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(Localized(bundle.get(), "DINTITLE"), "DIN");
  EXPECT_EQ(Localized(bundle.get(), "BLANKPAGES"), "Blank pages");
  EXPECT_EQ(::testing::internal::GetCapturedStderr(),
            "CFBundleCopyLocalizedString: " + pde::BundlePath(bundle.get()) +
                "/Contents/Resources/zz.lproj/Localizable.strings:3: expected ';' after the "
                "entry\n");
}

TEST(PlugIn, FindsFactoriesLoadsTheExecutableAndCountsInstances) {
  CFPtr<CFPlugInRef> plugIn(CFPlugInCreate(nullptr, URLOf(kSample).get()));
  ASSERT_TRUE(plugIn);
  EXPECT_EQ(CFPlugInGetBundle(plugIn.get()), plugIn.get());
  CFPtr<CFUUIDRef> type = UUID("BDB091F4-E57F-11D3-B5CC-0050E4603277");
  CFPtr<CFUUIDRef> factory = UUID("5C34A7A0-06G8-69S8-BF35-000A9573BCE6");
  CFPtr<CFArrayRef> factories(CFPlugInFindFactoriesForPlugInTypeInPlugIn(type.get(), plugIn.get()));
  ASSERT_EQ(CFArrayGetCount(factories.get()), 2);
  EXPECT_EQ(CFArrayGetValueAtIndex(factories.get(), 1), factory.get());
  CFPtr<CFArrayRef> none(CFPlugInFindFactoriesForPlugInTypeInPlugIn(factory.get(), plugIn.get()));
  EXPECT_EQ(CFArrayGetCount(none.get()), 0);

  EXPECT_EQ(CFPlugInInstanceCreate(nullptr, factory.get(), factory.get()), nullptr);  // wrong type
  EXPECT_FALSE(CFBundleIsExecutableLoaded(plugIn.get()));
  void* instance = CFPlugInInstanceCreate(nullptr, factory.get(), type.get());
  ASSERT_NE(instance, nullptr);
  EXPECT_TRUE(CFBundleIsExecutableLoaded(plugIn.get()));
  EXPECT_EQ(pde::PlugInInstanceCount(factory.get()), 1);
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(CFPlugInInstanceCreate(nullptr, UUID("11111111-2222-3333-4444-555555555555").get(),
                                   type.get()),
            nullptr);
  EXPECT_NE(::testing::internal::GetCapturedStderr().find("no function NoSuchFunction"),
            std::string::npos);

  CFBundleUnloadExecutable(plugIn.get());  // an instance is alive: stays loaded
  EXPECT_TRUE(CFBundleIsExecutableLoaded(plugIn.get()));
  auto destroy = reinterpret_cast<void (*)(void*)>(
      CFBundleGetFunctionPointerForName(plugIn.get(), CFSTR("DestroyTestInstance")));
  ASSERT_NE(destroy, nullptr);
  destroy(instance);
  CFPlugInRemoveInstanceForFactory(factory.get());  // never below zero
  EXPECT_EQ(pde::PlugInInstanceCount(factory.get()), 0);
  CFBundleUnloadExecutable(plugIn.get());
  EXPECT_FALSE(CFBundleIsExecutableLoaded(plugIn.get()));
  EXPECT_EQ(CFBundleGetFunctionPointerForName(plugIn.get(), CFSTR("NoSuchFunction")), nullptr);

  // The factories leave the registry with their bundle.
  plugIn = {};
  EXPECT_EQ(CFPlugInInstanceCreate(nullptr, factory.get(), type.get()), nullptr);
  EXPECT_EQ(pde::PlugInInstanceCount(factory.get()), 0);
}

}  // namespace
