// DigitKeysFuzzer.cc: key-event sequences on the pane's digit fields: any byte, key-down or
// repeat, any modifiers, selections, focus, paste, commands and run-loop passes. A typed
// printable character that is not '0' to '9' never enters a field; typed printable keys never
// make a field longer than five characters unless they replace a selection; a key the filters
// let through reaches the field, which then edits as it always does.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <string>

#include "PaneControls.h"
#include "PaneHarness.h"

namespace {

using namespace pde::fuzz;
using pde::CFPtr;

constexpr int kPrintModeID = pdehost::kPrintModeControl, kDINID = pdehost::kDinControl,
              kDepartmentID = pdehost::kDepartmentControl, kDCID = pdehost::kDcControl;
constexpr size_t kFieldLimit = 5;
constexpr size_t kLongestText = 32767;  // the toolkit's limit on an edit field's text

constexpr std::array<UInt32, 4> kModifiers{0, shiftKey, cmdKey, cmdKey | shiftKey};

struct PaneUnderTest {
  Session session{SamplePPD()};
  HostWindow host;
  OpenPane pane{session, host};
  ControlRef printMode = nullptr, din = nullptr, department = nullptr, dc = nullptr;
};

PaneUnderTest& Pane() {
  static PaneUnderTest* pane = [] {
    auto* made = new PaneUnderTest;  // kept open for the process's life
    Check(made->pane.status() == noErr, "the pane opens on the sample printer");
    made->printMode = made->host.Control(kPrintModeID);
    made->din = made->host.Control(kDINID);
    made->department = made->host.Control(kDepartmentID);
    made->dc = made->host.Control(kDCID);
    // The relationship timer, made by the first command, lives as long as the pane.
    pde::ChoosePopupItem(made->printMode, 1);
    pde::RunLoopRunOnePass();
    return made;
  }();
  return *pane;
}

// Both fields enabled, the DIN full ("12345"), the DC at its default, the caret at the DIN's
// end, whatever the previous input left.
void Reset(PaneUnderTest& pane) {
  CFMutableDictionaryRef ticket = pane.session.Settings();
  CFDictionaryRemoveAllValues(ticket);
  CFDictionarySetValue(ticket, CFSTR("PrintMode"), CFSTR("Private"));
  CFDictionarySetValue(ticket, CFSTR("DeptCode"), CFSTR("True"));
  const std::array<CFStringRef, 5> keys{CFSTR("DINDigit1"), CFSTR("DINDigit2"), CFSTR("DINDigit3"),
                                        CFSTR("DINDigit4"), CFSTR("DINDigit5")};
  const std::array<CFStringRef, 5> digits{CFSTR("1"), CFSTR("2"), CFSTR("3"), CFSTR("4"),
                                          CFSTR("5")};
  for (size_t i = 0; i < keys.size(); ++i) CFDictionarySetValue(ticket, keys[i], digits[i]);
  Check(Operations().Sync(pane.pane.context(), pane.session.get(), true) == noErr, "Sync in");
  CFDictionaryRemoveAllValues(ticket);
  pde::RunLoopRunOnePass();  // a pass a previous input armed changes nothing now
  Check(pde::FocusControl(pane.din) == noErr, "focus the DIN");
}

std::u16string TextOf(ControlRef field) {
  CFStringRef text = nullptr;
  Check(GetControlData(field, kControlEntireControl, kControlEditTextCFStringTag, sizeof text,
                       &text, nullptr) == noErr &&
            text,
        "a digit field can be read");
  CFPtr<CFStringRef> owned(text);
  std::u16string units(static_cast<size_t>(CFStringGetLength(text)), u'\0');
  CFStringGetCharacters(text, CFRange{0, static_cast<CFIndex>(units.size())},
                        reinterpret_cast<UniChar*>(units.data()));
  return units;
}

ControlRef FocusedField(const PaneUnderTest& pane) {
  for (ControlRef field : {pane.din, pane.dc}) {
    if (pde::SnapshotControl(field).focused) return field;
  }
  return nullptr;
}

// Types one key into the focused field and checks what became of it.
void TypeAndCheck(const PaneUnderTest& pane, unsigned char key, bool repeat, UInt32 modifiers) {
  ControlRef field = FocusedField(pane);
  if (field == nullptr || !IsControlEnabled(field)) {
    pde::TypeKey(pane.host.window(), key, repeat, modifiers);
    return;
  }
  const std::u16string before = TextOf(field);
  const ControlEditTextSelectionRec selection = pde::SnapshotControl(field).selection;
  const auto start = static_cast<size_t>(selection.selStart);
  const auto end = static_cast<size_t>(selection.selEnd);
  pde::TypeKey(pane.host.window(), key, repeat, modifiers);
  const std::u16string after = TextOf(field);

  const bool printable = key >= 0x20 && key <= 0x7E;
  const bool digit = key >= '0' && key <= '9';
  if (printable) {
    if (!digit) Check(after == before, "a printable non-digit never enters a field");
    if (start == end && after.size() > before.size()) {
      Check(after.size() <= kFieldLimit, "a typed key never makes a field longer than five");
    }
  }
  // What the field must hold: filters consume a printable key that is no digit, or a digit
  // when the field is full with nothing selected; the field takes what reaches it as a
  // character unless the command key is down; control keys edit as the field's own rules say.
  if (!printable && key < 0x80) {
    Check(after.size() <= before.size(), "a control key never adds a character");
    return;
  }
  const bool consumed = printable && (!digit || (before.size() >= kFieldLimit && start == end));
  std::u16string expected = before;
  if (!consumed && !(modifiers & cmdKey) && before.size() - (end - start) + 1 <= kLongestText) {
    const char16_t typed = static_cast<char16_t>(pde::UnicodeForMacRomanByte(key));
    expected.replace(start, end - start, 1, typed);
  }
  Check(after == expected, "the key reaches the field exactly when the filters let it through");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Pane();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PaneUnderTest& pane = Pane();
  Reset(pane);
  const long liveBefore = pde::fuzz::LiveObjects();
  FuzzedDataProvider input(data, size);
  while (input.remaining_bytes() > 0) {
    ControlRef field = input.ConsumeBool() ? pane.din : pane.dc;
    switch (input.ConsumeIntegralInRange(0, 9)) {
      case 0:
        pde::SelectText(field, input.ConsumeIntegralInRange<SInt16>(-2, 12),
                        input.ConsumeIntegralInRange<SInt16>(-2, 12));
        break;
      case 1:
        pde::FocusControl(field);
        break;
      case 2: {  // paste: no key events, so no filter sees it
        const std::string bytes = input.ConsumeRandomLengthString(12);
        CFPtr<CFStringRef> text(CFStringCreateWithBytes(
            nullptr, reinterpret_cast<const UInt8*>(bytes.data()),
            static_cast<CFIndex>(bytes.size()), kCFStringEncodingMacRoman, false));
        pde::PasteText(field, text.get());
        break;
      }
      case 3:
        pde::ChoosePopupItem(input.ConsumeBool() ? pane.printMode : pane.department,
                             input.ConsumeIntegralInRange<SInt32>(1, 4));
        break;
      case 4:
        pde::RunLoopRunOnePass();
        break;
      default: {
        const auto key = input.ConsumeIntegral<unsigned char>();
        const bool repeat = input.ConsumeBool();
        TypeAndCheck(pane, key, repeat, input.PickValueInArray(kModifiers));
        break;
      }
    }
  }
  pde::fuzz::Check(pde::fuzz::LiveObjects() == liveBefore, "nothing leaks");
  return 0;
}
