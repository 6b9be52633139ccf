// PaneLayout.cc: rows from overlapping vertical ranges, columns from distinct left edges.
#include "PaneLayout.h"

#include <algorithm>
#include <numeric>
#include <tuple>
#include <utility>

namespace pde::gtk {
namespace {

struct Band {
  int start;
  int end;
};

// The index of the first band of bands (ordered) that lies within [start, end), and how many do;
// when none does, the index the range would take among them and a count of 1.
std::pair<int, int> BandsWithin(const std::vector<Band>& bands, int start, int end) {
  int first = -1;
  int count = 0;
  for (size_t i = 0; i < bands.size(); ++i) {
    if (bands[i].start >= start && bands[i].end <= end) {
      if (first < 0) first = static_cast<int>(i);
      count = static_cast<int>(i) - first + 1;
    }
  }
  if (first >= 0) return {first, count};
  int before = 0;
  for (const Band& band : bands) before += band.start < start ? 1 : 0;
  return {std::max(0, std::min(before, static_cast<int>(bands.size()) - 1)), 1};
}

}  // namespace

std::vector<GridPlace> PlaceInGrid(const std::vector<Rect>& bounds,
                                   const std::vector<bool>& spans) {
  std::vector<size_t> order(bounds.size());
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](size_t a, size_t b) { return bounds[a].top < bounds[b].top; });
  auto spanning = [&](size_t i) { return i < spans.size() && spans[i]; };

  std::vector<Band> rows;
  std::vector<int> lefts;
  std::vector<GridPlace> places(bounds.size());
  for (size_t i : order) {
    if (spanning(i)) continue;
    const Rect& r = bounds[i];
    if (rows.empty() || r.top >= rows.back().end) rows.push_back({r.top, r.bottom});
    rows.back().end = std::max<int>(rows.back().end, r.bottom);
    places[i].row = static_cast<int>(rows.size()) - 1;
    lefts.push_back(r.left);
  }
  std::sort(lefts.begin(), lefts.end());
  lefts.erase(std::unique(lefts.begin(), lefts.end()), lefts.end());
  std::vector<Band> columns;
  for (size_t c = 0; c < lefts.size(); ++c) {
    columns.push_back({lefts[c], c + 1 < lefts.size() ? lefts[c + 1] : lefts[c] + 1});
  }

  for (size_t i = 0; i < bounds.size(); ++i) {
    const Rect& r = bounds[i];
    if (spanning(i)) {
      std::tie(places[i].row, places[i].rowSpan) = BandsWithin(rows, r.top, r.bottom);
      std::tie(places[i].column, places[i].columnSpan) = BandsWithin(columns, r.left, r.right);
    } else {
      places[i].column =
          static_cast<int>(std::lower_bound(lefts.begin(), lefts.end(), r.left) - lefts.begin());
    }
  }
  return places;
}

}  // namespace pde::gtk
