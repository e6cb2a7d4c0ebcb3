#pragma once
// How the fast paths read and write rows; their order is the field plan's.
#include <cstdint>

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
  RowEmitter(const RowEmitter&) = delete;
  RowEmitter& operator=(const RowEmitter&) = delete;

  void Take(const RowSource& source, const RowJob& row);
  void Flush(const RowSource& source);

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
  void Emit(const RowSource& source, const RowJob& row) override;
  bool EmitPair(const RowSource& source, const RowJob& held, const RowJob& row) override;
};

// A column map the gather blocks express: the source rows are blended into a
// row buffer in the frame's layout, which is gathered into the frame. Two
// rows at a time where there is a second row buffer.
class GatherColumnsEmitter final : public RowEmitter {
  using RowEmitter::RowEmitter;
  void Emit(const RowSource& source, const RowJob& row) override;
  bool EmitPair(const RowSource& source, const RowJob& held, const RowJob& row) override;
  void Fill(const RowSource& source, const RowJob& row, uint8_t* buffer) const;
};

}  // namespace xvf
