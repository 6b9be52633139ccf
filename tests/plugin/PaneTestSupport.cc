// PaneTestSupport.cc: what the plug-in's tests share: paths, print sessions, host windows, text.
#include "PaneTestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <vector>

namespace zor::test {

std::string DataPath(const std::string& name) {
  return std::string(ZOR_TEST_DATA_DIR "/") + name;
}
std::string SamplePPD(const std::string& name) {
  return std::string(ZOR_SAMPLE_PPD_DIR "/") + name;
}

std::string FieldText(ControlRef field) {
  CFStringRef text = nullptr;
  if (GetControlData(field, kControlEntireControl, kControlEditTextCFStringTag, sizeof text, &text,
                     nullptr) != noErr)
    return "<unreadable>";
  pde::CFPtr<CFStringRef> owned(text);
  return pde::ToUTF8(text);
}

void SetFieldText(ControlRef field, const char* text) {
  pde::CFPtr<CFStringRef> string = pde::MakeString(text);
  CFStringRef value = string.get();
  ASSERT_EQ(SetControlData(field, kControlEntireControl, kControlEditTextCFStringTag, sizeof value,
                           &value),
            noErr);
}

std::string DictString(CFDictionaryRef dict, const char* key) {
  CFTypeRef value = CFDictionaryGetValue(dict, pde::MakeString(key).get());
  if (value == nullptr) return "<absent>";
  if (CFGetTypeID(value) != CFStringGetTypeID()) return "<not a string>";
  return pde::ToUTF8(static_cast<CFStringRef>(value));
}

void SetDictString(CFMutableDictionaryRef dict, const char* key, const char* value) {
  CFDictionarySetValue(dict, pde::MakeString(key).get(), pde::MakeString(value).get());
}

std::string DictDump(CFDictionaryRef dict) {
  std::vector<const void*> keys(static_cast<size_t>(CFDictionaryGetCount(dict)));
  CFDictionaryGetKeysAndValues(dict, keys.data(), nullptr);
  std::map<std::string, std::string> entries;
  for (const void* key : keys) {
    std::string name = pde::ToUTF8(static_cast<CFStringRef>(key));
    entries[name] = DictString(dict, name.c_str());
  }
  std::string dump;
  for (const auto& [key, value] : entries) dump += (dump.empty() ? "" : " ") + key + "=" + value;
  return dump;
}

std::string JoinStrings(CFArrayRef strings) {
  std::string joined;
  for (CFIndex i = 0; i < CFArrayGetCount(strings); ++i) {
    if (i > 0) joined += '|';
    joined += pde::ToUTF8(static_cast<CFStringRef>(CFArrayGetValueAtIndex(strings, i)));
  }
  return joined;
}

}  // namespace zor::test
