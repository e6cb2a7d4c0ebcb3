#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

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

namespace xvf {

// Buffered reading from a descriptor for headers (lines) and frames; large
// reads go straight to their destination after the buffered bytes.
class InputReader {
 public:
  explicit InputReader(int fd) : fd_(fd) {}

  // Waits for the first bytes of input and returns up to `size` of them
  // without taking them; fewer when the input ends sooner.
  std::string Peek(size_t size);

  enum class LineEnd { kWhole, kNone, kCut, kTooLong, kError };
  // A line without its '\n', at most `limit` bytes with it. kNone: the input
  // had ended before the line; kCut: it ended inside the line.
  LineEnd ReadLine(std::string* line, size_t limit);

  // As ReadFull, buffered bytes first.
  ReadOutcome Read(uint8_t* buffer, size_t size);

  int error() const { return error_; }  // errno of the last failed read

 private:
  bool Fill();  // more bytes into the buffer; false at the end or on an error

  int fd_;
  int error_ = 0;
  std::string buffer_;
  size_t at_ = 0;  // first unread byte of buffer_
};

}  // namespace xvf
