#include "tools/demo-sheet/contact_sheet.h"

#include <algorithm>
#include <cstring>

#include "tools/demo-sheet/bitmap_font.h"

namespace xvf {
namespace {

constexpr uint8_t kGround = 40;
constexpr uint8_t kFrame = 128;
const uint8_t kText[3] = {230, 230, 230};
const uint8_t kFlagText[3] = {80, 80, 255};  // B, G, R

int32_t TitleHeight(const std::vector<std::string>& title) {
  if (title.empty()) return 0;
  return kGlyphHeight * kTitleScale + 4 + static_cast<int32_t>(title.size() - 1) * kLabelLinePitch + kSheetGap;
}

int32_t TitleWidth(const std::vector<std::string>& title) {
  int32_t width = 0;
  for (size_t n = 0; n < title.size(); ++n) width = std::max(width, TextWidth(title[n], n == 0 ? kTitleScale : 1));
  return width;
}

void FillRect(Picture* picture, int32_t x, int32_t y, int32_t w, int32_t h, uint8_t grey) {
  for (int32_t row = std::max(0, y); row < std::min(picture->height, y + h); ++row)
    for (int32_t col = std::max(0, x); col < std::min(picture->width, x + w); ++col) {
      uint8_t* p = picture->at(col, row);
      p[0] = p[1] = p[2] = grey;
    }
}

}  // namespace

SheetLayout LayoutSheet(const std::vector<std::string>& title, const std::vector<std::vector<SheetCell>>& grid) {
  SheetLayout layout;
  const size_t columns = grid.empty() ? 0 : grid[0].size();
  size_t lines = 0;
  for (const auto& row : grid)
    for (const SheetCell& cell : row) lines = std::max(lines, cell.label.size());
  layout.labelHeight = static_cast<int32_t>(lines) * kLabelLinePitch + (lines ? 2 : 0);

  layout.columnWidth.assign(columns, 0);
  for (const auto& row : grid)
    for (size_t c = 0; c < columns && c < row.size(); ++c) {
      int32_t w = row[c].picture.width + 2;
      for (const std::string& line : row[c].label) w = std::max(w, TextWidth(line, 1));
      layout.columnWidth[c] = std::max(layout.columnWidth[c], w);
    }
  int32_t x = kSheetMargin;
  for (size_t c = 0; c < columns; ++c) {
    layout.columnX.push_back(x);
    x += layout.columnWidth[c] + (c + 1 < columns ? kSheetGap : 0);
  }
  int32_t y = kSheetMargin + TitleHeight(title);
  for (size_t r = 0; r < grid.size(); ++r) {
    int32_t tallest = 0;
    for (const SheetCell& cell : grid[r]) tallest = std::max(tallest, cell.picture.height + 2);
    layout.rowY.push_back(y);
    layout.rowHeight.push_back(layout.labelHeight + tallest);
    y += layout.rowHeight.back() + (r + 1 < grid.size() ? kSheetGap : 0);
  }
  layout.width = std::max(x, kSheetMargin + TitleWidth(title)) + kSheetMargin;
  layout.height = y + kSheetMargin;
  return layout;
}

Picture ComposeSheet(const std::vector<std::string>& title, const std::vector<std::vector<SheetCell>>& grid) {
  const SheetLayout layout = LayoutSheet(title, grid);
  Picture sheet(layout.width, layout.height, kGround);
  for (size_t n = 0; n < title.size(); ++n) {
    const int32_t y = n == 0 ? kSheetMargin
                             : kSheetMargin + kGlyphHeight * kTitleScale + 4 + static_cast<int32_t>(n - 1) * kLabelLinePitch;
    DrawText(&sheet, kSheetMargin, y, title[n], n == 0 ? kTitleScale : 1, kText);
  }
  for (size_t r = 0; r < grid.size(); ++r)
    for (size_t c = 0; c < grid[r].size() && c < layout.columnX.size(); ++c) {
      const SheetCell& cell = grid[r][c];
      for (size_t n = 0; n < cell.label.size(); ++n)
        DrawText(&sheet, layout.columnX[c], layout.rowY[r] + static_cast<int32_t>(n) * kLabelLinePitch, cell.label[n],
                 1, cell.flagged ? kFlagText : kText);
      if (cell.picture.empty()) continue;
      const int32_t px = layout.PictureX(c), py = layout.PictureY(r);
      FillRect(&sheet, px - 1, py - 1, cell.picture.width + 2, cell.picture.height + 2, kFrame);
      for (int32_t row = 0; row < cell.picture.height; ++row)
        std::memcpy(sheet.at(px, py + row), cell.picture.at(0, row), static_cast<size_t>(cell.picture.width) * 3);
    }
  return sheet;
}

}  // namespace xvf
