#pragma once
#include <cstdint>
#include <string>

#include "common/options/tool_options.h"

#include "engine/frame_format.h"
#include "framepass/frame_modes.h"

namespace xvf {

// The command line of xvf-aspect, checked for form only; whether the frame
// pass can take the stream is decided when the stream starts.
struct FilterOptions {
  int32_t width = 0;         // --size in pixels; 0 when not given
  int32_t height = 0;
  PixelFormat format = PixelFormat::kYuy2;  // of raw input; RGB24 is B, G, R
  bool topDown = false;      // RGB24 rows top-down in the stream (bgr24)
  int32_t clientWidth = 0;   // the video window's client area
  int32_t clientHeight = 0;
  int32_t aspectMode = -1;   // 0..4 or kAutoMode
  int32_t autoFallback = 3;  // --auto-fallback: auto's mode for pictures that are not letterboxed
  bool autoKeepSubtitles = true;  // --auto-subtitles keep|crop: auto keeps text in the lower band in view
  int32_t sarNum = 0;        // --sar: raw input's pixel aspect for auto; 0:0 not declared
  int32_t sarDen = 0;
  int32_t interlace = 0;     // 1: scale the two fields separately
  bool interlaceGiven = false;  // --fields or --no-fields named
  std::string inputPath;     // empty or "-": standard input
  std::string outputPath;    // empty or "-": standard output
  std::string previewPath;   // empty: no preview
  bool geometry = false;     // one JSON line per frame
  std::string geometryPath;  // empty: the lines go to standard error
  bool quiet = false;        // no progress and no summary line
  bool help = false;         // --help: print the usage and do nothing else
  bool version = false;      // --version: print the version and do nothing else
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

// Raw frame formats by name: yuy2 and yuyv422 (YUY2), rgb24 (the host's
// RGB24, bottom-up) and bgr24 (ffmpeg's bgr24: the same bytes, top-down).
bool ParseRawFormat(const std::string& name, PixelFormat* format, bool* topDown);
const char* RawFormatName(PixelFormat format, bool topDown);

// The usage text, ending in a line break.
extern const char kFilterUsage[];

}  // namespace xvf
