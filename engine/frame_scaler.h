#pragma once
#include <cstdint>

#include "engine/row_kernels.h"
#include "engine/scale_map.h"
#include "platform/rect.h"

namespace xvf {

// The scaler's frame layouts (the frame pass maps pixel format 0 to 0, 1 to 4).
enum ScaleLayout : int32_t {
  kLayoutYuy2 = 0,   // 2 bytes a pixel, pairs Y0 U Y1 V, rows top-down
  kLayoutRgb24 = 4,  // 3 bytes B G R, rows bottom-up
};

// Resamples a source rectangle of a frame into a destination rectangle of the
// same frame, in place, by linear interpolation: a vertical pass into the work
// buffer (4 bytes a work pixel), then a horizontal pass into the frame. The
// vertical pass ends before the horizontal one writes, so the rectangles may
// overlap in any way.
class FrameScaler {
 public:
  FrameScaler();
  virtual ~FrameScaler();
  FrameScaler(const FrameScaler&) = delete;
  FrameScaler& operator=(const FrameScaler&) = delete;

  void SetHysteresis(int32_t growPercent, int32_t shrinkPercent);

  // callerColumnMap: one entry per visible destination column, built with
  // step 4, or null for the scaler's own linear column map. The frame is left
  // unchanged when a rectangle misses the frame, a length is 65536 or more, a
  // YUY2 frame has an odd width, or a buffer cannot be allocated. True when
  // the visible destination holds the scaled source (nothing to write when
  // the destination misses the frame); false when the frame was left
  // unchanged for any other reason, so the caller must not report a change.
  bool Scale(uint8_t* frame, int32_t frameWidth, int32_t frameHeight, Rect srcRect, Rect dstRect, int32_t layout,
             int32_t byFields, const ScaleMapEntry* callerColumnMap);

  // Buffer hysteresis; false when an allocation failed (the buffer is then
  // null and its remembered size 0, so the next demand allocates again).
  bool EnsureWorkBuffer(int32_t width, int32_t height, int32_t bytesPerWorkPixel);
  bool EnsureMapCapacity(ScaleMapEntry** map, int32_t* rememberedCount, int32_t demand, int32_t entrySize);

  // Kernels for one instruction-set level (tests and benchmarks); the
  // constructor takes ActiveRowKernels().
  void UseKernels(const RowKernels& kernels) { kernels_ = kernels; }

  // Counters for tests: allocations made and maps built since construction.
  int32_t AllocationCount() const { return allocations_; }
  int32_t MapBuildCount() const { return mapBuilds_; }

  int32_t growPercent = 0;
  int32_t shrinkPercent = 0;
  int32_t columnMapCount = 0;
  ScaleMapEntry* columnMap = nullptr;
  ScaleMapKey columnKey;
  int32_t rowMapCount = 0;
  ScaleMapEntry* rowMap = nullptr;
  ScaleMapKey rowKey;
  uint8_t* work = nullptr;
  int32_t workWidth = 0;
  int32_t workHeight = 0;
  int32_t workCapWidth = 0;
  int32_t workCapHeight = 0;

 private:
  bool EnsureRowMap(const ScaleMapKey& key);
  bool EnsureColumnMap(const ScaleMapKey& key);

  RowKernels kernels_;
  int32_t allocations_ = 0;
  int32_t mapBuilds_ = 0;
};

}  // namespace xvf
