// MainKeywordIndex.cc: numbers a PPD file's distinct main keywords in order of appearance.
#include "MainKeywordIndex.h"

#include <cstdint>
#include <utility>

namespace pde::ppd {

MainKeywordIndex::MainKeywordIndex(std::vector<MainKeyword> keywords) {
  for (MainKeyword& keyword : keywords) {
    if (numbered_.size() == INT16_MAX) break;
    auto next = static_cast<Mindex>(numbered_.size() + 1);
    if (indexByKeyword_.emplace(keyword.keyword, next).second) {
      numbered_.push_back(std::move(keyword));
    }
  }
}

Mindex MainKeywordIndex::IndexOf(std::string_view keyword) const {
  auto found = indexByKeyword_.find(std::string(keyword));
  return found == indexByKeyword_.end() ? 0 : found->second;
}

const std::string* MainKeywordIndex::ValueAt(Mindex index) const {
  if (index < 1 || static_cast<std::size_t>(index) > numbered_.size()) return nullptr;
  return &numbered_[static_cast<std::size_t>(index) - 1].value;
}

std::size_t MainKeywordIndex::MemorySize() const {
  // Each keyword's text is held twice: in its entry and as the key of its number.
  constexpr std::size_t kPerKeyword = sizeof(MainKeyword) + sizeof(std::string) + 4 * sizeof(void*);
  std::size_t size = sizeof *this;
  for (const MainKeyword& entry : numbered_) {
    size += kPerKeyword + 2 * entry.keyword.capacity() + entry.value.capacity();
  }
  return size;
}

}  // namespace pde::ppd
