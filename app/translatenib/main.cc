// main.cc: translatenib: builds a language's nib from the base nib and the language's table.
//
//   translatenib BASE_NIB SOURCE_TABLE TABLE OUTPUT_NIB
//
// BASE_NIB is the development region's objects.plist. Each language keeps one strings table:
// its keys are the texts the base nib shows (window titles, labels, menu items), as in the
// base nib, and the keys of SOURCE_TABLE, the development region's table (the summary's titles).
// TABLE must hold exactly those keys: a key it lacks or one no text uses is reported, file by
// file, and nothing is written (exit status 1). Otherwise OUTPUT_NIB is the base nib with every
// text replaced by its translation; geometry, IDs, values and item order stay as they are.
#include <plist/plist.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "pde/CFHost.h"

namespace {

constexpr char kUsage[] = "usage: translatenib BASE_NIB SOURCE_TABLE TABLE OUTPUT_NIB\n";

struct PlistDeleter {
  void operator()(plist_t node) const { plist_free(node); }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

bool ReadBytes(const std::string& path, std::string* bytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

std::string StringOf(plist_t node) {
  char* value = nullptr;
  plist_get_string_val(node, &value);
  std::string text = value != nullptr ? value : "";
  free(value);
  return text;
}

// Calls visit on every string node that shows a text: a "Title" or "Label" string and each
// string of an "Items" array, at any depth.
template <typename Visit>
void ForEachText(plist_t node, Visit visit) {
  if (plist_get_node_type(node) == PLIST_ARRAY) {
    for (uint32_t i = 0; i < plist_array_get_size(node); ++i)
      ForEachText(plist_array_get_item(node, i), visit);
    return;
  }
  if (plist_get_node_type(node) != PLIST_DICT) return;
  plist_dict_iter iter = nullptr;
  plist_dict_new_iter(node, &iter);
  for (;;) {
    char* key = nullptr;
    plist_t value = nullptr;
    plist_dict_next_item(node, iter, &key, &value);
    if (key == nullptr) break;
    const std::string name = key;
    free(key);
    if ((name == "Title" || name == "Label") && plist_get_node_type(value) == PLIST_STRING) {
      visit(value);
    } else if (name == "Items" && plist_get_node_type(value) == PLIST_ARRAY) {
      for (uint32_t i = 0; i < plist_array_get_size(value); ++i) {
        plist_t item = plist_array_get_item(value, i);
        if (plist_get_node_type(item) == PLIST_STRING) visit(item);
      }
    } else {
      ForEachText(value, visit);
    }
  }
  free(iter);
}

// The keys of a strings table file; false with a message when it cannot be read.
bool ReadTable(const std::string& path, pde::CFPtr<CFDictionaryRef>* table,
               std::set<std::string>* keys) {
  std::string bytes;
  std::string error;
  if (!ReadBytes(path, &bytes)) {
    std::fprintf(stderr, "translatenib: %s: cannot be read\n", path.c_str());
    return false;
  }
  *table = pde::ParseStringsTable(bytes, path, &error);
  if (!*table) {
    std::fprintf(stderr, "translatenib: %s\n", error.c_str());
    return false;
  }
  const CFIndex count = CFDictionaryGetCount(table->get());
  std::vector<const void*> names(static_cast<size_t>(count));
  CFDictionaryGetKeysAndValues(table->get(), names.data(), nullptr);
  for (const void* name : names) keys->insert(pde::ToUTF8(static_cast<CFStringRef>(name)));
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fputs(kUsage, stderr);
    return 2;
  }
  const std::string basePath = argv[1];
  const std::string sourcePath = argv[2];
  const std::string tablePath = argv[3];
  const std::string outputPath = argv[4];

  std::string bytes;
  if (!ReadBytes(basePath, &bytes)) {
    std::fprintf(stderr, "translatenib: %s: cannot be read\n", basePath.c_str());
    return 1;
  }
  plist_t root = nullptr;
  plist_from_xml(bytes.data(), static_cast<uint32_t>(bytes.size()), &root);
  PlistPtr nib(root);
  if (!nib) {
    std::fprintf(stderr, "translatenib: %s: not an XML property list\n", basePath.c_str());
    return 1;
  }

  std::set<std::string> needed;
  ForEachText(nib.get(), [&](plist_t text) {
    if (std::string value = StringOf(text); !value.empty()) needed.insert(value);
  });
  pde::CFPtr<CFDictionaryRef> source;
  pde::CFPtr<CFDictionaryRef> table;
  std::set<std::string> have;
  if (!ReadTable(sourcePath, &source, &needed) || !ReadTable(tablePath, &table, &have)) return 1;

  bool complete = true;
  for (const std::string& key : needed) {
    if (have.count(key) == 0) {
      std::fprintf(stderr, "%s: lacks the key \"%s\"\n", tablePath.c_str(), key.c_str());
      complete = false;
    }
  }
  for (const std::string& key : have) {
    if (needed.count(key) == 0) {
      std::fprintf(stderr, "%s: has the key \"%s\", which neither %s nor %s uses\n",
                   tablePath.c_str(), key.c_str(), basePath.c_str(), sourcePath.c_str());
      complete = false;
    }
  }
  if (!complete) return 1;

  ForEachText(nib.get(), [&](plist_t text) {
    const std::string value = StringOf(text);
    if (value.empty()) return;
    pde::CFPtr<CFStringRef> key = pde::MakeString(value);
    const void* translation = CFDictionaryGetValue(table.get(), key.get());
    plist_set_string_val(text, pde::ToUTF8(static_cast<CFStringRef>(translation)).c_str());
  });
  char* xml = nullptr;
  uint32_t length = 0;
  plist_to_xml(nib.get(), &xml, &length);
  std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
  out.write(xml, length);
  plist_to_xml_free(xml);
  out.close();
  if (!out) {
    std::fprintf(stderr, "translatenib: %s: cannot be written\n", outputPath.c_str());
    std::remove(outputPath.c_str());
    return 1;
  }
  return 0;
}
