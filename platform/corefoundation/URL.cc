// URL.cc: file URLs: a path and whether it names a directory.
#include "URL.h"

#include <unistd.h>

#include <cstring>

#include "Text.h"

struct CFOpaqueURL : pde::cf::ObjectBase {
  std::string path;
  bool isDirectory = false;
};

namespace pde::cf {
namespace {

void FinalizeURL(ObjectBase* object) {
  DeleteObject<CFOpaqueURL>(object);
}

bool EqualURLs(const ObjectBase* object, const ObjectBase* other) {
  const auto* first = static_cast<const CFOpaqueURL*>(object);
  const auto* second = static_cast<const CFOpaqueURL*>(other);
  return first->path == second->path && first->isDirectory == second->isDirectory;
}

CFHashCode HashURL(const ObjectBase* object) {
  return std::hash<std::string>{}(static_cast<const CFOpaqueURL*>(object)->path);
}

std::u16string DescribeURL(const ObjectBase* object) {
  const auto* url = static_cast<const CFOpaqueURL*>(object);
  std::string text = url->path.starts_with('/') ? "file://" + url->path : url->path;
  if (url->isDirectory && !text.ends_with('/')) text += '/';
  return UTF8ToUTF16Lenient(text);
}

// The current directory, or nothing when it cannot be had.
std::optional<std::string> CurrentDirectory() {
  std::string buffer(4096, '\0');
  if (getcwd(buffer.data(), buffer.size()) == nullptr) return std::nullopt;
  buffer.resize(std::strlen(buffer.c_str()));
  return buffer;
}

}  // namespace

const ClassRecord kURLClass = {kURLTypeID, "CFURL", FinalizeURL, EqualURLs, HashURL, DescribeURL};

CFURLRef NewFileURL(std::string path, bool isDirectory) {
  while (path.size() > 1 && path.ends_with('/')) path.pop_back();
  auto* url = NewObject<CFOpaqueURL>(kURLClass);
  if (url == nullptr) return nullptr;
  url->path = std::move(path);
  url->isDirectory = isDirectory;
  return url;
}

const std::string* PathOf(CFURLRef ref) {
  const auto* url = As<CFOpaqueURL>(ref, kURLClass);
  return url == nullptr ? nullptr : &url->path;
}

}  // namespace pde::cf

using namespace pde::cf;

CFTypeID CFURLGetTypeID(void) {
  return kURLTypeID;
}

CFURLRef CFURLCreateFromFileSystemRepresentation(CFAllocatorRef, const UInt8* buffer,
                                                 CFIndex bufLen, Boolean isDirectory) {
  if (buffer == nullptr || bufLen <= 0) return nullptr;
  std::string_view path(reinterpret_cast<const char*>(buffer), static_cast<size_t>(bufLen));
  if (path.find('\0') != std::string_view::npos) return nullptr;
  return NoThrow([&] { return NewFileURL(std::string(path), isDirectory); });
}

Boolean CFURLGetFileSystemRepresentation(CFURLRef url, Boolean resolveAgainstBase, UInt8* buffer,
                                         CFIndex maxBufLen) {
  const std::string* path = PathOf(url);
  if (path == nullptr || buffer == nullptr || maxBufLen <= 0) return false;
  std::optional<std::string> resolved = NoThrow([&]() -> std::optional<std::string> {
    if (!resolveAgainstBase || path->starts_with('/')) return *path;
    std::optional<std::string> base = CurrentDirectory();
    if (!base) return std::nullopt;
    return *base + (base->ends_with('/') ? "" : "/") + *path;
  });
  if (!resolved || static_cast<CFIndex>(resolved->size()) >= maxBufLen) return false;
  std::memcpy(buffer, resolved->c_str(), resolved->size() + 1);
  return true;
}
