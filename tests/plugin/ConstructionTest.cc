// ConstructionTest.cc: Prologue, the nib window, moving the content pane, Initialize's refusals
// and Terminate from every state.
#include <gtest/gtest.h>

#include "PaneFixture.h"
#include "pde/Diagnostics.h"

namespace zor::test {
namespace {

struct PrologueResult {
  OSStatus status = 1;
  PMPDEContext context = reinterpret_cast<PMPDEContext>(1);
  OSType creator = 0;
  CFStringRef kind = nullptr;
  CFStringRef title = nullptr;
  UInt32 maxH = 7;
  UInt32 maxV = 7;
};

PrologueResult RunPrologue() {
  PrologueResult r;
  r.status = Prologue(&r.context, &r.creator, &r.kind, &r.title, &r.maxH, &r.maxV);
  return r;
}

using ConstructionTest = BundleTest;

TEST_F(ConstructionTest, PrologueReportsTheNibWindowsTitleAndContentSize) {
  PrologueResult r = RunPrologue();
  ASSERT_EQ(r.status, noErr);
  EXPECT_NE(r.context, nullptr);
  EXPECT_EQ(r.creator, 0x7A6F7220u);
  EXPECT_EQ(CFStringCompare(r.kind, CFSTR("org.pdekit.print.pde.ZORPane"), 0), kCFCompareEqualTo);
  EXPECT_EQ(pde::ToUTF8(r.title), "Printer Features");
  EXPECT_EQ(r.maxH, 460u);
  EXPECT_EQ(r.maxV, 220u);
  CFRelease(r.title);
  EXPECT_EQ(Terminate(r.context, noErr), noErr);
}

TEST_F(ConstructionTest, PrologueFailuresStillHandOverContextCreatorAndKind) {
  struct Case {
    const char* operation;
    OSStatus injected, expected;
    bool sizeWritten;
  };
  for (const Case& c : {Case{"CreateNibReferenceWithCFBundle", -10960, kPMInvalidPDEContext, false},
                        Case{"CreateWindowFromNib", -10962, kPMInvalidPDEContext, false},
                        Case{"GetWindowBounds", -5600, -5600, false},
                        Case{"CopyWindowTitleAsCFString", -5600, -5600, true}}) {
    pde::InjectFailure(c.operation, c.injected);
    PrologueResult r = RunPrologue();
    EXPECT_EQ(r.status, c.expected) << c.operation;
    EXPECT_NE(r.context, nullptr) << c.operation;
    EXPECT_EQ(r.creator, 0x7A6F7220u) << c.operation;
    EXPECT_EQ(CFStringCompare(r.kind, CFSTR("org.pdekit.print.pde.ZORPane"), 0), kCFCompareEqualTo);
    EXPECT_EQ(r.title, nullptr) << c.operation;
    EXPECT_EQ(r.maxH, c.sizeWritten ? 460u : 7u) << c.operation;
    EXPECT_EQ(r.maxV, c.sizeWritten ? 220u : 7u) << c.operation;
    EXPECT_EQ(Terminate(r.context, noErr), noErr);
  }
}

TEST(ConstructionWithoutBundleTest, NoBundleGivesNoWindowAndPrologueFails) {
  EXPECT_EQ(CreatePDEWindow(), nullptr);
  PrologueResult r = RunPrologue();
  EXPECT_EQ(r.status, kPMInvalidPDEContext);
  EXPECT_EQ(Terminate(r.context, noErr), noErr);
}

TEST_F(ConstructionTest, MoveControlToPaneCentresOnlyWhenTheContentIsLarger) {
  // The nib's content region is 460 x 220; control 1 fills it.
  struct Case {
    Rect pane;
    Rect expected;
  };
  for (const Case& c : {Case{{30, 40, 240, 490}, {35, 45, 255, 505}},   // 10 larger: +5
                        Case{{30, 40, 249, 499}, {30, 40, 250, 500}},   // 1 larger: +0
                        Case{{30, 40, 330, 540}, {30, 40, 250, 500}}}) {  // smaller: +0
    NibWindow nib;
    HostWindow host(c.pane);
    ASSERT_EQ(MoveControlToPane(nib.get(), kZORSignature, 1, host.pane()), noErr);
    ControlRef moved = GetControlFromWindow(host.window(), kZORSignature, 1);
    ASSERT_NE(moved, nullptr);
    Rect bounds;
    GetControlBounds(moved, &bounds);
    EXPECT_EQ(bounds.top, c.expected.top);
    EXPECT_EQ(bounds.left, c.expected.left);
    EXPECT_EQ(bounds.bottom, c.expected.bottom);
    EXPECT_EQ(bounds.right, c.expected.right);
    // The controls inside travel with it.
    Rect popup;
    GetControlBounds(GetControlFromWindow(host.window(), kZORSignature, 5), &popup);
    EXPECT_EQ(popup.top - bounds.top, 20);
    EXPECT_EQ(popup.left - bounds.left, 200);
    EXPECT_EQ(GetControlFromWindow(nib.get(), kZORSignature, 5), nullptr);
  }
}

TEST_F(ConstructionTest, MoveControlToPaneRefusesBeforeMovingAnything) {
  NibWindow nib;
  HostWindow host;
  EXPECT_EQ(MoveControlToPane(nullptr, kZORSignature, 1, host.pane()), paramErr);
  EXPECT_EQ(MoveControlToPane(nib.get(), kZORSignature, 1, nullptr), paramErr);
  EXPECT_EQ(MoveControlToPane(nib.get(), kZORSignature, 2, host.pane()), errUnknownControl);
  pde::InjectFailure("GetWindowBounds", -5614);
  EXPECT_EQ(MoveControlToPane(nib.get(), kZORSignature, 1, host.pane()), -5614);
  EXPECT_NE(nib.Control(1), nullptr);
  EXPECT_EQ(GetControlFromWindow(host.window(), kZORSignature, 1), nullptr);
  EXPECT_EQ(GetControlFromWindow(nib.get(), kZORSignature, 4), nullptr);
  EXPECT_EQ(GetControlFromWindow(nullptr, kZORSignature, 1), nullptr);
}

TEST_F(ConstructionTest, InitializeDeclinesUnsupportedPrinterWithoutTouchingAnything) {
  for (const std::string& ppd : {SamplePPD("Generic-Laser.ppd"), std::string()}) {
    TestSession session(ppd);
    HostWindow host;
    PrologueResult r = RunPrologue();
    CFRelease(r.title);
    PMPDEFlags flags = 0x55;
    testing::internal::CaptureStderr();
    EXPECT_EQ(Initialize(r.context, &flags, 0, host.pane(), session.get()), kPMInvalidPDEContext);
    testing::internal::GetCapturedStderr();
    EXPECT_EQ(flags, 0x55u);
    EXPECT_EQ(GetControlFromWindow(host.window(), kZORSignature, 1), nullptr);
    ZOR_PDEContext untouched{};
    EXPECT_EQ(memcmp(GetZORContext(r.context), &untouched, sizeof untouched), 0);
    EXPECT_EQ(Terminate(r.context, -1), noErr);
  }
}

TEST_F(ConstructionTest, InitializeWithAControlMissingRefusesAndDisposesOfTheNibWindow) {
  TestSession session(SamplePPD("VELMORA-q-RX730.ppd"));
  const long toolkitBefore = pde::LiveToolkitObjectCount();
  {
    HostWindow host;
    PrologueResult r = RunPrologue();
    CFRelease(r.title);
    PMPDEFlags flags = 0x55;
    // The move looks control 1 up once; the sixth of the seven lookups (ID 9) then fails.
    pde::InjectFailure("GetControlByID", errUnknownControl, 1, 6);
    testing::internal::CaptureStderr();
    EXPECT_EQ(Initialize(r.context, &flags, 0, host.pane(), session.get()), kPMInvalidPDEContext);
    testing::internal::GetCapturedStderr();
    const ZOR_PDEContext& pane = *GetZORContext(r.context);
    EXPECT_NE(pane.control_DC, nullptr);
    EXPECT_EQ(pane.control_BlankPages, nullptr);
    EXPECT_NE(pane.control_DistinguishThinLines, nullptr) << "all seven lookups are made";
    EXPECT_EQ(pane.constraintLength_DIN, nullptr);
    EXPECT_EQ(pane.relationshipEventRef, nullptr);
    EXPECT_EQ(FieldText(pane.control_DIN), "") << "the ticket was not read";
    EXPECT_EQ(Terminate(r.context, noErr), noErr);
  }
  pde::RunLoopRunOnePass();
  EXPECT_EQ(pde::LiveToolkitObjectCount(), toolkitBefore);
}

TEST(TerminateTest, AcceptsANullContextAndIgnoresStatus) {
  EXPECT_EQ(Terminate(nullptr, -1), noErr);
  EXPECT_EQ(Open(nullptr), noErr);
  EXPECT_EQ(Close(nullptr), noErr);
  DisposeZORContext(nullptr);
}

}  // namespace
}  // namespace zor::test
