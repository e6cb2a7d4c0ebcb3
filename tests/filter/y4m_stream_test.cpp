// The built xvf-aspect program on YUV4MPEG2 streams: its chroma rule, the
// header's interlacing, size and pixel aspect, cut and malformed streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "filter/y4m_header.h"
#include "framepass/aspect_geometry.h"
#include "tests/filter/filter_test_support.h"

namespace xvf {
namespace {

using namespace filter_test;

// C422 byte for byte; 4:2:0 through the documented rule, by frames and by
// fields (odd height by frames); Cmono's luma. The header comes back with
// the window's pixel aspect in place of the input's.
TEST(XvfAspectBinary, Y4mEqualsThePassThroughItsChromaRule) {
  struct Case {
    Stream s;
    const char* chroma;
    const char* interlacing;
    int32_t fields;
  };
  for (const Case& c : {Case{{720, 576, 0}, "422", "Ip", 0}, Case{{720, 576, 0}, "422", "It", 1},
                        Case{{720, 576, 0}, "420jpeg", "Ip", 0}, Case{{720, 576, 0}, "420mpeg2", "Ib", 1},
                        Case{{358, 287, 0}, "420paldv", "Ip", 0}, Case{{358, 288, 0}, "420", "Im", 0},
                        Case{{358, 287, 0}, "mono", "Ip", 0}})
    for (int32_t mode : {1, 3, 4}) {
      const std::string chroma = c.chroma;
      const std::vector<std::string> yuy2 = Split(Frames(c.s, 2), FrameBytes(PixelFormat::kYuy2, c.s.w, c.s.h));
      std::vector<std::string> in, expected;
      std::string yuy2In;
      for (const std::string& frame : yuy2) {
        in.push_back(ToPlanes(frame, c.s, chroma));
        yuy2In += chroma.compare(0, 3, "420") == 0 ? Up420(in.back(), c.s, c.fields) : frame;
      }
      if (chroma == "mono")
        for (size_t i = 1; i < yuy2In.size(); i += 2) yuy2In[i] = static_cast<char>(128);
      for (const std::string& out : Split(Reference(yuy2In, c.s, mode, c.fields, 1024, 576), yuy2In.size() / 2))
        expected.push_back(chroma.compare(0, 3, "420") == 0 ? Down420(out, c.s, c.fields) : ToPlanes(out, c.s, chroma));
      const std::string size = "W" + std::to_string(c.s.w) + " H" + std::to_string(c.s.h);
      const std::string header = "YUV4MPEG2 " + size + " F25:1 " + c.interlacing + " A";
      int64_t num = 0, den = 0;
      WindowPixelAspect(c.s.w, c.s.h, 1024, 576, &num, &den);
      const ProgramRun run =
          RunTool(Window(mode, 1024, 576), Y4mStream(header + "1:1 C" + chroma + " XCOLORRANGE=FULL", in));
      const std::string where = chroma + " " + c.interlacing + " mode " + std::to_string(mode);
      ASSERT_EQ(0, run.exitCode) << where << ": " << run.err;
      EXPECT_TRUE(run.out == Y4mStream(header + std::to_string(num) + ":" + std::to_string(den) + " C" + chroma +
                                           " XCOLORRANGE=FULL",
                                       expected))
          << where;
    }
  int64_t num = 0, den = 0;
  WindowPixelAspect(720, 576, 1024, 576, &num, &den);
  EXPECT_EQ(64, num);
  EXPECT_EQ(45, den);
}

// The interlacing flag chooses fields unless an option says otherwise; the
// header's size is the size, and a --size that differs is refused.
TEST(XvfAspectBinary, Y4mInterlacingAndSize) {
  const Stream s{720, 576, 0};
  const std::string frames = Frames(s, 1);
  const std::string planes = ToPlanes(frames, s, "422");
  struct Case {
    const char* flag;
    std::vector<std::string> extra;
    int32_t fields;
  };
  for (const Case& c : {Case{"It", {}, 1}, Case{"Ib", {"--no-fields"}, 0}, Case{"Ip", {}, 0},
                        Case{"Ip", {"--fields"}, 1}, Case{"Im", {}, 0}, Case{"Im", {"--fields", "-s720x576"}, 1}}) {
    const ProgramRun run = RunTool(Window(1, 1024, 576, c.extra),
                                   Y4mStream(std::string("YUV4MPEG2 W720 H576 C422 ") + c.flag, {planes}));
    ASSERT_EQ(0, run.exitCode) << c.flag << ": " << run.err;
    const std::string header = std::string("YUV4MPEG2 W720 H576 C422 ") + c.flag + " A64:45\nFRAME\n";
    EXPECT_TRUE(run.out == header + ToPlanes(Reference(frames, s, 1, c.fields, 1024, 576), s, "422")) << c.flag;
  }
  EXPECT_FALSE(Reference(frames, s, 1, 0, 1024, 576) == Reference(frames, s, 1, 1, 1024, 576));
  const ProgramRun run = RunTool(Window(2, 600, 600, {"--size", "720x480"}), Y4mStream("YUV4MPEG2 W720 H576", {}));
  EXPECT_EQ(2, run.exitCode);
  EXPECT_EQ("", run.out);
  EXPECT_NE(std::string::npos, run.err.find("contradicts the stream's 720x576")) << run.err;
}

// A cut stream keeps its complete frames and says so; a bad header is one
// line, exit 2 and nothing written.
TEST(XvfAspectBinary, Y4mTruncatedAndMalformed) {
  const Stream s{64, 48, 0};
  const std::string planes = ToPlanes(Frames(s, 1), s, "420jpeg");
  const std::string whole = Y4mStream("YUV4MPEG2 W64 H48", {planes, planes});
  const ProgramRun complete = RunTool(Window(3, 64, 48), whole);
  ASSERT_EQ(0, complete.exitCode) << complete.err;
  // A frame header's parameters are written through.
  std::string tagged = whole;
  tagged.replace(tagged.rfind("FRAME\n"), 6, "FRAME Ip XT=1\n");
  const ProgramRun withTags = RunTool(Window(3, 64, 48), tagged);
  EXPECT_EQ(complete.out.size() + 8, withTags.out.size());
  EXPECT_NE(std::string::npos, withTags.out.find("FRAME Ip XT=1\n")) << withTags.err;
  for (const std::string& cut : {whole + "FRA", whole + "FRAME\n" + planes.substr(0, 100)}) {
    const ProgramRun run = RunTool(Window(3, 64, 48), cut);
    EXPECT_EQ(1, run.exitCode);
    EXPECT_TRUE(run.out == complete.out);
    EXPECT_NE(std::string::npos, run.err.find("2 complete frames written")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find(cut.size() == whole.size() + 3 ? "header of frame 2" : "inside frame 2"))
        << run.err;
  }
  struct Bad {
    std::string header;
    const char* message;
  };
  for (const Bad& bad : {Bad{"YUV4MPEG2 W64", "without H"}, Bad{"YUV4MPEG2 H48 F25:1", "without W"},
                         Bad{"YUV4MPEG2 W64 H48 C444", "C444 is not supported (supported: C420jpeg"},
                         Bad{"YUV4MPEG2 W64 H48 C420p10", "C420p10 is not supported"},
                         Bad{"YUV4MPEG2 W64 H48 C444alpha", "C444alpha is not supported"},
                         Bad{"YUV4MPEG2 W64x H48", "bad size parameter W64x"},
                         Bad{"YUV4MPEG2 W64  H48", "empty parameter"}, Bad{"YUV4MPEG2 W64 H48 Ix", "interlacing"},
                         Bad{"YUV4MPEG2 W70000 H48", "below 65536"}, Bad{"YUV4MPEG2 W63 H48", "even width"},
                         Bad{"YUV4MPEG2 W64 H46 It", "multiple of 4"}, Bad{"YUV4MPEG2 W64 H48 \x01\xff", "bad parameter"},
                         Bad{"YUV4MPEG2 W64 H48" + std::string(5000, 'X'), "longer than"}}) {
    const ProgramRun run = RunTool(Window(3, 64, 48), Y4mStream(bad.header, {planes}));
    EXPECT_EQ(2, run.exitCode) << bad.message;
    EXPECT_EQ("", run.out) << bad.message;
    EXPECT_NE(std::string::npos, run.err.find(bad.message)) << run.err;
    EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
  }
  const ProgramRun garbage = RunTool(Window(3, 64, 48), Y4mStream("YUV4MPEG2 W64 H48", {planes}) + "FRAMES\n");
  EXPECT_EQ(1, garbage.exitCode);
  EXPECT_EQ(0u, garbage.out.find("YUV4MPEG2 W64 H48 A1:1\nFRAME\n")) << garbage.out.substr(0, 40);
  EXPECT_NE(std::string::npos, garbage.err.find("no FRAME header")) << garbage.err;
  const ProgramRun raw = RunTool(Window(3, 64, 48), planes);
  EXPECT_EQ(2, raw.exitCode);
  EXPECT_NE(std::string::npos, raw.err.find("raw input needs --size")) << raw.err;
}

}  // namespace
}  // namespace xvf
