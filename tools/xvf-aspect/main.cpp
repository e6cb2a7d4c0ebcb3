// xvf-aspect: the XVF_Aspect frame pass as a filter over raw frame streams.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/xvf-aspect/filter_options.h"
#include "tools/xvf-aspect/frame_filter.h"

namespace {

bool IsStandard(const std::string& path) { return path.empty() || path == "-"; }

int UsageError(const std::string& message) {
  std::fprintf(stderr, "xvf-aspect: %s\n%s", message.c_str(), xvf::kFilterUsage);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  // A reader that goes away shows up as EPIPE from write, not as a signal.
  signal(SIGPIPE, SIG_IGN);

  const xvf::ParseResult parsed = xvf::ParseFilterOptions(argc, argv);
  if (!parsed.ok) return UsageError(parsed.error);
  const xvf::FilterOptions& options = parsed.options;
  if (options.help) {
    std::fputs(xvf::kFilterUsage, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  const std::string reason = xvf::UnusableStreamReason(options);
  if (!reason.empty()) {
    std::fprintf(stderr, "xvf-aspect: the frame pass cannot take %s\n", reason.c_str());
    return 2;
  }

  int inputFd = STDIN_FILENO;
  if (!IsStandard(options.inputPath)) {
    inputFd = open(options.inputPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (inputFd < 0) {
      std::fprintf(stderr, "xvf-aspect: cannot open %s: %s\n", options.inputPath.c_str(), std::strerror(errno));
      return 1;
    }
  }
  int outputFd = STDOUT_FILENO;
  if (!IsStandard(options.outputPath)) {
    // Truncating the input before reading it would lose it.
    struct stat in, out;
    if (fstat(inputFd, &in) == 0 && stat(options.outputPath.c_str(), &out) == 0 && S_ISREG(in.st_mode) &&
        in.st_dev == out.st_dev && in.st_ino == out.st_ino) {
      std::fprintf(stderr, "xvf-aspect: input and output are the same file: %s\n", options.outputPath.c_str());
      return 2;
    }
    outputFd = open(options.outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (outputFd < 0) {
      std::fprintf(stderr, "xvf-aspect: cannot create %s: %s\n", options.outputPath.c_str(), std::strerror(errno));
      return 1;
    }
  } else if (isatty(STDOUT_FILENO)) {
    std::fprintf(stderr, "xvf-aspect: not writing raw frames to a terminal; use -o FILE or a pipe\n");
    return 2;
  }

  const bool progress = !options.quiet && !options.geometry && isatty(STDERR_FILENO);
  int status = xvf::RunFrameFilter(options, inputFd, outputFd, progress);
  if (outputFd != STDOUT_FILENO && close(outputFd) != 0 && status == 0) {
    std::fprintf(stderr, "xvf-aspect: closing %s: %s\n", options.outputPath.c_str(), std::strerror(errno));
    status = 1;
  }
  return status;
}
