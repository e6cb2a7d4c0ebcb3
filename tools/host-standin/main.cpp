// host-standin.exe: plays the Quillvox host for XVF_Aspect.dll.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "tools/host-standin/host_standin.h"
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
    "  --dll PATH          plug-in library (default: XVF_Aspect.dll beside this program)\n"
    "  --mode N            aspect mode 0..4, stored in the plug-in's settings file before Init\n"
    "  --interlace N       field flag 0 or 1, stored the same way\n"
    "  --window WxH        client size of the video window (default 1024x576)\n"
    "  --frame WxH         stream size (default 720x576)\n"
    "  --format yuy2|rgb24 pixel format (default yuy2); a number is passed as it stands\n"
    "  --bypass N          bypass value of the stream (default 0)\n"
    "  --frames N          frames to process (default 1)\n"
    "  --input FILE        raw frames in the stream's layout (default: a generated test card)\n"
    "  --output FILE.bmp   save what the video window shows after the last frame\n"
    "  --raw-output FILE   write every processed frame, raw\n"
    "  --report FILE       write a summary (version, start result, queries, results)\n"
    "  --configure         call Configure with the main window and serve the dialog for --wait ms\n"
    "  --wait MS           how long --configure serves messages (default 500)\n"
    "  --no-windows        do not create the host's windows\n"
    "  -inst:c, /inst:c    run as host instance c\n"
    "  --help              this text\n";

bool ParseSize(const char* text, int32_t* width, int32_t* height) {
  int w = 0, h = 0;
  if (std::sscanf(text, "%dx%d", &w, &h) != 2) return false;
  *width = w;
  *height = h;
  return true;
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
  const size_t plugins = store.directory.rfind("Plugins\\");
  if (plugins == std::string::npos) return;
  const std::string owned = store.directory.substr(0, plugins);
  for (size_t at = owned.find('\\', 3); at != std::string::npos; at = owned.find('\\', at + 1))
    CreateDirectoryA(owned.substr(0, at).c_str(), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
  std::string dllPath = xvf::ExecutableFolder() + "XVF_Aspect.dll";
  int mode = -1, interlace = -1, bypass = 0, frames = 1, waitMs = 500;
  int32_t clientWidth = 1024, clientHeight = 576, width = 720, height = 576, pixelFormat = 0;
  std::string input, output, rawOutput, report;
  bool configure = false, windows = true;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    auto value = [&]() -> const char* { return argv[++i]; };
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      std::fputs(kHelp, stdout);
      return 0;
    } else if (arg == "--dll" && hasValue) {
      dllPath = value();
    } else if (arg == "--mode" && hasValue) {
      mode = std::atoi(value());
    } else if (arg == "--interlace" && hasValue) {
      interlace = std::atoi(value());
    } else if (arg == "--window" && hasValue) {
      if (!ParseSize(value(), &clientWidth, &clientHeight)) return 2;
    } else if (arg == "--frame" && hasValue) {
      if (!ParseSize(value(), &width, &height)) return 2;
    } else if (arg == "--format" && hasValue) {
      const std::string format = value();
      pixelFormat = format == "yuy2" ? 0 : format == "rgb24" ? 1 : std::atoi(format.c_str());
    } else if (arg == "--bypass" && hasValue) {
      bypass = std::atoi(value());
    } else if (arg == "--frames" && hasValue) {
      frames = std::atoi(value());
    } else if (arg == "--input" && hasValue) {
      input = value();
    } else if (arg == "--output" && hasValue) {
      output = value();
    } else if (arg == "--raw-output" && hasValue) {
      rawOutput = value();
    } else if (arg == "--report" && hasValue) {
      report = value();
    } else if (arg == "--wait" && hasValue) {
      waitMs = std::atoi(value());
    } else if (arg == "--configure") {
      configure = true;
    } else if (arg == "--no-windows") {
      windows = false;
    } else if (arg.size() > 6 && (arg.compare(0, 6, "-inst:") == 0 || arg.compare(0, 6, "/inst:") == 0 ||
                                  _strnicmp(arg.c_str() + 1, "inst:", 5) == 0)) {
      // read from the whole command line below, as the plug-in does
    } else {
      std::fprintf(stderr, "host-standin: unknown option %s (see --help)\n", arg.c_str());
      return 2;
    }
  }

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

  const size_t frameBytes = xvf::FrameBytes(width, height, pixelFormat);
  std::vector<uint8_t> card;
  if (input.empty() && frameBytes) card = xvf::RgbToFrame(xvf::MakeTestCardRgb(width, height), width, height, pixelFormat);
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
    saved = xvf::SaveBmp(output, shown, clientWidth, clientHeight);
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
