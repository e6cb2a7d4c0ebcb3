#pragma once
#include <windows.h>

#include <string>

#include "framepass/plugin_state.h"

namespace xvf {

// The host's windows, found anew at every Start; null when not found.
struct HostWindows {
  HWND mainWindow = nullptr;   // class "TMain"
  HWND videoWindow = nullptr;  // class "TVideoFrame"; its client area is measured per frame
};

// The host's private query, sent to the main window once per Start.
constexpr UINT kHostQueryMessage = WM_USER + 200;  // 1224
constexpr WPARAM kHostQueryParam = 1309;

// Top-level windows titled "Quillvox" and "Video window", or with
// ".Inst" + instance appended when the host runs as an instance (the system
// compares class and title without regard to case). Then sends the main
// window the query and waits until it is handled; the reply is not used.
void FindHostWindows(const std::string& instance, HostWindows* windows);

// The video window's client size for this frame into inputs; windowFound is
// false when there is no window or it cannot be measured.
void MeasureVideoWindow(const HostWindows& windows, FrameInputs* inputs);

}  // namespace xvf
