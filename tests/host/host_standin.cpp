#include "tests/host/host_standin.h"

#include <algorithm>
#include <cctype>

#include "common/image/frame_pixels.h"

namespace xvf {
namespace {

constexpr UINT kHostQueryMessage = WM_USER + 200;  // 1224
constexpr WPARAM kHostQueryParam = 1309;

int32_t theQueryCount = 0;

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == kHostQueryMessage) {
    if (wParam == kHostQueryParam) ++theQueryCount;
    return 0;
  }
  return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT CALLBACK VideoWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_ERASEBKGND) return 1;
  return DefWindowProcA(window, message, wParam, lParam);
}

bool RegisterClassOnce(const char* name, WNDPROC procedure) {
  WNDCLASSA existing;
  if (GetClassInfoA(GetModuleHandleA(nullptr), name, &existing)) return true;
  WNDCLASSA windowClass{};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = name;
  return RegisterClassA(&windowClass) != 0;
}

BITMAPINFO BottomUpInfo(int32_t width, int32_t height) {
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  return info;
}

// Top-down B, G, R pixels as rows of a bottom-up DIB (rows padded to 4 bytes).
std::vector<uint8_t> DibRows(const std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
  const size_t row = (static_cast<size_t>(width) * 3 + 3) & ~static_cast<size_t>(3);
  std::vector<uint8_t> dib(row * height);
  for (int32_t y = 0; y < height; ++y)
    std::copy_n(&rgb[static_cast<size_t>(y) * width * 3], static_cast<size_t>(width) * 3, &dib[(height - 1 - y) * row]);
  return dib;
}

void Stretch(HDC dc, int32_t clientWidth, int32_t clientHeight, const std::vector<uint8_t>& rgb, int32_t width,
             int32_t height) {
  const std::vector<uint8_t> dib = DibRows(rgb, width, height);
  BITMAPINFO info = BottomUpInfo(width, height);
  SetStretchBltMode(dc, COLORONCOLOR);
  StretchDIBits(dc, 0, 0, clientWidth, clientHeight, 0, 0, width, height, dib.data(), &info, DIB_RGB_COLORS,
                SRCCOPY);
}

// A frame the stand-in can show: a known format and some pixels.
bool Showable(PixelFormat format, int32_t width, int32_t height) { return IsKnown(format) && width > 0 && height > 0; }

}  // namespace

HostStandin::~HostStandin() {
  Unload();
  DestroyWindows();
}

bool HostStandin::CreateWindows(const std::string& instance, int32_t clientWidth, int32_t clientHeight) {
  DestroyWindows();  // one pair of host windows at a time
  const std::string suffix = instance.empty() ? std::string() : ".Inst" + instance;
  CreateMainWindow("Quillvox" + suffix, RECT{0, 0, 320, 200}, false);
  CreateVideoWindow("Video window" + suffix, 0, 0, clientWidth, clientHeight);
  return mainWindow_ && videoWindow_;
}

HWND HostStandin::CreateMainWindow(const std::string& title, const RECT& r, bool visible) {
  if (mainWindow_) DestroyWindow(mainWindow_);
  mainWindow_ = nullptr;
  if (!RegisterClassOnce("TMain", MainWindowProc)) return nullptr;
  mainWindow_ = CreateWindowExA(0, "TMain", title.c_str(), WS_OVERLAPPEDWINDOW | (visible ? WS_VISIBLE : 0), r.left,
                                r.top, r.right - r.left, r.bottom - r.top, nullptr, nullptr, GetModuleHandleA(nullptr),
                                nullptr);
  PumpMessages();
  return mainWindow_;
}

HWND HostStandin::CreateVideoWindow(const std::string& title, int32_t x, int32_t y, int32_t clientWidth,
                                    int32_t clientHeight) {
  if (videoWindow_) DestroyWindow(videoWindow_);
  videoWindow_ = nullptr;
  if (!RegisterClassOnce("TVideoFrame", VideoWindowProc)) return nullptr;
  // A popup has no frame: its client area is the whole window.
  videoWindow_ = CreateWindowExA(0, "TVideoFrame", title.c_str(), WS_POPUP | WS_VISIBLE, x, y, clientWidth,
                                 clientHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  clientWidth_ = clientWidth;
  clientHeight_ = clientHeight;
  PumpMessages();
  return videoWindow_;
}

void HostStandin::DestroyWindows() {
  if (videoWindow_) DestroyWindow(videoWindow_);
  if (mainWindow_) DestroyWindow(mainWindow_);
  videoWindow_ = mainWindow_ = nullptr;
  PumpMessages();
}

void HostStandin::SetClientSize(int32_t clientWidth, int32_t clientHeight) {
  clientWidth_ = clientWidth;
  clientHeight_ = clientHeight;
  if (videoWindow_)
    SetWindowPos(videoWindow_, nullptr, 0, 0, clientWidth, clientHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  PumpMessages();
}

int32_t HostStandin::QueryCount() { return theQueryCount; }
void HostStandin::ResetQueryCount() { theQueryCount = 0; }

bool HostStandin::Load(const std::string& dllPath) {
  Unload();
  module_ = LoadLibraryA(dllPath.c_str());
  if (!module_) return false;
  if (!GetProcAddress(module_, "Quillvox_Plugin_Version") || !GetProcAddress(module_, "Quillvox_Plugin_PR")) {
    Unload();
    return false;
  }
  return true;
}

void HostStandin::Unload() {
  if (module_) FreeLibrary(module_);
  module_ = nullptr;
}

int32_t HostStandin::Version() const {
  using VersionFn = int32_t(XVF_CDECL*)();
  auto version = reinterpret_cast<VersionFn>(reinterpret_cast<void*>(GetProcAddress(module_, "Quillvox_Plugin_Version")));
  return version ? version() : 0;
}

const PluginDescriptor* HostStandin::Descriptor() const {
  using DescriptorFn = const PluginDescriptor*(XVF_CDECL*)();
  auto descriptor = reinterpret_cast<DescriptorFn>(reinterpret_cast<void*>(GetProcAddress(module_, "Quillvox_Plugin_PR")));
  return descriptor ? descriptor() : nullptr;
}

void HostStandin::Show(const uint8_t* frame, int32_t width, int32_t height, int32_t pixelFormat) {
  const PixelFormat format = PixelFormatOf(pixelFormat);
  if (!videoWindow_ || !Showable(format, width, height)) return;
  HDC dc = GetDC(videoWindow_);
  Stretch(dc, clientWidth_, clientHeight_, FrameToRgb(frame, width, height, format), width, height);
  ReleaseDC(videoWindow_, dc);
  PumpMessages();
}

std::vector<uint8_t> HostStandin::Render(const uint8_t* frame, int32_t width, int32_t height,
                                         int32_t pixelFormat) const {
  std::vector<uint8_t> rgb(static_cast<size_t>(clientWidth_) * clientHeight_ * 3);
  const PixelFormat format = PixelFormatOf(pixelFormat);
  if (!Showable(format, width, height) || rgb.empty()) return rgb;
  BITMAPINFO info = BottomUpInfo(clientWidth_, clientHeight_);
  void* bits = nullptr;
  HDC dc = CreateCompatibleDC(nullptr);
  HBITMAP bitmap = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (dc && bitmap && bits) {
    HGDIOBJ old = SelectObject(dc, bitmap);
    Stretch(dc, clientWidth_, clientHeight_, FrameToRgb(frame, width, height, format), width, height);
    GdiFlush();
    const size_t row = (static_cast<size_t>(clientWidth_) * 3 + 3) & ~static_cast<size_t>(3);
    const auto* dib = static_cast<const uint8_t*>(bits);
    for (int32_t y = 0; y < clientHeight_; ++y)
      std::copy_n(dib + (clientHeight_ - 1 - y) * row, static_cast<size_t>(clientWidth_) * 3,
                  &rgb[static_cast<size_t>(y) * clientWidth_ * 3]);
    SelectObject(dc, old);
  }
  if (bitmap) DeleteObject(bitmap);
  if (dc) DeleteDC(dc);
  return rgb;
}

void HostStandin::PumpMessages() {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
}

std::string TitleInstanceFromCommandLine(const std::string& commandLine) {
  std::string lower = commandLine;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  std::string instance;
  for (const char* sw : {"-inst:", "/inst:"}) {
    const size_t at = lower.find(sw);
    if (at != std::string::npos) instance = commandLine.substr(at + 6, 1);
  }
  return instance;
}

std::string ExecutableFolder() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string folder(path, length < MAX_PATH ? length : MAX_PATH);
  const size_t slash = folder.find_last_of("\\/");
  folder.erase(slash == std::string::npos ? 0 : slash + 1);
  return folder;
}

}  // namespace xvf
