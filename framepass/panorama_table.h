#pragma once
#include <cstdint>

#include "engine/scale_map.h"

namespace xvf {

// The largest ratio of the window's proportions to 4:3 the panorama curve
// takes; wider windows get this one's curve.
constexpr double kPanoramaRatioCap = 2.0;

// The panorama column map: one entry per destination column of a row `width`
// pixels wide. With u the distance from the centre C = (width - 1) / 2 as a
// fraction of C, destination column C +- C u samples source C +- C g(u),
// g(u) = r u + (1 - r) u^2 with r = min(ratio, kPanoramaRatioCap): slope r
// in the middle, 2 - r at the edges, both ends fixed. IEEE double throughout.
// `ratio` must be a number in 0..cap (above it is taken as the cap); `table`
// holds at least `width` entries. Width 0 writes nothing; width 1 writes one zero entry.
void BuildPanoramaTable(int32_t width, double ratio, int32_t step, ScaleMapEntry* table);

}  // namespace xvf
