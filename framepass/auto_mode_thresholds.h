#pragma once
// The automatic mode's thresholds, all in one place. Luma in 8-bit levels
// (limited range: black 16, white 235); sample counts per sampled row.
#include <cstdint>

namespace xvf::auto_mode {

// Limited-range black.
constexpr int32_t kBlackLevel = 16;

// Samples read across a row, at the centres of equal column spans.
constexpr int32_t kSamplesPerRow = 32;

// A band's level is its median at a 48th of the height from the frame's edge
// (12 rows at 576): past the head-switching lines of a VHS capture and the
// teletext line at the top, inside the narrowest band (14:9: 36 rows).
constexpr int32_t kReferenceDepthDivisor = 48;

// A band lies at most this far above black: grey pedestals of analog
// captures reach about 40, a picture's own dark areas rarely stay flat below.
constexpr int32_t kMaxBandLevel = kBlackLevel + 32;

// A band row lies within this many levels of the band's level in most of its
// width, and so does their mean, however clean the band: scaling and analog
// filtering leave a few levels of ripple in black.
constexpr int32_t kMinBandTolerance = 6;

// Noise is judged against the band's own spread across its rows (a standard
// deviation from its upper quartile: noise on black is clipped below). Samples may lie 3 spreads
// away; the mean of those that do, over 32 samples, wanders by a fifth of a
// spread and the level read from 64 by as much again: allowed 0.7 of one.
constexpr int32_t kSampleSpreads = 3;
constexpr double kMeanSpreads = 0.7;

// A band's spread is read from its upper quartile: Gaussian noise's lies
// 0.674 deviations above its median, so a quartile's distance is 1.483
// deviations (in thousandths).
constexpr int32_t kSpreadPerQuartileMilli = 1483;

// Compression flattens a band's noise in some blocks and frames and not in
// others (MPEG-2 at 6 Mbit/s: a spread of 1 in one frame, 9 in the next, over
// the same lifted, noisy black): a band's noise is the largest spread read in
// the last kNoiseMemoryFrames frames at its level (within kMinBandTolerance),
// more than a group of pictures (12 to 15 frames).
constexpr int32_t kNoiseMemoryFrames = 16;

// A band's spread across its rows is its noise, which changes from frame to
// frame: rows spread wider than 2 levels that change by at most a level
// (a deviation from the mean absolute change since the frame before) are a
// still picture (a dark 4:3 scene), not a band. Noise that repeats itself
// shifted (ffmpeg's) changes less than it spreads: no ratio between the two.
constexpr int32_t kMaxStillSpread = 2;
constexpr int32_t kMaxStillChange = 1;
// Compression repeats a band's blocks from the frame before now and then
// (skipped blocks of a P or B frame): only rows still in kMinStillFrames
// frames in a row are a still picture.
constexpr int32_t kMinStillFrames = 3;
// The mean absolute change of Gaussian noise between two frames (sqrt(2) of
// its deviation, times sqrt(2/pi)) is 1.128 deviations: a deviation is 0.627
// of the mean change (in thousandths).
constexpr int32_t kDeviationPerMeanChangeMilli = 627;

// "Most of its width": a row is band while five eighths of its samples lie at
// the band's level. A channel logo beside a clock, or a 230-pixel banner in a
// 720-pixel line (a third), stays in the band.
constexpr int32_t kMinBandSamples = kSamplesPerRow * 5 / 8;
// Those overlays make at most three runs of samples off the band's level; a
// sparse picture (stars, cells, a mostly black pattern) makes more, and so do
// text strokes, bridged as rows that are not band.
constexpr int32_t kMaxOverlayRuns = 3;

// Rows band-like beyond the quarter of the height at a level other than the
// last letterbox's bands (further than a band row's samples may lie) are a
// dark picture that reaches the edge: the film's bands are gone.

// A frame band-like from both edges to the middle is black, unless it is a
// sparse picture: bright samples in both edges' reference rows (1 of 64) and
// half as often in rows spread over its height.
constexpr int32_t kMinSparseSamples = 1;

// A sparse picture between bands (cells on black) leaves rows next to its
// edges empty in some frames, and its rows pass as band: a side's band is
// the fewest band rows of the last kExtentFrames frames (a third of a second
// at 25), read past a band to the middle that is clean at the edge as the
// first rows with a sample off the band's level.
constexpr int32_t kExtentFrames = 8;

// A band covers at most a quarter of the height (2.39:1 in a 4:3 frame
// takes 22%); a band edge further in is a dark picture's.
constexpr int32_t kBandLimitDivisor = 4;

// The band scan reads one row in height / 48 (12 at 576 rows) and then finds
// the exact edge between two read rows by halving.
constexpr int32_t kScanStepDivisor = 48;
// Past the edge, the rows the scan stepped over are read one in height / 144
// (4 at 576): two band rows there in a row (the 11 rows of black between a
// subtitle and the picture, which the step may read none of) continue the
// band.
constexpr int32_t kFineScanStepDivisor = 144;

// Rows that are not band inside a band are bridged up to a twelfth of the
// height (two boxed subtitle lines, a banner, VHS noise at the frame's edge).
constexpr int32_t kBridgedRowsDivisor = 12;

// A frame whose picture touches an edge is judged only when it is not nearly
// uniform: its middle rows' samples lie on average this many levels from
// their mean, and twice the band noise (a blank or grey screen, a caption on
// black, the last frames of a fade say nothing). So is a "picture" between
// bands that is flat and no brighter than kMaxBandLevel, a band's own:
// what the frame shows lies in the bands (noise above and below black), and
// fit-width would crop it away. A flat picture brighter than that (a
// gradient between colours of one luma) is still a letterbox's.
constexpr int32_t kPictureRows = 8;
constexpr int32_t kMinMeanDeviation = 3;

// The film formats a letterbox holds, as picture width over height: 14:9 as
// broadcast (504 of 576 lines, 420 of 480) and as drawn, 1.66:1, 16:9 (430 or
// 432 of 576, 360 of 480), 1.85:1, 2:1, 2.35:1 and 2.39:1. Anything else
// between bands (a stage lit in its middle third, a dark sky over a 4:3
// picture) is no letterbox.
constexpr double kFilmFormats[] = {4.0 / 3.0 * 576 / 504, 14.0 / 9.0, 1.66, 16.0 / 9.0, 1.85, 2.0, 2.35, 2.39};
// A picture matches a format within a 72nd of the height in rows (8 of 576,
// 6 of 480): band edges softened by scaling, pictures padded to even rows.
constexpr int32_t kFormatToleranceDivisor = 72;
constexpr int32_t kMinFormatTolerance = 2;

// Burnt-in text in the lower band: rows with at least kTextSamples of
// kTextSamplesPerRow samples (one in 6 pixels across 720: a 3-pixel stroke
// is hit one time in two) above kTextLevel (subtitles are white or yellow) and
// far above the band's noise, in at least kMinTextRows of the rows read (one
// in kTextRowStep: 4 of a 26-pixel line of text). The rows at the frame's
// very edge (VHS noise) do not count. Read on every frame while fit-width
// is asked for, and on one in kTextFrameStep while it is in use: text stays
// on screen for seconds.
constexpr int32_t kTextSamplesPerRow = 128;
constexpr int32_t kTextLevel = 150;
constexpr int32_t kTextSamples = 3;
constexpr int32_t kTextSpreads = 4;
constexpr int32_t kTextRowStep = 4;
constexpr int32_t kMinTextRows = 2;
constexpr int32_t kTextFrameStep = 16;

// The names a viewer knows a letterbox's format by, each up to the bound
// halfway to the next format's aspect; wider than the last, "2.39:1".
struct NamedFormat {
  double below;
  const char* name;
};
constexpr NamedFormat kFormatNames[] = {{1.6, "14:9"},   {1.7, "1.66:1"}, {1.8, "16:9"},
                                       {1.9, "1.85:1"}, {2.1, "2:1"},    {2.37, "2.35:1"}};
constexpr const char* kWidestFormatName = "2.39:1";

// A frame whose stream declares no pixel aspect is a 4:3 picture, as the
// five modes take every frame.
constexpr double kUndeclaredDisplayAspect = 4.0 / 3.0;

// A declared display aspect within 2% of 16:9 is an anamorphic picture.
constexpr double kSixteenByNineTolerance = 0.02;

// Standard-definition frames 720 pixels wide hold a picture 704 wide
// (ITU-R BT.601 blanking); their declared pixel aspects (16:11 and 64:45 for
// 576 rows, 40:33 and 32:27 for 480) give 16:9 over those 704 pixels.
constexpr int32_t kSdFrameWidth = 720;
constexpr int32_t kSdActiveWidth = 704;
// BT.601's own sample aspects (4:3 and 16:9, 480 and 576 rows) are those of
// the 704 active samples: a 720-sample frame declaring one of them holds
// its picture's shape over 704, its margins outside.
struct SampleAspect {
  int64_t num, den;
};
constexpr SampleAspect kBt601SampleAspects[] = {{10, 11}, {40, 33}, {12, 11}, {16, 11}};

// A new choice must hold for one second of frames that show a picture.
constexpr int32_t kDefaultFramesPerSecond = 25;  // when the stream names no rate
constexpr int32_t kMaxHoldFrames = 300;          // a rate beyond reason holds no longer

}  // namespace xvf::auto_mode
