#include "mpv/shader_log_watch.h"

#include "framepass/frame_modes.h"

namespace xvf {

bool ShaderLogWatch::Fails(const mpv_event_log_message& message, const std::string& path, int32_t mode,
                           std::string* why) {
  if (message.log_level > MPV_LOG_LEVEL_ERROR || message.text == nullptr) return false;
  const std::string text = message.text;
  if (!path.empty() && text.find(path) != std::string::npos) {
    *why = "mpv could not read " + path;
    return true;
  }
  // mpv's OpenGL renderer: "<stage> shader source:", one message a line,
  // then "<stage> shader compile log (status=0):" or "shader link log
  // (status=0): ..." when it failed.
  if (text.find("shader source:") != std::string::npos) {
    dumpIsOurs_ = false;
    return false;
  }
  if (text.find(std::string("xvfaspect ") + FrameModeName(mode)) != std::string::npos) dumpIsOurs_ = true;
  if (dumpIsOurs_ && text.find("log (status=0)") != std::string::npos) {
    dumpIsOurs_ = false;
    *why = "mpv could not compile " + path;
    return true;
  }
  return false;
}

}  // namespace xvf
