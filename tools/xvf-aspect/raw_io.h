#pragma once
#include <cstddef>
#include <cstdint>

namespace xvf {

// Whole-buffer reads and writes on a POSIX file descriptor: interrupted calls
// are retried and short transfers continued.

struct ReadOutcome {
  size_t bytes = 0;  // bytes stored, from the start of the buffer
  int error = 0;     // errno of a failed read; 0 at end of input
};

// Reads until `size` bytes are in or the input ends.
ReadOutcome ReadFull(int fd, uint8_t* buffer, size_t size);

// Writes all `size` bytes; 0 when done, otherwise the errno (EPIPE when the
// reader went away).
int WriteFull(int fd, const uint8_t* data, size_t size);

}  // namespace xvf
