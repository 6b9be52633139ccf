// PaneLayout.h: the grid rows and columns of a pane's controls, read from the nib's geometry.
#pragma once

#include <vector>

#include "MacTypes.h"

namespace pde::gtk {

// A control's cell in the grid: first row and column, and how many of each it spans.
struct GridPlace {
  int row = 0;
  int column = 0;
  int rowSpan = 1;
  int columnSpan = 1;
};

// Places the controls of one pane, given their bounds in the same coordinates, in a grid: the
// controls whose vertical ranges overlap share a row, rows in the order of their tops, and each
// distinct left edge starts a column, in order. The geometry gives only this order; the sizes
// of rows and columns are left to the toolkit that draws the grid. A control that surrounds
// others (spans[i] true: a group box) is left out of that reckoning and spans the rows and
// columns that lie within it. Returns one place per bound, in the same order.
std::vector<GridPlace> PlaceInGrid(const std::vector<Rect>& bounds, const std::vector<bool>& spans);

}  // namespace pde::gtk
