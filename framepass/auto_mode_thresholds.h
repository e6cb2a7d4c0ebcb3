#pragma once
// The automatic mode's thresholds, all in one place. Luma in 8-bit levels
// (limited range: black 16, white 235); sample counts per sampled row.
#include <cstdint>

namespace xvf::auto_mode {

// Limited-range black, and how far above it a sample still counts as black:
// analog captures spread black by a few levels, some add a small pedestal.
constexpr int32_t kBlackLevel = 16;
constexpr int32_t kBlackMargin = 12;

// Samples read across a row, at the centres of equal column spans.
constexpr int32_t kSamplesPerRow = 16;

// A row is black while at most a quarter of its samples are brighter: a
// channel logo, subtitle strokes, teletext dots and noise spikes stay in a band.
constexpr int32_t kMaxBrightSamplesInBlackRow = kSamplesPerRow / 4;

// A band covers at most a quarter of the height (2.39:1 in a 4:3 frame
// takes 22%); rows beyond are never read by the band scan.
constexpr int32_t kBandLimitDivisor = 4;

// Non-black rows inside a band are bridged up to a twelfth of the height
// (two subtitle lines, a logo, a teletext line at the edge of a capture).
constexpr int32_t kBridgedRowsDivisor = 12;

// The band scan reads one row in height / 48 (12 at 576 rows) and then finds
// the exact edge between two read rows by halving.
constexpr int32_t kScanStepDivisor = 48;

// The picture check reads this many rows spread over the middle half of the
// frame, which no band of a usable aspect reaches.
constexpr int32_t kPictureRows = 8;

// A picture with fewer than a quarter of its samples above this level is a
// dark scene: its edges cannot be told from the bands.
constexpr int32_t kDarkLevel = 40;
constexpr int32_t kMinLitSamples = kPictureRows * kSamplesPerRow / 4;

// A picture whose samples lie on average within this many levels of their
// mean is nearly uniform (a fade, a blank screen, a caption on black).
constexpr int32_t kMinMeanDeviation = 6;

// A picture as wide as 14:9, less 2% for band edges blurred by scaling and
// analog filtering, is a letterboxed film.
constexpr double kLetterboxMinAspect = 14.0 / 9.0 * 0.98;

// A declared display aspect within 2% of 16:9 is an anamorphic picture.
constexpr double kSixteenByNineTolerance = 0.02;

// Standard-definition frames 720 pixels wide hold a picture 704 wide
// (ITU-R BT.601 blanking); their declared pixel aspects (16:11 and 64:45 for
// 576 rows, 40:33 and 32:27 for 480) give 16:9 over those 704 pixels.
constexpr int32_t kSdFrameWidth = 720;
constexpr int32_t kSdActiveWidth = 704;

// A new choice must hold for one second of frames that show a picture.
constexpr int32_t kDefaultFramesPerSecond = 25;  // when the stream names no rate
constexpr int32_t kMaxHoldFrames = 300;          // a rate beyond reason holds no longer

}  // namespace xvf::auto_mode
