#pragma once
// How the fast paths read and write rows; their order is the field plan's.
#include <cstdint>
#include <cstring>

#include "engine/field_plan.h"
#include "engine/row_kernels.h"

namespace xvf {

// The source rows one half reads: the frame's rows, except that the saved
// row stands in for its picture row in the half that runs after the
// top-down half overwrote it. Pointers are to the first byte read.
class RowSource {
 public:
  RowSource(const RowGeometry& g, int32_t savedRow) : g_(g), savedRow_(savedRow) {}
  const uint8_t* Row(int32_t pictureRow) const {
    return pictureRow == savedRow_ ? g_.saveBuffer : g_.Row(pictureRow) + g_.srcByteStart;
  }

 private:
  const RowGeometry& g_;
  int32_t savedRow_;  // -1: none stands in
};

// One destination row: picture row `dst` from picture rows a and b.
struct RowJob {
  int32_t dst, a, b, weight;
};

// Writes destination rows in the order a half hands them over. It may hold
// one row back to write it together with the next; a pair reads both rows'
// sources before it writes either, so the half's order still never
// overwrites a row that is yet to be read. Every row is written when Flush
// returns. One subclass per way of producing a row from its two sources.
class RowEmitter {
 public:
  RowEmitter(const RowGeometry& g, const RowKernels& kernels) : g_(g), kernels_(kernels) {}
  virtual ~RowEmitter() = default;

  void Take(const RowSource& source, const RowJob& row) {
    if (waiting_ && EmitPair(source, held_, row)) {
      waiting_ = false;
      return;
    }
    if (waiting_) Emit(source, held_);
    held_ = row;
    waiting_ = true;
  }
  void Flush(const RowSource& source) {
    if (waiting_) Emit(source, held_);
    waiting_ = false;
  }

 protected:
  virtual void Emit(const RowSource& source, const RowJob& row) = 0;
  // Writes `held` and then `row` together; false when the two cannot share.
  virtual bool EmitPair(const RowSource& source, const RowJob& held, const RowJob& row) = 0;
  uint8_t* Destination(const RowJob& row) const { return g_.Row(row.dst) + g_.dstByteStart; }

  const RowGeometry& g_;
  const RowKernels& kernels_;

 private:
  bool waiting_ = false;
  RowJob held_{};
};

// Identity columns: a destination row is the byte-wise blend of its two
// source rows. Two rows with the same sources are blended together, reading
// the sources once.
class IdentityColumnsEmitter final : public RowEmitter {
  using RowEmitter::RowEmitter;
  void Emit(const RowSource& source, const RowJob& row) override {
    uint8_t* dst = Destination(row);
    if (row.weight != 0) {
      kernels_.lerpRow(source.Row(row.a), source.Row(row.b), row.weight, g_.dstBytes, dst);
    } else if (source.Row(row.a) != dst) {
      std::memcpy(dst, source.Row(row.a), static_cast<size_t>(g_.dstBytes));
    }
  }
  bool EmitPair(const RowSource& source, const RowJob& held, const RowJob& row) override {
    if (held.a != row.a || held.b != row.b || held.weight == 0 || row.weight == 0) return false;
    kernels_.lerpRowPair(source.Row(row.a), source.Row(row.b), held.weight, row.weight, g_.dstBytes,
                         Destination(held), Destination(row));
    return true;
  }
};

// A column map the gather blocks express: the source rows are blended into a
// row buffer in the frame's layout, which is gathered into the frame. Two
// rows at a time where there is a second row buffer.
class GatherColumnsEmitter final : public RowEmitter {
  using RowEmitter::RowEmitter;
  void Fill(const RowSource& source, const RowJob& row, uint8_t* buffer) const {
    if (row.weight == 0) {
      std::memcpy(buffer, source.Row(row.a), static_cast<size_t>(g_.srcBytes));
    } else {
      kernels_.lerpRow(source.Row(row.a), source.Row(row.b), row.weight, g_.srcBytes, buffer);
    }
  }
  void Emit(const RowSource& source, const RowJob& row) override {
    Fill(source, row, g_.rowBuffer);
    kernels_.gatherRow(g_.rowBuffer, g_.blocks, g_.dstBytes, Destination(row));
  }
  bool EmitPair(const RowSource& source, const RowJob& held, const RowJob& row) override {
    if (!g_.rowBuffer2) return false;
    Fill(source, held, g_.rowBuffer);
    Fill(source, row, g_.rowBuffer2);
    kernels_.gatherRowPair(g_.rowBuffer, g_.rowBuffer2, g_.blocks, g_.dstBytes, Destination(held),
                           Destination(row));
    return true;
  }
};

}  // namespace xvf
