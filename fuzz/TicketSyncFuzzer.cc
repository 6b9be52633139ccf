// TicketSyncFuzzer.cc: a print-settings ticket built from the input (any keys; string, number,
// array or missing values) through Sync into the pane, GetSummaryText and Sync into the ticket.
// Every pop-up reads back as one of its PPD strings, exactly the ticket's when it held one; the
// digit fields get the joined digits or the default; the fourteen keywords are always written;
// other keys are left alone; nothing leaks.
#include <fuzzer/FuzzedDataProvider.h>

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "PaneControls.h"
#include "PaneHarness.h"

namespace {

using namespace pde::fuzz;
using pde::CFPtr;

constexpr int kPrintModeID = pdehost::kPrintModeControl, kDINID = pdehost::kDinControl,
              kDepartmentID = pdehost::kDepartmentControl, kDCID = pdehost::kDcControl,
              kBlankPagesID = pdehost::kBlankPagesControl,
              kThinLinesID = pdehost::kThinLinesControl;

const std::array<const char*, 4> kPrintModes{"Normal", "Proof", "Private", "Hold"};
const std::array<const char*, 2> kSwitchValues{"False", "True"};

// Texts worth trying as values: the PPD strings, near misses, digits and codes.
const std::array<const char*, 20> kValueTexts{
    "Normal", "Proof", "Private", "Hold", "True", "False", "private", "Hold ",  "TRUE", "",
    "0",      "1",     "5",       "9",    "a",    "58203", "12",      "123456", "\xE9", " "};

struct PaneUnderTest {
  Session session{SamplePPD()};
  HostWindow host;
  OpenPane pane{session, host};
  ControlRef printMode = nullptr, din = nullptr, department = nullptr, dc = nullptr,
             blankPages = nullptr, thinLines = nullptr;
};

PaneUnderTest& Pane() {
  static PaneUnderTest* pane = [] {
    auto* made = new PaneUnderTest;  // kept open for the process's life
    Check(made->pane.status() == noErr, "the pane opens on the sample printer");
    made->printMode = made->host.Control(kPrintModeID);
    made->din = made->host.Control(kDINID);
    made->department = made->host.Control(kDepartmentID);
    made->dc = made->host.Control(kDCID);
    made->blankPages = made->host.Control(kBlankPagesID);
    made->thinLines = made->host.Control(kThinLinesID);
    // The bundle reads its strings table on first use and keeps it: read it now.
    CFArrayRef titles = nullptr;
    CFArrayRef settings = nullptr;
    Check(Operations().GetSummaryText(made->pane.context(), &titles, &settings) == noErr,
          "a first summary");
    CFRelease(titles);
    CFRelease(settings);
    return made;
  }();
  return *pane;
}

std::u16string Units(CFStringRef string) {
  std::u16string units(static_cast<size_t>(CFStringGetLength(string)), u'\0');
  CFStringGetCharacters(string, CFRange{0, static_cast<CFIndex>(units.size())},
                        reinterpret_cast<UniChar*>(units.data()));
  return units;
}

std::u16string Units(const char* ascii) {
  std::u16string units;
  for (const char* c = ascii; *c; ++c) units += static_cast<char16_t>(*c);
  return units;
}

CFPtr<CFStringRef> MakeKey(const std::string& text) {
  return CFPtr<CFStringRef>(
      CFStringCreateWithBytes(nullptr, reinterpret_cast<const UInt8*>(text.data()),
                              static_cast<CFIndex>(text.size()), kCFStringEncodingMacRoman, false));
}

constexpr size_t kKeywordCount = 14;

// The fourteen keywords, then a few that only look like them.
const std::vector<std::string>& KnownKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> made{"PrintMode", "DeptCode", "BlankPage", "DistinguishThinLines"};
    for (const char* prefix : {"DINDigit", "DCDigit"}) {
      for (int i = 1; i <= 5; ++i) made.push_back(prefix + std::to_string(i));
    }
    for (const char* other : {"DINDigit0", "DINDigit6", "DCDigit", "BlankPages", "printmode"}) {
      made.emplace_back(other);
    }
    return made;
  }();
  return keys;
}

// True when key is one of the fourteen keywords the pane writes.
bool IsKeyword(const void* key) {
  if (CFGetTypeID(key) != CFStringGetTypeID()) return false;
  const std::string text = pde::ToUTF8(static_cast<CFStringRef>(key));
  for (size_t k = 0; k < kKeywordCount; ++k) {
    if (text == KnownKeys()[k]) return true;
  }
  return false;
}

CFPtr<CFTypeRef> MakeValue(FuzzedDataProvider& input);

CFPtr<CFTypeRef> MakeString(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0:
      return CFPtr<CFTypeRef>(MakeKey(input.PickValueInArray(kValueTexts)).release());
    case 1:
      return CFPtr<CFTypeRef>(MakeKey(input.ConsumeRandomLengthString(32)).release());
    default: {  // any UTF-16 units, lone surrogates included
      std::vector<UniChar> units(input.ConsumeIntegralInRange<size_t>(0, 8));
      for (UniChar& unit : units) unit = input.ConsumeIntegral<UniChar>();
      return CFPtr<CFTypeRef>(
          CFStringCreateWithCharacters(nullptr, units.data(), static_cast<CFIndex>(units.size())));
    }
  }
}

CFPtr<CFTypeRef> MakeValue(FuzzedDataProvider& input) {
  switch (input.ConsumeIntegralInRange(0, 3)) {
    case 0: {
      const SInt64 number = input.ConsumeIntegral<SInt64>();
      return CFPtr<CFTypeRef>(CFNumberCreate(nullptr, kCFNumberSInt64Type, &number));
    }
    case 1: {
      CFPtr<CFMutableArrayRef> array(CFArrayCreateMutable(nullptr, 0, &kCFTypeArrayCallBacks));
      for (int n = input.ConsumeIntegralInRange(0, 2); n > 0; --n) {
        CFPtr<CFTypeRef> element = MakeString(input);
        if (element) CFArrayAppendValue(array.get(), element.get());
      }
      return CFPtr<CFTypeRef>(array.release());
    }
    default:
      return MakeString(input);
  }
}

// The ticket's string under key, or null for a missing key or another kind of value.
CFStringRef StringAt(CFDictionaryRef dict, const std::string& key) {
  CFTypeRef value = CFDictionaryGetValue(dict, MakeKey(key).get());
  return value && CFGetTypeID(value) == CFStringGetTypeID() ? static_cast<CFStringRef>(value)
                                                            : nullptr;
}

// The item a pop-up must show: the index of the ticket's value in values (from 1), else 1.
template <size_t N>
SInt32 ExpectedItem(CFDictionaryRef dict, const char* key,
                    const std::array<const char*, N>& values) {
  CFStringRef value = StringAt(dict, key);
  if (!value) return 1;
  for (size_t i = 0; i < N; ++i) {
    if (Units(value) == Units(values[i])) return static_cast<SInt32>(i + 1);
  }
  return 1;
}

// The text a digit field must show: the five values joined, or the default code.
std::u16string ExpectedDigits(CFDictionaryRef dict, const char* prefix) {
  std::u16string joined;
  for (int i = 1; i <= 5; ++i) {
    CFStringRef digit = StringAt(dict, prefix + std::to_string(i));
    if (!digit) return u"58203";
    joined += Units(digit);
  }
  return joined;
}

std::u16string Padded(const std::u16string& text) {
  return text.size() >= 5 ? text : std::u16string(5 - text.size(), u'0') + text;
}

std::u16string FieldText(ControlRef field) {
  CFStringRef text = nullptr;
  Check(GetControlData(field, kControlEntireControl, kControlEditTextCFStringTag, sizeof text,
                       &text, nullptr) == noErr &&
            text,
        "a digit field can be read");
  CFPtr<CFStringRef> owned(text);
  return Units(text);
}

void CheckString(CFDictionaryRef dict, const std::string& key, const std::u16string& expected) {
  CFStringRef value = StringAt(dict, key);
  Check(value && Units(value) == expected, key + " written as the pane shows it");
}

void CheckSummary(const PaneUnderTest& pane, SInt32 printMode, SInt32 department,
                  const std::u16string& din, const std::u16string& dc) {
  CFArrayRef titles = nullptr;
  CFArrayRef settings = nullptr;
  Check(Operations().GetSummaryText(pane.pane.context(), &titles, &settings) == noErr,
        "GetSummaryText succeeds");
  CFPtr<CFArrayRef> ownedTitles(titles), ownedSettings(settings);
  const CFIndex rows = 3 + (printMode == 3) + (department == 2);
  Check(CFArrayGetCount(titles) == rows && CFArrayGetCount(settings) == rows,
        "one title and one setting per row");
  for (CFIndex i = 0; i < rows; ++i) {
    for (CFArrayRef array : {titles, settings}) {
      CFTypeRef element = CFArrayGetValueAtIndex(array, i);
      Check(element && CFGetTypeID(element) == CFStringGetTypeID(), "rows hold strings");
    }
  }
  auto setting = [&](CFIndex row) {
    return Units(static_cast<CFStringRef>(CFArrayGetValueAtIndex(settings, row)));
  };
  const std::vector<std::string> items = pde::SnapshotControl(pane.printMode).items;
  Check(pde::ToUTF8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(settings, 0))) ==
            items.at(static_cast<size_t>(printMode - 1)),
        "the print-mode row shows the item's text");
  if (printMode == 3) Check(setting(1) == Padded(din), "the DIN row shows the padded field");
  if (department == 2) Check(setting(rows - 1) == Padded(dc), "the DC row comes last, padded");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  Pane();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  PaneUnderTest& pane = Pane();
  CFMutableDictionaryRef ticket = pane.session.Settings();
  const long liveBefore = pde::LiveObjectCount();

  FuzzedDataProvider input(data, size);
  while (input.remaining_bytes() > 0) {
    CFPtr<CFTypeRef> key;
    if (input.ConsumeBool()) {
      const std::vector<std::string>& known = KnownKeys();
      const std::string& text = known[input.ConsumeIntegralInRange<size_t>(0, known.size() - 1)];
      key = CFPtr<CFTypeRef>(MakeKey(text).release());
    } else {
      key = MakeValue(input);  // any object as a key
    }
    if (!key) continue;
    if (input.ConsumeIntegralInRange(0, 4) == 0) {
      CFDictionaryRemoveValue(ticket, key.get());
    } else if (CFPtr<CFTypeRef> value = MakeValue(input)) {
      CFDictionarySetValue(ticket, key.get(), value.get());
    }
  }
  // What the pane must show, and the keys it must leave alone.
  const SInt32 printMode = ExpectedItem(ticket, "PrintMode", kPrintModes);
  const SInt32 department = ExpectedItem(ticket, "DeptCode", kSwitchValues);
  const SInt32 blankPages = ExpectedItem(ticket, "BlankPage", kSwitchValues);
  const SInt32 thinLines = ExpectedItem(ticket, "DistinguishThinLines", kSwitchValues);
  const std::u16string din = ExpectedDigits(ticket, "DINDigit");
  const std::u16string dc = ExpectedDigits(ticket, "DCDigit");
  CFPtr<CFDictionaryRef> before(CFDictionaryCreateMutableCopy(nullptr, 0, ticket));

  const PlugInIntfVTable& operations = Operations();
  Check(operations.Sync(pane.pane.context(), pane.session.get(), true) == noErr, "Sync in");
  Check(GetControl32BitValue(pane.printMode) == printMode, "print mode from the ticket");
  Check(GetControl32BitValue(pane.department) == department, "department switch from the ticket");
  Check(GetControl32BitValue(pane.blankPages) == blankPages, "blank pages from the ticket");
  Check(GetControl32BitValue(pane.thinLines) == thinLines, "thin lines from the ticket");
  Check(FieldText(pane.din) == din, "DIN from the ticket");
  Check(FieldText(pane.dc) == dc, "DC from the ticket");
  Check(IsControlEnabled(pane.din) == (printMode == 3), "DIN enabled only in Private mode");
  Check(IsControlEnabled(pane.dc) == (department == 2), "DC enabled only with its switch on");

  CheckSummary(pane, printMode, department, din, dc);

  Check(operations.Sync(pane.pane.context(), pane.session.get(), false) == noErr, "Sync out");
  CheckString(ticket, "PrintMode", Units(kPrintModes[printMode - 1]));
  CheckString(ticket, "DeptCode", Units(kSwitchValues[department - 1]));
  CheckString(ticket, "BlankPage", Units(kSwitchValues[blankPages - 1]));
  CheckString(ticket, "DistinguishThinLines", Units(kSwitchValues[thinLines - 1]));
  for (int i = 0; i < 5; ++i) {
    CheckString(ticket, "DINDigit" + std::to_string(i + 1), Padded(din).substr(i, 1));
    CheckString(ticket, "DCDigit" + std::to_string(i + 1), Padded(dc).substr(i, 1));
  }
  // Every other key keeps its very value, and nothing else is added.
  const CFIndex count = CFDictionaryGetCount(before.get());
  std::vector<const void*> keys(static_cast<size_t>(count)), values(static_cast<size_t>(count));
  CFDictionaryGetKeysAndValues(before.get(), keys.data(), values.data());
  CFIndex keywordsBefore = 0;
  for (CFIndex i = 0; i < count; ++i) {
    if (IsKeyword(keys[i])) {
      ++keywordsBefore;
    } else {
      Check(CFDictionaryGetValue(ticket, keys[i]) == values[i], "other keys are left alone");
    }
  }
  Check(CFDictionaryGetCount(ticket) == count - keywordsBefore + 14,
        "Sync out adds the fourteen keywords and nothing else");

  before = CFPtr<CFDictionaryRef>();
  CFDictionaryRemoveAllValues(ticket);
  Check(pde::LiveObjectCount() == liveBefore, "nothing leaks");
  return 0;
}
