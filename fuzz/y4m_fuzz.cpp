// The YUV4MPEG2 side of xvf-aspect: stream and frame headers, truncation and
// the plane repacking, over hostile bytes.
//   1. A header that parses is written back and parses to the same stream.
//   2. Every complete frame's planes come back exactly from YUY2 (chroma
//      taken up by repeating rows, down by rounded means of equal rows).
//   3. The whole filter reads the bytes from a descriptor, as from a pipe,
//      and writes to /dev/null without crashing, whatever they hold.
#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "filter/frame_filter.h"
#include "filter/y4m_header.h"
#include "filter/y4m_planes.h"

namespace {

constexpr size_t kPixelLimit = 1 << 16;  // larger frames only slow the search

void CheckPlanes(const std::string& bytes, size_t at, const xvf::Y4mHeader& header, bool fields) {
  const size_t frameBytes = xvf::Y4mFrameBytes(header);
  std::vector<uint8_t> yuy2(static_cast<size_t>(header.width) * header.height * 2), back(frameBytes);
  while (at < bytes.size()) {
    const size_t end = bytes.find('\n', at);
    if (end == std::string::npos || !xvf::IsY4mFrameHeader(bytes.substr(at, end - at))) return;
    at = end + 1;
    if (bytes.size() - at < frameBytes) return;
    const auto* planes = reinterpret_cast<const uint8_t*>(bytes.data() + at);
    xvf::PlanesToYuy2(planes, header, fields, yuy2.data());
    xvf::Yuy2ToPlanes(yuy2.data(), header, fields, back.data());
    if (!std::equal(back.begin(), back.end(), planes)) std::abort();
    at += frameBytes;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 1) return 0;
  const bool fields = data[0] & 1;
  const std::string bytes(reinterpret_cast<const char*>(data + 1), size - 1);
  const size_t lineEnd = bytes.find('\n');
  xvf::Y4mHeader header;
  if (lineEnd != std::string::npos && xvf::ParseY4mHeader(bytes.substr(0, lineEnd), &header).empty()) {
    const std::string written = xvf::Y4mHeaderLine(header, 64, 45);
    xvf::Y4mHeader again;
    if (!xvf::ParseY4mHeader(written.substr(0, written.size() - 1), &again).empty() || again.width != header.width ||
        again.height != header.height || again.chroma != header.chroma || again.interlacing != header.interlacing)
      std::abort();
    const bool small = static_cast<uint64_t>(header.width) * static_cast<uint64_t>(header.height) <= kPixelLimit;
    if (!small) return 0;  // the filter would take frame memory for it
    if (header.width % 2 == 0 && (!fields || header.chroma != xvf::Y4mChroma::k420 || header.height % 4 == 0))
      CheckPlanes(bytes, lineEnd + 1, header, fields);
  } else if (bytes.compare(0, 10, xvf::kY4mSignature) != 0) {
    return 0;  // raw frames are the frame pass fuzzer's
  }

  const int input = memfd_create("y4m", 0);
  const int output = open("/dev/null", O_WRONLY);
  if (input >= 0 && output >= 0 && write(input, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size()) &&
      lseek(input, 0, SEEK_SET) == 0) {
    xvf::FilterOptions options;
    options.clientWidth = 1024;
    options.clientHeight = 576;
    options.aspectMode = 1 + (data[0] >> 1) % 4;
    options.interlace = fields;
    options.interlaceGiven = (data[0] & 2) != 0;
    options.quiet = true;
    xvf::OutputFile nowhere(output, "/dev/null");
    xvf::FilterStreams streams;
    streams.input = input;
    streams.output = &nowhere;
    static FILE* const theQuiet = std::fopen("/dev/null", "w");  // the filter's messages
    streams.messages = theQuiet;
    xvf::RunFrameFilter(options, streams);
  }
  if (input >= 0) close(input);
  if (output >= 0) close(output);
  return 0;
}
