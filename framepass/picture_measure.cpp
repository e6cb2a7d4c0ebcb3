#include "framepass/picture_measure.h"

#include <algorithm>
#include <cstdlib>

#include "framepass/auto_mode_thresholds.h"

namespace xvf {
namespace {

using namespace auto_mode;

constexpr int32_t kBlackCeiling = kBlackLevel + kBlackMargin;

// The luma of kSamplesPerRow columns, at the centres of equal spans, of any row.
class RowSampler {
 public:
  explicit RowSampler(const FrameView& frame) : frame_(frame), yuy2_(frame.pixelFormat == 0) {
    const int64_t pixelBytes = yuy2_ ? 2 : 3;
    for (int32_t i = 0; i < kSamplesPerRow; ++i)
      offsets_[i] = (int64_t{2 * i + 1} * frame.width / (2 * kSamplesPerRow)) * pixelBytes;
  }

  // The luma of row y's samples.
  void Read(int32_t y, int32_t* luma) const {
    const uint8_t* row = frame_.data + y * frame_.rowBytes;
    if (yuy2_) {
      for (int32_t i = 0; i < kSamplesPerRow; ++i) luma[i] = row[offsets_[i]];
      return;
    }
    // BT.601 limited range in 8.8 fixed point: B, G, R 0 gives 16, 255 gives 235.
    for (int32_t i = 0; i < kSamplesPerRow; ++i) {
      const uint8_t* p = row + offsets_[i];
      luma[i] = ((25 * p[0] + 129 * p[1] + 66 * p[2] + 128) >> 8) + kBlackLevel;
    }
  }

  // Every sample counted: no branch on the picture's content.
  bool IsBlack(int32_t y) const {
    int32_t luma[kSamplesPerRow];
    Read(y, luma);
    int32_t bright = 0;
    for (int32_t v : luma) bright += v > kBlackCeiling;
    return bright <= kMaxBrightSamplesInBlackRow;
  }

 private:
  const FrameView& frame_;
  const bool yuy2_;
  ptrdiff_t offsets_[kSamplesPerRow];  // bytes from the start of a row
};

// Black rows from one edge, reading one row in `step` within `limit` rows,
// taking runs of up to `bridged` non-black rows between black ones into the
// band; the edge after the last black row read is found by halving.
int32_t BandRows(const RowSampler& rows, int32_t height, bool fromFirst, int32_t limit, int32_t step, int32_t bridged) {
  auto black = [&](int32_t k) { return rows.IsBlack(fromFirst ? k : height - 1 - k); };
  int32_t band = 0;
  for (int32_t k = 0; k < limit && k - band < bridged; k += step)
    if (black(k)) band = k + 1;
  if (band == 0) return 0;
  // Rows band .. band + step - 2 are unread; black ones continue the band.
  int32_t low = band, high = std::min(band - 1 + step, limit);
  while (low < high) {
    const int32_t middle = low + (high - low) / 2;
    if (black(middle)) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  return low;
}

// Rows spread over [limit, height - limit): lit enough and varied enough to
// have edges worth measuring.
bool ShowsPicture(const RowSampler& rows, int32_t height, int32_t limit) {
  constexpr int32_t kCount = kPictureRows * kSamplesPerRow;
  int32_t luma[kCount];
  int32_t sum = 0, lit = 0;
  for (int32_t r = 0; r < kPictureRows; ++r)
    rows.Read(limit + (2 * r + 1) * (height - 2 * limit) / (2 * kPictureRows), &luma[r * kSamplesPerRow]);
  for (int32_t v : luma) {
    sum += v;
    lit += v > kDarkLevel;
  }
  if (lit < kMinLitSamples) return false;
  const int32_t mean = sum / kCount;
  int32_t deviation = 0;
  for (int32_t v : luma) deviation += std::abs(v - mean);
  return deviation >= kMinMeanDeviation * kCount;
}

}  // namespace

PictureMeasure MeasurePicture(const FrameView& frame) {
  PictureMeasure m;
  if (!frame.data || frame.width <= 0 || frame.height <= 0) return m;
  const int32_t h = frame.height;
  const int32_t limit = h / kBandLimitDivisor;
  const RowSampler rows(frame);
  m.showsPicture = ShowsPicture(rows, h, limit);
  if (!m.showsPicture) return m;
  const int32_t step = std::max(1, h / kScanStepDivisor);
  const int32_t bridged = std::max(step, h / kBridgedRowsDivisor);
  m.firstBand = BandRows(rows, h, true, limit, step, bridged);
  m.lastBand = BandRows(rows, h, false, limit, step, bridged);
  // A letterbox is centred: the taller band's surplus is dark picture.
  m.pictureRows = h - 2 * std::min(m.firstBand, m.lastBand);
  return m;
}

}  // namespace xvf
