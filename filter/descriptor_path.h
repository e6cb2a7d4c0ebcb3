#pragma once
#include <string>

namespace xvf {

// The descriptor of this process that `path` names, or -1 when it names a
// file. /dev/stdout, /dev/stderr, /dev/stdin, /dev/fd/N, /proc/self/fd/N,
// /proc/PID/fd/N with this process's PID, its task and thread-self forms,
// and any chain of symbolic links that reaches one of them: found by the
// names the links hold, never by opening anything. Such a path is written
// through the descriptor (appending where it appends), not replaced.
int NamedDescriptor(const std::string& path);

}  // namespace xvf
