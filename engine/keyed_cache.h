#pragma once
// A table the scaler builds from a key and, for column tables, the entries
// of the column map, kept until either changes. The entries themselves are
// compared, not their address: a caller's map may change in place.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/scale_map.h"
#include "platform/aligned_buffer.h"

namespace xvf {

template <typename Key, typename Table>
struct KeyedCache {
  Table table;  // built from key and entries while held
  Key key{};
  bool held = false;
  AlignedArray<ScaleMapEntry> entries;  // the column map's entries at the build
  int32_t entryCount = 0;               // remembered count of `entries`
  int32_t builds = 0;

  // True when the table was built from `k` and the `count` entries of `map`.
  bool Holds(const Key& k, const ScaleMapEntry* map, int32_t count) const {
    return held && k == key && (count == 0 || std::memcmp(entries.get(), map, Bytes(count)) == 0);
  }
  // After a build from `k` and `map` (`entries` has room for `count`).
  void Keep(const Key& k, const ScaleMapEntry* map, int32_t count) {
    if (count > 0) std::memcpy(entries.get(), map, Bytes(count));
    key = k;
    held = true;
    ++builds;
  }

 private:
  static size_t Bytes(int32_t count) { return static_cast<size_t>(count) * sizeof(ScaleMapEntry); }
};

}  // namespace xvf
