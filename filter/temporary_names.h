#pragma once
#include <sys/types.h>

#include <string>

namespace xvf {

// The name of a run's temporary file beside the file NAME it will replace:
// .NAME.PID-N.tmp, NAME cut to its first kTemporaryBaseLimit bytes so that
// the temporary name fits NAME_MAX.
constexpr size_t kTemporaryBaseLimit = 200;
std::string TemporaryName(const std::string& name, pid_t pid, int n);

// Removes from the folder open as `folder` the temporary files of NAME that
// runs killed outright (SIGKILL, a power cut) left: named as above, a regular
// file owned by this process's user, and no process with that PID exists any
// more. Another live process's files and anything of another user stay.
void RemoveLeftTemporaries(int folder, const std::string& name);

}  // namespace xvf
