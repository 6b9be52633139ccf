// PlugInAllocations.h: the plug-in's own C allocations, counted and made to fail one at a time.
//
// The plug-in calls malloc, calloc and free through its shared library's global offset table.
// Routing those three entries to counting hooks affects the plug-in's calls alone: the platform,
// the C++ runtime and the sanitizers' own allocator are left as they are.
#pragma once

#include <string_view>

namespace pde::matrix {

// Routes malloc, calloc and free of the loaded shared library whose path ends in pathSuffix
// through the hooks below. Returns false when no such library is loaded or it imports none of
// the three.
bool RoutePlugInAllocations(std::string_view pathSuffix);

// Forgets the count and any armed failure; the outstanding blocks stay counted.
void ResetPlugInAllocations();
// Allocations (malloc or calloc) the plug-in made since the last reset.
long PlugInAllocationCount();
// Makes the plug-in's allocation number index (from 0, counted since the last reset) fail.
void FailPlugInAllocation(long index);
// Blocks the plug-in allocated and has not freed.
long OutstandingPlugInAllocations();

}  // namespace pde::matrix
