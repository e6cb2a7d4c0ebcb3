#include "common/process/run_program.h"

#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace xvf {
namespace {

// Writes what is left of `input` without blocking; false once done or failed.
bool Feed(int fd, const std::string& input, size_t* written) {
  const ssize_t n = write(fd, input.data() + *written, input.size() - *written);
  if (n > 0) *written += static_cast<size_t>(n);
  return !((n < 0 && errno != EAGAIN && errno != EINTR) || *written == input.size());
}

// Appends what is there; false at the end of the stream.
bool Drain(int fd, std::string* sink) {
  char buffer[1 << 16];
  const ssize_t n = read(fd, buffer, sizeof buffer);
  if (n > 0) sink->append(buffer, static_cast<size_t>(n));
  return n > 0 || (n < 0 && errno == EINTR);
}

}  // namespace

ProgramRun RunProgram(const std::vector<std::string>& argv, const std::string& input, bool closeOutput) {
  signal(SIGPIPE, SIG_IGN);  // the program may stop reading its input early
  ProgramRun run;
  int in[2], out[2], err[2];
  if (argv.empty() || pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0 || pipe2(err, O_CLOEXEC) != 0)
    return run;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  if (closeOutput) {
    close(out[0]);
    out[0] = -1;
  }
  pid_t pid = 0;
  const int spawned = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  close(in[0]);
  close(out[1]);
  close(err[1]);
  int fds[3] = {in[1], out[0], err[0]};
  if (spawned != 0) {
    for (int fd : fds)
      if (fd >= 0) close(fd);
    run.err = "cannot start " + argv[0];
    return run;
  }
  run.started = true;
  fcntl(fds[0], F_SETFL, O_NONBLOCK);
  size_t written = 0;
  if (input.empty()) {
    close(fds[0]);
    fds[0] = -1;
  }
  std::string* sinks[3] = {nullptr, &run.out, &run.err};
  while (fds[0] >= 0 || fds[1] >= 0 || fds[2] >= 0) {
    pollfd polled[3] = {{fds[0], POLLOUT, 0}, {fds[1], POLLIN, 0}, {fds[2], POLLIN, 0}};
    if (poll(polled, 3, -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (int i = 0; i < 3; ++i) {
      if (fds[i] < 0 || !polled[i].revents) continue;
      if (i == 0 ? !Feed(fds[0], input, &written) : !Drain(fds[i], sinks[i])) {
        close(fds[i]);
        fds[i] = -1;
      }
    }
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status)) run.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  return run;
}

}  // namespace xvf
