// PaneLayoutTest.cc: the grid cells that the nib's geometry gives.
#include "PaneLayout.h"

#include <gtest/gtest.h>

namespace pde::gtk {
namespace {

bool operator==(const GridPlace& a, const GridPlace& b) {
  return a.row == b.row && a.column == b.column && a.rowSpan == b.rowSpan &&
         a.columnSpan == b.columnSpan;
}

TEST(PaneLayout, RowsFromOverlapsColumnsFromLeftEdgesAndGroupBoxesSpanWhatTheySurround) {
  // Bounds are top, left, bottom, right. A label and a taller control overlap and share a row,
  // listed in any order; a control two pixels lower still shares it; a group box surrounds the
  // second and third rows.
  const std::vector<Rect> bounds{{52, 200, 72, 270}, {20, 20, 40, 190},  {18, 200, 44, 360},
                                 {50, 20, 70, 190},  {84, 20, 104, 190}, {46, 10, 110, 370},
                                 {84, 300, 104, 360}};
  const std::vector<bool> spans{false, false, false, false, false, true, false};
  const std::vector<GridPlace> expected{{1, 1}, {0, 0},       {0, 1}, {1, 0},
                                        {2, 0}, {1, 0, 2, 3}, {2, 2}};
  const std::vector<GridPlace> places = PlaceInGrid(bounds, spans);
  ASSERT_EQ(places.size(), expected.size());
  for (size_t i = 0; i < places.size(); ++i) {
    EXPECT_TRUE(places[i] == expected[i])
        << i << ": row " << places[i].row << "+" << places[i].rowSpan << ", column "
        << places[i].column << "+" << places[i].columnSpan;
  }
}

}  // namespace
}  // namespace pde::gtk
