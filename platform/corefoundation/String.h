// String.h: the string object, shared with the other types of this layer (internal).
#pragma once

#include <string>

#include "Runtime.h"

struct CFOpaqueString : pde::cf::ObjectBase {
  std::u16string text;
  bool isMutable = false;
  CFIndex maxLength = 0;  // mutable strings: 0 means no limit
};

namespace pde::cf {

// A new immutable string of text; null when the allocation fails.
CFStringRef NewString(std::u16string text);
// The text of a string; null when ref is not a string.
const std::u16string* TextOf(CFTypeRef ref);

}  // namespace pde::cf
