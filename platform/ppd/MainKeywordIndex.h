// MainKeywordIndex.h: a PPD file's main keywords, numbered as the PPD library hands them out.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "../../host/PPDLib/PPDLib.h"
#include "CupsPPDReader.h"

namespace pde::ppd {

// Numbers the distinct main keywords of a file from 1 in order of first appearance; a keyword
// that appears again keeps its first value. Keywords past the largest Mindex get no number.
class MainKeywordIndex {
 public:
  // Throws std::bad_alloc when out of memory.
  explicit MainKeywordIndex(std::vector<MainKeyword> keywords);

  // The keyword's number; 0 when the file has no such main keyword (or it got no number).
  Mindex IndexOf(std::string_view keyword) const;
  // The value of the keyword numbered index; null for a number that names none.
  const std::string* ValueAt(Mindex index) const;
  // About how many bytes the index holds, for a cache's limit.
  std::size_t MemorySize() const;

 private:
  std::vector<MainKeyword> numbered_;  // numbered_[i - 1] is keyword number i.
  std::unordered_map<std::string, Mindex> indexByKeyword_;
};

}  // namespace pde::ppd
