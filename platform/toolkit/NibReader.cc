// NibReader.cc: reads and checks a nib's property list into window and control descriptions.
#include "NibReader.h"

#include <initializer_list>
#include <limits>

#include "pde/CFHost.h"

namespace pde::toolkit {
namespace {

const std::map<std::u16string, ControlKind>& KindsByName() {
  static const auto* kinds = new std::map<std::u16string, ControlKind>{
      {u"UserPane", ControlKind::kUserPane},     {u"PopupButton", ControlKind::kPopupButton},
      {u"EditText", ControlKind::kEditText},     {u"StaticText", ControlKind::kStaticText},
      {u"GroupBox", ControlKind::kGroupBox}};
  return *kinds;
}

bool IsA(CFTypeRef value, CFTypeID type) { return value && CFGetTypeID(value) == type; }

// Walks the property list, remembering where it is so that an error names the place.
class NibParser {
 public:
  std::optional<NibDescription> Parse(CFPropertyListRef root);
  const std::string& error() const { return error_; }

 private:
  // A place in the nib, such as "Windows/Window/Controls[2]/Bounds", for error messages.
  class Place {
   public:
    Place(NibParser& parser, std::string step) : parser_(parser), size_(parser.where_.size()) {
      if (!parser_.where_.empty() && step.front() != '[') parser_.where_ += '/';
      parser_.where_ += step;
    }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;
    ~Place() { parser_.where_.resize(size_); }

   private:
    NibParser& parser_;
    std::size_t size_;
  };

  bool Fail(const std::string& what);
  bool CheckKeys(CFDictionaryRef dict, std::initializer_list<std::u16string_view> allowed);
  bool ReadString(CFTypeRef value, std::u16string* out);
  bool ReadInteger(CFTypeRef value, long long low, long long high, long long* out);
  bool ReadRect(CFTypeRef value, Rect* out);
  bool ReadID(CFTypeRef value, ControlID* out);
  bool ReadControls(CFTypeRef value, int depth, std::vector<NibControl>* out);
  bool ReadControl(CFTypeRef value, int depth, NibControl* out);
  bool ReadWindow(CFTypeRef value, NibWindow* out);

  std::string where_;
  std::string error_;
};

bool NibParser::Fail(const std::string& what) {
  error_ = where_.empty() ? what : where_ + ": " + what;
  return false;
}

bool NibParser::CheckKeys(CFDictionaryRef dict,
                          std::initializer_list<std::u16string_view> allowed) {
  std::vector<const void*> keys(static_cast<std::size_t>(CFDictionaryGetCount(dict)));
  CFDictionaryGetKeysAndValues(dict, keys.data(), nullptr);
  for (const void* key : keys) {
    auto name = static_cast<CFStringRef>(key);
    if (!IsA(name, CFStringGetTypeID())) return Fail("a key is not a string");
    std::u16string text = TextOf(name);
    bool known = false;
    for (std::u16string_view candidate : allowed) known = known || candidate == text;
    if (!known) return Fail("unknown key \"" + pde::ToUTF8(text) + "\"");
  }
  return true;
}

bool NibParser::ReadString(CFTypeRef value, std::u16string* out) {
  if (!IsA(value, CFStringGetTypeID())) return Fail("not a string");
  *out = TextOf(static_cast<CFStringRef>(value));
  return true;
}

bool NibParser::ReadInteger(CFTypeRef value, long long low, long long high, long long* out) {
  auto number = static_cast<CFNumberRef>(value);
  SInt64 integer = 0;
  if (!IsA(number, CFNumberGetTypeID()) || CFNumberIsFloatType(number) ||
      !CFNumberGetValue(number, kCFNumberSInt64Type, &integer)) {
    return Fail("not an integer");
  }
  if (integer < low || integer > high) {
    return Fail(std::to_string(integer) + " is outside " + std::to_string(low) + ".." +
                std::to_string(high));
  }
  *out = integer;
  return true;
}

bool NibParser::ReadRect(CFTypeRef value, Rect* out) {
  auto array = static_cast<CFArrayRef>(value);
  if (!IsA(array, CFArrayGetTypeID()) || CFArrayGetCount(array) != 4) {
    return Fail("not an array of four integers (top, left, bottom, right)");
  }
  long long sides[4] = {};
  for (CFIndex i = 0; i < 4; ++i) {
    Place place(*this, "[" + std::to_string(i) + "]");
    if (!ReadInteger(CFArrayGetValueAtIndex(array, i), std::numeric_limits<SInt16>::min(),
                     std::numeric_limits<SInt16>::max(), &sides[i])) {
      return false;
    }
  }
  if (sides[2] < sides[0] || sides[3] < sides[1]) {
    return Fail("bottom lies above top or right left of left");
  }
  *out = Rect{static_cast<SInt16>(sides[0]), static_cast<SInt16>(sides[1]),
              static_cast<SInt16>(sides[2]), static_cast<SInt16>(sides[3])};
  return true;
}

bool NibParser::ReadID(CFTypeRef value, ControlID* out) {
  auto dict = static_cast<CFDictionaryRef>(value);
  if (!IsA(dict, CFDictionaryGetTypeID())) return Fail("not a dictionary");
  if (!CheckKeys(dict, {u"Signature", u"Number"})) return false;
  std::u16string signature;
  {
    Place place(*this, "Signature");
    if (!ReadString(CFDictionaryGetValue(dict, CFSTR("Signature")), &signature)) return false;
    if (signature.size() != 4) return Fail("not four characters");
    for (char16_t c : signature) {
      if (c < 0x20 || c > 0x7E) return Fail("not printable ASCII");
    }
  }
  long long number = 0;
  {
    Place place(*this, "Number");
    if (!ReadInteger(CFDictionaryGetValue(dict, CFSTR("Number")), std::numeric_limits<SInt32>::min(),
                     std::numeric_limits<SInt32>::max(), &number)) {
      return false;
    }
  }
  out->signature = static_cast<OSType>(signature[0]) << 24 |
                   static_cast<OSType>(signature[1]) << 16 |
                   static_cast<OSType>(signature[2]) << 8 | static_cast<OSType>(signature[3]);
  out->id = static_cast<SInt32>(number);
  return true;
}

bool NibParser::ReadControls(CFTypeRef value, int depth, std::vector<NibControl>* out) {
  auto array = static_cast<CFArrayRef>(value);
  if (!IsA(array, CFArrayGetTypeID())) return Fail("not an array");
  if (depth > kMaxNibControlDepth) {
    return Fail("controls nested deeper than " + std::to_string(kMaxNibControlDepth));
  }
  for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
    Place place(*this, "[" + std::to_string(i) + "]");
    NibControl control;
    if (!ReadControl(CFArrayGetValueAtIndex(array, i), depth, &control)) return false;
    out->push_back(std::move(control));
  }
  return true;
}

bool NibParser::ReadControl(CFTypeRef value, int depth, NibControl* out) {
  auto dict = static_cast<CFDictionaryRef>(value);
  if (!IsA(dict, CFDictionaryGetTypeID())) return Fail("not a dictionary");
  if (!CheckKeys(dict, {u"Kind", u"Bounds", u"ID", u"Label", u"Items", u"Value", u"Text",
                        u"Enabled", u"Controls"})) {
    return false;
  }
  {
    Place place(*this, "Kind");
    std::u16string kind;
    if (!ReadString(CFDictionaryGetValue(dict, CFSTR("Kind")), &kind)) return false;
    auto known = KindsByName().find(kind);
    if (known == KindsByName().end()) return Fail("unknown kind \"" + pde::ToUTF8(kind) + "\"");
    out->kind = known->second;
  }
  {
    Place place(*this, "Bounds");
    if (!ReadRect(CFDictionaryGetValue(dict, CFSTR("Bounds")), &out->bounds)) return false;
  }
  bool popup = out->kind == ControlKind::kPopupButton;
  bool embedder = out->kind == ControlKind::kUserPane || out->kind == ControlKind::kGroupBox;
  if (CFTypeRef id = CFDictionaryGetValue(dict, CFSTR("ID"))) {
    Place place(*this, "ID");
    if (!ReadID(id, &out->id)) return false;
  }
  if (CFTypeRef label = CFDictionaryGetValue(dict, CFSTR("Label"))) {
    Place place(*this, "Label");
    if (!ReadString(label, &out->label)) return false;
  }
  if (CFTypeRef items = CFDictionaryGetValue(dict, CFSTR("Items"))) {
    Place place(*this, "Items");
    if (!popup) return Fail("only a PopupButton has items");
    auto array = static_cast<CFArrayRef>(items);
    if (!IsA(array, CFArrayGetTypeID())) return Fail("not an array");
    if (static_cast<std::size_t>(CFArrayGetCount(array)) > kMaxNibMenuItems) {
      return Fail("more than " + std::to_string(kMaxNibMenuItems) + " items");
    }
    out->hasMenu = true;
    for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
      Place itemPlace(*this, "[" + std::to_string(i) + "]");
      std::u16string text;
      if (!ReadString(CFArrayGetValueAtIndex(array, i), &text)) return false;
      out->items.push_back(std::move(text));
    }
  }
  if (CFTypeRef initial = CFDictionaryGetValue(dict, CFSTR("Value"))) {
    Place place(*this, "Value");
    if (!popup) return Fail("only a PopupButton has a value");
    bool inMenu = !out->items.empty();
    long long number = 0;
    if (!ReadInteger(initial, inMenu ? 1 : std::numeric_limits<SInt32>::min(),
                     inMenu ? static_cast<long long>(out->items.size())
                            : std::numeric_limits<SInt32>::max(),
                     &number)) {
      return false;
    }
    out->value = static_cast<SInt32>(number);
  }
  if (CFTypeRef text = CFDictionaryGetValue(dict, CFSTR("Text"))) {
    Place place(*this, "Text");
    if (out->kind != ControlKind::kEditText) return Fail("only an EditText has text");
    if (!ReadString(text, &out->text)) return false;
    if (out->text.size() > kMaxEditTextLength) {
      return Fail("longer than " + std::to_string(kMaxEditTextLength) + " characters");
    }
  }
  if (CFTypeRef enabled = CFDictionaryGetValue(dict, CFSTR("Enabled"))) {
    Place place(*this, "Enabled");
    if (!IsA(enabled, CFBooleanGetTypeID())) return Fail("not a Boolean");
    out->enabled = CFBooleanGetValue(static_cast<CFBooleanRef>(enabled));
  }
  if (CFTypeRef children = CFDictionaryGetValue(dict, CFSTR("Controls"))) {
    Place place(*this, "Controls");
    if (!embedder) return Fail("only a UserPane or a GroupBox holds controls");
    if (!ReadControls(children, depth + 1, &out->children)) return false;
  }
  return true;
}

bool NibParser::ReadWindow(CFTypeRef value, NibWindow* out) {
  auto dict = static_cast<CFDictionaryRef>(value);
  if (!IsA(dict, CFDictionaryGetTypeID())) return Fail("not a dictionary");
  if (!CheckKeys(dict, {u"Title", u"ContentBounds", u"Controls"})) return false;
  if (CFTypeRef title = CFDictionaryGetValue(dict, CFSTR("Title"))) {
    Place place(*this, "Title");
    if (!ReadString(title, &out->title)) return false;
  }
  {
    Place place(*this, "ContentBounds");
    if (!ReadRect(CFDictionaryGetValue(dict, CFSTR("ContentBounds")), &out->contentBounds)) return false;
  }
  if (CFTypeRef controls = CFDictionaryGetValue(dict, CFSTR("Controls"))) {
    Place place(*this, "Controls");
    if (!ReadControls(controls, 1, &out->controls)) return false;
  }
  return true;
}

std::optional<NibDescription> NibParser::Parse(CFPropertyListRef root) {
  auto dict = static_cast<CFDictionaryRef>(root);
  if (!IsA(dict, CFDictionaryGetTypeID())) {
    Fail("the top level is not a dictionary");
    return std::nullopt;
  }
  if (!CheckKeys(dict, {u"Windows"})) return std::nullopt;
  Place place(*this, "Windows");
  auto windows = static_cast<CFDictionaryRef>(CFDictionaryGetValue(dict, CFSTR("Windows")));
  if (!IsA(windows, CFDictionaryGetTypeID())) {
    Fail("missing, or not a dictionary");
    return std::nullopt;
  }
  auto count = static_cast<std::size_t>(CFDictionaryGetCount(windows));
  std::vector<const void*> names(count);
  std::vector<const void*> values(count);
  CFDictionaryGetKeysAndValues(windows, names.data(), values.data());
  NibDescription nib;
  for (std::size_t i = 0; i < count; ++i) {
    auto name = static_cast<CFStringRef>(names[i]);
    if (!IsA(name, CFStringGetTypeID())) {
      Fail("a window name is not a string");
      return std::nullopt;
    }
    Place windowPlace(*this, pde::ToUTF8(TextOf(name)));
    NibWindow window;
    if (!ReadWindow(values[i], &window)) return std::nullopt;
    nib.emplace(TextOf(name), std::move(window));
  }
  return nib;
}

}  // namespace

std::optional<NibDescription> ReadNib(std::string_view bytes, std::string_view name,
                                      std::string* error) {
  std::string why;
  CFPtr<CFPropertyListRef> root = ReadPropertyList(bytes, name, &why);
  if (!root) {
    if (error) *error = why;
    return std::nullopt;
  }
  NibParser parser;
  std::optional<NibDescription> nib = parser.Parse(root.get());
  if (!nib && error) *error = std::string(name) + ": " + parser.error();
  return nib;
}

std::optional<NibDescription> ReadNibFile(const std::string& path, std::string* error) {
  std::string bytes;
  std::string why;
  if (ReadInputFile(path, InputKind::kNib, &bytes, &why) != InputRead::kRead) {
    if (error) *error = why;
    return std::nullopt;
  }
  return ReadNib(bytes, path, error);
}

}  // namespace pde::toolkit
