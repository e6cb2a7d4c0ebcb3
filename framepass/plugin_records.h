#pragma once
#include <cstdint>

// The records the host hands to the entry points, and the descriptor it reads.
// All host records are filled by the host and only read here. Their layouts,
// the descriptor's slot order and the interface version are the host's ABI:
// fixed, checked below.

#if defined(_WIN32)
#define XVF_CDECL __cdecl
#else
#define XVF_CDECL
#endif

namespace xvf {

// Argument of Init; the host's two values carry no meaning for the plug-in.
struct HostInfo {
  int32_t hostParam1;
  int32_t hostParam2;
};

// Argument of Start.
struct StreamFormat {
  int32_t width;        // pixels
  int32_t height;       // rows
  int32_t reserved;     // the host's; not read
  int32_t pixelFormat;  // 0 = YUY2 (top-down), 1 = RGB24 (bottom-up)
  int32_t bypass;       // 1 or 2: every frame of the stream is left alone
};

// Argument of Process.
struct FrameRequest {
  uint8_t* frame;  // width x height pixels, changed in place; null: no frame
};

using InitFn = void(XVF_CDECL*)(const HostInfo* info);
using StartFn = int32_t(XVF_CDECL*)(const StreamFormat* format);
using ProcessFn = int32_t(XVF_CDECL*)(const FrameRequest* request);
using StopFn = void(XVF_CDECL*)();
using ConfigureFn = void(XVF_CDECL*)(void* const* parentWindow);  // points at an HWND
using ShutdownFn = void(XVF_CDECL*)();

// Eight pointer-sized slots in the host's order; static, never changed.
struct PluginDescriptor {
  const char* name;         // Windows-1251, NUL-terminated
  const char* description;  // Windows-1251, NUL-terminated
  InitFn Init;
  StartFn Start;
  ProcessFn Process;
  StopFn Stop;
  ConfigureFn Configure;
  ShutdownFn Shutdown;
};

static_assert(sizeof(PluginDescriptor) == 8 * sizeof(void*), "eight slots, no gaps");
static_assert(sizeof(HostInfo) == 8, "two 32-bit fields");
static_assert(sizeof(StreamFormat) == 20, "five 32-bit fields");
#if defined(__i386__) || defined(_M_IX86)
static_assert(sizeof(FrameRequest) == 4, "one 32-bit pointer");
static_assert(sizeof(PluginDescriptor) == 32, "eight 32-bit slots");
#endif

// Version of the plug-in interface returned by Quillvox_Plugin_Version.
constexpr int32_t kPluginInterfaceVersion = 3;

// Display name "Аспект кадра" and description "Управление пропорциями
// изображения", in Windows-1251.
extern const char kPluginName[];
extern const char kPluginDescription[];

}  // namespace xvf
