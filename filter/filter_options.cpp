#include "filter/filter_options.h"

#include <vector>

#include "framepass/auto_mode_session.h"

namespace xvf {
namespace {

struct RawFormat {
  const char* name;
  PixelFormat format;
  bool topDown;
};
// The first name of a layout is the one messages use.
constexpr RawFormat kRawFormats[] = {{"yuy2", PixelFormat::kYuy2, false},
                                     {"yuyv422", PixelFormat::kYuy2, false},
                                     {"rgb24", PixelFormat::kRgb24, false},
                                     {"bgr24", PixelFormat::kRgb24, true}};

enum : int { kFields = 256, kNoFields, kGeometry, kPreview, kVersion, kAutoFallback, kSar, kAutoSubtitles };

const option kLongOptions[] = {
    {"size", required_argument, nullptr, 's'},   {"window", required_argument, nullptr, 'w'},
    {"mode", required_argument, nullptr, 'm'},   {"format", required_argument, nullptr, 'f'},
    {"input", required_argument, nullptr, 'i'},  {"output", required_argument, nullptr, 'o'},
    {"fields", no_argument, nullptr, kFields},   {"no-fields", no_argument, nullptr, kNoFields},
    {"geometry", optional_argument, nullptr, kGeometry}, {"preview", required_argument, nullptr, kPreview},
    {"quiet", no_argument, nullptr, 'q'},        {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, kVersion}, {"auto-fallback", required_argument, nullptr, kAutoFallback},
    {"sar", required_argument, nullptr, kSar},   {"auto-subtitles", required_argument, nullptr, kAutoSubtitles},   {nullptr, 0, nullptr, 0}};

}  // namespace

const char kFilterUsage[] =
    "usage: xvf-aspect --window WxH --mode MODE [options] [-i IN] [-o OUT]\n"
    "\n"
    "Runs the XVF_Aspect frame pass over a stream of frames, one after the other,\n"
    "as the plug-in does for a video window of the given client size. The input is\n"
    "a YUV4MPEG2 stream (size, rate and interlacing from its header) or raw frames\n"
    "of --size and --format.\n"
    "\n"
    "  -w, --window WxH      client size of the video window (required)\n"
    "  -m, --mode MODE       0 fit-window, 1 fit-width, 2 fit-height, 3 panorama,\n"
    "                        4 anamorphic, or auto: one of them per programme (see\n"
    "                        below) (required). The modes assume a 4:3 picture;\n"
    "                        a 16:9 (anamorphic) source is mode 4's.\n"
    "  -s, --size WxH        frame size of raw input (required for it). A size that\n"
    "                        does not match the stream cannot be detected in raw input;\n"
    "                        YUV4MPEG2 avoids that. With YUV4MPEG2 it must match.\n"
    "  -f, --format FMT      raw input and output:\n"
    "                        yuy2 or yuyv422: Y0 U Y1 V, rows top-down (default)\n"
    "                        bgr24: B G R, rows top-down, as ffmpeg's bgr24\n"
    "                        rgb24: B G R, rows bottom-up, the host's RGB24; this is\n"
    "                        NOT ffmpeg's rgb24 (R G B): ffmpeg users want bgr24\n"
    "      --auto-fallback MODE\n"
    "                        auto's mode for a picture that is not letterboxed, 0..4\n"
    "                        (default panorama)\n"
    "      --auto-subtitles keep|crop\n"
    "                        keep (default): a letterbox whose lower band carries\n"
    "                        burnt-in text stays in the --auto-fallback mode, text in\n"
    "                        view; crop: fit-width as any letterbox\n"
    "      --sar N:D         raw input's pixel aspect for auto (e.g. 64:45; default\n"
    "                        0:0, none); YUV4MPEG2 declares its own (A)\n"
    "      --fields          scale the two fields of each frame separately\n"
    "      --no-fields       scale whole frames (raw default; YUV4MPEG2 follows its\n"
    "                        header: It and Ib by fields, Ip and Im by frames)\n"
    "  -i, --input IN        frames to read (default or '-': standard input)\n"
    "  -o, --output OUT      processed frames to write (default or '-': standard output)\n"
    "      --geometry[=FILE] one JSON line per frame, on standard error or to FILE:\n"
    "                        {\"frame\":N,\"mode\":M,\"result\":R,\"src\":[l,t,r,b],\n"
    "                        \"dst\":[l,t,r,b]} (M the mode the frame was processed in)\n"
    "                        (null rectangles when the pass stopped before computing them)\n"
    "      --preview PNG     save the first frame as the window shows it (RGB, stretched\n"
    "                        to the window size, at most 16384x16384)\n"
    "  -q, --quiet           no progress line and no end-of-run line on standard error\n"
    "                        (\"N frames, X fps, mode M, window CWxCH\"; never printed\n"
    "                        while --geometry lines go to standard error), nor auto's\n"
    "                        changes\n"
    "  -h, --help            this text\n"
    "      --version         the version\n"
    "\n"
    "YUV4MPEG2 in, YUV4MPEG2 out: the header is kept but for the pixel aspect, which\n"
    "becomes the window's stretch (720x576 shown in 1024x576: A64:45), so players and\n"
    "ffmpeg show the frame as the window would. Chroma C422 is carried exactly; C420,\n"
    "C420jpeg, C420mpeg2 and C420paldv are taken up by repeating rows and back down by\n"
    "averaging row pairs (rows the pass leaves alone come back exactly); Cmono.\n"
    "\n"
    "A file to a file, H.264 4:2:0 with the sound of in.mkv copied; then the same\n"
    "with raw frames, whose size, rate (in.mkv's) and display aspect (the window's)\n"
    "ffmpeg is told:\n"
    "\n"
    "  ffmpeg -i in.mkv -pix_fmt yuv422p -f yuv4mpegpipe - \\\n"
    "    | xvf-aspect --window 1024x576 --mode panorama \\\n"
    "    | ffmpeg -f yuv4mpegpipe -i - -i in.mkv -map 0:v -map '1:a?' -c:a copy \\\n"
    "      -c:v libx264 -pix_fmt yuv420p out.mkv\n"
    "  ffmpeg -i in.mkv -f rawvideo -pix_fmt yuyv422 - \\\n"
    "    | xvf-aspect --size 720x576 --window 1024x576 --mode panorama \\\n"
    "    | ffmpeg -f rawvideo -pix_fmt yuyv422 -video_size 720x576 -framerate 25 \\\n"
    "      -i - -i in.mkv -map 0:v -map '1:a?' -c:a copy -aspect 1024:576 \\\n"
    "      -c:v libx264 -pix_fmt yuv420p out.mkv\n"
    "\n"
    "--mode auto chooses one of the five modes per programme, never another\n"
    "geometry, and changes nothing in the plug-in DLL, which keeps its five modes:\n"
    "  - a declared display aspect (YUV4MPEG2 A, --sar) within 2% of 16:9 (over\n"
    "    the 704 active pixels of a 720-wide frame too, as A16:11 declares it):\n"
    "    anamorphic, from the first frame;\n"
    "  - otherwise, from the luma of each frame: a picture between black (or grey,\n"
    "    noisy) bands at the top and bottom in a film format 14:9 or wider (504 of\n"
    "    576 lines, 430 to 432, 1.85:1, 2.39:1 ...; a frame without a declared\n"
    "    aspect being a 4:3 picture) is fit-width, which crops a 16:9 letterbox\n"
    "    exactly in a 16:9 window, unless burnt-in text in the lower band is kept\n"
    "    (--auto-subtitles); any other picture the --auto-fallback mode, which is\n"
    "    also used until the first decision; logos, clocks and banners that cover\n"
    "    less than three eighths of a band's width leave it a band;\n"
    "  - a new choice is taken once it has held for one second of frames (the\n"
    "    stream's rate, else 25); black and nearly uniform frames (fades, black\n"
    "    between programmes) and frames whose bands fit no film format never\n"
    "    change it.\n"
    "The first choice and each change are one line on standard error, with the\n"
    "time and the frame where the picture changed (\"frame 1275 (0:51.00):\n"
    "letterbox 16:9 from frame 1250 (0:50.00), fit-width\"); the end line counts\n"
    "the changes. It does not look at the sides\n"
    "(pillarboxes), nor guess a 16:9 picture squeezed into an undeclared frame.\n"
    "\n"
    "Frames the pass leaves alone are written unchanged. OUT, the geometry FILE\n"
    "and the preview, when they are regular files (or new), are written under a\n"
    "temporary name beside them and replace them only when the run succeeds: on\n"
    "any failure, and on SIGINT, SIGTERM or SIGHUP, the temporary file is removed\n"
    "and the file is left as it was (a link stays a link, its target replaced;\n"
    "mode, ACL, attributes, and as root owner and group are kept). All outputs are\n"
    "replaced together or none. Pipes, terminals and devices (also through links)\n"
    "are written as they go, never emptied, renamed or removed; so are /dev/stdout,\n"
    "/dev/stderr, /dev/fd/N and /proc/self/fd/N, appending where they append. A\n"
    "container file (MP4, MOV, Matroska, WebM, MPEG-TS, AVI) is refused: decode it\n"
    "with ffmpeg; with --size the input is read as raw frames, with a warning.\n"
    "\n"
    "Exit status: 0 done; 1 no complete frame in the input, input or output failed,\n"
    "no memory to scale a frame, or the last frame was incomplete (to a pipe the\n"
    "complete frames are written); 2 bad command line, a stream the pass cannot\n"
    "take, a container file (without --size), standard input or output closed\n"
    "(standard error too, when the geometry lines go there), or two of input,\n"
    "output, preview and geometry on one file; nothing is written.\n";

bool ParseRawFormat(const std::string& name, PixelFormat* format, bool* topDown) {
  for (const RawFormat& raw : kRawFormats)
    if (name == raw.name) {
      *format = raw.format;
      *topDown = raw.topDown;
      return true;
    }
  return false;
}

const char* RawFormatName(PixelFormat format, bool topDown) {
  for (const RawFormat& raw : kRawFormats)
    if (raw.format == format && raw.topDown == topDown) return raw.name;
  return "?";
}

ParseResult ParseFilterOptions(int argc, const char* const* argv) {
  ParseResult result;
  FilterOptions& o = result.options;
  bool haveWindow = false, fallbackGiven = false, sarGiven = false, subtitlesGiven = false;
  auto fail = [&](const std::string& message) {
    result.error = message;
    return result;
  };
  std::vector<std::string> copies(argv, argv + argc);  // getopt_long may reorder
  std::vector<char*> args;
  for (std::string& arg : copies) args.push_back(&arg[0]);
  args.push_back(nullptr);
  char* const* av = args.data();
  bool first = true;
  for (int c; (c = NextOption(argc, av, "+:s:w:m:f:i:o:qh", kLongOptions, first)) != -1; first = false) {
    const std::string value = optarg ? optarg : "";
    switch (c) {
      case 's':
        if (!ParseSize(value, &o.width, &o.height))
          return fail("bad frame size '" + value + "' for --size (want WxH, e.g. 720x576)");
        break;
      case 'w':
        if (!ParseSize(value, &o.clientWidth, &o.clientHeight))
          return fail("bad window size '" + value + "' for --window (want WxH, e.g. 1024x576)");
        haveWindow = true;
        break;
      case 'm':
        o.aspectMode = ParseFrameMode(value);
        if (o.aspectMode < 0)
          return fail("bad mode '" + value +
                      "' for --mode (want 0..4, fit-window, fit-width, fit-height, panorama, anamorphic or auto)");
        break;
      case kAutoFallback:
        o.autoFallback = ParseAspectMode(value);
        if (o.autoFallback < 0)
          return fail("bad mode '" + value +
                      "' for --auto-fallback (want 0..4 or fit-window, fit-width, fit-height, panorama, anamorphic)");
        fallbackGiven = true;
        break;
      case kAutoSubtitles:
        if (!ParseAutoSubtitles(value, &o.autoKeepSubtitles))
          return fail("bad choice '" + value + "' for --auto-subtitles (want keep or crop)");
        subtitlesGiven = true;
        break;
      case kSar:
        if (!ParseRatio(value, &o.sarNum, &o.sarDen))
          return fail("bad pixel aspect '" + value + "' for --sar (want N:D, e.g. 64:45; 0:0 for none)");
        sarGiven = true;
        break;
      case 'f':
        if (!ParseRawFormat(value, &o.format, &o.topDown))
          return fail("bad format '" + value + "' for --format (want yuy2, yuyv422, bgr24 or rgb24)");
        break;
      case 'i':
      case 'o':
        if (value.empty()) return fail(std::string("empty file name for -") + static_cast<char>(c));
        (c == 'i' ? o.inputPath : o.outputPath) = value;
        break;
      case kFields:
      case kNoFields:
        o.interlace = c == kFields ? 1 : 0;
        o.interlaceGiven = true;
        break;
      case kGeometry:
        if (optarg && (value.empty() || value == "-")) return fail("--geometry= needs a file name");
        o.geometry = true;
        o.geometryPath = value;
        break;
      case kPreview:
        if (value.empty() || value == "-") return fail("--preview needs a file name");
        o.previewPath = value;
        break;
      case 'q':
        o.quiet = true;
        break;
      case 'h':
        o.help = true;
        result.ok = true;
        return result;
      case kVersion:
        o.version = true;
        result.ok = true;
        return result;
      default:
        return fail(OptionErrorText(c, av));
    }
  }
  if (optind < argc) return fail("unexpected argument '" + copies[optind] + "'");
  if (!haveWindow) return fail("--window is required");
  if (o.aspectMode < 0) return fail("--mode is required");
  if ((fallbackGiven || sarGiven || subtitlesGiven) && o.aspectMode != kAutoMode)
    return fail(std::string(fallbackGiven ? "--auto-fallback" : sarGiven ? "--sar" : "--auto-subtitles") +
                " applies to --mode auto only");
  if (!o.previewPath.empty() && (o.clientWidth > kPreviewSideLimit || o.clientHeight > kPreviewSideLimit))
    return fail("--preview draws windows up to " + std::to_string(kPreviewSideLimit) + "x" +
                std::to_string(kPreviewSideLimit));
  result.ok = true;
  return result;
}

}  // namespace xvf
