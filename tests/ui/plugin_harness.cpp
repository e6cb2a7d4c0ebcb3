#include "tests/ui/plugin_harness.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace xvf::test {
namespace {

std::function<void(HWND)> theModalAction;
HWND theModalExcept = nullptr;

void CALLBACK ModalTimer(HWND, UINT, UINT_PTR id, DWORD) {
  KillTimer(nullptr, id);
  HWND box = nullptr;
  for (HWND dialog : ThreadDialogs())
    if (dialog != theModalExcept && IsWindowVisible(dialog)) box = dialog;
  std::function<void(HWND)> action;
  action.swap(theModalAction);
  if (action) action(box);
}

}  // namespace

PluginHarness::PluginHarness() {
  DeleteFileA(IniPath().c_str());
  if (host_.Load(ExecutableFolder() + "XVF_Aspect.dll")) descriptor_ = host_.Descriptor();
}

PluginHarness::~PluginHarness() {
  // Nothing of the plug-in may outlive it: its windows run code of the DLL.
  if (HWND dialog = FindSettingsDialog()) DestroyWindow(dialog);
  host_.DestroyWindows();
  Pump(0);
  host_.Unload();
}

HWND PluginHarness::CreateHostWindow(const RECT& r) {
  HWND window = host_.CreateMainWindow("Quillvox", r, true);
  Pump(0);
  return window;
}

HWND PluginHarness::CreateVideoWindow(int clientWidth, int clientHeight) {
  HWND window = host_.CreateVideoWindow("Video window", 700, 500, clientWidth, clientHeight);
  Pump(0);
  return window;
}

void PluginHarness::Init() {
  const HostInfo info = {0, 0};
  descriptor_->Init(&info);
}

void PluginHarness::Configure(HWND owner) {
  void* handle = owner;
  descriptor_->Configure(&handle);
  Pump();
}

void PluginHarness::Shutdown() {
  descriptor_->Shutdown();
  Pump(0);
}

std::string PluginHarness::IniPath() { return ExecutableFolder() + "Plugins\\XVF_Aspect.ini"; }

void PluginHarness::WriteIni(const std::string& text) {
  CreateDirectoryA((ExecutableFolder() + "Plugins").c_str(), nullptr);
  std::ofstream(IniPath(), std::ios::binary) << text;
}

std::string PluginHarness::ReadIni() {
  std::ifstream in(IniPath(), std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

void PluginHarness::WriteSettings(int32_t dlgX, int32_t dlgY, int32_t aspectMode, int32_t interlace) {
  std::ostringstream text;
  text << "[DIALOG]\r\nDlgWndPosX=" << dlgX << "\r\nDlgWndPosY=" << dlgY << "\r\n[COMMON]\r\nAspectMode="
       << aspectMode << "\r\nInterlace=" << interlace << "\r\n";
  WriteIni(text.str());
}

void PluginHarness::Pump(int quietMs) {
  DWORD quietSince = GetTickCount();
  for (;;) {
    MSG msg;
    if (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
      HWND dialog = FindSettingsDialog();
      if (!dialog || !IsDialogMessageW(dialog, &msg)) {
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
      }
      quietSince = GetTickCount();
      continue;
    }
    if (static_cast<int>(GetTickCount() - quietSince) >= quietMs) return;
    Sleep(5);
  }
}

BOOL CALLBACK CollectDialog(HWND hwnd, LPARAM out) {
  wchar_t cls[32] = {};
  GetClassNameW(hwnd, cls, 32);
  if (std::wstring(cls) == L"#32770") reinterpret_cast<std::vector<HWND>*>(out)->push_back(hwnd);
  return TRUE;
}

std::vector<HWND> ThreadDialogs() {
  std::vector<HWND> found;
  EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&found));
  return found;
}

HWND FindSettingsDialog() {
  for (HWND dialog : ThreadDialogs())
    if (WindowText(dialog) == L"XVF_Aspect плагин") return dialog;
  return nullptr;
}

std::wstring WindowText(HWND hwnd) {
  wchar_t text[256] = {};
  const int n = GetWindowTextW(hwnd, text, 256);
  return std::wstring(text, n > 0 ? n : 0);
}

RECT WindowRectOf(HWND hwnd) {
  RECT r = {};
  GetWindowRect(hwnd, &r);
  return r;
}

void Click(HWND dialog, int controlId) {
  SendMessageW(GetDlgItem(dialog, controlId), BM_CLICK, 0, 0);
  PluginHarness::Pump();
}

void Choose(HWND dialog, int controlId, int index) {
  HWND combo = GetDlgItem(dialog, controlId);
  SendMessageW(combo, CB_SETCURSEL, index, 0);
  SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(controlId, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
  PluginHarness::Pump();
}

void PressKey(HWND dialog, WPARAM key) {
  HWND focus = GetFocus();
  if (!focus || (focus != dialog && !IsChild(dialog, focus))) focus = dialog;
  PostMessageW(focus, WM_KEYDOWN, key, 1);
  PostMessageW(focus, WM_KEYUP, key, 1 | 0xC0000000);
  PluginHarness::Pump();
}

void OnModalDialog(int delayMs, HWND exceptDialog, std::function<void(HWND)> inside) {
  theModalExcept = exceptDialog;
  theModalAction = std::move(inside);
  SetTimer(nullptr, 0, delayMs, ModalTimer);
}

void SaveScreenshot(const char* name) {
  const char* folder = std::getenv("XVF_SCREENSHOT_DIR");
  if (!folder || !*folder) return;
  const int w = GetSystemMetrics(SM_CXSCREEN);
  const int h = GetSystemMetrics(SM_CYSCREEN);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
  info.bmiHeader.biWidth = w;
  info.bmiHeader.biHeight = h;  // bottom-up, as the file stores it
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ old = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, w, h, screen, 0, 0, SRCCOPY);
  GdiFlush();
  const DWORD rowBytes = (w * 3 + 3) & ~3;
  const DWORD imageBytes = rowBytes * h;
  BITMAPFILEHEADER file = {};
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
  file.bfSize = file.bfOffBits + imageBytes;
  std::ofstream out(std::string(folder) + "\\" + name + ".bmp", std::ios::binary);
  out.write(reinterpret_cast<const char*>(&file), sizeof file);
  out.write(reinterpret_cast<const char*>(&info.bmiHeader), sizeof(BITMAPINFOHEADER));
  out.write(static_cast<const char*>(bits), imageBytes);
  SelectObject(memory, old);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
}

}  // namespace xvf::test
