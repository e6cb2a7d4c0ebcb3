#pragma once
// Drives XVF_Aspect.dll as the host does: loads it beside this program, calls
// its entry points, owns the host's windows, pumps the thread's messages the
// way a host's loop does (IsDialogMessage first) and reads the settings file.
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "framepass/plugin_records.h"
#include "tests/host/host_standin.h"

namespace xvf::test {

class PluginHarness {
 public:
  PluginHarness();  // loads the DLL; no settings file is left from before
  ~PluginHarness();

  bool Loaded() const { return descriptor_ != nullptr; }
  const PluginDescriptor& Plugin() const { return *descriptor_; }

  // Host windows: the main window (class "TMain", "Quillvox") is the owner
  // handed to Configure; the video window's client area is what Process measures.
  HWND CreateHostWindow(const RECT& windowRect);
  HWND HostWindow() const { return host_.mainWindow(); }
  HWND CreateVideoWindow(int clientWidth, int clientHeight);

  void Init();
  void Configure(HWND owner);
  void Configure() { Configure(host_.mainWindow()); }
  void Shutdown();

  // Settings file beside the program: Plugins\XVF_Aspect.ini.
  static std::string IniPath();
  static void WriteIni(const std::string& text);
  static std::string ReadIni();
  static void WriteSettings(int32_t dlgX, int32_t dlgY, int32_t aspectMode, int32_t interlace);

  // Messages of this thread until the queue stays empty for `quietMs`.
  static void Pump(int quietMs = 30);

 private:
  HostStandin host_;  // the host's windows and the loaded DLL
  const PluginDescriptor* descriptor_ = nullptr;
};

// The open settings dialog of this thread (caption "XVF_Aspect плагин"), or null.
HWND FindSettingsDialog();
// Dialog windows ("#32770") of this thread.
std::vector<HWND> ThreadDialogs();
std::wstring WindowText(HWND hwnd);
RECT WindowRectOf(HWND hwnd);

// Clicks a button as the mouse would (BM_CLICK: the button notifies its dialog).
void Click(HWND dialog, int controlId);
// A list choice as the user makes it: selection, then CBN_SELCHANGE.
void Choose(HWND dialog, int controlId, int index);
// A key pressed on the focused control, through the host's loop.
void PressKey(HWND dialog, WPARAM key);

// While a modal loop blocks this thread: after `delayMs`, `inside` runs from
// a timer in that loop with the topmost other dialog of this thread.
void OnModalDialog(int delayMs, HWND exceptDialog, std::function<void(HWND)> inside);

// The screen as a 24-bit BMP, when XVF_SCREENSHOT_DIR names a folder.
void SaveScreenshot(const char* name);

}  // namespace xvf::test
