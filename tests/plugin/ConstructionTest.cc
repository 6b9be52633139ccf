// ConstructionTest.cc: Prologue's failures, the nib window, moving the content pane, and
// Initialize's refusals.
#include <gtest/gtest.h>

#include <optional>
#include <tuple>

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
    EXPECT_NE(r.context, nullptr) << c.operation;
    EXPECT_EQ(CFStringCompare(r.kind, CFSTR("org.pdekit.print.pde.ZORPane"), 0), kCFCompareEqualTo);
    const UInt32 width = c.sizeWritten ? 460 : 7, height = c.sizeWritten ? 220 : 7;
    EXPECT_EQ(std::tuple(r.status, r.creator, r.title == nullptr, r.maxH, r.maxV),
              std::tuple(c.expected, 0x7A6F7220u, true, width, height))
        << c.operation;
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
  // Control 1 fills the nib's 460 x 220 content region. It is moved from the nib window, or first
  // put into a window whose content region spans more than 32767 units: each delta is then half
  // the full difference, (40000 - 100) / 2 = 19950.
  struct Case {
    Rect pane;
    std::optional<Rect> content;
    Rect expected;
  };
  for (const Case& c :
       {Case{{30, 40, 240, 490}, {}, {35, 45, 255, 505}},  // 10 larger: +5
        Case{{30, 40, 249, 499}, {}, {30, 40, 250, 500}},  // 1 larger: +0
        Case{{30, 40, 330, 540}, {}, {30, 40, 250, 500}},  // smaller: +0
        Case{{30, 40, 130, 140}, Rect{0, -20000, 100, 20000}, {30, 19990, 250, 20450}},
        Case{{30, 40, 130, 140}, Rect{-20000, 0, 20000, 100}, {19980, 40, 20200, 500}},
        Case{{30, 40, 130, 140},
             Rect{-16384, -16384, 16384, 16384},
             {16364, 16374, 16584, 16834}}}) {
    SCOPED_TRACE(c.content ? c.content->right - c.content->left : 460);
    NibWindow nib;
    HostWindow host(c.pane);
    WindowRef from = nib.get();
    if (c.content) {
      ASSERT_EQ(CreateNewWindow(kDocumentWindowClass, kWindowNoAttributes, &*c.content, &from),
                noErr);
      ControlRef root = nullptr;
      ASSERT_EQ(GetRootControl(from, &root), noErr);
      ASSERT_EQ(EmbedControl(nib.Control(1), root), noErr);
    }
    ASSERT_EQ(MoveControlToPane(from, kZORSignature, 1, host.pane()), noErr);
    ControlRef moved = GetControlFromWindow(host.window(), kZORSignature, 1);
    ASSERT_NE(moved, nullptr);
    Rect bounds, popup;
    GetControlBounds(moved, &bounds);
    GetControlBounds(GetControlFromWindow(host.window(), kZORSignature, 5), &popup);
    EXPECT_EQ(std::tuple(bounds.top, bounds.left, bounds.bottom, bounds.right),
              std::tuple(c.expected.top, c.expected.left, c.expected.bottom, c.expected.right));
    // The controls inside travel with it.
    EXPECT_EQ(std::pair(popup.top - bounds.top, popup.left - bounds.left), std::pair(20, 200));
    EXPECT_EQ(GetControlFromWindow(from, kZORSignature, 5), nullptr);
    if (from != nib.get()) DisposeWindow(from);
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
    PMPDEContext context = nullptr;
    PMPDEFlags flags = 0x55;
    EXPECT_EQ(PrologueAndInitialize(&context, &flags, session, host), kPMInvalidPDEContext) << ppd;
    EXPECT_EQ(flags, 0x55u);
    EXPECT_EQ(GetControlFromWindow(host.window(), kZORSignature, 1), nullptr);
    ZOR_PDEContext untouched{};
    EXPECT_EQ(memcmp(GetZORContext(context), &untouched, sizeof untouched), 0);
    EXPECT_EQ(Terminate(context, -1), noErr);
  }
}

TEST_F(ConstructionTest, InitializeWithAControlMissingRefusesAndDisposesOfTheNibWindow) {
  TestSession session(SamplePPD("VELMORA-q-RX730.ppd"));
  HostWindow host;
  PMPDEContext context = nullptr;
  PMPDEFlags flags = 0x55;
  // The move looks control 1 up once; the sixth of the seven lookups (ID 9) then fails.
  pde::InjectFailure("GetControlByID", errUnknownControl, 1, 6);
  EXPECT_EQ(PrologueAndInitialize(&context, &flags, session, host), kPMInvalidPDEContext);
  const ZOR_PDEContext& pane = *GetZORContext(context);
  EXPECT_NE(pane.control_DC, nullptr);
  EXPECT_EQ(pane.control_BlankPages, nullptr);
  EXPECT_NE(pane.control_DistinguishThinLines, nullptr) << "all seven lookups are made";
  EXPECT_EQ(pane.constraintLength_DIN, nullptr);
  EXPECT_EQ(pane.relationshipEventRef, nullptr);
  EXPECT_EQ(FieldText(pane.control_DIN), "") << "the ticket was not read";
  EXPECT_EQ(Terminate(context, noErr), noErr);
  pde::RunLoopRunOnePass();  // no pass was left armed; the test's end finds nothing left alive
}

}  // namespace
}  // namespace zor::test
