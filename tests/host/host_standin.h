#pragma once
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framepass/plugin_records.h"

namespace xvf {

// A stand-in for the Quillvox host: its two windows, its private message, and
// the calls it makes into a plug-in library. Used by host-standin.exe and by
// the DLL tests.
class HostStandin {
 public:
  HostStandin() = default;
  ~HostStandin();
  HostStandin(const HostStandin&) = delete;
  HostStandin& operator=(const HostStandin&) = delete;

  // The main window (class "TMain", "Quillvox") and the video window (class
  // "TVideoFrame", "Video window"), both top-level, titles followed by
  // ".Inst" + instance when instance is not empty. The video window's client
  // area is clientWidth x clientHeight.
  bool CreateWindows(const std::string& instance, int32_t clientWidth, int32_t clientHeight);
  // One window at a time, replacing an earlier one of its kind: the main
  // window over `windowRect` (outer bounds), the video window a popup whose
  // client area is clientWidth x clientHeight at (x, y).
  HWND CreateMainWindow(const std::string& title, const RECT& windowRect, bool visible);
  HWND CreateVideoWindow(const std::string& title, int32_t x, int32_t y, int32_t clientWidth, int32_t clientHeight);
  void DestroyWindows();
  void SetClientSize(int32_t clientWidth, int32_t clientHeight);
  HWND mainWindow() const { return mainWindow_; }
  HWND videoWindow() const { return videoWindow_; }

  // How often the main window received message 1224 with wParam 1309.
  static int32_t QueryCount();
  static void ResetQueryCount();

  // Loads the library and looks up its two exports; false when either fails.
  bool Load(const std::string& dllPath);
  void Unload();
  HMODULE module() const { return module_; }
  int32_t Version() const;                     // Quillvox_Plugin_Version
  const PluginDescriptor* Descriptor() const;  // Quillvox_Plugin_PR

  // Shows a frame stretched over the video window's client area.
  void Show(const uint8_t* frame, int32_t width, int32_t height, int32_t pixelFormat);
  // What Show draws, rendered off screen at the client size: top-down B, G, R.
  std::vector<uint8_t> Render(const uint8_t* frame, int32_t width, int32_t height, int32_t pixelFormat) const;

  // Handles the window messages waiting on this thread.
  static void PumpMessages();

 private:
  HMODULE module_ = nullptr;
  HWND mainWindow_ = nullptr;
  HWND videoWindow_ = nullptr;
  int32_t clientWidth_ = 0;
  int32_t clientHeight_ = 0;
};

// The instance character of a command line: the character after the last of
// "-inst:" and "/inst:" (searched without regard to case; "/inst:" wins),
// kept as typed; empty without a switch.
std::string TitleInstanceFromCommandLine(const std::string& commandLine);

// Folder of this process's executable, ending in a backslash.
std::string ExecutableFolder();

}  // namespace xvf
