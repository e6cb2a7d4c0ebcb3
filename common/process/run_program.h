#pragma once
#include <string>
#include <vector>

namespace xvf {

// How one run of a program ended and what it printed.
struct ProgramRun {
  bool started = false;
  int exitCode = -1;  // -1 when it did not exit normally
  int signal = 0;     // the signal that ended it, 0 otherwise
  std::string out;    // standard output
  std::string err;    // standard error
};

// Runs argv[0] (looked up in PATH when it holds no slash) with the other
// arguments, standard input fed from `input` through a pipe (closed at
// once when empty), standard output and error collected through pipes. With
// `closeOutput` the reading end of standard output is closed before the
// program writes. The program starts with SIGPIPE at its default, as a shell
// starts it.
ProgramRun RunProgram(const std::vector<std::string>& argv, const std::string& input = std::string(),
                      bool closeOutput = false);

}  // namespace xvf
