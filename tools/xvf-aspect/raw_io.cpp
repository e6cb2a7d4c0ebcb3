#include "tools/xvf-aspect/raw_io.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>

namespace xvf {
namespace {

constexpr size_t kMaxTransfer = size_t{1} << 30;  // below every kernel's per-call limit

}  // namespace

ReadOutcome ReadFull(int fd, uint8_t* buffer, size_t size) {
  ReadOutcome outcome;
  while (outcome.bytes < size) {
    const ssize_t n = read(fd, buffer + outcome.bytes, std::min(size - outcome.bytes, kMaxTransfer));
    if (n > 0) {
      outcome.bytes += static_cast<size_t>(n);
    } else if (n == 0) {
      break;
    } else if (errno != EINTR) {
      outcome.error = errno;
      break;
    }
  }
  return outcome;
}

int WriteFull(int fd, const uint8_t* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    const ssize_t n = write(fd, data + done, std::min(size - done, kMaxTransfer));
    if (n > 0)
      done += static_cast<size_t>(n);
    else if (n < 0 && errno != EINTR)
      return errno;
    else if (n == 0)
      return EIO;  // no progress and no error: give up rather than spin
  }
  return 0;
}

}  // namespace xvf
