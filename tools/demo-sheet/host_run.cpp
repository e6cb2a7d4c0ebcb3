#include "tools/demo-sheet/host_run.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

extern char** environ;

namespace xvf {

ProgramRun RunProgram(const std::vector<std::string>& argv) {
  ProgramRun run;
  if (argv.empty()) return run;
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[0]);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 2);
  posix_spawn_file_actions_addclose(&actions, pipeEnds[1]);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipeEnds[1]);
  if (spawned != 0) {
    close(pipeEnds[0]);
    run.output = "cannot start " + argv[0];
    return run;
  }
  run.started = true;
  char block[4096];
  for (;;) {
    const ssize_t got = read(pipeEnds[0], block, sizeof block);
    if (got > 0) {
      run.output.append(block, static_cast<size_t>(got));
    } else if (got < 0 && errno == EINTR) {
      continue;
    } else {
      break;
    }
  }
  close(pipeEnds[0]);
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

std::string WinePath(const std::string& path) {
  std::string absolute = std::filesystem::absolute(path).lexically_normal().string();
  for (char& c : absolute)
    if (c == '/') c = '\\';
  return "Z:" + absolute;
}

std::string ReportValue(const std::string& text, const std::string& key) {
  const std::string prefix = key + "=";
  size_t at = 0;
  while (at < text.size()) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line.compare(0, prefix.size(), prefix) == 0) return line.substr(prefix.size());
    at = end + 1;
  }
  return std::string();
}

}  // namespace xvf
