// PropertyListScreen.h: the property-list bytes that must not reach libplist (internal).
#pragma once

#include <optional>
#include <string_view>

namespace pde::cf {

// Why bytes must not be given to libplist, or nothing when they may. libplist reads a string
// holding U+0000 (a NUL byte in XML text, a UTF-16 string of a binary list holding U+0000), as a
// value or as a dictionary key, but hands it out only by failing an assertion, which ends the
// process. A binary list ("bplist00") with a trailer whose object table cannot be walked is
// refused too, since its strings cannot be checked.
std::optional<std::string_view> UnsafeForLibplist(std::string_view bytes);

}  // namespace pde::cf
