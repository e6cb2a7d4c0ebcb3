#include "filter/raw_io.h"

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

namespace xvf {

bool InputReader::Fill() {
  if (at_ == buffer_.size()) {
    buffer_.clear();
    at_ = 0;
  }
  char block[1 << 16];
  for (;;) {
    const ssize_t n = read(fd_, block, sizeof block);
    if (n > 0) {
      buffer_.append(block, static_cast<size_t>(n));
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) error_ = errno;
    return false;
  }
}

std::string InputReader::Peek(size_t size) {
  while (buffer_.size() - at_ < size && Fill()) {
  }
  return buffer_.substr(at_, size);
}

InputReader::LineEnd InputReader::ReadLine(std::string* line, size_t limit) {
  line->clear();
  for (;;) {
    const size_t end = buffer_.find('\n', at_);
    const size_t taken = (end == std::string::npos ? buffer_.size() : end) - at_;
    if (line->size() + taken + 1 > limit) return LineEnd::kTooLong;
    line->append(buffer_, at_, taken);
    at_ += taken;
    if (end != std::string::npos) {
      ++at_;
      return LineEnd::kWhole;
    }
    if (!Fill()) return error_ ? LineEnd::kError : line->empty() ? LineEnd::kNone : LineEnd::kCut;
  }
}

ReadOutcome InputReader::Read(uint8_t* buffer, size_t size) {
  const size_t buffered = std::min(size, buffer_.size() - at_);
  std::copy_n(buffer_.data() + at_, buffered, buffer);
  at_ += buffered;
  ReadOutcome outcome = ReadFull(fd_, buffer + buffered, size - buffered);
  outcome.bytes += buffered;
  if (outcome.error) error_ = outcome.error;
  return outcome;
}

}  // namespace xvf
