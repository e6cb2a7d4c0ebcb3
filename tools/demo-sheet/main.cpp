// xvf-demo: drives host-standin.exe (under Wine) with the real plug-in over
// the test card in every mode and window shape, measures the circle in what
// each video window shows, and writes a contact sheet and a table.
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "tools/demo-sheet/circle_measure.h"
#include "tools/demo-sheet/contact_sheet.h"
#include "tools/demo-sheet/demo_expectations.h"
#include "tools/demo-sheet/host_run.h"
#include "common/image/bmp_file.h"
#include "common/image/png_file.h"
#include "common/options/tool_options.h"
#include "framepass/frame_modes.h"
#include "common/process/run_program.h"
#include "tools/test_card.h"

namespace {

namespace fs = std::filesystem;

const char kUsage[] =
    "usage: xvf-demo --host HOST-STANDIN.EXE [-o DIR] [--wine CMD] [--modes LIST] [--windows LIST]\n"
    "                [--formats LIST] [-s WxH] [--shrink N] [--tolerance T] [--instance C] [--version]\n"
    "Runs host-standin.exe with its plug-in for every mode, window and format, and\n"
    "writes DIR/contact-sheet.png (first format), DIR/contact-sheet-FORMAT.png (the\n"
    "others) and one PNG per window (default DIR out/demo). Lists are comma-separated:\n"
    "modes 0-4 or names (default all), windows WxH (default 1024x576,768x576,480x720),\n"
    "formats yuy2, rgb24 (default both). The anamorphic mode gets a 16:9 anamorphic\n"
    "card, every other mode the 4:3 card. Exit 0 when every circle and Process result\n"
    "is what the mode promises (within T, default 0.03 relative), 1 otherwise.\n"
    "-s, --size WxH sets the frame size (default 720x576); -o, --output DIR the folder.\n"
    "--instance C runs the host as instance C (-inst:C): its own settings file.\n";

struct Options {
  std::string host;
  std::string out = "out/demo";
  std::string wine;
  std::vector<int32_t> modes{0, 1, 2, 3, 4};
  std::vector<std::pair<int32_t, int32_t>> windows{{1024, 576}, {768, 576}, {480, 720}};
  std::vector<int32_t> formats{0, 1};
  int32_t frameWidth = 720;
  int32_t frameHeight = 576;
  int32_t shrink = 3;
  double tolerance = 0.03;
  std::string instance;  // empty or one character
};

struct CaseResult {
  int32_t mode = 0;
  int32_t clientWidth = 0;
  int32_t clientHeight = 0;
  int32_t format = 0;
  std::string process;   // Process results as host-standin reports them
  xvf::CircleMeasure circle;
  double expected = 0.0;
  bool ok = false;
  std::string error;
  xvf::Picture small;
};

const char* FormatName(int32_t format) { return format == 0 ? "yuy2" : "rgb24"; }

std::string SizeText(int32_t w, int32_t h) { return std::to_string(w) + "x" + std::to_string(h); }

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> items;
  size_t at = 0;
  while (at <= text.size()) {
    size_t end = text.find(',', at);
    if (end == std::string::npos) end = text.size();
    if (end > at) items.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  return items;
}

enum : int { kHost = 256, kWine, kModes, kWindows, kFormats, kShrink, kTolerance, kInstance, kVersion };

const option kLongOptions[] = {
    {"host", required_argument, nullptr, kHost},       {"output", required_argument, nullptr, 'o'},
    {"wine", required_argument, nullptr, kWine},       {"modes", required_argument, nullptr, kModes},
    {"windows", required_argument, nullptr, kWindows}, {"formats", required_argument, nullptr, kFormats},
    {"size", required_argument, nullptr, 's'},         {"shrink", required_argument, nullptr, kShrink},
    {"tolerance", required_argument, nullptr, kTolerance}, {"instance", required_argument, nullptr, kInstance},
    {"help", no_argument, nullptr, 'h'},               {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0}};

// Returns -1 to go on, otherwise the exit status.
int ParseOptions(int argc, char** argv, Options* options) {
  const char* wine = std::getenv("WINE");
  options->wine = wine && *wine ? wine : "wine";
  auto fail = [](const std::string& message) { return xvf::OptionError("xvf-demo", message); };
  bool first = true;
  for (int c; (c = xvf::NextOption(argc, argv, "+:o:s:h", kLongOptions, first)) != -1; first = false) {
    if (const int status = xvf::HelpOrVersion(c, kVersion, "xvf-demo", kUsage); status >= 0) return status;
    const std::string value = optarg ? optarg : "";
    switch (c) {
      case kHost:
        options->host = value;
        break;
      case 'o':
        options->out = value;
        break;
      case kWine:
        options->wine = value;
        break;
      case kModes:
        options->modes.clear();
        for (const std::string& item : SplitList(value)) {
          const int32_t mode = xvf::ParseAspectMode(item);
          if (mode < 0) return fail("unknown mode " + item);
          options->modes.push_back(mode);
        }
        break;
      case kWindows:
        options->windows.clear();
        for (const std::string& item : SplitList(value)) {
          int32_t w = 0, h = 0;
          if (!xvf::ParseSize(item, &w, &h) || w > 4096 || h > 4096) return fail("bad window size " + item);
          options->windows.emplace_back(w, h);
        }
        break;
      case kFormats:
        options->formats.clear();
        for (const std::string& item : SplitList(value)) {
          if (item != "yuy2" && item != "rgb24") return fail("unknown format " + item);
          options->formats.push_back(item == "yuy2" ? 0 : 1);
        }
        break;
      case 's':
        if (!xvf::ParseSize(value, &options->frameWidth, &options->frameHeight) || options->frameWidth % 2 ||
            options->frameWidth < 16 || options->frameHeight < 16 || options->frameWidth > 4096 ||
            options->frameHeight > 4096)
          return fail("bad frame size " + value + " (even width, 16 to 4096)");
        break;
      case kShrink:
        if (!xvf::ParseWhole(value, 1, 16, &options->shrink)) return fail("bad --shrink " + value + " (1 to 16)");
        break;
      case kInstance:
        if (value.size() != 1 || !std::isalnum(static_cast<unsigned char>(value[0])))
          return fail("--instance takes one letter or digit");
        options->instance = value;
        break;
      case kTolerance: {
        char* end = nullptr;
        options->tolerance = std::strtod(value.c_str(), &end);
        if (value.empty() || *end != '\0' || !(options->tolerance >= 0)) return fail("bad --tolerance " + value);
        break;
      }
      default:
        return fail(xvf::OptionErrorText(c, argv));
    }
  }
  if (optind < argc) return fail(std::string("unexpected argument '") + argv[optind] + "'");
  if (options->host.empty()) return fail("--host is required");
  if (options->modes.empty() || options->windows.empty() || options->formats.empty()) return fail("empty list");
  return -1;
}

std::string Ratio(double value) {
  if (std::isnan(value)) return "-";
  char text[32];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

std::string Measured(const CaseResult& result) {
  if (!result.error.empty()) return "error";
  if (!result.circle.found) return "none";
  return Ratio(result.circle.ratio) + (result.circle.cut ? "*" : "");
}

CaseResult RunCase(const Options& options, const fs::path& work, int32_t mode, int32_t cw, int32_t ch,
                   int32_t format) {
  CaseResult result;
  result.mode = mode;
  result.clientWidth = cw;
  result.clientHeight = ch;
  result.format = format;
  const bool anamorphic = mode == 4;
  result.expected = xvf::ExpectedCircleRatio(mode, options.frameWidth, options.frameHeight, cw, ch, anamorphic);

  const std::string name = std::string(xvf::AspectModeName(mode)) + "-" + SizeText(cw, ch) + "-" + FormatName(format);
  const fs::path bmp = work / (name + ".bmp");
  std::vector<std::string> argv{options.wine,   options.host, "--mode",   std::to_string(mode),
                                "--no-fields",  "--window",   SizeText(cw, ch),
                                "--size",       SizeText(options.frameWidth, options.frameHeight),
                                "--format",     FormatName(format),
                                "--output",     xvf::WinePath(bmp.string())};
  if (!options.instance.empty()) argv.push_back("-inst:" + options.instance);
  if (anamorphic) {
    argv.push_back("--input");
    argv.push_back(xvf::WinePath((work / (std::string("anamorphic-card.") + FormatName(format))).string()));
  }
  std::error_code ignored;
  fs::remove(bmp, ignored);
  const xvf::ProgramRun run = xvf::RunProgram(argv);
  result.process = xvf::ReportValue(run.out, "results");
  if (!run.started || run.exitCode != 0) {
    result.error = "host-standin failed (exit " + std::to_string(run.exitCode) + "): " + run.out + run.err;
    return result;
  }
  std::string error;
  const xvf::Picture shown = xvf::ReadBmp(bmp.string(), &error);
  if (shown.empty()) {
    result.error = error;
    return result;
  }
  if (shown.width != cw || shown.height != ch) {
    result.error = "saved picture is " + SizeText(shown.width, shown.height) + ", not the window's size";
    return result;
  }
  result.circle = xvf::MeasureCircle(shown);
  const fs::path png = fs::path(options.out) / (name + ".png");
  if (!xvf::WritePng(png.string(), shown)) result.error = "cannot write " + png.string();
  result.small = xvf::ShrinkBy(shown, options.shrink);
  fs::remove(bmp, ignored);

  const bool processOk = result.process == std::to_string(xvf::ExpectedProcessResult(mode, cw, ch));
  const bool ratioOk = std::isnan(result.expected) ||
                       (result.circle.found &&
                        std::fabs(result.circle.ratio - result.expected) <= options.tolerance * result.expected);
  result.ok = result.error.empty() && processOk && ratioOk;
  return result;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  const int parsed = ParseOptions(argc, argv, &options);
  if (parsed >= 0) return parsed;
  const auto started = std::chrono::steady_clock::now();
  const fs::path out(options.out);
  const fs::path work = out / ".work";
  std::error_code failed;
  fs::create_directories(work, failed);
  if (failed) {
    std::fprintf(stderr, "xvf-demo: cannot create %s: %s\n", work.c_str(), failed.message().c_str());
    return 1;
  }
  for (int32_t format : options.formats) {
    const std::vector<uint8_t> frame = xvf::RgbToFrame(
        xvf::MakeAnamorphicCardRgb(options.frameWidth, options.frameHeight), options.frameWidth, options.frameHeight,
        xvf::PixelFormatOf(format));
    const fs::path path = work / (std::string("anamorphic-card.") + FormatName(format));
    FILE* file = std::fopen(path.c_str(), "wb");
    const bool written = file && std::fwrite(frame.data(), 1, frame.size(), file) == frame.size();
    if (file) std::fclose(file);
    if (!written) {
      std::fprintf(stderr, "xvf-demo: cannot write %s\n", path.c_str());
      return 1;
    }
  }

  // results[format][mode index][window index]
  std::map<int32_t, std::vector<std::vector<CaseResult>>> results;
  bool allOk = true;
  for (int32_t format : options.formats)
    for (int32_t mode : options.modes) {
      std::vector<CaseResult> row;
      std::string progress;
      for (const auto& window : options.windows) {
        row.push_back(RunCase(options, work, mode, window.first, window.second, format));
        progress += " " + SizeText(window.first, window.second) + (row.back().ok ? "" : " (!)");
        allOk = allOk && row.back().ok;
      }
      std::fprintf(stderr, "   %-5s %-10s%s\n", FormatName(format), xvf::AspectModeName(mode), progress.c_str());
      results[format].push_back(std::move(row));
    }

  // Contact sheets: rows are modes, columns are windows.
  std::vector<std::string> sheets;
  for (size_t f = 0; f < options.formats.size(); ++f) {
    const int32_t format = options.formats[f];
    std::vector<std::vector<xvf::SheetCell>> grid;
    for (const auto& row : results[format]) {
      grid.emplace_back();
      for (const CaseResult& result : row) {
        xvf::SheetCell cell;
        cell.picture = result.small;
        cell.label = {std::string(xvf::AspectModeName(result.mode)) + " " +
                          SizeText(result.clientWidth, result.clientHeight),
                      "PROCESS " + (result.process.empty() ? std::string("?") : result.process),
                      "W:H " + Measured(result) + " WANT " + Ratio(result.expected)};
        cell.flagged = !result.ok;
        grid.back().push_back(std::move(cell));
      }
    }
    const std::string upper = format == 0 ? "YUY2" : "RGB24";
    const std::vector<std::string> title{
        "XVF_ASPECT.DLL IN HOST-STANDIN UNDER WINE, " + upper,
        SizeText(options.frameWidth, options.frameHeight) + " " + upper +
            " test card (anamorphic row: a 16:9 anamorphic card). Rows: modes. Columns: video windows, shown at 1/" +
            std::to_string(options.shrink) + ".",
        "W:H = circle width / height on screen, * = circle cut by the window (ellipse fit). WANT = what the mode "
        "promises."};
    const fs::path path = out / (f == 0 ? std::string("contact-sheet.png")
                                        : std::string("contact-sheet-") + FormatName(format) + ".png");
    if (!xvf::WritePng(path.string(), xvf::ComposeSheet(title, grid))) {
      std::fprintf(stderr, "xvf-demo: cannot write %s\n", path.c_str());
      allOk = false;
    }
    sheets.push_back(path.string() + " (" + FormatName(format) + ")");
  }
  fs::remove_all(work, failed);

  // The table: one line per mode and window, the formats side by side.
  const int32_t formats = static_cast<int32_t>(options.formats.size());
  std::printf("\n%-11s %-9s %-*s %-*s %-8s %-5s %s\n", "mode", "window", 7 * formats - 1, "Process", 8 * formats - 1,
              "circle w:h", "expected", "check", "what the mode promises");
  std::printf("%-11s %-9s", "", "");
  for (int32_t format : options.formats) std::printf(" %-6s", FormatName(format));
  for (int32_t format : options.formats) std::printf(" %-7s", FormatName(format));
  std::printf("\n");
  int32_t cut = 0;
  for (size_t m = 0; m < options.modes.size(); ++m)
    for (size_t w = 0; w < options.windows.size(); ++w) {
      const CaseResult& first = results[options.formats[0]][m][w];
      bool ok = true;
      std::printf("%-11s %-9s", xvf::AspectModeName(first.mode), SizeText(first.clientWidth, first.clientHeight).c_str());
      for (int32_t format : options.formats) {
        const CaseResult& result = results[format][m][w];
        std::printf(" %-6s", result.process.empty() ? "?" : result.process.c_str());
      }
      for (int32_t format : options.formats) {
        const CaseResult& result = results[format][m][w];
        std::printf(" %-7s", Measured(result).c_str());
        ok = ok && result.ok;
        cut += result.circle.cut ? 1 : 0;
      }
      std::printf(" %-8s %-5s %s\n", Ratio(first.expected).c_str(), ok ? "ok" : "OFF", xvf::ModePromise(first.mode));
    }
  if (cut) std::printf("* the window cuts the circle: ratio of an ellipse fitted to the visible ring\n");
  for (int32_t format : options.formats)
    for (const auto& row : results[format])
      for (const CaseResult& result : row)
        if (!result.error.empty())
          std::printf("error: %s %s %s: %s\n", xvf::AspectModeName(result.mode),
                      SizeText(result.clientWidth, result.clientHeight).c_str(), FormatName(result.format),
                      result.error.c_str());

  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  std::printf("\ncontact sheets: ");
  for (size_t n = 0; n < sheets.size(); ++n) std::printf("%s%s", n ? ", " : "", sheets[n].c_str());
  std::printf("\nsingle pictures: %s/MODE-WINDOW-FORMAT.png (%zu), in %.1f s\n", options.out.c_str(),
              options.modes.size() * options.windows.size() * options.formats.size(), seconds);
  if (!allOk) std::printf("SOME PICTURES ARE NOT WHAT THE MODE PROMISES (check OFF above)\n");
  return allOk ? 0 : 1;
}
