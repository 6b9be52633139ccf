// CFHost.h: host-only helpers of the Core Foundation layer: object accounting, the diagnostic
// console's destination, RAII references, text conversion, and the readers of property lists and
// strings tables by file.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "../../../host/CoreFoundation/CoreFoundation.h"
#include "EscapedText.h"
#include "InputFiles.h"

namespace pde {

// Receives one line of the diagnostic console (CFShow), without its newline.
using ConsoleSink = void (*)(const char* line);
// Sends the diagnostic console's lines to sink from now on; null restores standard error, where
// they go by default.
void SetConsoleSink(ConsoleSink sink);
// Writes one line, without its newline, to the diagnostic console: the host's sink when it set
// one, else standard error. The platform layers warn there of files they refuse.
void WriteConsoleLine(const std::string& line);

// Number of Core Foundation objects alive now, constants excluded.
long LiveObjectCount();

// Owns one reference to a Core Foundation object and releases it when destroyed.
template <typename Ref>
class CFPtr {
 public:
  CFPtr() = default;
  // Adopts a +1 reference (from a Create or Copy call).
  explicit CFPtr(Ref ref) : ref_(ref) {}
  CFPtr(const CFPtr& other) : ref_(other.ref_) {
    if (ref_) CFRetain(ref_);
  }
  CFPtr(CFPtr&& other) noexcept : ref_(std::exchange(other.ref_, nullptr)) {}
  CFPtr& operator=(CFPtr other) noexcept {
    std::swap(ref_, other.ref_);
    return *this;
  }
  ~CFPtr() {
    if (ref_) CFRelease(ref_);
  }

  // Retains a borrowed reference (from a Get call).
  static CFPtr Retain(Ref ref) {
    if (ref) CFRetain(ref);
    return CFPtr(ref);
  }
  Ref get() const { return ref_; }
  Ref release() { return std::exchange(ref_, nullptr); }
  explicit operator bool() const { return ref_ != nullptr; }

 private:
  Ref ref_ = nullptr;
};

// The string's text in UTF-8 (unpaired surrogates become U+FFFD); empty for null.
std::string ToUTF8(CFStringRef string);
// UTF-16 text in UTF-8, unpaired surrogates as U+FFFD.
std::string ToUTF8(std::u16string_view text);
// A new string of UTF-8 text; null when it is not valid UTF-8.
CFPtr<CFStringRef> MakeString(std::string_view utf8);

// The MacRoman byte of a Unicode character, when MacRoman has one.
std::optional<unsigned char> MacRomanByteFor(char32_t character);
// The Unicode character of a MacRoman byte.
char32_t UnicodeForMacRomanByte(unsigned char byte);

// Reads a property list from bytes; null with *error set ("<name>: why") on failure.
CFPtr<CFPropertyListRef> ReadPropertyList(std::string_view bytes, std::string_view name,
                                          std::string* error);
// Reads a property list file through ReadInputFile, within the size limit of kind; null with
// *error set ("<path>: why") on failure.
CFPtr<CFPropertyListRef> ReadPropertyListFile(const std::string& path, std::string* error,
                                              InputKind kind = InputKind::kInfoPlist);

// Parses an old-style strings table ("KEY" = "value"; with /* */ and // comments and the
// escapes \" \\ \n \t \r \U1234) in UTF-8 or UTF-16 with a byte-order mark. Returns a new
// dictionary of strings, or null with *error set to "<name>:<line>: why".
CFPtr<CFDictionaryRef> ParseStringsTable(std::string_view bytes, std::string_view name,
                                         std::string* error);

// A new bundle for the directory at path; null when it cannot be opened.
CFPtr<CFBundleRef> OpenBundle(const std::string& path);
// The bundle directory of bundle.
std::string BundlePath(CFBundleRef bundle);
// The localizations in which bundle's localized resources are looked up, best first, as
// CFBundleCopyLocalizedString looks them up: those the environment prefers (LANGUAGE, then the
// first set of LC_ALL, LC_MESSAGES and LANG; "de_DE" also as "de"), the bundle's development
// region, then "en". Empty for null.
std::vector<std::string> PreferredLocalizations(CFBundleRef bundle);

// Number of live instances registered for the factory (CFPlugInAddInstanceForFactory).
long PlugInInstanceCount(CFUUIDRef factoryID);

// Runs the current thread's run loop for one pass in the default mode: fires the due timers.
void RunLoopRunOnePass();

// Called, on the thread that did it, when a timer is added to a run loop or a timer in one is
// given a new fire date: a host that sleeps between passes wakes for the new earliest date.
using NextFireDateChanged = void (*)(void* info);
// Sets the current thread's run loop's callback (one per loop; null for none), with its info.
void SetNextFireDateChanged(NextFireDateChanged callback, void* info);
// The earliest fire date of the valid timers in the current thread's run loop's default mode;
// nothing when it has none.
std::optional<CFAbsoluteTime> RunLoopNextFireDate();

}  // namespace pde
