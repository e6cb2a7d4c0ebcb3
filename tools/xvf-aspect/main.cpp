// xvf-aspect: the XVF_Aspect frame pass as a filter over YUV4MPEG2 streams
// and raw frame streams.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "tools/xvf-aspect/filter_options.h"
#include "tools/xvf-aspect/frame_filter.h"

namespace {

bool IsStandard(const std::string& path) { return path.empty() || path == "-"; }

// A closed standard descriptor would be taken by the next file opened, and
// messages would land in it: each is opened on /dev/null instead.
void KeepStandardDescriptorsOpen() {
  for (int fd = 0; fd <= 2; ++fd)
    if (fcntl(fd, F_GETFD) < 0 && errno == EBADF) open("/dev/null", fd == 0 ? O_RDONLY : O_WRONLY);
}

struct NamedFile {
  const char* role;
  std::string name;
  struct stat status;
  bool known;  // a regular file whose status is in `status`
};

NamedFile DescribeFd(const char* role, const std::string& name, int fd) {
  NamedFile file{role, name, {}, false};
  file.known = fd >= 0 && fstat(fd, &file.status) == 0 && S_ISREG(file.status.st_mode);
  return file;
}

NamedFile DescribePath(const char* role, const std::string& path) {
  NamedFile file{role, path, {}, false};
  file.known = stat(path.c_str(), &file.status) == 0 && S_ISREG(file.status.st_mode);
  return file;
}

// Two roles on one file would overwrite the input or mix streams; found by
// device and inode, named or inherited. Empty when all differ.
std::string SameFile(const std::vector<NamedFile>& files) {
  for (size_t a = 0; a < files.size(); ++a)
    for (size_t b = a + 1; b < files.size(); ++b)
      if (files[a].known && files[b].known && files[a].status.st_dev == files[b].status.st_dev &&
          files[a].status.st_ino == files[b].status.st_ino)
        return std::string(files[a].role) + " and " + files[b].role + " are the same file (" + files[b].name + ")";
  return std::string();
}

// Opens for writing without truncating; a file that was not there is noted
// in `created`, to be removed again when the run is refused.
int OpenForWriting(const std::string& path, std::vector<std::string>* created) {
  int fd = open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  if (fd >= 0) {
    created->push_back(path);
    return fd;
  }
  return errno == EEXIST ? open(path.c_str(), O_WRONLY | O_CLOEXEC) : -1;
}

int Refused(const std::vector<std::string>& created) {
  for (const std::string& path : created) unlink(path.c_str());
  return 2;
}

int OpenFailed(const char* what, const std::string& path) {
  std::fprintf(stderr, "xvf-aspect: cannot %s %s: %s\n", what, path.c_str(), std::strerror(errno));
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  KeepStandardDescriptorsOpen();
  // A reader that goes away shows up as EPIPE from write, not as a signal.
  signal(SIGPIPE, SIG_IGN);

  const xvf::ParseResult parsed = xvf::ParseFilterOptions(argc, argv);
  if (!parsed.ok) return xvf::OptionError("xvf-aspect", parsed.error);
  const xvf::FilterOptions& options = parsed.options;
  if (options.help) {
    std::fputs(xvf::kFilterUsage, stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
  }
  if (options.version) return xvf::PrintVersion("xvf-aspect");
  if (options.width != 0) {
    const std::string reason = xvf::UnusableStreamReason(options.width, options.height, options.pixelFormat,
                                                         xvf::RawFormatName(options.pixelFormat, options.topDown));
    if (!reason.empty()) {
      std::fprintf(stderr, "xvf-aspect: the frame pass cannot take %s\n", reason.c_str());
      return 2;
    }
  }

  xvf::FilterStreams streams;
  streams.input = STDIN_FILENO;
  if (!IsStandard(options.inputPath)) {
    streams.input = open(options.inputPath.c_str(), O_RDONLY | O_CLOEXEC);
    if (streams.input < 0) return OpenFailed("open", options.inputPath);
  }
  // Nothing is truncated before every check has passed and a frame is ready.
  std::vector<std::string> created;
  streams.output = STDOUT_FILENO;
  if (!IsStandard(options.outputPath)) {
    streams.output = OpenForWriting(options.outputPath, &created);
    if (streams.output < 0) return OpenFailed("create", options.outputPath);
  } else if (isatty(STDOUT_FILENO)) {
    std::fprintf(stderr, "xvf-aspect: not writing frames to a terminal; use -o FILE or a pipe\n");
    return 2;
  }
  streams.geometry = STDERR_FILENO;
  if (!options.geometryPath.empty()) {
    streams.geometry = OpenForWriting(options.geometryPath, &created);
    if (streams.geometry < 0) return OpenFailed("create", options.geometryPath);
  }
  std::vector<NamedFile> files = {DescribeFd("input", IsStandard(options.inputPath) ? "standard input" : options.inputPath,
                                             streams.input),
                                  DescribeFd("output", IsStandard(options.outputPath) ? "standard output"
                                                                                      : options.outputPath,
                                             streams.output)};
  if (!options.geometryPath.empty()) files.push_back(DescribeFd("geometry file", options.geometryPath, streams.geometry));
  if (!options.previewPath.empty()) files.push_back(DescribePath("preview", options.previewPath));
  const std::string same = SameFile(files);
  if (!same.empty()) {
    std::fprintf(stderr, "xvf-aspect: %s\n", same.c_str());
    return Refused(created);
  }
  streams.truncateOutput = streams.output != STDOUT_FILENO && files[1].known;
  if (streams.geometry != STDERR_FILENO && ftruncate(streams.geometry, 0) != 0)
    return OpenFailed("empty", options.geometryPath);

  streams.showProgress = !options.quiet && !options.geometry && isatty(STDERR_FILENO);
  int status = xvf::RunFrameFilter(options, streams);
  if (status == 2) Refused(created);  // the stream was refused before anything was written
  for (int fd : {streams.output, streams.geometry})
    if (fd > STDERR_FILENO && close(fd) != 0 && status == 0) {
      std::fprintf(stderr, "xvf-aspect: closing %s: %s\n",
                   (fd == streams.output ? options.outputPath : options.geometryPath).c_str(), std::strerror(errno));
      status = 1;
    }
  return status;
}
