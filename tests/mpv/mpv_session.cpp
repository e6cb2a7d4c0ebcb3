#include "tests/mpv/mpv_session.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <fstream>
#include <sstream>

#include "tools/image/png_file.h"

namespace xvf {

MpvSession::MpvSession(const std::string& folder, const std::vector<std::string>& args) : folder_(folder) {
  const std::string socketPath = folder + "/ipc.sock";
  unlink(socketPath.c_str());
  std::vector<std::string> argv = {"mpv", "--no-config", "--vo=gpu", "--gpu-context=x11egl", "--no-border",
                                   "--keepaspect=no", "--ao=null", "--input-ipc-server=" + socketPath};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_ = fork();
  if (pid_ == 0) {
    const int log = open((folder + "/mpv.log").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    dup2(log, 1);
    dup2(log, 2);
    std::vector<char*> raw;
    for (std::string& a : argv) raw.push_back(a.data());
    raw.push_back(nullptr);
    execvp("mpv", raw.data());
    _exit(127);
  }
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strncpy(address.sun_path, socketPath.c_str(), sizeof address.sun_path - 1);
  for (int tries = 0; tries < 200 && socket_ < 0; ++tries, usleep(50000)) {
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    if (connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0)
      socket_ = s;
    else
      close(s);
  }
}

MpvSession::~MpvSession() {
  if (socket_ >= 0) close(socket_);
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

nlohmann::json MpvSession::Command(const nlohmann::json& command) {
  if (socket_ < 0) return nullptr;
  const int id = nextId_++;
  const std::string line = nlohmann::json{{"command", command}, {"request_id", id}}.dump() + "\n";
  if (send(socket_, line.data(), line.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(line.size())) return nullptr;
  for (;;) {
    for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
      const nlohmann::json reply = nlohmann::json::parse(pending_.substr(0, end), nullptr, false);
      pending_.erase(0, end + 1);
      if (reply.is_object() && reply.value("request_id", 0) == id) return reply;  // events are skipped
    }
    pollfd p{socket_, POLLIN, 0};
    char buffer[65536];
    const ssize_t got = poll(&p, 1, 20000) == 1 ? recv(socket_, buffer, sizeof buffer, 0) : -1;
    if (got <= 0) return nullptr;
    pending_.append(buffer, static_cast<size_t>(got));
  }
}

bool MpvSession::Resize(int32_t cw, int32_t ch) {
  Command({"set_property", "geometry", std::to_string(cw) + "x" + std::to_string(ch)});
  return WaitFor("osd-dimensions", [&](const nlohmann::json& d) { return d.is_object() && d["w"] == cw && d["h"] == ch; });
}

Picture MpvSession::Screenshot(const std::string& name, const char* what) {
  const std::string path = folder_ + "/" + name + ".png";
  Command({"screenshot-to-file", path, what});
  std::string error;
  return ReadPng(path, &error);
}

std::string MpvSession::Finish() {
  Command({"quit"});
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
  pid_ = -1;
  std::ifstream log(folder_ + "/mpv.log");
  std::stringstream text;
  text << log.rdbuf();
  return text.str();
}

}  // namespace xvf
