#include "mpv/shader_folder.h"

#include <dlfcn.h>
#include <limits.h>
#include <stdlib.h>
#include <unistd.h>

#include "mpv/plugin_mode.h"

namespace xvf {
namespace {

std::string FolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == std::string::npos ? std::string(".") : path.substr(0, slash);
}

bool HoldsShaders(const std::string& folder) {
  for (int32_t mode = kFitToWidth; mode <= kAnamorphic; ++mode)
    if (access(ShaderPath(folder, mode).c_str(), R_OK) != 0) return false;
  return true;
}

}  // namespace

std::string ShaderPath(const std::string& folder, int32_t mode) {
  if (mode <= kFitToWindow || mode > kAnamorphic) return std::string();
  return folder + "/xvfaspect-" + FrameModeName(mode) + ".glsl";
}

std::string FindShaderFolder() {
  std::string candidates[4];
  Dl_info info{};
  if (dladdr(reinterpret_cast<void*>(&FindShaderFolder), &info) != 0 && info.dli_fname != nullptr) {
    candidates[0] = FolderOf(info.dli_fname);
    char real[PATH_MAX];
    if (realpath(info.dli_fname, real) != nullptr) {
      candidates[1] = FolderOf(real);
      candidates[2] = FolderOf(real) + "/" XVF_MPV_SHADER_RELATIVE;
    }
  }
  candidates[3] = XVF_MPV_SHADER_FOLDER;
  for (const std::string& folder : candidates)
    if (!folder.empty() && HoldsShaders(folder)) return folder;
  return std::string();
}

}  // namespace xvf
