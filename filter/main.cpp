// xvf-aspect: the XVF_Aspect frame pass as a filter over YUV4MPEG2 streams
// and raw frame streams.
#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "filter/descriptor_path.h"
#include "filter/filter_options.h"
#include "filter/frame_filter.h"
#include "filter/output_file.h"
#include "filter/printable_text.h"
#include "filter/same_file.h"
#include "filter/temporary_files.h"

namespace {

bool IsStandard(const std::string& path) { return path.empty() || path == "-"; }

// A closed standard descriptor would be taken by the next file opened, and
// messages would land in it: each is opened on /dev/null instead. Which were
// closed goes to `closed`.
void KeepStandardDescriptorsOpen(bool closed[3]) {
  for (int fd = 0; fd <= 2; ++fd) {
    closed[fd] = fcntl(fd, F_GETFD) < 0 && errno == EBADF;
    if (closed[fd]) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
  }
}

int Say(int status, const std::string& message) {
  std::fprintf(stderr, "xvf-aspect: %s\n", xvf::PrintableText(message).c_str());
  return status;
}

// The output `path` names: standard output or error when it is empty, the
// descriptor that /dev/stdout, /dev/fd/N and the like name, otherwise a file.
std::unique_ptr<xvf::OutputFile> Output(const std::string& path, int standardFd, const char* standardName) {
  if (path.empty()) return std::make_unique<xvf::OutputFile>(standardFd, standardName);
  const int fd = xvf::NamedDescriptor(path);
  if (fd >= 0) return std::make_unique<xvf::OutputFile>(fd, path);
  return std::make_unique<xvf::OutputFile>(path);
}

// Why an output on a descriptor cannot be written: a standard one that was
// closed at start (its number now holds /dev/null), or one not open at all
// (its number would go to the next file opened, the input among them).
std::string ClosedDescriptor(const xvf::OutputFile& file, const bool closed[3]) {
  static const char* const kStandardNames[] = {"standard input", "standard output", "standard error"};
  if (!file.Inherited()) return std::string();
  const int fd = file.fd();
  if (fd <= 2 && closed[fd]) return std::string(kStandardNames[fd]) + " is closed";
  if (fd > 2 && fcntl(fd, F_GETFD) < 0)
    return file.name() + " names descriptor " + std::to_string(fd) + ", which is not open";
  return std::string();
}

}  // namespace

int main(int argc, char** argv) {
  bool closed[3];
  KeepStandardDescriptorsOpen(closed);
  // A reader that goes away, or a file over the size limit, shows up as an
  // error from write, not as a signal.
  signal(SIGPIPE, SIG_IGN);
  signal(SIGXFSZ, SIG_IGN);
  xvf::RemoveTemporaryFilesOnSignals();

  const xvf::ParseResult parsed = xvf::ParseFilterOptions(argc, argv);
  if (!parsed.ok) return xvf::OptionError("xvf-aspect", xvf::PrintableText(parsed.error));
  const xvf::FilterOptions& options = parsed.options;
  if (options.help) {
    // A full device fails a write inside fputs already; fflush alone misses it.
    const bool written = std::fputs(xvf::kFilterUsage, stdout) >= 0;
    return written && std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
  }
  if (options.version) return xvf::PrintVersion("xvf-aspect");
  if (options.width != 0) {
    const std::string reason = xvf::UnusableStreamReason(options.width, options.height, options.format,
                                                         xvf::RawFormatName(options.format, options.topDown));
    if (!reason.empty()) return Say(2, "the frame pass cannot take " + reason);
  }
  const bool standardInput = IsStandard(options.inputPath), standardOutput = IsStandard(options.outputPath);
  if (standardInput && closed[STDIN_FILENO]) return Say(2, "standard input is closed");
  if (options.geometry && options.geometryPath.empty() && closed[STDERR_FILENO])
    return Say(2, "standard error is closed; --geometry=FILE writes the lines to a file");
  // Outputs are opened at the first complete frame; descriptors are checked
  // here, before the input takes a number.
  const auto output = Output(standardOutput ? "" : options.outputPath, STDOUT_FILENO, "standard output");
  const auto geometry = Output(options.geometryPath, STDERR_FILENO, "standard error");
  const auto preview = Output(options.previewPath, -1, "");
  for (const xvf::OutputFile* file : {output.get(), options.geometry ? geometry.get() : nullptr,
                                      options.previewPath.empty() ? nullptr : preview.get()}) {
    const std::string why = file ? ClosedDescriptor(*file, closed) : std::string();
    if (!why.empty()) return Say(2, why);
  }
  if (output->Inherited() && isatty(output->fd()))
    return Say(2, "not writing frames to a terminal; use -o FILE or a pipe");

  xvf::FilterStreams streams;
  streams.input = STDIN_FILENO;
  if (!standardInput) {
    streams.input = open(options.inputPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (streams.input < 0) return Say(1, "cannot open " + options.inputPath + ": " + std::strerror(errno));
    streams.inputName = options.inputPath;
  }
  // Refused here already when two roles name one existing file.
  std::vector<xvf::NamedFile> files = {xvf::DescribeFd("input", streams.inputName, streams.input),
                                       output->Describe("output")};
  if (options.geometry) files.push_back(geometry->Describe(geometry->Inherited() ? "geometry lines" : "geometry file"));
  if (!options.previewPath.empty()) files.push_back(preview->Describe("preview"));
  const std::string same = xvf::SameFile(files);
  if (!same.empty()) return Say(2, same);

  streams.output = output.get();
  streams.geometry = geometry.get();
  if (!options.previewPath.empty()) streams.preview = preview.get();
  streams.showProgress = !options.quiet && !options.geometry && isatty(STDERR_FILENO);
  return xvf::RunFrameFilter(options, streams);
}
