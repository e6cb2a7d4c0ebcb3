#pragma once
#include <cstdint>

#include "engine/fast_row_kernels.h"
#include "engine/frame_format.h"
#include "engine/scale_map.h"

namespace xvf {

// Destination bytes of `count` pixels: 2 a pixel in YUY2, 3 in RGB24.
inline int32_t GatherBytes(int32_t count, bool yuy2) {
  return count * BytesPerPixel(yuy2 ? PixelFormat::kYuy2 : PixelFormat::kRgb24);
}
inline int32_t GatherBlockCount(int32_t count, bool yuy2) { return (GatherBytes(count, yuy2) + 15) / 16; }

// The byte-gather blocks of a column map (step 4) over a source row kept in
// the frame's own layout: `rowPixels` pixels from a pair-aligned column, the
// running position starting at pixel `skip`. Destination byte by byte, the
// blocks sample what the horizontal kernels sample from work pixels: in YUY2
// each pixel's luma, and the U (even destination column) or V (odd) of the
// sampled pixel's pair; `oddFirst` says the first destination column is odd.
// False when the map cannot be expressed: a half block's samples span more
// than one 16-byte window (strong downscales), or an entry leaves the row or
// is not what a scale map holds. `blocks` has GatherBlockCount() entries.
bool BuildGatherBlocks(const ScaleMapEntry* map, int32_t count, int32_t skip, int32_t rowPixels, bool yuy2,
                       bool oddFirst, GatherBlock* blocks);

}  // namespace xvf
