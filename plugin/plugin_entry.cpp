// The library's face to the host: two exports (named by the .def file), the
// descriptor and its six entry points. Every entry point makes the plug-in's
// module current for its thread and restores the caller's on every way out,
// and lets no C++ exception leave it. Start and Process also hold the x87
// unit at 53-bit precision and give the caller's control word back.
#include <windows.h>

#include <atomic>
#include <string>

#include "engine/frame_format.h"
#include "plugin/host_windows.h"
#include "framepass/plugin_records.h"
#include "framepass/plugin_state.h"
#include "platform/x87_precision.h"
#include "settings/settings_store.h"
#include "ui/module_context.h"
#include "ui/settings_dialog_entry.h"

namespace xvf {
namespace {

PluginState thePlugin;
HostWindows theHostWindows;

// The file name this module was loaded under, without folder and extension;
// empty when the path filled the buffer (its end, the name, was cut).
std::string ModuleBaseName() {
  char path[MAX_PATH + 1] = {};
  const DWORD length = GetModuleFileNameA(PluginModule(), path, MAX_PATH);
  if (length >= MAX_PATH) return std::string();
  std::string name(path, length);
  const size_t slash = name.find_last_of("\\/");
  if (slash != std::string::npos) name.erase(0, slash + 1);
  const size_t dot = name.find_last_of('.');
  if (dot != std::string::npos) name.erase(dot);
  return name;
}

void XVF_CDECL Init(const HostInfo*) {
  ModuleContextGuard context;
  try {
    theSettingsStore.Load(ModuleBaseName());
  } catch (...) {
  }
}

int32_t XVF_CDECL Start(const StreamFormat* format) {
  ModuleContextGuard context;
  const X87DoublePrecision precision;
  try {
    const StreamFormat none{};
    return thePlugin.Start(format ? *format : none,
                           [] { FindHostWindows(theSettingsStore.location().instance, &theHostWindows); });
  } catch (...) {
    return 1;
  }
}

int32_t XVF_CDECL Process(const FrameRequest* request) {
  ModuleContextGuard context;
  const X87DoublePrecision precision;
  try {
    if (!request || !request->frame) return 0;
    if (thePlugin.BypassesFrames()) return 0;
    FrameInputs inputs;
    inputs.aspectMode = theSettingsStore.current.aspectMode.load(std::memory_order_relaxed);
    inputs.interlace = theSettingsStore.current.interlace.load(std::memory_order_relaxed);
    MeasureVideoWindow(theHostWindows, &inputs);
    return thePlugin.ProcessFrame(request->frame, inputs);
  } catch (...) {
    return 0;
  }
}

void XVF_CDECL Stop() {
  ModuleContextGuard context;
  thePlugin.Stop();
}

void XVF_CDECL Configure(void* const* parentWindow) {
  ModuleContextGuard context;
  try {
    OpenSettingsDialog(parentWindow ? static_cast<HWND>(*parentWindow) : nullptr);
  } catch (...) {
  }
}

void XVF_CDECL Shutdown() {
  ModuleContextGuard context;
  try {
    CloseSettingsDialog();
  } catch (...) {
  }
  try {
    theSettingsStore.Save();
  } catch (...) {
  }
}

const PluginDescriptor theDescriptor = {kPluginName, kPluginDescription, Init, Start, Process, Stop,
                                        Configure, Shutdown};

}  // namespace
}  // namespace xvf

// Named undecorated by XVF_Aspect.def; nothing is marked dllexport, so these
// two are the only exports.
extern "C" int32_t XVF_CDECL Quillvox_Plugin_Version() { return xvf::kPluginInterfaceVersion; }

extern "C" const xvf::PluginDescriptor* XVF_CDECL Quillvox_Plugin_PR() { return &xvf::theDescriptor; }

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) xvf::SetPluginModule(instance);
  return TRUE;
}
