#pragma once
#include <string>
#include <vector>

namespace xvf {

// Runs a program with its standard output and error caught together.
struct ProgramRun {
  bool started = false;
  int exitCode = -1;   // -1 when it did not exit normally
  std::string output;  // standard output and error, in order
};
ProgramRun RunProgram(const std::vector<std::string>& argv);

// The path a Wine program sees for a local path: Z: and the absolute path
// with backslashes (Wine's Z: drive is the Unix root).
std::string WinePath(const std::string& path);

// The value of the line "key=value" in text, or empty.
std::string ReportValue(const std::string& text, const std::string& key);

}  // namespace xvf
