#pragma once
// What the tests of the built xvf-aspect program share: streams of frames,
// the frame pass run in this process to compare with, the program's command
// lines and files, its geometry lines, and YUV4MPEG2 streams made from YUY2.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/image/frame_pixels.h"
#include "common/process/run_program.h"

namespace xvf {
namespace filter_test {

inline const std::string kBinary = XVF_ASPECT_BINARY;

struct Stream {
  int32_t w, h, format;
};

// `count` different frames: the test card, each frame shifted in brightness.
std::string Frames(const Stream& s, int count);

// The frame pass in process, frame after frame on one state, as Process runs it.
// `modes`, when given, holds each frame's mode in place of `mode`.
std::string Reference(const std::string& frames, const Stream& s, int32_t mode, int32_t interlace, int32_t cw,
                      int32_t ch, std::vector<int32_t>* results = nullptr, const std::vector<long long>& modes = {});

// The program with `args`, `input` on its standard input.
ProgramRun RunTool(std::vector<std::string> args, const std::string& input, bool closeOutput = false);

// A raw stream's command line: size, format, window and mode, then `extra`.
std::vector<std::string> Args(const Stream& s, int32_t mode, int32_t cw, int32_t ch,
                              std::vector<std::string> extra = {});

std::string ReadFile(const std::string& path);
void WriteFile(const std::string& path, const std::string& bytes);
bool Exists(const std::string& path);

// One line of --geometry output; src and dst hold four numbers each when
// haveRects, and mode stays -1 when the line has none.
struct GeometryLine {
  long long frame = -1, mode = -1, result = -1;
  bool haveRects = false;
  std::vector<long long> src, dst;
};

// The geometry lines of `err`, one per line of text; a line that is not a
// geometry object fails the running test and is left out.
std::vector<GeometryLine> ParseGeometry(const std::string& err);

// YUV4MPEG2 frames from YUY2 frames: C422 repacked; C420 chroma from every
// other row of the source (any chroma will do); Cmono the luma alone.
std::string ToPlanes(const std::string& yuy2, const Stream& s, const std::string& chroma);

// The documented 4:2:0 rule, from planes: rows take chroma row y/2 (by
// fields: 2(y/4) + y%2); back down each chroma row is the rounded-up mean
// of the two rows it stands for.
std::string Up420(const std::string& planes, const Stream& s, bool fields);
std::string Down420(const std::string& yuy2, const Stream& s, bool fields);

// A YUV4MPEG2 stream: the header line, then each frame after its FRAME line.
std::string Y4mStream(const std::string& header, const std::vector<std::string>& frames);

// `bytes` cut into whole parts of `size` bytes.
std::vector<std::string> Split(const std::string& bytes, size_t size);

// A YUV4MPEG2 stream's command line: window and mode, quiet, then `extra`.
std::vector<std::string> Window(int32_t mode, int32_t cw, int32_t ch, std::vector<std::string> extra = {});

}  // namespace filter_test
}  // namespace xvf
