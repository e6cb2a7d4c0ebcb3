#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/column_kernels.h"
#include "engine/frame_format.h"
#include "engine/row_kernels.h"
#include "engine/row_steps.h"
#include "engine/scale_map.h"
#include "platform/aligned_buffer.h"
#include "platform/rect.h"

namespace xvf {

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
  // step 4, or null for the scaler's own linear column map.
  //  kScaled: the visible destination holds the scaled source (nothing to
  //    write when the destination misses the frame);
  //  kEmptySource: the clipped source is empty, so there is nothing to scale
  //    and nothing was written; the caller goes on as after a scale;
  //  kLeftUnchanged: the frame was left as it was because it is no usable
  //    stream (IsUsableStream), a destination side is 65536 or more, a field
  //    source holds no whole row pair, or a buffer could not be allocated;
  //    the caller must not report a change.
  enum class Result { kScaled, kEmptySource, kLeftUnchanged };
  Result Scale(uint8_t* frame, int32_t frameWidth, int32_t frameHeight, Rect srcRect, Rect dstRect,
               PixelFormat format, int32_t byFields, const ScaleMapEntry* callerColumnMap) {
    return Scale(PackedRows(frame, format, frameWidth, frameHeight), frameWidth, frameHeight, srcRect, dstRect,
                 format, byFields, callerColumnMap);
  }
  // The same over rows laid out as `rows` says; kLeftUnchanged for rows
  // that are not RowsAreUsable.
  Result Scale(FrameRows rows, int32_t frameWidth, int32_t frameHeight, Rect srcRect, Rect dstRect,
               PixelFormat format, int32_t byFields, const ScaleMapEntry* callerColumnMap);

  // Buffer hysteresis: room for at least `demand` units of T, with the
  // remembered count kept, grown or shrunk by the percentages. False when an
  // allocation failed (the buffer is then null and its remembered count 0, so
  // the next demand allocates again).
  template <typename T>
  bool EnsureBuffer(T** buffer, int32_t* rememberedCount, int32_t demand) {
    if (!Remember(rememberedCount, demand) && *buffer) return true;
    AlignedFree(*buffer);
    *buffer = static_cast<T*>(AllocateWithHeadroom(rememberedCount, demand, sizeof(T)));
    return *buffer != nullptr;
  }
  bool EnsureWorkBuffer(int32_t width, int32_t height, int32_t bytesPerWorkPixel);

  // Kernels for one instruction-set level (tests and benchmarks); the
  // constructor takes ActiveRowKernels().
  void UseKernels(const RowKernels& kernels) { kernels_ = kernels; }
  // The in-place column kernel of one level; the constructor takes
  // ActiveColumnKernels().
  void UseColumnKernels(const ColumnKernels& kernels) { columnKernels_ = kernels; }

  // Fast paths, on by default: how the two passes are executed when the
  // geometry allows, byte-identical to the two passes. Off: always the two
  // passes through the work buffer (the reference, for tests).
  //  - identity columns: each destination row is the byte-wise blend of its
  //    two source rows, written straight into the frame;
  //  - a column map the gather blocks can express (SSSE3 and up): each row is
  //    blended into one work row in the frame's own layout, then gathered
  //    into the frame with byte shuffles;
  //  - a column map over rows that are their own sources (a column plan
  //    expresses it, SSE2 and up): each row resampled in place, no work row.
  // Rows run in an order that never overwrites a row still to be read.
  void UseFastPaths(bool on) { fastPaths_ = on; }

  // Counters for tests: allocations made, maps built and gather tables built
  // since construction.
  int32_t AllocationCount() const { return allocations_; }
  int32_t MapBuildCount() const { return mapBuilds_; }
  int32_t GatherBuildCount() const { return gatherBuilds_; }
  // Calls that took each fast path.
  int32_t IdentityPathCount() const { return identityCalls_; }
  int32_t GatherPathCount() const { return gatherCalls_; }
  int32_t ColumnPlanBuildCount() const { return columnBuilds_; }
  int32_t RowStepBuildCount() const { return rowStepBuilds_; }
  int32_t InPlaceColumnsPathCount() const { return columnCalls_; }

  // The scaler's own maps and the keys they were built from.
  const ScaleMapKey& RowKey() const { return rowMap_.key; }
  const ScaleMapKey& ColumnKey() const { return columnMap_.key; }
  const ScaleMapEntry* OwnColumnMap() const { return columnMap_.entries; }

  int32_t growPercent = 0;
  int32_t shrinkPercent = 0;
  int32_t workWidth = 0;  // remembered work size, in work pixels and rows
  int32_t workHeight = 0;
  int32_t workCapWidth = 0;  // allocated work size
  int32_t workCapHeight = 0;

 private:
  // A scale map the scaler owns, rebuilt exactly when its key changes.
  struct OwnedMap {
    ScaleMapEntry* entries = nullptr;
    int32_t count = 0;  // remembered entry count
    ScaleMapKey key;
    bool ownSources = false;  // each entry samples its own row (of the key's step), weight 0
  };

  // Steps 1-3 of the hysteresis for one remembered count; true when it changed.
  bool Remember(int32_t* remembered, int32_t demand) const;
  // Room for the remembered count plus the growth headroom, or null when
  // that is short of `demand` or memory is (the count is then 0).
  void* AllocateWithHeadroom(int32_t* rememberedCount, int32_t demand, size_t unitSize);
  bool EnsureMap(const ScaleMapKey& key, OwnedMap* map);
  // The gather blocks of `columns` in *blocks, rebuilt only when the map's
  // entries or the row's shape differ from the last build; null when the map
  // cannot be expressed. False when memory is short.
  bool EnsureGatherTable(const ScaleMapEntry* columns, int32_t count, int32_t skip, int32_t rowPixels, bool yuy2,
                         bool oddFirst, const GatherBlock** blocks);
  // Runs the fast path over every row (*ran), unless the row map needs more
  // than one saved row; false, before anything is written, when memory is
  // short.
  bool ScaleRowsInPlace(const RowGeometry& g, bool* ran);
  // The steps of g's rows in rowSteps_ and rowFields_, rebuilt only when the
  // row map's key or the geometry differ from the last build; *planned when
  // the rows run in place. False when memory is short.
  bool EnsureRowSteps(const RowGeometry& g, RowPairing pairing, bool* planned);
  template <typename Emitter>
  void RunRowSteps(const RowGeometry& g, const Emitter& emitter) const;
  // The column plan of `columns` for `shape` in *plan, rebuilt only when the
  // map's entries or the shape differ from the last build; null when the map
  // cannot be planned. False when memory is short.
  bool EnsureColumnPlan(const ScaleMapEntry* columns, const ColumnShape& shape, const ColumnPlan** plan);
  // True when entry j of a row map (`step` bytes a row) samples row j alone.
  static bool RowsAreTheirOwnSources(const ScaleMapEntry* rowMap, int32_t count, int32_t step);

  RowKernels kernels_;
  bool fastPaths_ = true;
  int32_t allocations_ = 0;
  int32_t mapBuilds_ = 0;
  int32_t gatherBuilds_ = 0;
  int32_t identityCalls_ = 0;
  int32_t gatherCalls_ = 0;
  OwnedMap rowMap_;
  OwnedMap columnMap_;
  uint8_t* work_ = nullptr;  // workCapWidth x workCapHeight work pixels, 4 bytes each

  // Gather table and the column map entries it was built from.
  struct GatherShape {
    int32_t count = 0, skip = 0, rowPixels = 0;
    bool yuy2 = false, oddFirst = false;
    bool operator==(const GatherShape& o) const {
      return count == o.count && skip == o.skip && rowPixels == o.rowPixels && yuy2 == o.yuy2 &&
             oddFirst == o.oddFirst;
    }
  };
  GatherShape gatherShape_;
  bool gatherValid_ = false;        // the table matches gatherShape_ and gatherSource_
  bool gatherExpressible_ = false;  // the map fits the blocks
  GatherBlock* gatherBlocks_ = nullptr;
  int32_t gatherBlockCount_ = 0;
  ScaleMapEntry* gatherSource_ = nullptr;
  int32_t gatherSourceCount_ = 0;

  // In-place column plan, its arena and the column map entries it was built from.
  ColumnKernels columnKernels_;
  int32_t columnBuilds_ = 0;
  int32_t columnCalls_ = 0;
  ColumnShape columnShape_;
  bool columnValid_ = false;        // the plan matches columnShape_ and columnSource_
  bool columnExpressible_ = false;  // the map fits the plan
  ColumnPlan columnPlan_;
  uint8_t* columnArena_ = nullptr;
  int32_t columnArenaCount_ = 0;
  ScaleMapEntry* columnSource_ = nullptr;
  int32_t columnSourceCount_ = 0;

  // Steps of the row fast paths and what they were built from (the row
  // map's entries follow from its key).
  struct RowStepsKey {
    ScaleMapKey map;
    int32_t srcTop = 0, dstTop = 0, rows = 0, fields = 0;
    bool save = false;
    RowPairing pairing = RowPairing::kNone;
    bool operator==(const RowStepsKey& o) const {
      return map == o.map && srcTop == o.srcTop && dstTop == o.dstTop && rows == o.rows && fields == o.fields &&
             save == o.save && pairing == o.pairing;
    }
  };
  RowStepsKey rowStepsKey_;
  bool rowStepsValid_ = false;    // the steps match rowStepsKey_
  bool rowStepsPlanned_ = false;  // the rows run in place
  int32_t rowStepBuilds_ = 0;
  RowStep* rowSteps_ = nullptr;
  int32_t rowStepCount_ = 0;
  FieldSteps rowFields_[2];
};

}  // namespace xvf
