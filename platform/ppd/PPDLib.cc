// PPDLib.cc: the compiled-PPD library: contexts opened from printer-info tickets, and their
// main keywords read back as Pascal strings.
#include "../../host/PPDLib/PPDLib.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>

#include "CompiledPPDs.h"
#include "pde/CFHost.h"
#include "pde/EscapedText.h"
#include "pde/PPDHost.h"
#include "pde/PrintingHost.h"
#include "pde/TestHooks.h"

struct OpaquePPDContext {
  std::shared_ptr<const pde::ppd::CompiledPPD> compiled;  // shared with the compiled PPDs
  FSSpec file;  // As handed out on open; close must be given the same.
};

namespace {

using ContextTable = std::unordered_map<PPDContext, std::unique_ptr<OpaquePPDContext>>;

// Open contexts by address, so that a closed or made-up context is refused without being read.
// Never destroyed: contexts a host forgets to close must not be freed after exit has begun.
ContextTable& OpenContexts() {
  static auto* contexts = new ContextTable;
  return *contexts;
}

// Serial number of the last context opened; it becomes the FSSpec's parID.
SInt32 lastContextSerial = 0;

OpaquePPDContext* FindContext(PPDContext context) {
  auto found = OpenContexts().find(context);
  return found == OpenContexts().end() ? nullptr : found->second.get();
}

// Runs a call at the C boundary: no exception leaves it.
template <typename Call>
OSStatus AtCBoundary(Call call) noexcept {
  try {
    return call();
  } catch (const std::bad_alloc&) {
    return memFullErr;
  } catch (...) {
    return kPMGeneralError;
  }
}

// Sets name to the base name of path, as a Pascal string of at most 63 bytes, cut between UTF-8
// characters.
void SetFileName(std::string_view path, Str63 name) {
  std::string_view base = path.substr(path.find_last_of('/') + 1);
  std::size_t length = std::min<std::size_t>(base.size(), sizeof(Str63) - 1);
  while (length < base.size() && length > 0 &&
         (static_cast<unsigned char>(base[length]) & 0xC0) == 0x80) {
    --length;  // base[length] continues a character: cut before the character begins.
  }
  name[0] = static_cast<unsigned char>(length);
  std::memcpy(name + 1, base.data(), length);
}

bool SameFile(const FSSpec& a, const FSSpec& b) {
  return a.vRefNum == b.vRefNum && a.parID == b.parID && a.name[0] == b.name[0] &&
         std::memcmp(a.name + 1, b.name + 1, a.name[0]) == 0;
}

// Leaves an empty Pascal string in buffer when there is room for its length byte.
void EmptyBuffer(StringPtr buffer, UInt32 bufferSize) {
  if (buffer && bufferSize > 0) buffer[0] = 0;
}

OSStatus OpenFromTicket(PMTicketRef printerInfoTicket, PPDContext* context, FSSpec* ppdFile) {
  if (!pde::IsLiveTicket(printerInfoTicket)) return kPMInvalidTicket;
  std::string path = pde::GetTicketPPDPath(printerInfoTicket);
  if (path.empty()) {
    pde::WriteConsoleLine("printer-info ticket " + std::to_string(printerInfoTicket) +
                          " names no PPD file");
    return kPPDFileNotFoundErr;
  }
  std::string error;
  std::shared_ptr<const pde::ppd::CompiledPPD> compiled;
  OSStatus status = pde::ppd::OpenCompiledPPD(path, &compiled, &error);
  if (status != noErr) {
    if (!error.empty()) pde::WriteConsoleLine(pde::EscapeBytes(error));
    return status;
  }

  auto opened = std::make_unique<OpaquePPDContext>(OpaquePPDContext{std::move(compiled), FSSpec{}});
  lastContextSerial = lastContextSerial == INT32_MAX ? 1 : lastContextSerial + 1;
  opened->file.vRefNum = 0;
  opened->file.parID = lastContextSerial;
  SetFileName(path, opened->file.name);
  PPDContext handle = opened.get();
  OpenContexts().emplace(handle, std::move(opened));
  *context = handle;
  *ppdFile = handle->file;
  return noErr;
}

}  // namespace

namespace pde {

bool ReadPPDFacts(const std::string& path, PPDFacts* facts, std::string* error) {
  OSStatus status = AtCBoundary([&] {
    std::shared_ptr<const pde::ppd::CompiledPPD> compiled;
    OSStatus opened = pde::ppd::OpenCompiledPPD(path, &compiled, error);
    if (opened == noErr) *facts = compiled->facts;
    return opened;
  });
  if (status == noErr) return true;
  if (error->empty()) *error = path + ": out of memory";
  return false;
}

}  // namespace pde

OSStatus ppdOpenCompiledPPDFromTicket(PMTicketRef printerInfoTicket, PPDContext* context,
                                      FSSpec* ppdFile) {
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("ppdOpenCompiledPPDFromTicket", &injected)) return injected;
  if (!context || !ppdFile) return paramErr;
  return AtCBoundary([&] { return OpenFromTicket(printerInfoTicket, context, ppdFile); });
}

Mindex ppdGetMainIndex(PPDContext context, ConstStr255Param keyword) {
  const OpaquePPDContext* opened = FindContext(context);
  if (!opened || !keyword) return 0;
  std::string_view name(reinterpret_cast<const char*>(keyword + 1), keyword[0]);
  try {
    return opened->compiled->keywords.IndexOf(name);
  } catch (const std::bad_alloc&) {
    return 0;
  }
}

OSStatus ppdGetInvocationString(PPDContext context, Mindex index, UInt16 option, StringPtr buffer,
                                UInt32 bufferSize) {
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("ppdGetInvocationString", &injected)) {
    EmptyBuffer(buffer, bufferSize);
    return injected;
  }
  if (!buffer || bufferSize == 0) return paramErr;
  EmptyBuffer(buffer, bufferSize);
  const OpaquePPDContext* opened = FindContext(context);
  if (!opened || option != 0) return paramErr;
  const std::string* value = opened->compiled->keywords.ValueAt(index);
  if (!value) return paramErr;
  std::size_t length = std::min<std::size_t>({value->size(), 255, bufferSize - 1});
  buffer[0] = static_cast<unsigned char>(length);
  std::memcpy(buffer + 1, value->data(), length);
  return noErr;
}

OSStatus ppdCloseCompiledPPDFromTicket(PPDContext context, FSSpec* ppdFile) {
  OSStatus injected = noErr;
  bool isInjected = pde::TakeInjectedFailure("ppdCloseCompiledPPDFromTicket", &injected);
  auto found = OpenContexts().find(context);
  if (found == OpenContexts().end()) return isInjected ? injected : paramErr;
  bool sameFile = ppdFile && SameFile(*ppdFile, found->second->file);
  OpenContexts().erase(found);  // Freed on every path: the caller will not close it again.
  if (isInjected) return injected;
  return sameFile ? noErr : paramErr;
}
