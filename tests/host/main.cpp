// host-standin.exe: plays the Quillvox host for XVF_Aspect.dll.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "tests/host/host_standin.h"
#include "common/image/bmp_file.h"
#include "common/options/tool_options.h"
#include "framepass/frame_modes.h"
#include "tools/test_card.h"

namespace {

const char kHelp[] =
    "host-standin: a stand-in for the Quillvox host that drives a plug-in library.\n"
    "\n"
    "Creates the host's windows (class TMain \"Quillvox\", class TVideoFrame \"Video window\",\n"
    "both titled with \".Inst\" + c when the command line holds -inst:c or /inst:c), answers\n"
    "the host's message 1224, loads the library and calls Version, PR, Init, Start,\n"
    "Process for every frame (each shown stretched over the video window), Stop and\n"
    "Shutdown.\n"
    "\n"
    "Options:\n"
    "  --dll PATH            plug-in library (default: XVF_Aspect.dll beside this program)\n"
    "  -m, --mode MODE       aspect mode, 0..4 or its name (a larger number is stored as\n"
    "                        given), written to the plug-in's settings file before Init\n"
    "  --fields, --no-fields field flag 1 or 0, stored the same way\n"
    "  -w, --window WxH      client size of the video window (default 1024x576)\n"
    "  -s, --size WxH        stream size (default 720x576)\n"
    "  -f, --format FMT      yuy2 or rgb24 (default yuy2); a number is passed as it stands\n"
    "  --bypass N            bypass value of the stream (default 0)\n"
    "  --frames N            frames to process (default 1)\n"
    "  -i, --input FILE      raw frames in the stream's layout (default: a generated test card)\n"
    "  -o, --output FILE.bmp save what the video window shows after the last frame\n"
    "  --raw-output FILE     write every processed frame, raw\n"
    "  --report FILE         write a summary (version, start result, queries, results)\n"
    "  --configure           call Configure with the main window and serve the dialog for --wait ms\n"
    "  --wait MS             how long --configure serves messages (default 500)\n"
    "  --no-windows          do not create the host's windows\n"
    "  -inst:c, /inst:c      run as host instance c\n"
    "  -h, --help, /?        this text\n"
    "  --version             the version\n";

enum : int { kDll = 256, kFields, kNoFields, kBypass, kFrames, kRawOutput, kReport, kConfigure, kWait, kNoWindows,
             kVersion };

const option kLongOptions[] = {
    {"dll", required_argument, nullptr, kDll},         {"mode", required_argument, nullptr, 'm'},
    {"fields", no_argument, nullptr, kFields},         {"no-fields", no_argument, nullptr, kNoFields},
    {"window", required_argument, nullptr, 'w'},       {"size", required_argument, nullptr, 's'},
    {"format", required_argument, nullptr, 'f'},       {"bypass", required_argument, nullptr, kBypass},
    {"frames", required_argument, nullptr, kFrames},   {"input", required_argument, nullptr, 'i'},
    {"output", required_argument, nullptr, 'o'},       {"raw-output", required_argument, nullptr, kRawOutput},
    {"report", required_argument, nullptr, kReport},   {"configure", no_argument, nullptr, kConfigure},
    {"wait", required_argument, nullptr, kWait},       {"no-windows", no_argument, nullptr, kNoWindows},
    {"help", no_argument, nullptr, 'h'},               {"version", no_argument, nullptr, kVersion},
    {nullptr, 0, nullptr, 0}};

// -inst:c and /inst:c in any case: the plug-in reads them from the whole
// command line, so they are not options here.
bool IsInstanceSwitch(const char* arg) {
  return (arg[0] == '-' || arg[0] == '/') && _strnicmp(arg + 1, "inst:", 5) == 0;
}

std::string BaseName(const std::string& path) {
  std::string name = path;
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

// The host makes its own folders (Instances\c\, or %APPDATA%\Quillvox\ for
// per-user storage); the plug-in makes only "Plugins" inside them.
void MakeHostFolders(const std::string& moduleName) {
  xvf::SettingsStore store;
  store.Load(moduleName);
  const std::string& directory = store.location().directory;
  const size_t plugins = directory.rfind("Plugins\\");
  if (plugins == std::string::npos) return;
  const std::string owned = directory.substr(0, plugins);
  for (size_t at = owned.find('\\', 3); at != std::string::npos; at = owned.find('\\', at + 1))
    CreateDirectoryA(owned.substr(0, at).c_str(), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dllPath = xvf::ExecutableFolder() + "XVF_Aspect.dll";
  int32_t mode = -1, interlace = -1, bypass = 0, frames = 1, waitMs = 500;
  int32_t clientWidth = 1024, clientHeight = 576, width = 720, height = 576, pixelFormat = 0;
  std::string input, output, rawOutput, report;
  bool configure = false, windows = true;
  std::vector<char*> args{argv[0]};
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "/?") == 0) {
      std::fputs(kHelp, stdout);
      return 0;
    }
    if (!IsInstanceSwitch(argv[i])) args.push_back(argv[i]);
  }
  const int count = static_cast<int>(args.size());
  args.push_back(nullptr);
  auto fail = [](const std::string& message) { return xvf::OptionError("host-standin", message); };
  auto whole = [&](const char* name, int64_t low, int32_t* value) {
    return xvf::ParseWhole(optarg, low, INT32_MAX, value) ? std::string() : std::string("bad ") + name + " '" + optarg + "'";
  };
  bool first = true;
  for (int c; (c = xvf::NextOption(count, args.data(), "+:m:w:s:f:i:o:h", kLongOptions, first)) != -1; first = false) {
    if (const int status = xvf::HelpOrVersion(c, kVersion, "host-standin", kHelp); status >= 0) return status;
    std::string error;
    switch (c) {
      case kDll:
        dllPath = optarg;
        break;
      case 'm':
        mode = xvf::ParseAspectMode(optarg);
        if (mode < 0) error = whole("--mode", 0, &mode);
        break;
      case kFields:
      case kNoFields:
        interlace = c == kFields ? 1 : 0;
        break;
      case 'w':
        if (!xvf::ParseSize(optarg, &clientWidth, &clientHeight)) error = std::string("bad --window '") + optarg + "'";
        break;
      case 's':
        if (!xvf::ParseSize(optarg, &width, &height)) error = std::string("bad --size '") + optarg + "'";
        break;
      case 'f':
        if (std::strcmp(optarg, "yuy2") == 0 || std::strcmp(optarg, "rgb24") == 0)
          pixelFormat = optarg[0] == 'y' ? 0 : 1;
        else
          error = whole("--format", INT32_MIN, &pixelFormat);
        break;
      case kBypass:
        error = whole("--bypass", INT32_MIN, &bypass);
        break;
      case kFrames:
        error = whole("--frames", 0, &frames);
        break;
      case kWait:
        error = whole("--wait", 0, &waitMs);
        break;
      case 'i':
        input = optarg;
        break;
      case 'o':
        output = optarg;
        break;
      case kRawOutput:
        rawOutput = optarg;
        break;
      case kReport:
        report = optarg;
        break;
      case kConfigure:
        configure = true;
        break;
      case kNoWindows:
        windows = false;
        break;
      default:
        error = xvf::OptionErrorText(c, args.data());
    }
    if (!error.empty()) return fail(error);
  }
  if (optind < count) return fail(std::string("unexpected argument '") + args[optind] + "'");

  // The settings go where the plug-in will look for them in this process.
  MakeHostFolders(BaseName(dllPath));
  if (mode >= 0 || interlace >= 0) {
    xvf::SettingsStore store;
    store.Load(BaseName(dllPath));
    if (mode >= 0) store.current.aspectMode = mode;
    if (interlace >= 0) store.current.interlace = interlace;
    store.Save();
  }

  xvf::HostStandin host;
  const std::string instance = xvf::TitleInstanceFromCommandLine(GetCommandLineA());
  if (windows && !host.CreateWindows(instance, clientWidth, clientHeight)) {
    std::fprintf(stderr, "host-standin: cannot create the host's windows\n");
    return 3;
  }
  if (!host.Load(dllPath)) {
    std::fprintf(stderr, "host-standin: cannot load %s\n", dllPath.c_str());
    return 3;
  }
  const int32_t version = host.Version();
  const xvf::PluginDescriptor* plugin = host.Descriptor();

  const xvf::HostInfo hostInfo{0, 0};
  plugin->Init(&hostInfo);
  const xvf::StreamFormat format{width, height, 0, pixelFormat, bypass};
  const int32_t started = plugin->Start(&format);

  const xvf::PixelFormat layout = xvf::PixelFormatOf(pixelFormat);
  const bool known = xvf::IsKnown(layout) && width > 0 && height > 0;
  const size_t frameBytes = known ? static_cast<size_t>(xvf::FrameBytes(layout, width, height)) : 0;
  std::vector<uint8_t> card;
  if (input.empty() && frameBytes) card = xvf::RgbToFrame(xvf::MakeTestCardRgb(width, height), width, height, layout);
  FILE* in = input.empty() ? nullptr : std::fopen(input.c_str(), "rb");
  if (!input.empty() && !in) {
    std::fprintf(stderr, "host-standin: cannot read %s\n", input.c_str());
    return 3;
  }
  FILE* raw = rawOutput.empty() ? nullptr : std::fopen(rawOutput.c_str(), "wb");
  std::vector<uint8_t> frame(frameBytes);
  std::string results;
  for (int n = 0; n < frames; ++n) {
    if (in) {
      if (std::fread(frame.data(), 1, frame.size(), in) != frame.size()) break;
    } else {
      frame = card;
    }
    xvf::FrameRequest request{frame.empty() ? nullptr : frame.data()};
    const int32_t result = plugin->Process(&request);
    results += (results.empty() ? "" : " ") + std::to_string(result);
    host.Show(frame.data(), width, height, pixelFormat);
    if (raw) std::fwrite(frame.data(), 1, frame.size(), raw);
  }
  if (in) std::fclose(in);
  if (raw) std::fclose(raw);
  plugin->Stop();

  if (configure) {
    HWND owner = host.mainWindow();
    plugin->Configure(reinterpret_cast<void* const*>(&owner));
    const DWORD until = GetTickCount() + static_cast<DWORD>(waitMs);
    while (static_cast<int32_t>(until - GetTickCount()) > 0) {
      xvf::HostStandin::PumpMessages();
      Sleep(10);
    }
  }
  plugin->Shutdown();

  bool saved = true;
  if (!output.empty() && frameBytes) {
    const std::vector<uint8_t> shown = host.Render(frame.data(), width, height, pixelFormat);
    xvf::Picture picture(clientWidth, clientHeight);
    picture.bgr = host.Render(frame.data(), width, height, pixelFormat);
    saved = xvf::WriteBmp(output, picture);
  }
  char summary[512];
  std::snprintf(summary, sizeof summary, "version=%d\nstart=%d\nqueries=%d\ninstance=%s\nresults=%s\n", version,
                started, xvf::HostStandin::QueryCount(), instance.c_str(), results.c_str());
  std::fputs(summary, stdout);
  if (!report.empty()) {
    FILE* out = std::fopen(report.c_str(), "wb");
    if (out) {
      std::fputs(summary, out);
      std::fclose(out);
    }
  }
  host.Unload();
  return saved ? 0 : 4;
}
