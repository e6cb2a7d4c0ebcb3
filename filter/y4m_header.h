#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace xvf {

// YUV4MPEG2 stream and frame headers:
//   "YUV4MPEG2" { " " tag value } "\n"   then per frame   "FRAME" { " " tag value } "\n" planes
// Tags: W width, H height, F rate, I interlacing, A pixel aspect, C colour
// space, X extension; unknown tags are kept as they stand.

constexpr char kY4mSignature[] = "YUV4MPEG2 ";  // what tells a stream from raw frames
constexpr size_t kY4mLineLimit = 4096;          // longest header line accepted, line break included

enum class Y4mChroma {
  k420,   // C420jpeg, C420mpeg2, C420paldv, C420 (and no C): one chroma row per two rows
  k422,   // C422: YUY2's own sampling
  kMono,  // Cmono: luma only
};

struct Y4mHeader {
  int32_t width = 0;
  int32_t height = 0;
  char interlacing = '?';  // 'p', 't', 'b', 'm', or '?' when absent or unknown
  Y4mChroma chroma = Y4mChroma::k420;
  int32_t aspectNum = 0, aspectDen = 0;  // A: pixel aspect; 0:0 when absent, unknown or not N:D
  int32_t rateNum = 0, rateDen = 0;      // F: frames per second; 0:0 likewise
  std::vector<std::string> tokens;  // every parameter in order, as read
};

// Parses a stream header line without its line break. Returns "" when the
// header is well formed and its colour space supported, otherwise one line
// saying what is wrong. Sizes are checked for form only (1..2^31-1).
std::string ParseY4mHeader(const std::string& line, Y4mHeader* header);

// Whether `line` (without its line break) is a frame header.
bool IsY4mFrameHeader(const std::string& line);

// The header line to write, line break included: the input's parameters in
// their order, the pixel aspect replaced (or added) as A<num>:<den>.
std::string Y4mHeaderLine(const Y4mHeader& header, int64_t aspectNum, int64_t aspectDen);


// Bytes of one frame's planes (Y, then U and V) after its FRAME line; the
// width must be even.
size_t Y4mFrameBytes(const Y4mHeader& header);

}  // namespace xvf
