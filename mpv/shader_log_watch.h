#pragma once
#include <mpv/client.h>

#include <cstdint>
#include <string>

namespace xvf {

// Reads mpv's error messages (the plug-in asks for level "error") for the
// failure of the shader in use after it was handed over: a message naming
// its file (it could not be opened or read), or a shader compile or link
// log with a failed status after a source dump that holds its
// "xvfaspect <mode>" line (the shader did not compile on this GPU).
class ShaderLogWatch {
 public:
  // Whether `message` completes a failure of `path`, aspect mode 1..4's
  // shader; the reason in `why`.
  bool Fails(const mpv_event_log_message& message, const std::string& path, int32_t mode, std::string* why);

 private:
  bool dumpIsOurs_ = false;  // the last shader source dumped holds our line
};

}  // namespace xvf
