#include "framepass/picture_measure.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "framepass/row_sampler.h"

namespace xvf {
namespace {

using namespace auto_mode;

// Whether a row lies at the band's level in most of its width, and whether
// it carries bright text.
struct BandTest {
  int32_t level, sampleTolerance, medianTolerance, textLevel;

  bool IsBand(RowSampler::Row luma) const {
    int32_t near = 0;
    for (int32_t i = 0; i < kSamplesPerRow; ++i) near += std::abs(luma[i] - level) <= sampleTolerance;
    return near >= kMinBandSamples && std::abs(MedianOf(luma, kSamplesPerRow) - level) <= medianTolerance;
  }

  bool HasText(const RowSampler::Row luma) const {
    int32_t bright = 0;
    for (int32_t i = 0; i < kSamplesPerRow; ++i) bright += luma[i] > textLevel;
    return bright >= kTextSamples;
  }
};

// Rows from the middle half, as far from a band as a picture gets: nearly
// uniform (a blank or grey screen, the end of a fade) or not.
bool NearlyUniform(const RowSampler& rows, int32_t height) {
  constexpr int32_t kCount = kPictureRows * kSamplesPerRow;
  int32_t luma[kCount];
  const int32_t limit = height / kBandLimitDivisor;
  int64_t sum = 0;
  for (int32_t r = 0; r < kPictureRows; ++r)
    rows.Read(limit + (2 * r + 1) * (height - 2 * limit) / (2 * kPictureRows), &luma[r * kSamplesPerRow]);
  for (int32_t v : luma) sum += v;
  const int64_t mean = sum / kCount;
  int64_t deviation = 0;
  for (int32_t v : luma) deviation += std::abs(v - mean);
  return deviation < int64_t{kMinMeanDeviation} * kCount;
}

// Picture rows for a film format of width over height `format` in a frame
// `height` rows tall shown `displayAspect` wide.
double FormatRows(double format, int32_t height, double displayAspect) { return height * displayAspect / format; }

}  // namespace

PictureMeasurer::Side PictureMeasurer::MeasureSide(const FrameView& frame, bool fromFirst, bool lower) {
  const int32_t h = frame.height;
  const RowSampler rows(frame);
  auto row = [&](int32_t k) { return fromFirst ? k : h - 1 - k; };
  Side side;

  // The band's level and noise from two rows a little way in.
  const int32_t depth = std::min(h / kReferenceDepthDivisor, h - 1);
  int32_t reference[kReferenceSamples], scratch[kReferenceSamples];
  rows.Read(row(depth), reference);
  rows.Read(row(std::min(depth + 1, h - 1)), reference + kSamplesPerRow);
  std::copy(reference, reference + kReferenceSamples, scratch);
  const int32_t level = MedianOf(scratch, kReferenceSamples);
  const int32_t across = SpreadOf(reference, kReferenceSamples, level, scratch);
  int32_t noise = across;
  bool still = false;  // structure across the rows that does not change: picture
  int32_t* previous = previous_[fromFirst ? 0 : 1];
  if (havePrevious_) {
    int32_t change[kReferenceSamples];
    for (int32_t i = 0; i < kReferenceSamples; ++i) change[i] = reference[i] - previous[i];
    noise = std::min(across, (SpreadOf(change, kReferenceSamples, 0, scratch) * 707 + 500) / 1000);  // / sqrt(2)
    still = across > kMaxStillSpread + noise * kStillSpreadsOfNoise;
  }
  std::copy(reference, reference + kReferenceSamples, previous);
  if (level > kMaxBandLevel || still) {
    side.edge = true;  // no band: the picture reaches this edge
    return side;
  }

  const BandTest test{level, std::max(kMinBandTolerance, kSampleSpreads * noise),
                      std::max(kMinBandTolerance, static_cast<int32_t>(std::lround(kMedianSpreads * noise))),
                      std::max(kTextLevel, level + kTextSpreads * std::max(noise, kMinBandTolerance))};
  const int32_t bridged = std::max(1, h / kBridgedRowsDivisor);
  int32_t k = 0, pendingText = 0;
  RowSampler::Row luma;
  for (; k < h / 2 && k - side.band < bridged; ++k) {
    rows.Read(row(k), luma);
    if (lower && k >= depth && test.HasText(luma)) ++pendingText;
    if (test.IsBand(luma)) {
      side.band = k + 1;
      side.textRows = pendingText;
    }
  }
  // The picture begins within the quarter of the height, and rows of picture
  // follow it: an edge. Band to the middle is a dark frame or a dark picture.
  side.edge = k - side.band >= bridged && side.band <= h / kBandLimitDivisor;
  return side;
}

PictureMeasure PictureMeasurer::Measure(const FrameView& frame, double displayAspect) {
  PictureMeasure m;
  if (!frame.data || frame.width <= 0 || frame.height <= 0) return m;
  if (frame.width != previousWidth_ || frame.height != previousHeight_ || frame.pixelFormat != previousFormat_)
    havePrevious_ = false;
  // The lower band is the last rows in memory of a top-down YUY2 frame, the
  // first of a bottom-up RGB one.
  const bool yuy2 = frame.pixelFormat == 0;
  const Side first = MeasureSide(frame, true, !yuy2);
  const Side last = MeasureSide(frame, false, yuy2);
  havePrevious_ = true;
  previousWidth_ = frame.width;
  previousHeight_ = frame.height;
  previousFormat_ = frame.pixelFormat;
  m.firstBand = first.edge ? first.band : -1;
  m.lastBand = last.edge ? last.band : -1;
  if (!first.edge && !last.edge) return m;

  // A letterbox is centred: the taller band's surplus is dark picture, and a
  // side without an edge takes the other's band.
  const int32_t h = frame.height;
  const int32_t band = !first.edge ? last.band : !last.edge ? first.band : std::min(first.band, last.band);
  m.pictureRows = h - 2 * band;
  const double tolerance = std::max(kMinFormatTolerance, h / kFormatToleranceDivisor);
  if (band == 0 || m.pictureRows > FormatRows(kFilmFormats[0], h, displayAspect) + tolerance) {
    if (!NearlyUniform(RowSampler(frame), h)) m.verdict = PictureMeasure::kFullPicture;
    return m;
  }
  for (double format : kFilmFormats) {
    if (std::fabs(m.pictureRows - FormatRows(format, h, displayAspect)) <= tolerance) {
      m.verdict = PictureMeasure::kLetterbox;
      m.pictureAspect = format;
      m.textInLowerBand = (yuy2 ? last : first).textRows >= std::max(1, h / kTextRowsDivisor);
      return m;
    }
  }
  return m;  // bands around no film's picture: a dark picture's own edges
}

}  // namespace xvf
