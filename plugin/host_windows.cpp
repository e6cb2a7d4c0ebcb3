#include "plugin/host_windows.h"

namespace xvf {

void FindHostWindows(const std::string& instance, HostWindows* windows) {
  if (instance.empty()) {
    windows->mainWindow = FindWindowA("TMain", "Quillvox");
    windows->videoWindow = FindWindowA("TVideoFrame", "Video window");
  } else {
    const std::string mainTitle = "Quillvox.Inst" + instance;
    const std::string videoTitle = "Video window.Inst" + instance;
    windows->mainWindow = FindWindowA("TMain", mainTitle.c_str());
    windows->videoWindow = FindWindowA("TVideoFrame", videoTitle.c_str());
  }
  if (windows->mainWindow) SendMessageA(windows->mainWindow, kHostQueryMessage, kHostQueryParam, 0);
}

void MeasureVideoWindow(const HostWindows& windows, FrameInputs* inputs) {
  RECT client{};
  inputs->windowFound = windows.videoWindow != nullptr && GetClientRect(windows.videoWindow, &client) != FALSE;
  inputs->clientWidth = inputs->windowFound ? client.right - client.left : 0;
  inputs->clientHeight = inputs->windowFound ? client.bottom - client.top : 0;
}

}  // namespace xvf
