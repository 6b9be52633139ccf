// NibFuzzer.cc: bytes through the nib reader. An accepted nib keeps the promises the toolkit
// builds windows on (rectangles the right way up, IDs of printable characters, pop-up values
// within their menus, nesting within the limit); a refused one is named in its message; nothing
// leaks.
#include <cstdint>
#include <string>
#include <string_view>

#include "NibReader.h"
#include "ReaderChecks.h"

namespace {

using namespace pde::fuzz;
using pde::toolkit::NibControl;

void CheckRect(const Rect& rect) {
  Check(rect.top <= rect.bottom && rect.left <= rect.right, "rectangles are the right way up");
}

void CheckControl(const NibControl& control, int depth) {
  Check(depth <= pde::toolkit::kMaxNibControlDepth, "controls nest within the limit");
  CheckRect(control.bounds);
  if (control.id.signature != 0 || control.id.id != 0) {
    for (int shift = 0; shift < 32; shift += 8) {
      const unsigned byte = (control.id.signature >> shift) & 0xFF;
      Check(byte >= 0x20 && byte <= 0x7E, "signatures are printable characters");
    }
  }
  Check(control.items.size() <= pde::toolkit::kMaxNibMenuItems, "menus fit 16-bit items");
  if (control.kind == pde::ControlKind::kPopupButton && !control.items.empty()) {
    Check(control.value >= 1 && static_cast<size_t>(control.value) <= control.items.size(),
          "a pop-up's value lies within its menu");
  }
  for (const NibControl& child : control.children) CheckControl(child, depth + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  constexpr std::string_view kName = "fuzz.nib";
  const long liveBefore = pde::LiveObjectCount();
  {
    std::string error;
    auto nib = pde::toolkit::ReadNib(std::string_view(reinterpret_cast<const char*>(data), size),
                                     kName, &error);
    CheckMessage(nib.has_value(), error, kName);
    if (nib) {
      for (const auto& [name, window] : *nib) {
        CheckRect(window.contentBounds);
        for (const NibControl& control : window.controls) CheckControl(control, 1);
      }
    }
  }
  Check(pde::LiveObjectCount() == liveBefore, "nothing leaks");
  return 0;
}
