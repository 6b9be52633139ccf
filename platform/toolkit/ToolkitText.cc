// ToolkitText.cc: conversions between Core Foundation strings and the toolkit's UTF-16 texts.
#include "ToolkitModel.h"

namespace pde::toolkit {

std::u16string TextOf(CFStringRef string) {
  CFIndex length = CFStringGetLength(string);
  if (length <= 0) return {};
  std::u16string text(static_cast<std::size_t>(length), u'\0');
  CFStringGetCharacters(string, CFRangeMake(0, length), reinterpret_cast<UniChar*>(text.data()));
  return text;
}

CFStringRef CreateStringWithText(std::u16string_view text) {
  return CFStringCreateWithCharacters(kCFAllocatorDefault,
                                      reinterpret_cast<const UniChar*>(text.data()),
                                      static_cast<CFIndex>(text.size()));
}

}  // namespace pde::toolkit
