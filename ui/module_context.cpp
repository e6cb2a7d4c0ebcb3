#include "ui/module_context.h"

namespace xvf {
namespace {

HINSTANCE thePluginModule = nullptr;
thread_local HINSTANCE theCurrentModule = nullptr;

}  // namespace

void SetPluginModule(HINSTANCE module) { thePluginModule = module; }

HINSTANCE PluginModule() { return thePluginModule; }

HINSTANCE CurrentModule() { return theCurrentModule ? theCurrentModule : thePluginModule; }

ModuleContextGuard::ModuleContextGuard() : previous_(theCurrentModule) { theCurrentModule = thePluginModule; }

ModuleContextGuard::~ModuleContextGuard() { theCurrentModule = previous_; }

}  // namespace xvf
