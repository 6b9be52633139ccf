// PaneTestSupport.h: what the plug-in's tests share: paths, print sessions, host windows, text.
#pragma once

#include <string>

#include "PaneHost.h"

namespace zor::test {

// The bundle the build lays out, a fixture of tests/data/plugin, a PPD of samples/ppd.
using pde::test::BundlePath;
std::string DataPath(const std::string& name);
std::string SamplePPD(const std::string& name);

// Print sessions and host windows as a host makes them.
using TestSession = pde::test::Session;
using pde::test::HostWindow;

// The text an edit field shows, in UTF-8; "<unreadable>" when it cannot be read.
std::string FieldText(ControlRef field);
// Puts text into an edit field as the pane does, past every key filter.
void SetFieldText(ControlRef field, const char* text);
// The string under key in UTF-8; "<absent>" without one, "<not a string>" for another object.
std::string DictString(CFDictionaryRef dict, const char* key);
void SetDictString(CFMutableDictionaryRef dict, const char* key, const char* value);
// Every entry of dict as "KEY=VALUE", sorted by key and joined by ' ' (values as DictString).
std::string DictDump(CFDictionaryRef dict);
// The strings of an array in UTF-8, joined by '|'.
std::string JoinStrings(CFArrayRef strings);

}  // namespace zor::test
