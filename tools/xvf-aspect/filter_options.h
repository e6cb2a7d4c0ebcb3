#pragma once
#include <cstdint>
#include <string>

namespace xvf {

// The command line of xvf-aspect, checked for form only; whether the frame
// pass can take the stream is decided when the stream starts.
struct FilterOptions {
  int32_t width = 0;         // stream size in pixels
  int32_t height = 0;
  int32_t pixelFormat = 0;   // 0 = YUY2 (top-down), 1 = RGB24 (B, G, R, bottom-up)
  int32_t clientWidth = 0;   // the video window's client area
  int32_t clientHeight = 0;
  int32_t aspectMode = -1;   // 0..4
  int32_t interlace = 0;     // 1: scale the two fields separately
  std::string inputPath;     // empty or "-": standard input
  std::string outputPath;    // empty or "-": standard output
  std::string previewPath;   // empty: no preview
  bool geometry = false;     // one JSON line per frame on standard error
  bool quiet = false;        // no progress line
  bool help = false;         // --help: print the usage and do nothing else
};

struct ParseResult {
  bool ok = false;
  FilterOptions options;
  std::string error;  // one line, no program name, set when !ok
};

// Largest window side --preview draws, in pixels.
constexpr int32_t kPreviewSideLimit = 16384;

// argv[0] is the program name and is not read.
ParseResult ParseFilterOptions(int argc, const char* const* argv);

// "WxH", both decimal in 1..2^31-1, nothing else around them.
bool ParseSize(const std::string& text, int32_t* width, int32_t* height);

// 0..4 or fit-window, fit-width, fit-height, panorama, anamorphic; -1 otherwise.
int32_t ParseAspectMode(const std::string& text);

// The name of mode 0..4, "?" otherwise.
const char* AspectModeName(int32_t mode);

// The usage text, ending in a line break.
extern const char kFilterUsage[];

}  // namespace xvf
