#pragma once
#include <cstdint>
#include <vector>

namespace xvf {

// A 16:9 anamorphic frame carrying the 4:3 test card: the card squeezed into
// the middle three quarters of the columns (an even count, so YUY2 pairs stay
// whole), black at the sides. Shown at 16:9 its circle is round. Top-down
// B, G, R pixels, width x height.
std::vector<uint8_t> MakeAnamorphicCardRgb(int32_t width, int32_t height);

// Columns the card takes in an anamorphic frame of this width.
int32_t AnamorphicCardColumns(int32_t width);

// The circle's on-screen width-to-height ratio that an aspect mode promises
// for the card in a window with a client area of clientWidth x clientHeight
// after the host's stretch; NaN when the mode promises nothing measurable.
//   fit-window   the window's stretch: (cw / ch) / (card's display aspect)
//   fit-width,   true 4:3 proportions: 1.0 for the 4:3 card; in a 4:3
//   fit-height   window (ratio strictly between 1.32 and 1.35) the frame is
//                left alone and the window's stretch shows
//   panorama     the centre keeps 4:3, the sides take the rest: the ring
//                crosses the centre line where the column curve carries its
//                source edge (4:3 card only)
//   anamorphic   true 16:9 proportions: 1.0 for the anamorphic card
double ExpectedCircleRatio(int32_t mode, int32_t frameWidth, int32_t frameHeight, int32_t clientWidth,
                           int32_t clientHeight, bool anamorphicCard);

// The Process result the mode gives: 0 for fit-window and, except in the
// anamorphic mode, for a window within the 4:3 band; 1 otherwise.
int32_t ExpectedProcessResult(int32_t mode, int32_t clientWidth, int32_t clientHeight);

// A few words on what the mode promises, for the table.
const char* ModePromise(int32_t mode);

}  // namespace xvf
