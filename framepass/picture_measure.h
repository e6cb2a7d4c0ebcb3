#pragma once
#include <cstdint>

#include "engine/frame_format.h"
#include "framepass/auto_mode_thresholds.h"

namespace xvf {

class RowSampler;

// What one frame's luma shows about its picture's height.
struct PictureMeasure {
  enum Verdict : int32_t {
    kNoSay,        // black, uniform, or no band edge that can be trusted
    kFullPicture,  // the picture reaches an edge, or its bands are thinner than 14:9's
    kLetterbox,    // bands on both sides around a film format's picture
  };
  Verdict verdict = kNoSay;
  int32_t firstBand = 0;    // band rows at the top, picture row 0 (-1: no edge found)
  int32_t lastBand = 0;     // band rows at the bottom (-1: no edge found)
  int32_t pictureRows = 0;  // the picture centred between the bands, at its largest
  double pictureAspect = 0; // kLetterbox: the film format matched, width over height
  bool textInLowerBand = false;  // burnt-in text under the picture (kLetterbox only)
};

// Measures frame after frame of one stream: the band noise is judged against
// the frame before. Reads a sample of each row (auto_mode_thresholds.h) from
// the frame's edges to its bands' edges, and a few rows in the middle; never
// outside the frame, never writes it.
class PictureMeasurer {
 public:
  // displayAspect: the whole frame's width over height as shown;
  // lookForText: read the lower band of a letterbox for burnt-in text.
  PictureMeasure Measure(const FrameRows& frame, double displayAspect, bool lookForText);

  // A new stream: the next frame is judged on its own.
  void Forget() {
    havePrevious_ = false;
    letterboxLevel_ = -1;
  }

 public:
  struct Side {
    int32_t level = 0, noise = 0;  // the band's median and spread
    int32_t outliers = 0;          // reference samples off the band's level
    int32_t band = 0;
    bool edge = false;    // the band ends inside the quarter of the height
    bool steady = false;  // at the rows of the frame before's edge
  };
 private:
  Side MeasureSide(const FrameRows& frame, const RowSampler& rows, bool fromFirst);
  // The fewest band rows from this side's edge over the last frames, `band`
  // (kNoExtent: none this frame) among them; 0 forgets them and gives 0.
  int32_t GatherExtent(int32_t sideIndex, int32_t band);
  // The largest spread read at this side's level in the last frames, this one's included.
  int32_t RememberedNoise(int32_t sideIndex, int32_t level, int32_t spread);

  static constexpr int32_t kReferenceSamples = 2 * auto_mode::kSamplesPerRow;
  int32_t previous_[2][kReferenceSamples] = {};  // each side's reference rows, the frame before
  int32_t previousBand_[2] = {};  // each side's band edge the frame before, 0: none
  int32_t stillFrames_[2] = {};   // each side's frames in a row whose reference rows did not change
  struct NoiseMemory {
    int32_t level = -1;  // the band's level the spreads were read at, -1: none
    int32_t spreads[auto_mode::kNoiseMemoryFrames] = {};
    int32_t next = 0;
  };
  NoiseMemory noise_[2];  // each side's recent spreads, reset by havePrevious_ false
  static constexpr int32_t kNoExtent = -1;
  int32_t extents_[2][auto_mode::kExtentFrames] = {};  // each side's band rows over the last frames
  int32_t previousExtent_[2] = {};  // each side's gathered band rows the frame before
  int32_t previousOwn_[2] = {};     // each side's band rows read in the frame before, kNoExtent: none
  bool havePrevious_ = false;
  int32_t letterboxLevel_ = -1;  // the bands' level of the last letterbox, -1 none yet
  int32_t previousWidth_ = 0, previousHeight_ = 0;
  PixelFormat previousFormat_ = PixelFormat::kYuy2;
};

}  // namespace xvf
