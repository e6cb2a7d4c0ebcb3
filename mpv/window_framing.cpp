#include "mpv/window_framing.h"

#include <vector>

#include "mpv/shader_file_check.h"
#include "mpv/plugin_mode.h"
#include "mpv/shader_folder.h"

namespace xvf {

WindowFraming::~WindowFraming() {
  if (shown_ != kFitToWindow || !savedKeepAspect_.empty()) Apply(kFitToWindow);
}

bool WindowFraming::SetShaders(const std::string& ours) {
  std::vector<std::string> list;
  mpv_node current{};
  if (mpv_get_property(mpv_, "glsl-shaders", MPV_FORMAT_NODE, &current) >= 0) {
    if (current.format == MPV_FORMAT_NODE_ARRAY)
      for (int i = 0; i < current.u.list->num; ++i) {
        const mpv_node& item = current.u.list->values[i];
        if (item.format != MPV_FORMAT_STRING) continue;
        bool mine = false;
        for (int32_t mode = kFitToWidth; mode <= kAnamorphic; ++mode)
          mine = mine || ShaderPath(folder_, mode) == item.u.string;
        if (!mine) list.emplace_back(item.u.string);
      }
    mpv_free_node_contents(&current);
  }
  if (!ours.empty()) list.push_back(ours);

  std::vector<mpv_node> items(list.size());
  for (size_t i = 0; i < list.size(); ++i) {
    items[i].format = MPV_FORMAT_STRING;
    items[i].u.string = const_cast<char*>(list[i].c_str());
  }
  mpv_node_list array{static_cast<int>(items.size()), items.data(), nullptr};
  mpv_node value{};
  value.format = MPV_FORMAT_NODE_ARRAY;
  value.u.list = &array;
  return mpv_set_property(mpv_, "glsl-shaders", MPV_FORMAT_NODE, &value) >= 0;
}

int32_t WindowFraming::TakenOut() {
  if (shown_ == kFitToWindow) return kFitToWindow;
  // The list as it is now, not as an event saw it: our own later change may
  // have put the shader back since.
  const std::string ours = ShownShader();
  bool listed = false;
  mpv_node current{};
  if (mpv_get_property(mpv_, "glsl-shaders", MPV_FORMAT_NODE, &current) < 0) return kFitToWindow;
  if (current.format == MPV_FORMAT_NODE_ARRAY)
    for (int i = 0; i < current.u.list->num; ++i)
      listed = listed || (current.u.list->values[i].format == MPV_FORMAT_STRING &&
                          ours == current.u.list->values[i].u.string);
  mpv_free_node_contents(&current);
  if (listed) return kFitToWindow;
  const int32_t left = shown_;
  shown_ = kFitToWindow;
  if (!savedKeepAspect_.empty()) mpv_set_property_string(mpv_, "keepaspect", savedKeepAspect_.c_str());
  savedKeepAspect_.clear();
  return left;
}

std::string WindowFraming::Problem(int32_t mode) const {
  const std::string shader = ShaderPath(folder_, mode);
  return shader.empty() ? std::string() : ShaderFileProblem(shader, mode);
}

std::string WindowFraming::ShownShader() const { return ShaderPath(folder_, shown_); }

bool WindowFraming::Apply(int32_t mode) {
  const std::string shader = ShaderPath(folder_, mode);
  if (!shader.empty() && SetShaders(shader)) {
    shown_ = mode;
    if (savedKeepAspect_.empty()) {
      char* keep = mpv_get_property_string(mpv_, "keepaspect");
      savedKeepAspect_ = keep != nullptr ? keep : "yes";
      mpv_free(keep);
    }
    mpv_set_property_string(mpv_, "keepaspect", "no");
    return true;
  }
  // Mode 0, or a list mpv refused: ours out, the user's keepaspect back.
  shown_ = kFitToWindow;
  const bool set = SetShaders(std::string());
  if (!savedKeepAspect_.empty()) mpv_set_property_string(mpv_, "keepaspect", savedKeepAspect_.c_str());
  savedKeepAspect_.clear();
  return set && shader.empty();
}

}  // namespace xvf
