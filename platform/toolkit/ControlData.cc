// ControlData.cc: the data of edit fields: their text as a string and their selection.
#include <algorithm>

#include "ToolkitModel.h"
#include "pde/TestHooks.h"

namespace pde::toolkit {

ControlEditTextSelectionRec ClampedSelection(SInt16 start, SInt16 end, std::size_t length) {
  auto clamp = [length](SInt16 at) {
    return static_cast<SInt16>(std::clamp<long>(at, 0, static_cast<long>(length)));
  };
  SInt16 first = clamp(start);
  SInt16 last = clamp(end);
  return ControlEditTextSelectionRec{std::min(first, last), std::max(first, last)};
}

bool ReplaceSelection(OpaqueControlRef* field, std::u16string_view insert) {
  auto start = static_cast<std::size_t>(field->selection.selStart);
  auto end = static_cast<std::size_t>(field->selection.selEnd);
  if (field->text.size() - (end - start) + insert.size() > kMaxEditTextLength) return false;
  field->text.replace(start, end - start, insert);
  auto caret = static_cast<SInt16>(start + insert.size());
  field->selection = ControlEditTextSelectionRec{caret, caret};
  return true;
}

}  // namespace pde::toolkit

namespace {

constexpr Size kStringDataSize = sizeof(CFStringRef);
constexpr Size kSelectionDataSize = sizeof(ControlEditTextSelectionRec);

}  // namespace

OSErr GetControlData(ControlRef inControl, ControlPartCode /*inPart*/, ResType inTagName,
                     Size inBufferSize, void* inBuffer, Size* outActualSize) {
  if (!inControl) return paramErr;
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("GetControlData", &injected)) return static_cast<OSErr>(injected);
  if (inControl->kind != pde::ControlKind::kEditText) return errDataNotSupported;
  switch (inTagName) {
    case kControlEditTextCFStringTag: {
      if (!inBuffer || inBufferSize != kStringDataSize) return paramErr;
      CFStringRef text = pde::toolkit::CreateStringWithText(inControl->text);
      if (!text) return memFullErr;
      *static_cast<CFStringRef*>(inBuffer) = text;
      if (outActualSize) *outActualSize = kStringDataSize;
      return noErr;
    }
    case kControlEditTextSelectionTag:
      if (!inBuffer || inBufferSize != kSelectionDataSize) return paramErr;
      *static_cast<ControlEditTextSelectionRec*>(inBuffer) = inControl->selection;
      if (outActualSize) *outActualSize = kSelectionDataSize;
      return noErr;
    default:
      return errDataNotSupported;
  }
}

OSErr SetControlData(ControlRef inControl, ControlPartCode /*inPart*/, ResType inTagName,
                     Size inSize, const void* inData) {
  if (!inControl) return paramErr;
  OSStatus injected = noErr;
  if (pde::TakeInjectedFailure("SetControlData", &injected)) return static_cast<OSErr>(injected);
  if (inControl->kind != pde::ControlKind::kEditText) return errDataNotSupported;
  switch (inTagName) {
    case kControlEditTextCFStringTag: {
      if (!inData || inSize != kStringDataSize) return paramErr;
      CFStringRef text = *static_cast<const CFStringRef*>(inData);
      if (!text || CFGetTypeID(text) != CFStringGetTypeID()) return paramErr;
      if (static_cast<std::size_t>(CFStringGetLength(text)) > pde::toolkit::kMaxEditTextLength) {
        return paramErr;
      }
      inControl->text = pde::toolkit::TextOf(text);
      auto caret = static_cast<SInt16>(inControl->text.size());
      inControl->selection = ControlEditTextSelectionRec{caret, caret};
      return noErr;
    }
    case kControlEditTextSelectionTag: {
      if (!inData || inSize != kSelectionDataSize) return paramErr;
      const auto* wanted = static_cast<const ControlEditTextSelectionRec*>(inData);
      inControl->selection = pde::toolkit::ClampedSelection(wanted->selStart, wanted->selEnd,
                                                           inControl->text.size());
      return noErr;
    }
    default:
      return errDataNotSupported;
  }
}
