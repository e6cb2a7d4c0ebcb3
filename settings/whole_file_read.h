#pragma once
// The one way both platforms read a whole settings file once its size is known.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace xvf {

// bytes resized to `size` and filled by readSome(at, most) calls, each
// returning how many bytes it read (0 or less: failed); bytes empty on any
// failure, a size that cannot be allocated included.
template <class ReadSome>
bool ReadWholeFile(size_t size, std::vector<uint8_t>* bytes, ReadSome readSome) {
  bytes->clear();
  try {
    bytes->resize(size);
  } catch (...) {
    return false;
  }
  size_t done = 0;
  while (done < size) {
    const int64_t got = readSome(bytes->data() + done, size - done);
    if (got <= 0) {
      bytes->clear();
      return false;
    }
    done += size_t(got);
  }
  return true;
}

}  // namespace xvf
