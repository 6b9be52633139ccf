// Collection.h: helpers shared by arrays and dictionaries (internal).
#pragma once

#include <string>

#include "Runtime.h"

namespace pde::cf {

// The retain and release of the CF type callbacks.
const void* RetainTypeCallBack(CFAllocatorRef allocator, const void* value);
void ReleaseTypeCallBack(CFAllocatorRef allocator, const void* value);

// The description of one element: through copyDescription when given, else its address.
std::u16string DescribeElement(const void* value, CFStringRef (*copyDescription)(const void*));

// Indents every line after the first of a nested description by four spaces.
std::u16string Indented(std::u16string text);

}  // namespace pde::cf
