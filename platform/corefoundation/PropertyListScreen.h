// PropertyListScreen.h: the property-list bytes that must not reach libplist (internal).
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace pde::cf {

// Containers (arrays, dictionaries) nest at most this deep in a property list that is read.
inline constexpr int kMaxPropertyListDepth = 256;
// A binary property list may refer to one object from many places; libplist copies the object
// for each. At most this many objects, each counted once per reference, are read.
inline constexpr std::uint64_t kMaxPropertyListObjects = 1 << 16;

// Why bytes must not be given to libplist, or nothing when they may. libplist reads a string
// holding U+0000 (a NUL byte in XML text, a UTF-16 string of a binary list holding U+0000), as a
// value or as a dictionary key, but hands it out only by failing an assertion, which ends the
// process. It reads a binary list's containers recursively, so deep nesting overflows the
// stack; and it copies an object for each reference to it, so a few hundred bytes of shared
// references can ask for gigabytes. So a binary list ("bplist00") is refused when its containers
// nest deeper than kMaxPropertyListDepth from the top object, when it holds more than
// kMaxPropertyListObjects objects counted once per reference, and when its object table, with a
// trailer, cannot be walked.
std::optional<std::string_view> UnsafeForLibplist(std::string_view bytes);

}  // namespace pde::cf
