// Diagnostics.h: failure injection and the inspectable system-log sink, for test builds only.
//
// Tests make a named platform operation fail with a chosen status, or make allocations of a kind
// fail, so that every failure path is reached through the real code. This is the API of the
// test-only diagnostics library, which installs the platform's test hooks (pde/TestHooks.h) when
// it is loaded and defines syslog() to keep what the plug-in logs; nothing shipped links it.
// Plug-ins never include this.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "pde/TestHooks.h"

namespace pde {

// Makes the next `times` calls of `operation` (a platform call's name, e.g. "GetWindowBounds")
// fail with `status`, after letting `skip` calls through. times < 0 fails every call.
void InjectFailure(std::string_view operation, OSStatus status, int times = 1, int skip = 0);

// Makes the next `count` allocations of `kind` fail after letting `skip` through. Kinds are the
// Core Foundation type names ("CFString", "CFArray", "CFDictionary", "CFNumber", "CFUUID",
// "CFRunLoopTimer", ...), "Event", "Control", or "*" for any allocation the platform counts.
void FailAllocations(std::string_view kind, int count, int skip = 0);

// Forgets every injected failure.
void ClearInjectedFailures();

// Number of allocations of kind ("*" for all) made since the last ClearInjectedFailures.
long CountAllocations(std::string_view kind = "*");

// Messages the system log received at LOG_ERR or more urgent, oldest first.
std::vector<std::string> LoggedMessages();
void ClearLoggedMessages();

}  // namespace pde
