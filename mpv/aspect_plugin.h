#pragma once
#include <mpv/client.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

#include "framepass/auto_mode_session.h"
#include "mpv/frame_sampler.h"
#include "mpv/script_options.h"
#include "mpv/shader_log_watch.h"
#include "mpv/window_framing.h"

namespace xvf {

// The plug-in's life in one mpv: reads its options (mode, auto-fallback,
// auto-subtitles; ~~/script-opts/xvfaspect.conf, then script-opts'
// xvfaspect-*), answers the cycle key, frames the window with the chosen mode
// and, in auto, samples the picture and follows the automatic mode's session.
// Runs on the thread mpv gives the plug-in, until shutdown.
class AspectPlugin {
 public:
  AspectPlugin(mpv_handle* mpv, const std::string& shaderFolder);
  void Run();

 private:
  void OnOptions(const mpv_node& opts);
  void OnShaders();
  void OnVideoParams(const mpv_node& params);
  void OnMessage(const mpv_event_client_message& message);
  void Select(int32_t mode);
  void Sample();
  // `briefly`, when given, is what the OSD shows of `said`.
  void Frame(int32_t aspectMode, const std::string& said, const std::string& briefly = "");
  void LeftAsShown(int32_t aspectMode, const std::string& problem);
  void OnLog(const mpv_event_log_message& message);
  void Say(const std::string& text, bool osd, const std::string& briefly = "");
  double Now() const;

  mpv_handle* mpv_;
  WindowFraming framing_;
  ScriptOptions options_;
  ShaderLogWatch logWatch_;
  FrameSampler sampler_;
  std::unique_ptr<AutoModeSession> autoMode_;  // while in auto
  int32_t mode_ = kFitToWindow;    // plugin mode, fit-window..auto
  int32_t framed_ = -1;            // in auto: the mode the window is framed in
  int32_t fixedFraming_ = -1;      // in a fixed mode: the mode its picture's shape allows
  int32_t fallback_ = kPanorama;   // auto's mode until the pictures decide
  bool keepSubtitles_ = true;      // auto keeps burnt-in text in the lower band in view
  std::string modeOption_, fallbackOption_, subtitlesOption_;  // last values read, "" for the default
  DeclaredStream stream_;
  int32_t width_ = 0, height_ = 0;  // the stream's frame size, 0 before video
  std::string waitingOsd_;          // said before the video showed, for the OSD once it does
  bool paused_ = false;
  double speed_ = 1.0;             // playback speed, for the sampling interval
  double lastSampleTime_ = -1.0;   // playback time of the last frame sampled
  std::chrono::steady_clock::time_point nextSample_;
};

}  // namespace xvf
