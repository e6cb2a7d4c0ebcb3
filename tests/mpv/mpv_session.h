#pragma once
// A real mpv under the test's X server, driven through its JSON IPC socket.
#include <sys/types.h>

#include <nlohmann/json.hpp>
#include <string>
#include <vector>

#include "tools/image/picture.h"

namespace xvf {

class MpvSession {
 public:
  // Starts mpv with `args` (plus IPC, the GPU output and the software
  // renderer's EGL context); its terminal output goes to `folder`/mpv.log.
  MpvSession(const std::string& folder, const std::vector<std::string>& args);
  ~MpvSession();

  // A command's reply ("error" and "data"); null when mpv did not answer.
  nlohmann::json Command(const nlohmann::json& command);
  nlohmann::json Get(const std::string& property) { return Command({"get_property", property})["data"]; }
  // Polls `property` until `ok` holds of it, for at most `seconds`.
  template <typename Ok>
  bool WaitFor(const std::string& property, Ok ok, double seconds = 10.0);
  // Sets the window's size and waits until mpv renders at it.
  bool Resize(int32_t cw, int32_t ch);
  // What the window shows ("window") or the frame ("video").
  Picture Screenshot(const std::string& name, const char* what = "window");
  // Quits and returns everything mpv printed.
  std::string Finish();

 private:
  std::string folder_;
  pid_t pid_ = -1;
  int socket_ = -1;
  std::string pending_;
  int nextId_ = 1;
};

template <typename Ok>
bool MpvSession::WaitFor(const std::string& property, Ok ok, double seconds) {
  for (int tries = 0; tries < seconds * 20; ++tries) {
    if (ok(Get(property))) return true;
    usleep(50000);
  }
  return false;
}

}  // namespace xvf
