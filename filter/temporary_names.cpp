#include "filter/temporary_names.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace xvf {
namespace {

std::string Prefix(const std::string& name) { return "." + name.substr(0, kTemporaryBaseLimit) + "."; }

// The PID of a temporary name of `prefix` (PID-N.tmp after it), or 0.
pid_t PidOf(const std::string& entry, const std::string& prefix) {
  const std::string suffix = ".tmp";
  if (entry.size() <= prefix.size() + suffix.size() || entry.compare(0, prefix.size(), prefix) != 0 ||
      entry.compare(entry.size() - suffix.size(), suffix.size(), suffix) != 0)
    return 0;
  const std::string middle = entry.substr(prefix.size(), entry.size() - prefix.size() - suffix.size());
  const size_t dash = middle.find('-');
  if (dash == 0 || dash == std::string::npos || dash > 9 || dash + 1 == middle.size() ||
      middle.find_first_not_of("0123456789-") != std::string::npos || middle.find('-', dash + 1) != std::string::npos)
    return 0;
  return static_cast<pid_t>(std::stol(middle.substr(0, dash)));
}

}  // namespace

std::string TemporaryName(const std::string& name, pid_t pid, int n) {
  return Prefix(name) + std::to_string(pid) + "-" + std::to_string(n) + ".tmp";
}

void RemoveLeftTemporaries(int folder, const std::string& name) {
  const int listing = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0) return;
  DIR* dir = fdopendir(listing);
  if (!dir) {
    close(listing);
    return;
  }
  const std::string prefix = Prefix(name);
  while (const dirent* entry = readdir(dir)) {
    const pid_t pid = PidOf(entry->d_name, prefix);
    if (pid <= 0 || pid == getpid() || kill(pid, 0) == 0 || errno != ESRCH) continue;
    struct stat status;
    if (fstatat(folder, entry->d_name, &status, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(status.st_mode) &&
        status.st_uid == geteuid())
      unlinkat(folder, entry->d_name, 0);
  }
  closedir(dir);
}

}  // namespace xvf
