// BundleInterfaceTest.cc: the built bundle driven through its binary interface, in the order and
// the way the printing system drives a dialog extension.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>

#include <PrintCore/PMPrintingDialogExtensions.h>

#include "PaneTestSupport.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

using pde::CFPtr;

constexpr OSType kCreator = 0x7A6F7220;  // 'zor '

CFPtr<CFUUIDRef> MakeUUID(const char* text) {
  return CFPtr<CFUUIDRef>(CFUUIDCreateFromString(nullptr, pde::MakeString(text).get()));
}

class BundleInterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setenv("LANGUAGE", "en", 1);
    std::string path = BundlePath();
    CFPtr<CFURLRef> url(CFURLCreateFromFileSystemRepresentation(
        nullptr, reinterpret_cast<const UInt8*>(path.data()), static_cast<CFIndex>(path.size()),
        true));
    plugIn_ = CFPtr<CFPlugInRef>(CFPlugInCreate(nullptr, url.get()));
    ASSERT_TRUE(plugIn_);
    CFPtr<CFArrayRef> factories(
        CFPlugInFindFactoriesForPlugInTypeInPlugIn(typeID_.get(), plugIn_.get()));
    ASSERT_EQ(CFArrayGetCount(factories.get()), 1);
    factoryID_ = CFPtr<CFUUIDRef>::Retain(
        static_cast<CFUUIDRef>(CFArrayGetValueAtIndex(factories.get(), 0)));
    EXPECT_TRUE(CFEqual(factoryID_.get(), MakeUUID("5C34A7A0-06G8-69S8-BF35-000A9573BCE6").get()));
    instance_ = static_cast<IUnknownVTbl**>(
        CFPlugInInstanceCreate(nullptr, factoryID_.get(), typeID_.get()));
    ASSERT_NE(instance_, nullptr);
    EXPECT_EQ(pde::PlugInInstanceCount(factoryID_.get()), 1);
  }

  void TearDown() override {
    if (instance_ != nullptr) {
      EXPECT_EQ((*instance_)->Release(instance_), 0u);
    }
    EXPECT_EQ(pde::PlugInInstanceCount(factoryID_.get()), 0);
  }

  // Queries the instance for the interface named by text.
  HRESULT Query(const char* text, void** out) {
    return (*instance_)->QueryInterface(instance_, CFUUIDGetUUIDBytes(MakeUUID(text).get()), out);
  }

  PMPlugInHeaderInterface* QueryPDE() {
    void* intf = nullptr;
    EXPECT_EQ(Query(kDialogExtensionIntfIDStr, &intf), S_OK);
    return static_cast<PMPlugInHeaderInterface*>(intf);
  }

  static const PlugInIntfVTable& Table(PMPlugInHeaderInterface* intf) {
    return *reinterpret_cast<const PlugInIntfVTable*>(intf->vtable);
  }

  CFPtr<CFUUIDRef> typeID_ = MakeUUID(kPrinterModuleTypeIDStr);
  CFPtr<CFPlugInRef> plugIn_;
  CFPtr<CFUUIDRef> factoryID_;
  IUnknownVTbl** instance_ = nullptr;
};

// The calls in the printing system's order, on a supported printer. What the pane then does
// through this table (choices, typing, Sync, the summary) the golden sessions check, through the
// same loading path in pdehost. The test's listener fails it should an object outlive it.
TEST_F(BundleInterfaceTest, TheCallsInTheirOrderHandOverWhatThePrintingSystemNeeds) {
  TestSession session(SamplePPD("VELMORA-q-RX730.ppd"));
  HostWindow host;
  PMPlugInHeaderInterface* intf = QueryPDE();
  ASSERT_NE(intf, nullptr);
  const PlugInIntfVTable& table = Table(intf);

  PMPDEContext context = nullptr;
  OSType creator = 0;
  CFStringRef kind = nullptr, title = nullptr;
  UInt32 maxH = 0, maxV = 0;
  ASSERT_EQ(table.Prologue(&context, &creator, &kind, &title, &maxH, &maxV), noErr);
  EXPECT_EQ(std::tuple(creator, pde::ToUTF8(kind), pde::ToUTF8(title), maxH, maxV),
            std::tuple(kCreator, "org.pdekit.print.pde.ZORPane", "Printer Features", 460u, 220u));
  CFRelease(title);

  PMPDEFlags flags = 0xFFFF;
  ASSERT_EQ(table.Initialize(context, &flags, 0, host.pane(), session.get()), noErr);
  EXPECT_EQ(flags, kPMPDENoFlags);
  ControlID printMode{kCreator, 5};
  ControlRef found = nullptr;
  EXPECT_EQ(GetControlByID(host.window(), &printMode, &found), noErr);
  EXPECT_EQ(table.Open(context), noErr);
  EXPECT_EQ(table.Close(context), noErr);
  EXPECT_EQ(table.Terminate(context, noErr), noErr);
  EXPECT_EQ(intf->vtable->Release(&intf), noErr);
  EXPECT_EQ(intf, nullptr);
}

TEST_F(BundleInterfaceTest, InstanceAndInterfaceObjectsCountTheirReferences) {
  void* unknown = nullptr;
  ASSERT_EQ(Query("00000000-0000-0000-C000-000000000046", &unknown), S_OK);
  EXPECT_EQ(unknown, instance_);
  EXPECT_EQ((*instance_)->AddRef(instance_), 3u);
  EXPECT_EQ((*instance_)->Release(instance_), 2u);
  EXPECT_EQ((*instance_)->Release(instance_), 1u);

  void* none = &unknown;
  EXPECT_EQ(Query("11111111-2222-3333-4444-555555555555", &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);

  PMPlugInHeaderInterface* first = QueryPDE();
  PMPlugInHeaderInterface* second = QueryPDE();
  ASSERT_NE(first, nullptr);
  ASSERT_NE(second, nullptr);
  EXPECT_NE(first, second);
  EXPECT_NE(first->vtable, second->vtable);
  PMPlugInAPIVersion version{9, 9, 9, 9};
  EXPECT_EQ(first->vtable->GetAPIVersion(first, &version), noErr);
  EXPECT_EQ(std::tuple(version.buildVersionMajor, version.buildVersionMinor,
                       version.baseVersionMajor, version.baseVersionMinor),
            std::tuple(1u, 0u, 1u, 0u));

  // A retained object survives one Release, which still clears the caller's pointer.
  PMPlugInHeaderInterface* alias = first;
  EXPECT_EQ(first->vtable->Retain(first), noErr);
  EXPECT_EQ(alias->vtable->Release(&first), noErr);
  EXPECT_EQ(first, nullptr);
  EXPECT_EQ(alias->vtable->GetAPIVersion(alias, &version), noErr);
  EXPECT_EQ(alias->vtable->Release(&alias), noErr);
  EXPECT_EQ(second->vtable->Release(&second), noErr);
  EXPECT_EQ(pde::PlugInInstanceCount(factoryID_.get()), 1) << "interfaces hold no instance count";
}

TEST_F(BundleInterfaceTest, FactoryServesTheDialogExtensionTypeAloneAndIsTheOnlyExport) {
  CFBundleRef bundle = CFPlugInGetBundle(plugIn_.get());
  using Factory = void* (*)(CFAllocatorRef, CFUUIDRef);
  auto factory = reinterpret_cast<Factory>(
      CFBundleGetFunctionPointerForName(bundle, CFSTR("CreatePDEFactory")));
  ASSERT_NE(factory, nullptr);
  EXPECT_EQ(factory(nullptr, MakeUUID(kDialogExtensionIntfIDStr).get()), nullptr);
  EXPECT_EQ(factory(nullptr, nullptr), nullptr);
  EXPECT_EQ(pde::PlugInInstanceCount(factoryID_.get()), 1);
  for (const char* hidden : {"Prologue", "Initialize", "GetTicketFromSession", "QueryInterface",
                             "AttachTextConstraint", "CreateZORContext"}) {
    EXPECT_EQ(CFBundleGetFunctionPointerForName(bundle, pde::MakeString(hidden).get()), nullptr)
        << hidden;
  }
}

}  // namespace
}  // namespace zor::test
