// AllocationFailureTest.cc: the plug-in when the C library's allocator fails. The plug-in's code
// is built for this test with malloc and calloc routed to the two functions below.
#include <gtest/gtest.h>

#include <cstdlib>
#include <tuple>

#include "PaneFixture.h"
#include "plugin/main.h"

namespace {
int failingAllocations = 0;  // the next this many allocations of the plug-in fail
int allocationsToSkip = 0;   // after letting this many through

bool TakeAllocationFailure() {
  if (failingAllocations == 0) return false;
  if (allocationsToSkip > 0) {
    --allocationsToSkip;
    return false;
  }
  --failingAllocations;
  return true;
}

void FailPlugInAllocations(int count, int skip = 0) {
  failingAllocations = count;
  allocationsToSkip = skip;
}
}  // namespace

extern "C" void* ZorTestMalloc(size_t size) {
  return TakeAllocationFailure() ? nullptr : std::malloc(size);
}

extern "C" void* ZorTestCalloc(size_t count, size_t size) {
  return TakeAllocationFailure() ? nullptr : std::calloc(count, size);
}

namespace zor::test {
namespace {

using pde::CFPtr;

class AllocationFailureTest : public BundleTest {
 protected:
  void TearDown() override { FailPlugInAllocations(0); }
};

TEST_F(AllocationFailureTest, WithoutAContextEveryLaterCallIsRefusedOrHarmless) {
  PMPDEContext context = reinterpret_cast<PMPDEContext>(1);
  OSType creator = 0;
  CFStringRef kind = nullptr, title = CFSTR("untouched");
  UInt32 maxH = 7, maxV = 7;
  FailPlugInAllocations(1);
  EXPECT_EQ(Prologue(&context, &creator, &kind, &title, &maxH, &maxV), memFullErr);
  EXPECT_EQ(std::tuple(context, creator, title, maxH),
            std::tuple(nullptr, 0x7A6F7220u, CFSTR("untouched"), 7u));
  EXPECT_EQ(CFStringCompare(kind, CFSTR("org.pdekit.print.pde.ZORPane"), 0), kCFCompareEqualTo);

  TestSession session(SamplePPD("VELMORA-q-RX730.ppd"));
  HostWindow host;
  PMPDEFlags flags = 0x55;
  CFArrayRef titles = nullptr;
  EXPECT_EQ(Initialize(context, &flags, 0, host.pane(), session.get()), paramErr);
  EXPECT_EQ(Sync(context, session.get(), true), paramErr);
  EXPECT_EQ(Sync(context, session.get(), false), paramErr);
  EXPECT_EQ(GetSummaryText(context, &titles, &titles), paramErr);
  EXPECT_EQ(std::tuple(flags, titles, CFDictionaryGetCount(session.Settings())),
            std::tuple(0x55u, nullptr, 0));
  EXPECT_EQ(GetControlFromWindow(host.window(), kZORSignature, 1), nullptr);
  EXPECT_EQ(Open(context), noErr);
  EXPECT_EQ(Close(context), noErr);
  EXPECT_EQ(Terminate(context, -1), noErr);
  DisposeZORContext(nullptr);
}

TEST_F(AllocationFailureTest, FactoryAndInterfaceObjectsHandOutNothingWhenMemoryFails) {
  CFPtr<CFUUIDRef> type(CFUUIDCreateFromString(nullptr, CFSTR(kPrinterModuleTypeIDStr)));
  CFPtr<CFUUIDRef> factoryID(CFUUIDCreateFromString(nullptr, CFSTR(kPDEFactoryIDStr)));
  FailPlugInAllocations(1);
  EXPECT_EQ(CreatePDEFactory(nullptr, type.get()), nullptr);
  EXPECT_EQ(pde::PlugInInstanceCount(factoryID.get()), 0);

  auto instance = static_cast<IUnknownVTbl**>(CreatePDEFactory(nullptr, type.get()));
  ASSERT_NE(instance, nullptr);
  EXPECT_EQ(pde::PlugInInstanceCount(factoryID.get()), 1);
  CFPtr<CFUUIDRef> intfID(CFUUIDCreateFromString(nullptr, CFSTR(kDialogExtensionIntfIDStr)));
  for (int skip : {0, 1}) {  // the object, then its table
    void* intf = instance;
    FailPlugInAllocations(1, skip);
    EXPECT_EQ((*instance)->QueryInterface(instance, CFUUIDGetUUIDBytes(intfID.get()), &intf), S_OK);
    EXPECT_EQ(intf, nullptr) << skip;
  }
  EXPECT_EQ((*instance)->Release(instance), 0u);
  EXPECT_EQ(pde::PlugInInstanceCount(factoryID.get()), 0);
}

}  // namespace
}  // namespace zor::test
