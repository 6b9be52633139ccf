// NibReader.cc: reads and checks a nib's property list into window and control descriptions.
#include "NibReader.h"

#include <array>
#include <initializer_list>
#include <limits>
#include <variant>

#include "pde/CFHost.h"

namespace pde::toolkit {
namespace {

// The keys of a nib's dictionaries, looked up once.
struct NibKeys {
  CFStringRef windows = CFSTR("Windows");
  CFStringRef title = CFSTR("Title");
  CFStringRef contentBounds = CFSTR("ContentBounds");
  CFStringRef controls = CFSTR("Controls");
  CFStringRef kind = CFSTR("Kind");
  CFStringRef bounds = CFSTR("Bounds");
  CFStringRef id = CFSTR("ID");
  CFStringRef label = CFSTR("Label");
  CFStringRef items = CFSTR("Items");
  CFStringRef value = CFSTR("Value");
  CFStringRef text = CFSTR("Text");
  CFStringRef enabled = CFSTR("Enabled");
  CFStringRef signature = CFSTR("Signature");
  CFStringRef number = CFSTR("Number");
};

const NibKeys& Keys() {
  static const NibKeys keys;
  return keys;
}

struct KindName {
  CFStringRef name;
  ControlKind kind;
};

const std::array<KindName, 5>& KindsByName() {
  static const std::array<KindName, 5> kinds{{{CFSTR("UserPane"), ControlKind::kUserPane},
                                              {CFSTR("PopupButton"), ControlKind::kPopupButton},
                                              {CFSTR("EditText"), ControlKind::kEditText},
                                              {CFSTR("StaticText"), ControlKind::kStaticText},
                                              {CFSTR("GroupBox"), ControlKind::kGroupBox}}};
  return kinds;
}

bool IsA(CFTypeRef value, CFTypeID type) {
  return value && CFGetTypeID(value) == type;
}

// Walks the property list, remembering where it is so that an error names the place.
class NibParser {
 public:
  std::optional<NibDescription> Parse(CFPropertyListRef root);
  const std::string& error() const { return error_; }

 private:
  // One step down into the nib: a key, an index in an array, or a window's name.
  using Step = std::variant<const char*, CFIndex, CFStringRef>;

  // A place in the nib, such as "Windows/Window/Controls[2]/Bounds", for error messages. Only
  // its steps are kept; Fail writes them out.
  class Place {
   public:
    Place(NibParser& parser, Step step) : parser_(parser) { parser_.steps_.push_back(step); }
    Place(const Place&) = delete;
    Place& operator=(const Place&) = delete;
    ~Place() { parser_.steps_.pop_back(); }

   private:
    NibParser& parser_;
  };

  std::string Where() const;
  bool Fail(const std::string& what);
  bool CheckKeys(CFDictionaryRef dict, std::initializer_list<CFStringRef> allowed);
  bool ReadString(CFTypeRef value, std::u16string* out);
  bool ReadInteger(CFTypeRef value, long long low, long long high, long long* out);
  bool ReadRect(CFTypeRef value, Rect* out);
  bool ReadID(CFTypeRef value, ControlID* out);
  bool ReadControls(CFTypeRef value, int depth, std::vector<NibControl>* out);
  bool ReadControl(CFTypeRef value, int depth, NibControl* out);
  bool ReadWindow(CFTypeRef value, NibWindow* out);

  const NibKeys& keys_ = Keys();
  std::vector<Step> steps_;
  std::string error_;
};

std::string NibParser::Where() const {
  std::string where;
  for (const Step& step : steps_) {
    std::string text;
    if (const auto* index = std::get_if<CFIndex>(&step)) {
      text = "[" + std::to_string(*index) + "]";
    } else if (const auto* name = std::get_if<CFStringRef>(&step)) {
      text = pde::ToUTF8(TextOf(*name));
    } else {
      text = std::get<const char*>(step);
    }
    if (!where.empty() && (text.empty() || text.front() != '[')) where += '/';
    where += text;
  }
  return where;
}

bool NibParser::Fail(const std::string& what) {
  std::string where = Where();
  error_ = where.empty() ? what : where + ": " + what;
  return false;
}

bool NibParser::CheckKeys(CFDictionaryRef dict, std::initializer_list<CFStringRef> allowed) {
  std::vector<const void*> keys(static_cast<std::size_t>(CFDictionaryGetCount(dict)));
  CFDictionaryGetKeysAndValues(dict, keys.data(), nullptr);
  for (const void* key : keys) {
    auto name = static_cast<CFStringRef>(key);
    if (!IsA(name, CFStringGetTypeID())) return Fail("a key is not a string");
    bool known = false;
    for (CFStringRef candidate : allowed) known = known || CFEqual(candidate, name);
    if (!known) return Fail("unknown key \"" + pde::ToUTF8(TextOf(name)) + "\"");
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
    Place place(*this, i);
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
  if (!CheckKeys(dict, {keys_.signature, keys_.number})) return false;
  std::u16string signature;
  {
    Place place(*this, "Signature");
    if (!ReadString(CFDictionaryGetValue(dict, keys_.signature), &signature)) return false;
    if (signature.size() != 4) return Fail("not four characters");
    for (char16_t c : signature) {
      if (c < 0x20 || c > 0x7E) return Fail("not printable ASCII");
    }
  }
  long long number = 0;
  {
    Place place(*this, "Number");
    if (!ReadInteger(CFDictionaryGetValue(dict, keys_.number), std::numeric_limits<SInt32>::min(),
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
  const CFIndex count = CFArrayGetCount(array);
  out->reserve(static_cast<std::size_t>(count));
  for (CFIndex i = 0; i < count; ++i) {
    Place place(*this, i);
    NibControl control;
    if (!ReadControl(CFArrayGetValueAtIndex(array, i), depth, &control)) return false;
    out->push_back(std::move(control));
  }
  return true;
}

bool NibParser::ReadControl(CFTypeRef value, int depth, NibControl* out) {
  auto dict = static_cast<CFDictionaryRef>(value);
  if (!IsA(dict, CFDictionaryGetTypeID())) return Fail("not a dictionary");
  if (!CheckKeys(dict, {keys_.kind, keys_.bounds, keys_.id, keys_.label, keys_.items, keys_.value,
                        keys_.text, keys_.enabled, keys_.controls})) {
    return false;
  }
  {
    Place place(*this, "Kind");
    CFTypeRef kind = CFDictionaryGetValue(dict, keys_.kind);
    if (!IsA(kind, CFStringGetTypeID())) return Fail("not a string");
    const KindName* known = nullptr;
    for (const KindName& candidate : KindsByName()) {
      if (CFEqual(candidate.name, kind)) known = &candidate;
    }
    if (known == nullptr) {
      return Fail("unknown kind \"" + pde::ToUTF8(TextOf(static_cast<CFStringRef>(kind))) + "\"");
    }
    out->kind = known->kind;
  }
  {
    Place place(*this, "Bounds");
    if (!ReadRect(CFDictionaryGetValue(dict, keys_.bounds), &out->bounds)) return false;
  }
  bool popup = out->kind == ControlKind::kPopupButton;
  bool embedder = out->kind == ControlKind::kUserPane || out->kind == ControlKind::kGroupBox;
  if (CFTypeRef id = CFDictionaryGetValue(dict, keys_.id)) {
    Place place(*this, "ID");
    if (!ReadID(id, &out->id)) return false;
  }
  if (CFTypeRef label = CFDictionaryGetValue(dict, keys_.label)) {
    Place place(*this, "Label");
    if (!ReadString(label, &out->label)) return false;
  }
  if (CFTypeRef items = CFDictionaryGetValue(dict, keys_.items)) {
    Place place(*this, "Items");
    if (!popup) return Fail("only a PopupButton has items");
    auto array = static_cast<CFArrayRef>(items);
    if (!IsA(array, CFArrayGetTypeID())) return Fail("not an array");
    const CFIndex count = CFArrayGetCount(array);
    if (static_cast<std::size_t>(count) > kMaxNibMenuItems) {
      return Fail("more than " + std::to_string(kMaxNibMenuItems) + " items");
    }
    out->hasMenu = true;
    out->items.reserve(static_cast<std::size_t>(count));
    for (CFIndex i = 0; i < count; ++i) {
      Place itemPlace(*this, i);
      std::u16string text;
      if (!ReadString(CFArrayGetValueAtIndex(array, i), &text)) return false;
      out->items.push_back(std::move(text));
    }
  }
  if (CFTypeRef initial = CFDictionaryGetValue(dict, keys_.value)) {
    Place place(*this, "Value");
    if (!popup) return Fail("only a PopupButton has a value");
    bool inMenu = !out->items.empty();
    long long number = 0;
    if (!ReadInteger(
            initial, inMenu ? 1 : std::numeric_limits<SInt32>::min(),
            inMenu ? static_cast<long long>(out->items.size()) : std::numeric_limits<SInt32>::max(),
            &number)) {
      return false;
    }
    out->value = static_cast<SInt32>(number);
  }
  if (CFTypeRef text = CFDictionaryGetValue(dict, keys_.text)) {
    Place place(*this, "Text");
    if (out->kind != ControlKind::kEditText) return Fail("only an EditText has text");
    if (!ReadString(text, &out->text)) return false;
    if (out->text.size() > kMaxEditTextLength) {
      return Fail("longer than " + std::to_string(kMaxEditTextLength) + " characters");
    }
  }
  if (CFTypeRef enabled = CFDictionaryGetValue(dict, keys_.enabled)) {
    Place place(*this, "Enabled");
    if (!IsA(enabled, CFBooleanGetTypeID())) return Fail("not a Boolean");
    out->enabled = CFBooleanGetValue(static_cast<CFBooleanRef>(enabled));
  }
  if (CFTypeRef children = CFDictionaryGetValue(dict, keys_.controls)) {
    Place place(*this, "Controls");
    if (!embedder) return Fail("only a UserPane or a GroupBox holds controls");
    if (!ReadControls(children, depth + 1, &out->children)) return false;
  }
  return true;
}

bool NibParser::ReadWindow(CFTypeRef value, NibWindow* out) {
  auto dict = static_cast<CFDictionaryRef>(value);
  if (!IsA(dict, CFDictionaryGetTypeID())) return Fail("not a dictionary");
  if (!CheckKeys(dict, {keys_.title, keys_.contentBounds, keys_.controls})) return false;
  if (CFTypeRef title = CFDictionaryGetValue(dict, keys_.title)) {
    Place place(*this, "Title");
    if (!ReadString(title, &out->title)) return false;
  }
  {
    Place place(*this, "ContentBounds");
    if (!ReadRect(CFDictionaryGetValue(dict, keys_.contentBounds), &out->contentBounds)) {
      return false;
    }
  }
  if (CFTypeRef controls = CFDictionaryGetValue(dict, keys_.controls)) {
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
  if (!CheckKeys(dict, {keys_.windows})) return std::nullopt;
  Place place(*this, "Windows");
  auto windows = static_cast<CFDictionaryRef>(CFDictionaryGetValue(dict, keys_.windows));
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
    Place windowPlace(*this, name);
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
