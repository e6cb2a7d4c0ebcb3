#include "tools/xvf-aspect/filter_options.h"

#include <cstring>

namespace xvf {
namespace {

const char* const kModeNames[5] = {"fit-window", "fit-width", "fit-height", "panorama", "anamorphic"};

// Decimal digits only, in 1..INT32_MAX.
bool ParsePositive(const std::string& text, int32_t* value) {
  if (text.empty() || text.size() > 10) return false;
  int64_t v = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    v = v * 10 + (c - '0');
  }
  if (v < 1 || v > INT32_MAX) return false;
  *value = static_cast<int32_t>(v);
  return true;
}

}  // namespace

const char kFilterUsage[] =
    "usage: xvf-aspect --size WxH --window WxH --mode MODE [--format yuy2|rgb24] [--fields]\n"
    "                  [-i IN] [-o OUT] [--geometry] [--preview PNG] [--quiet]\n"
    "\n"
    "Runs the XVF_Aspect frame pass over a stream of raw frames, one frame after the\n"
    "other, as the plug-in does for a video window of the given client size.\n"
    "\n"
    "  --size WxH        frame size in pixels (required)\n"
    "  --window WxH      client size of the video window (required)\n"
    "  --mode MODE       0 fit-window, 1 fit-width, 2 fit-height, 3 panorama,\n"
    "                    4 anamorphic (required)\n"
    "  --format FMT      yuy2: Y0 U Y1 V, rows top-down (ffmpeg yuyv422; default)\n"
    "                    rgb24: B G R, rows bottom-up, as the plug-in sees them\n"
    "                    (ffmpeg bgr24 with -vf vflip)\n"
    "  --fields          scale the two fields of each frame separately\n"
    "  -i IN             raw frames to read (default or '-': standard input)\n"
    "  -o OUT            processed frames to write (default or '-': standard output)\n"
    "  --geometry        one JSON line per frame on standard error:\n"
    "                    {\"frame\":N,\"result\":R,\"src\":[l,t,r,b],\"dst\":[l,t,r,b]}\n"
    "                    (null rectangles when the pass stopped before computing them)\n"
    "  --preview PNG     save the first frame as the window shows it (RGB, stretched\n"
    "                    to the window size, at most 16384x16384)\n"
    "  --quiet           no progress line on a terminal\n"
    "  --help            this text\n"
    "\n"
    "Frames the pass leaves alone are written unchanged. Exit status: 0 done,\n"
    "1 input or output failed or the last frame was incomplete, 2 bad command line\n"
    "or a frame size the pass cannot take.\n";

bool ParseSize(const std::string& text, int32_t* width, int32_t* height) {
  const size_t x = text.find('x');
  if (x == std::string::npos) return false;
  return ParsePositive(text.substr(0, x), width) && ParsePositive(text.substr(x + 1), height);
}

int32_t ParseAspectMode(const std::string& text) {
  if (text.size() == 1 && text[0] >= '0' && text[0] <= '4') return text[0] - '0';
  for (int32_t mode = 0; mode < 5; ++mode)
    if (text == kModeNames[mode]) return mode;
  return -1;
}

const char* AspectModeName(int32_t mode) { return mode >= 0 && mode < 5 ? kModeNames[mode] : "?"; }

ParseResult ParseFilterOptions(int argc, const char* const* argv) {
  ParseResult result;
  FilterOptions& o = result.options;
  bool haveSize = false, haveWindow = false;
  auto fail = [&](const std::string& message) {
    result.ok = false;
    result.error = message;
    return result;
  };
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool takesValue = arg == "--size" || arg == "--window" || arg == "--mode" || arg == "--format" ||
                            arg == "-i" || arg == "-o" || arg == "--preview";
    if (takesValue) {
      if (i + 1 >= argc) return fail("option " + arg + " needs a value");
      const std::string value = argv[++i];
      if (arg == "--size") {
        if (!ParseSize(value, &o.width, &o.height))
          return fail("bad frame size '" + value + "' for --size (want WxH, e.g. 720x576)");
        haveSize = true;
      } else if (arg == "--window") {
        if (!ParseSize(value, &o.clientWidth, &o.clientHeight))
          return fail("bad window size '" + value + "' for --window (want WxH, e.g. 1024x576)");
        haveWindow = true;
      } else if (arg == "--mode") {
        o.aspectMode = ParseAspectMode(value);
        if (o.aspectMode < 0)
          return fail("bad mode '" + value +
                      "' for --mode (want 0..4 or fit-window, fit-width, fit-height, panorama, anamorphic)");
      } else if (arg == "--format") {
        if (value == "yuy2")
          o.pixelFormat = 0;
        else if (value == "rgb24")
          o.pixelFormat = 1;
        else
          return fail("bad format '" + value + "' for --format (want yuy2 or rgb24)");
      } else if (arg == "-i") {
        if (value.empty()) return fail("empty file name for -i");
        o.inputPath = value;
      } else if (arg == "-o") {
        if (value.empty()) return fail("empty file name for -o");
        o.outputPath = value;
      } else {
        if (value.empty() || value == "-") return fail("--preview needs a file name");
        o.previewPath = value;
      }
    } else if (arg == "--fields") {
      o.interlace = 1;
    } else if (arg == "--geometry") {
      o.geometry = true;
    } else if (arg == "--quiet") {
      o.quiet = true;
    } else if (arg == "--help" || arg == "-h") {
      o.help = true;
      result.ok = true;
      return result;
    } else if (!arg.empty() && arg[0] == '-' && arg != "-") {
      return fail("unknown option " + arg);
    } else {
      return fail("unexpected argument '" + arg + "'");
    }
  }
  if (!haveSize) return fail("--size is required");
  if (!haveWindow) return fail("--window is required");
  if (o.aspectMode < 0) return fail("--mode is required");
  if (!o.previewPath.empty() && (o.clientWidth > kPreviewSideLimit || o.clientHeight > kPreviewSideLimit))
    return fail("--preview draws windows up to " + std::to_string(kPreviewSideLimit) + "x" +
                std::to_string(kPreviewSideLimit));
  result.ok = true;
  return result;
}

}  // namespace xvf
