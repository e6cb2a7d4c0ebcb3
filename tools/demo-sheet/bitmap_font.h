#pragma once
#include <cstdint>
#include <string>

#include "common/image/picture.h"

namespace xvf {

// A 5 x 7 pixel font for labels: digits, capitals (lower-case letters are
// drawn as capitals, except x), and - . : = ( ) / * % + , _ space.
// Characters it lacks are drawn as a box outline.
constexpr int32_t kGlyphWidth = 5;
constexpr int32_t kGlyphHeight = 7;
constexpr int32_t kGlyphAdvance = 6;  // one blank column between characters

// The 7 rows of a character, top first, bit 4 the leftmost pixel.
const uint8_t* GlyphRows(char c);

// Pixels a text takes at the given scale (each font pixel scale x scale).
int32_t TextWidth(const std::string& text, int32_t scale);

// Draws text with its top-left corner at (x, y); pixels outside the picture
// are skipped. colour is B, G, R.
void DrawText(Picture* picture, int32_t x, int32_t y, const std::string& text, int32_t scale, const uint8_t colour[3]);

}  // namespace xvf
