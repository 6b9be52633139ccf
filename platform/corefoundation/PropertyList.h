// PropertyList.h: the property-list reader shared by the property-list calls and bundles
// (internal).
#pragma once

#include <string>
#include <string_view>

#include "Runtime.h"

namespace pde::cf {

// A new object tree read from XML or binary property-list bytes, with containers (and leaves)
// mutable as mutability asks; null with *error set to "<name>: why" on failure.
CFPropertyListRef CreatePropertyList(std::string_view bytes, std::string_view name,
                                     CFOptionFlags mutability, std::string* error);

}  // namespace pde::cf
