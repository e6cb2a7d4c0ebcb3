#pragma once
#include <windows.h>

namespace xvf {

// The module in which resources and window objects are looked up, per thread.
// Null until a guard makes a module current; CurrentModule() then falls back
// to the plug-in's own module.
HINSTANCE CurrentModule();

// The plug-in's own instance handle, recorded once when the library loads.
void SetPluginModule(HINSTANCE module);
HINSTANCE PluginModule();

// Makes the plug-in's module current for the calling thread and restores the
// caller's module on every way out (return or exception). Every entry point
// and the dialog procedure hold one for their whole body.
class ModuleContextGuard {
 public:
  ModuleContextGuard();
  ~ModuleContextGuard();
  ModuleContextGuard(const ModuleContextGuard&) = delete;
  ModuleContextGuard& operator=(const ModuleContextGuard&) = delete;

 private:
  HINSTANCE previous_;
};

}  // namespace xvf
