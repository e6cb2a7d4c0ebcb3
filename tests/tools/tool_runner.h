#pragma once
#include <string>
#include <vector>

namespace xvf {

// How one run of a program ended and what it printed.
struct ToolRun {
  int exitCode = -1;  // -1 when it died of a signal
  int signal = 0;     // the signal that ended it, 0 otherwise
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs `program` with `args`, standard input fed from `input` through a pipe,
// standard output and error collected through pipes. With `closeOutput` the
// reading end of standard output is closed before the program writes.
ToolRun RunTool(const std::string& program, const std::vector<std::string>& args, const std::string& input,
                bool closeOutput = false);

}  // namespace xvf
