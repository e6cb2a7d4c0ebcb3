#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "common/image/picture.h"

namespace xvf {

// One cell of a contact sheet: a picture with a few label lines above it.
struct SheetCell {
  Picture picture;
  std::vector<std::string> label;
  bool flagged = false;  // label drawn in red: the cell did not come out as expected
};

// Where everything goes, in sheet pixels. A cell's box holds its label
// (labelHeight rows) and below it the picture inside a 1-pixel frame; a
// column is as wide as its widest picture or label, a row as tall as its
// tallest picture.
//
//   margin | title (first line large, the rest small) |
//   margin | label   gap  label   gap  label         |
//          | [pic]        [pic]        [pic]          |
//   gap    | ...                                     | margin
struct SheetLayout {
  int32_t width = 0;
  int32_t height = 0;
  int32_t labelHeight = 0;
  std::vector<int32_t> columnX, columnWidth;
  std::vector<int32_t> rowY, rowHeight;

  // Top-left corner of the picture of a cell (inside its frame).
  int32_t PictureX(size_t column) const { return columnX[column] + 1; }
  int32_t PictureY(size_t row) const { return rowY[row] + labelHeight + 1; }
};

constexpr int32_t kSheetMargin = 12;
constexpr int32_t kSheetGap = 12;
constexpr int32_t kTitleScale = 2;
constexpr int32_t kLabelLinePitch = 10;

// grid[row][column]; every row has the same number of cells.
SheetLayout LayoutSheet(const std::vector<std::string>& title, const std::vector<std::vector<SheetCell>>& grid);

// The sheet itself: dark grey ground, light text, mid-grey picture frames.
Picture ComposeSheet(const std::vector<std::string>& title, const std::vector<std::vector<SheetCell>>& grid);

}  // namespace xvf
