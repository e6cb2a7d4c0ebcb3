#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>

#include "engine/buffer_hysteresis.h"
#include "engine/column_kernels.h"
#include "engine/engine_kernels.h"
#include "engine/fast_row_kernels.h"
#include "engine/field_plan.h"
#include "engine/frame_format.h"
#include "engine/keyed_cache.h"
#include "engine/row_kernels.h"
#include "engine/row_steps.h"
#include "engine/scale_map.h"
#include "platform/aligned_buffer.h"
#include "platform/rect.h"

namespace xvf {

// One call of the scaler: a frame, two rectangles in picture coordinates
// (the destination may reach past the frame; only its visible part is
// written) and how to sample.
struct ScaleRequest {
  FrameRows frame;  // where picture row 0 lies, its size and format
  Rect srcRect;
  Rect dstRect;
  bool byFields = false;  // the two fields scaled apart; rows rounded down to even
  // One entry per visible destination column, built with step 4, or null for
  // the scaler's own linear column map.
  const ScaleMapEntry* columnMap = nullptr;
};

// A request over the host's packed rows of `frame` (PackedRows).
inline ScaleRequest PackedScaleRequest(uint8_t* frame, int32_t width, int32_t height, PixelFormat format,
                                       Rect srcRect, Rect dstRect) {
  ScaleRequest r;
  r.frame = PackedRows(frame, format, width, height);
  r.srcRect = srcRect;
  r.dstRect = dstRect;
  return r;
}

// Resamples a source rectangle of a frame into a destination rectangle of the
// same frame, in place, by linear interpolation: a vertical pass into the work
// buffer (4 bytes a work pixel), then a horizontal pass into the frame. The
// vertical pass ends before the horizontal one writes, so the rectangles may
// overlap in any way.
class FrameScaler {
 public:
  FrameScaler();
  FrameScaler(const FrameScaler&) = delete;
  FrameScaler& operator=(const FrameScaler&) = delete;

  // Buffers keep their size while the demand stays within growPercent above
  // and shrinkPercent below it (BufferHysteresis).
  void SetHysteresis(int32_t growPercent, int32_t shrinkPercent);

  //  kScaled: the visible destination holds the scaled source (nothing to
  //    write when the destination misses the frame);
  //  kEmptySource: the clipped source is empty, so there is nothing to scale
  //    and nothing was written; the caller goes on as after a scale;
  //  kLeftUnchanged: the frame was left as it was because its rows are not
  //    RowsAreUsable, a destination side is 65536 or more, a field source
  //    holds no whole row pair, or a buffer could not be allocated (counted
  //    in Stats::memoryShortages); the caller must not report a change.
  enum class Result { kScaled, kEmptySource, kLeftUnchanged };
  Result Scale(const ScaleRequest& request);

  // Row and column kernels of one instruction-set level (tests and
  // benchmarks); the constructor takes ActiveEngineKernels().
  void UseKernels(const EngineKernels& kernels) {
    kernels_ = kernels.rows;
    columnKernels_ = kernels.columns;
  }

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

  // What the scaler did since construction.
  struct Stats {
    int32_t allocations = 0;       // buffers allocated (or tried)
    int32_t mapBuilds = 0;         // own row and column maps
    int32_t gatherBuilds = 0;      // gather tables
    int32_t columnPlanBuilds = 0;  // in-place column plans
    int32_t rowStepBuilds = 0;     // steps of the row fast paths
    // Calls that took each fast path.
    int32_t identityPaths = 0;
    int32_t gatherPaths = 0;
    int32_t inPlaceColumnsPaths = 0;
    // Calls that left the frame unchanged because an allocation failed: a
    // caller that must not pass such a frame on as processed compares it.
    int32_t memoryShortages = 0;
    bool operator==(const Stats&) const = default;
  };
  Stats Statistics() const;

 private:
  // One call after clipping: where its rows and columns lie, and what its
  // path needs.
  struct Call {
    uint8_t* pictureRow0 = nullptr;
    int32_t rowStride = 0;  // bytes from one picture row to the one below
    int32_t rowBytes = 0;   // bytes of a frame row
    bool yuy2 = false;
    int32_t bytesPerPixel = 0;
    bool byFields = false;
    Rect src, dst, visible;  // clipped source, whole destination, its visible part
    int32_t dstWidth = 0, dstHeight = 0;
    // Source columns widened to whole pairs; work pixel `skip` is src.left.
    int32_t x0 = 0, x1 = 0, skip = 0;
    const ScaleMapEntry* columns = nullptr;  // one entry per visible destination column
    bool identity = false;                   // destination column x is source column x
    RowGeometry rows;                        // Path::kIdentityRows and kGatherRows
  };
  // How a call's two passes are executed (UseFastPaths).
  enum class Path { kInPlaceColumns, kIdentityRows, kGatherRows, kTwoPasses };

  // The call's geometry in *c, or the result when there is nothing to scale.
  std::optional<Result> Clip(const ScaleRequest& request, Call* c);
  // The work buffer, the row map and c->columns; false when memory is short
  // or a field source holds no whole row pair.
  bool PrepareMaps(Call* c, const ScaleMapEntry* callerColumnMap);
  // The first fast path whose tables express the call, with them built
  // (c->plan, c->rows), else the two passes; false, before anything is
  // written, when memory is short.
  bool ChoosePath(Call* c, Path* path);
  void RunInPlaceColumns(const Call& c) const;
  void RunIdentityRows(const RowGeometry& g) const;
  void RunGatherRows(const RowGeometry& g) const;
  void RunTwoPasses(const Call& c) const;

  // A scale map the scaler owns, rebuilt exactly when its key changes.
  struct OwnedMap {
    AlignedArray<ScaleMapEntry> entries;
    int32_t count = 0;  // remembered entry count
    ScaleMapKey key;
    bool ownSources = false;  // each entry samples its own row (of the key's step), weight 0
  };

  // Brings `cache` to `key` and the `count` entries of `columns` (0: the key
  // alone), calling build(&table) when either changed; false when memory is
  // short (the cache then holds nothing).
  template <typename Key, typename Table, typename Build>
  bool Refresh(KeyedCache<Key, Table>* cache, const Key& key, const ScaleMapEntry* columns, int32_t count,
               Build build);
  bool EnsureMap(const ScaleMapKey& key, OwnedMap* map);
  // The gather blocks of `columns` in *blocks, rebuilt only when the map's
  // entries or the row's shape differ from the last build; null when the map
  // cannot be expressed. False when memory is short.
  bool EnsureGatherTable(const ScaleMapEntry* columns, int32_t count, int32_t skip, int32_t rowPixels, bool yuy2,
                         bool oddFirst, const GatherBlock** blocks);
  // The steps of g's rows in rowSteps_, rebuilt only when the
  // row map's key or the geometry differ from the last build; *planned when
  // the rows run in place. False when memory is short.
  bool EnsureRowSteps(const RowGeometry& g, RowPairing pairing, bool* planned);
  template <typename Emitter>
  void RunRowSteps(const RowGeometry& g, const Emitter& emitter) const;
  // The plan of `columns` for `shape` and the column kernels' walk in
  // columnPlan_, rebuilt only when the map's entries, the shape or the walk
  // differ from the last build; *planned when the map can be planned. False
  // when memory is short.
  bool EnsureColumnPlan(const ScaleMapEntry* columns, const ColumnShape& shape, bool* planned);
  // True when entry j of a row map (`step` bytes a row) samples row j alone.
  static bool RowsAreTheirOwnSources(const ScaleMapEntry* rowMap, int32_t count, int32_t step);

  RowKernels kernels_;
  bool fastPaths_ = true;
  BufferHysteresis hysteresis_;
  Stats counts_;  // the counts kept here; table builds are the caches'
  OwnedMap rowMap_;
  OwnedMap columnMap_;
  BufferHysteresis::Area work_;  // capWidth x capHeight work pixels, 4 bytes each

  // Gather blocks of a column map over a row of one shape.
  struct GatherShape {
    int32_t count = 0, skip = 0, rowPixels = 0;
    bool yuy2 = false, oddFirst = false;
    bool operator==(const GatherShape&) const = default;
  };
  struct GatherTable {
    AlignedArray<GatherBlock> blocks;
    int32_t blockCount = 0;  // remembered
    bool expressible = false;  // the map fits the blocks
  };
  KeyedCache<GatherShape, GatherTable> gather_;

  // In-place column plan, its arena and the column map entries it was built from.
  ColumnKernels columnKernels_;
  struct ColumnPlanKey {
    ColumnShape shape;
    bool bands = false;  // the band walk's plan, else the block walk's
    bool operator==(const ColumnPlanKey&) const = default;
  };
  struct ColumnPlanTable {
    AlignedArray<uint8_t> arena;
    int32_t arenaCount = 0;  // remembered
    ColumnBlockPlan blocks;  // the key's walk's plan
    ColumnBandPlan bands;
    bool expressible = false;  // the map fits the plan
  };
  KeyedCache<ColumnPlanKey, ColumnPlanTable> columnPlan_;

  // Steps of the row fast paths and what they were built from (the row
  // map's entries follow from its key).
  struct RowStepsKey {
    ScaleMapKey map;
    int32_t srcTop = 0, dstTop = 0, rows = 0, fields = 0;
    bool save = false;
    RowPairing pairing = RowPairing::kNone;
    bool operator==(const RowStepsKey&) const = default;
  };
  struct RowStepTable {
    AlignedArray<RowStep> steps;
    int32_t stepCount = 0;  // remembered
    FieldSteps fields[2];
    bool planned = false;  // the rows run in place
  };
  KeyedCache<RowStepsKey, RowStepTable> rowSteps_;
};

template <typename Key, typename Table, typename Build>
bool FrameScaler::Refresh(KeyedCache<Key, Table>* cache, const Key& key, const ScaleMapEntry* columns,
                          int32_t count, Build build) {
  if (cache->Holds(key, columns, count)) return true;
  cache->held = false;
  if (count > 0 && !hysteresis_.Ensure(&cache->entries, &cache->entryCount, count)) return false;
  if (!build(&cache->table)) return false;
  cache->Keep(key, columns, count);
  return true;
}

}  // namespace xvf
