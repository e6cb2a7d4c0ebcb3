#include "framepass/picture_measure.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdlib>

#include "framepass/row_sampler.h"

namespace xvf {
namespace {

using namespace auto_mode;

// Whether a row lies at the band's level in most of its width.
struct BandTest {
  const RowSampler& rows;
  int32_t level, sampleTolerance, meanTolerance;

  bool IsBand(int32_t y) const {
    int32_t luma[kSamplesPerRow];
    rows.Read(y, luma);
    static_assert(kSamplesPerRow == 32, "one bit a sample");
    uint32_t nearBits = 0;
    int32_t sum = 0;
    for (int32_t i = 0; i < kSamplesPerRow; ++i) {
      const bool n = std::abs(luma[i] - level) <= sampleTolerance;
      nearBits |= uint32_t{n} << i;
      sum += n ? luma[i] : 0;
    }
    const int32_t near = std::popcount(nearBits);
    const int32_t runs = std::popcount(((nearBits << 1) | 1u) & ~nearBits);  // a far sample after a near one
    // The samples at the band's level centre on it: a dark picture's own
    // samples within reach of it lean to one side. Overlays are a few runs
    // of samples; a sparse picture's are all over the row.
    return near >= kMinBandSamples && std::abs(sum - near * level) <= near * meanTolerance && runs <= kMaxOverlayRuns;
  }
};

// Band rows from one edge: one row in `step` within the scan, runs of up to
// `bridged` rows that are not band taken into the band; the edge after the
// last band row read found by halving.
struct BandScan {
  int32_t band = 0;
  bool edge = false;  // picture rows follow the band within the quarter of the height
};

BandScan ScanBand(const BandTest& test, int32_t height, bool fromFirst) {
  auto isBand = [&](int32_t k) { return test.IsBand(fromFirst ? k : height - 1 - k); };
  const int32_t step = std::max(1, height / kScanStepDivisor);
  const int32_t fine = std::max(1, height / kFineScanStepDivisor);
  const int32_t bridged = std::max(step, height / kBridgedRowsDivisor);
  const int32_t end = height / 2;
  BandScan scan;
  for (int32_t k = 0;;) {
    for (; k < end && k - scan.band < bridged; k += step)
      if (isBand(k)) scan.band = k + 1;
    if (k >= end && k - scan.band < bridged) return scan;  // band to the middle: no edge
    if (scan.band > 0) {
      // Rows band .. band + step - 2 are unread; band ones continue the band.
      int32_t low = scan.band, high = std::min(scan.band - 1 + step, end);
      while (low < high) {
        const int32_t middle = low + (high - low) / 2;
        if (isBand(middle)) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      scan.band = low;
    }
    // Black the step read no row of, between bridged rows and the picture
    // (a subtitle close to it): two band rows a fine step apart continue
    // the band after them.
    int32_t more = -1;
    for (int32_t j = scan.band + fine; j + fine < std::min(k, end); j += fine)
      if (isBand(j) && isBand(j + fine)) more = j + fine;
    if (more < 0) break;
    scan.band = more + 1;
    k = (more / step + 1) * step;
  }
  scan.edge = scan.band <= height / kBandLimitDivisor;
  return scan;
}

// Middle rows with bright samples off the band's level, as many as a sparse
// picture has at its edges.
bool SparseMiddle(const RowSampler& rows, int32_t height, const PictureMeasurer::Side& side) {
  const int32_t tolerance = std::max(kMinBandTolerance, kSampleSpreads * side.noise);
  int32_t luma[kSamplesPerRow], outliers = 0;
  for (int32_t r = 0; r < kPictureRows; ++r) {
    rows.Read((2 * r + 1) * height / (2 * kPictureRows), luma);
    for (int32_t v : luma) outliers += std::abs(v - side.level) > tolerance;
  }
  return outliers * 2 >= kMinSparseSamples * kPictureRows;
}

// The first row from one edge, from a 48th of the height to the middle, read
// one in height / 144, with a sample off the band's level: where a sparse
// picture (cells on black) shows in this frame; -1: none.
int32_t FirstContentRow(const RowSampler& rows, int32_t height, bool fromFirst, const PictureMeasurer::Side& side) {
  const int32_t tolerance = std::max(kMinBandTolerance, kSampleSpreads * side.noise);
  const int32_t fine = std::max(1, height / kFineScanStepDivisor);
  int32_t luma[kSamplesPerRow];
  for (int32_t k = height / kReferenceDepthDivisor; k < height / 2; k += fine) {
    rows.Read(fromFirst ? k : height - 1 - k, luma);
    for (int32_t v : luma)
      if (std::abs(v - side.level) > tolerance) return k;
  }
  return -1;
}

// Whether the band edge of the frame before, `band` rows from the edge, holds:
// band at its last row and halfway, picture on the next rows a scan reads.
bool StillAt(const BandTest& test, int32_t height, bool fromFirst, int32_t band) {
  if (band <= 0) return false;
  auto isBand = [&](int32_t k) { return test.IsBand(fromFirst ? k : height - 1 - k); };
  const int32_t step = std::max(1, height / kScanStepDivisor);
  return isBand(band - 1) && isBand(band / 2) && !isBand(band) && band + step < height / 2 && !isBand(band + step);
}

// Rows from the middle half, as far from a band as a picture gets: nearly
// uniform (a blank or grey screen, the end of a fade) or not; their mean
// level in `level`.
bool NearlyUniform(const RowSampler& rows, int32_t height, int32_t* level = nullptr) {
  constexpr int32_t kCount = kPictureRows * kSamplesPerRow;
  int32_t luma[kCount];
  const int32_t limit = height / kBandLimitDivisor;
  int64_t sum = 0;
  for (int32_t r = 0; r < kPictureRows; ++r)
    rows.Read(limit + (2 * r + 1) * (height - 2 * limit) / (2 * kPictureRows), &luma[r * kSamplesPerRow]);
  for (int32_t v : luma) sum += v;
  const int64_t mean = sum / kCount;
  if (level) *level = static_cast<int32_t>(mean);
  int64_t deviation = 0;
  for (int32_t v : luma) deviation += std::abs(v - mean);
  return deviation < int64_t{kMinMeanDeviation} * kCount;
}

// Rows of the lower band, from `from` to `to` rows above the bottom, that
// carry bright text: read one in kTextRowStep, kTextSamplesPerRow samples each.
int32_t TextRows(const FrameRows& frame, int32_t from, int32_t to, int32_t textLevel) {
  const RowSampler dense(frame, kTextSamplesPerRow);
  int32_t luma[kTextSamplesPerRow], rows = 0;
  for (int32_t k = from; k < to; k += kTextRowStep) {
    dense.Read(frame.height - 1 - k, luma);
    int32_t bright = 0;
    for (int32_t v : luma) bright += v > textLevel;
    rows += bright >= kTextSamples;
  }
  return rows;
}

// Rows a band edge may lie off a film format's, or move from frame to frame.
int32_t FormatTolerance(int32_t height) { return std::max(kMinFormatTolerance, height / kFormatToleranceDivisor); }

// Picture rows for a film format of width over height `format` in a frame
// `height` rows tall shown `displayAspect` wide.
double FormatRows(double format, int32_t height, double displayAspect) { return height * displayAspect / format; }

}  // namespace

int32_t PictureMeasurer::RememberedNoise(int32_t sideIndex, int32_t level, int32_t spread) {
  NoiseMemory& memory = noise_[sideIndex];
  if (!havePrevious_ || memory.level < 0 || std::abs(level - memory.level) > kMinBandTolerance) {
    memory = NoiseMemory();
    memory.level = level;
  }
  memory.spreads[memory.next] = spread;
  memory.next = (memory.next + 1) % kNoiseMemoryFrames;
  return *std::max_element(memory.spreads, memory.spreads + kNoiseMemoryFrames);
}

PictureMeasurer::Side PictureMeasurer::MeasureSide(const FrameRows& frame, const RowSampler& rows, bool fromFirst) {
  const int32_t h = frame.height;
  auto row = [&](int32_t k) { return fromFirst ? k : h - 1 - k; };
  Side side;

  // The band's level and noise from two rows a little way in.
  const int32_t depth = std::min(h / kReferenceDepthDivisor, h - 1);
  int32_t reference[kReferenceSamples];
  rows.Read(row(depth), reference);
  rows.Read(row(std::min(depth + 1, h - 1)), reference + kSamplesPerRow);
  LevelAndSpread(reference, kReferenceSamples, &side.level, &side.noise);
  const int32_t across = side.noise;  // this frame's own, for a still picture
  side.noise = RememberedNoise(fromFirst ? 0 : 1, side.level, side.noise);
  int32_t* previous = previous_[fromFirst ? 0 : 1];
  const bool knownValid = havePrevious_;
  int32_t& stillFrames = stillFrames_[fromFirst ? 0 : 1];
  if (!havePrevious_) stillFrames = 0;
  if (havePrevious_) {
    // The change since the frame before, as a deviation of noise, rounded.
    int32_t change = 0;
    for (int32_t i = 0; i < kReferenceSamples; ++i) change += std::abs(reference[i] - previous[i]);
    const int32_t deviation = (change * kDeviationPerMeanChangeMilli / kReferenceSamples + 500) / 1000;
    stillFrames = across > kMaxStillSpread && deviation <= kMaxStillChange ? stillFrames + 1 : 0;
  }
  const bool still = stillFrames >= kMinStillFrames;  // structure across the rows that does not change: picture
  std::copy(reference, reference + kReferenceSamples, previous);
  const int32_t tolerance = std::max(kMinBandTolerance, kSampleSpreads * side.noise);
  for (int32_t v : reference) side.outliers += std::abs(v - side.level) > tolerance;
  if (side.level > kMaxBandLevel || still) {
    side.edge = true;  // no band: the picture reaches this edge
    previousBand_[fromFirst ? 0 : 1] = 0;
    side.steady = true;
    return side;
  }
  const BandTest test{rows, side.level, tolerance,
                      std::max(kMinBandTolerance, static_cast<int32_t>(std::lround(kMeanSpreads * side.noise)))};
  int32_t& known = previousBand_[fromFirst ? 0 : 1];
  if (knownValid && StillAt(test, h, fromFirst, known)) {
    side.band = known;
    side.edge = side.steady = true;
    return side;
  }
  const BandScan scan = ScanBand(test, h, fromFirst);
  side.band = scan.band;
  side.edge = scan.edge;
  if (!scan.edge && letterboxLevel_ >= 0 && std::abs(side.level - letterboxLevel_) > tolerance) {
    // Band-like beyond the quarter, but not at the level of the last
    // letterbox's bands: a dark picture that reaches this edge where the
    // bands were.
    side.band = 0;
    side.edge = true;
  }
  side.steady = knownValid && scan.edge && std::abs(scan.band - known) <= FormatTolerance(h);
  known = scan.edge ? scan.band : 0;
  return side;
}

int32_t PictureMeasurer::GatherExtent(int32_t sideIndex, int32_t band) {
  int32_t* extents = extents_[sideIndex];
  if (band == 0) {
    std::fill(extents, extents + kExtentFrames, kNoExtent);
    return 0;
  }
  std::copy(extents + 1, extents + kExtentFrames, extents);
  extents[kExtentFrames - 1] = band;
  int32_t least = kNoExtent;
  for (int32_t i = 0; i < kExtentFrames; ++i)
    if (extents[i] != kNoExtent && (least == kNoExtent || extents[i] < least)) least = extents[i];
  return least;
}

PictureMeasure PictureMeasurer::Measure(const FrameRows& frame, double displayAspect, bool lookForText) {
  PictureMeasure m;
  if (!RowsAreUsable(frame)) return m;
  if (frame.width != previousWidth_ || frame.height != previousHeight_ || frame.format != previousFormat_)
    havePrevious_ = false;
  const RowSampler rows(frame, kSamplesPerRow);
  if (!havePrevious_) GatherExtent(0, 0), GatherExtent(1, 0);
  const Side firstRead = MeasureSide(frame, rows, true);
  const Side lastRead = MeasureSide(frame, rows, false);
  havePrevious_ = true;
  previousWidth_ = frame.width;
  previousHeight_ = frame.height;
  previousFormat_ = frame.format;
  m.firstBand = firstRead.edge ? firstRead.band : -1;
  m.lastBand = lastRead.edge ? lastRead.band : -1;
  const bool bandToMiddle = !firstRead.edge && !lastRead.edge;
  if (bandToMiddle && firstRead.outliers >= kMinSparseSamples && lastRead.outliers >= kMinSparseSamples &&
      SparseMiddle(rows, frame.height, firstRead)) {
    // Band-like to the middle from both edges, bright samples reaching both
    // edges and the middle: a sparse picture (stars, cells) over the frame.
    GatherExtent(0, 0);
    GatherExtent(1, 0);
    m.verdict = PictureMeasure::kFullPicture;
    return m;
  }
  // A sparse picture between bands (cells on black) shows in some frames
  // rows next to its edges that it leaves empty in others, and its rows pass
  // as band: each side's band is the fewest rows of the last frames, read
  // past a band to the middle (clean at the edge) as the first rows with a
  // sample off the band's level. Text is read only in a lower band found
  // in this frame at the rows of the frame before.
  Side first = firstRead, last = lastRead;
  bool lowerHeld = false;
  for (Side* side : {&first, &last}) {
    const int32_t index = side == &first ? 0 : 1;
    const int32_t extent = side->edge                              ? side->band
                           : side->outliers < kMinSparseSamples ? FirstContentRow(rows, frame.height, index == 0, *side)
                                                                 : kNoExtent;
    const int32_t gathered = GatherExtent(index, extent);
    const bool held = side->edge && side->band == previousOwn_[index];
    previousOwn_[index] = side->edge ? side->band : kNoExtent;
    if (gathered > 0 && (!side->edge || gathered < side->band)) {
      side->steady = std::abs(gathered - previousExtent_[index]) <= FormatTolerance(frame.height);
      side->edge = true;
      side->band = gathered;
    } else if (index == 1) {
      lowerHeld = held;
    }
    previousExtent_[index] = gathered;
  }
  if (!first.edge && !last.edge) return m;

  // A letterbox is centred: the taller band's surplus is dark picture, and a
  // side without an edge takes the other's band.
  const int32_t h = frame.height;
  const Side& deciding = !first.edge ? last : !last.edge ? first : first.band <= last.band ? first : last;
  const int32_t band = deciding.band;
  m.pictureRows = h - 2 * band;
  const double tolerance = FormatTolerance(h);
  if (band == 0 || m.pictureRows > FormatRows(kFilmFormats[0], h, displayAspect) + tolerance) {
    if (!NearlyUniform(rows, h)) m.verdict = PictureMeasure::kFullPicture;
    return m;
  }
  // A band edge that moved since the frame before is no letterbox's (a
  // sparse or dark picture's own).
  if (!deciding.steady) return m;
  // Between the bands a flat field as dark as a band: the frame shows
  // nothing but what lies in its bands, which fit-width would crop away.
  int32_t between = 0;
  if (NearlyUniform(rows, h, &between) && between <= kMaxBandLevel) return m;
  for (double format : kFilmFormats) {
    if (std::fabs(m.pictureRows - FormatRows(format, h, displayAspect)) > tolerance) continue;
    m.verdict = PictureMeasure::kLetterbox;
    letterboxLevel_ = deciding.level;
    m.pictureAspect = format;
    // The lower band is the last picture rows, whatever the memory order;
    // its rows at the frame's edge (VHS noise) are no text.
    const Side& lower = last;
    if (lookForText && lower.edge && lower.band > 0 && lowerHeld) {
      const int32_t level = std::max(kTextLevel, lower.level + kTextSpreads * std::max(lower.noise, kMinBandTolerance));
      m.textInLowerBand = TextRows(frame, h / kReferenceDepthDivisor, lower.band, level) >= kMinTextRows;
    }
    return m;
  }
  return m;  // bands around no film's picture: a dark picture's own edges
}

}  // namespace xvf
