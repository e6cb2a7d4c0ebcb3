#pragma once
#include <cstdint>

#include "filter/y4m_header.h"

namespace xvf {

// A YUV4MPEG2 frame's planes to and from the pass's YUY2 frame (width even).
// C422 is repacked exactly. 4:2:0 chroma rows are taken up by repeating each
// row and back down by averaging each pair, (a + b + 1) >> 1, so rows the
// pass leaves alone come back exactly. Pairs:
//   frames: chroma row c stands for rows 2c and 2c+1 (the last of an odd
//           height for row H-1 alone)
//   fields: chroma row 2m stands for rows 4m and 4m+2, row 2m+1 for 4m+1
//           and 4m+3 (the height a multiple of 4)
// Cmono: the luma plane alone; chroma 128 in the frame, none written back.
void PlanesToYuy2(const uint8_t* planes, const Y4mHeader& header, bool fields, uint8_t* yuy2);
void Yuy2ToPlanes(const uint8_t* yuy2, const Y4mHeader& header, bool fields, uint8_t* planes);

}  // namespace xvf
