#pragma once
#include <cstddef>
#include <cstdint>

#include "platform/aligned_buffer.h"
#include "platform/mul_div.h"

namespace xvf {

// Sizes buffers that follow a changing demand. A remembered count stays while
// the demand lies within growPercent above and shrinkPercent below it, and
// becomes the demand otherwise; a buffer holds its remembered count plus
// growPercent of headroom, so small changes of geometry allocate nothing.
class BufferHysteresis {
 public:
  void Set(int32_t growPercent, int32_t shrinkPercent) {
    growPercent_ = growPercent;
    shrinkPercent_ = shrinkPercent;
  }

  // True when *remembered changed.
  bool Remember(int32_t* remembered, int32_t demand) const {
    const int32_t old = *remembered;
    if (demand > MulDiv(*remembered, 100 + growPercent_, 100)) *remembered = demand;
    if (demand < MulDiv(*remembered, 100 - shrinkPercent_, 100)) *remembered = demand;
    return *remembered != old;
  }
  // The count allocated for a remembered count.
  int32_t WithHeadroom(int32_t count) const { return MulDiv(count, 100 + growPercent_, 100); }

  // Room for at least `demand` Ts. False when an allocation failed (the
  // buffer is then null and its remembered count 0, so the next demand
  // allocates again).
  template <typename T>
  bool Ensure(AlignedArray<T>* buffer, int32_t* rememberedCount, int32_t demand) {
    if (!Remember(rememberedCount, demand) && *buffer) return true;
    ++allocations_;
    const int32_t capacity = WithHeadroom(*rememberedCount);
    if (capacity >= demand && buffer->Allocate(static_cast<size_t>(capacity))) return true;
    buffer->Free();
    *rememberedCount = 0;
    return false;
  }

  // A buffer of width x height units, each side remembered on its own.
  struct Area {
    AlignedArray<uint8_t> bytes;
    int32_t width = 0;  // remembered, in units and rows
    int32_t height = 0;
    int32_t capWidth = 0;  // allocated
    int32_t capHeight = 0;
  };
  // Room for at least width x height units of `unitBytes` bytes; false, with
  // the area emptied, when the allocation failed.
  bool Ensure(Area* area, int32_t width, int32_t height, int32_t unitBytes) {
    const bool widthChanged = Remember(&area->width, width);
    const bool heightChanged = Remember(&area->height, height);
    if (!widthChanged && !heightChanged && area->bytes) return true;
    area->capWidth = WithHeadroom(area->width);
    area->capHeight = WithHeadroom(area->height);
    area->bytes.Free();
    ++allocations_;
    // In 64 bits: two sides below 65536 plus headroom overflow a 32-bit size.
    const uint64_t bytes = uint64_t{static_cast<uint32_t>(area->capWidth)} *
                           static_cast<uint32_t>(area->capHeight) * static_cast<uint32_t>(unitBytes);
    if (area->capWidth >= width && area->capHeight >= height && bytes <= SIZE_MAX) {
      area->bytes.Allocate(static_cast<size_t>(bytes));
    }
    if (!area->bytes) area->width = area->height = area->capWidth = area->capHeight = 0;
    return static_cast<bool>(area->bytes);
  }

  // Allocations tried since construction.
  int32_t Allocations() const { return allocations_; }

 private:
  int32_t growPercent_ = 0;
  int32_t shrinkPercent_ = 0;
  int32_t allocations_ = 0;
};

}  // namespace xvf
