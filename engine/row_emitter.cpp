#include "engine/row_emitter.h"

#include <cstring>

namespace xvf {

void RowEmitter::Take(const RowSource& source, const RowJob& row) {
  if (waiting_ && EmitPair(source, held_, row)) {
    waiting_ = false;
    return;
  }
  if (waiting_) Emit(source, held_);
  held_ = row;
  waiting_ = true;
}

void RowEmitter::Flush(const RowSource& source) {
  if (waiting_) Emit(source, held_);
  waiting_ = false;
}

void IdentityColumnsEmitter::Emit(const RowSource& source, const RowJob& row) {
  uint8_t* dst = Destination(row);
  if (row.weight == 0) {
    const uint8_t* from = source.Row(row.a);
    if (from != dst) std::memcpy(dst, from, static_cast<size_t>(g_.dstBytes));
  } else {
    kernels_.lerpRow(source.Row(row.a), source.Row(row.b), row.weight, g_.dstBytes, dst);
  }
}

bool IdentityColumnsEmitter::EmitPair(const RowSource& source, const RowJob& held, const RowJob& row) {
  if (held.a != row.a || held.b != row.b || held.weight == 0 || row.weight == 0) return false;
  kernels_.lerpRowPair(source.Row(row.a), source.Row(row.b), held.weight, row.weight, g_.dstBytes, Destination(held),
                       Destination(row));
  return true;
}

void GatherColumnsEmitter::Fill(const RowSource& source, const RowJob& row, uint8_t* buffer) const {
  if (row.weight == 0) {
    std::memcpy(buffer, source.Row(row.a), static_cast<size_t>(g_.srcBytes));
  } else {
    kernels_.lerpRow(source.Row(row.a), source.Row(row.b), row.weight, g_.srcBytes, buffer);
  }
}

void GatherColumnsEmitter::Emit(const RowSource& source, const RowJob& row) {
  Fill(source, row, g_.rowBuffer);
  kernels_.gatherRow(g_.rowBuffer, g_.blocks, g_.dstBytes, Destination(row));
}

bool GatherColumnsEmitter::EmitPair(const RowSource& source, const RowJob& held, const RowJob& row) {
  if (!g_.rowBuffer2) return false;
  Fill(source, held, g_.rowBuffer);
  Fill(source, row, g_.rowBuffer2);
  kernels_.gatherRowPair(g_.rowBuffer, g_.rowBuffer2, g_.blocks, g_.dstBytes, Destination(held), Destination(row));
  return true;
}

}  // namespace xvf
