#pragma once
#include <mpv/client.h>

#include <cstdint>
#include <string>

namespace xvf {

// Puts an aspect mode into mpv's window: modes 1..4 load their shader into
// the glsl-shaders list (the user's own shaders kept, in their order) with
// keepaspect off, so the shader sees the window's size and mpv stretches its
// frame over the whole window; mode 0 takes the shader out and gives
// keepaspect back the value it had before.
class WindowFraming {
 public:
  WindowFraming(mpv_handle* mpv, std::string shaderFolder) : mpv_(mpv), folder_(std::move(shaderFolder)) {}
  // Unloaded: ours out of the list, keepaspect given back.
  ~WindowFraming();
  WindowFraming(const WindowFraming&) = delete;
  WindowFraming& operator=(const WindowFraming&) = delete;

  // False when the shader list could not be set; ours is then out of it
  // and keepaspect as the user had it.
  bool Apply(int32_t mode);

  // Why mode 1..4's shader file cannot be handed to mpv; empty when it can
  // (and for mode 0).
  std::string Problem(int32_t mode) const;

  // After glsl-shaders changed: when our shader is no longer in it (the
  // user cleared the list, another script set it), keepaspect is given back
  // and the mode whose shader left is returned; 0 otherwise.
  int32_t TakenOut();

  // The mode whose shader is in mpv's list, 0 for none; and its file.
  int32_t shownMode() const { return shown_; }
  std::string ShownShader() const;

 private:
  bool SetShaders(const std::string& ours);

  mpv_handle* mpv_;
  std::string folder_;
  int32_t shown_ = 0;
  std::string savedKeepAspect_;  // the user's keepaspect while ours is off; empty otherwise
};

}  // namespace xvf
