// The built xvf-aspect program on raw frames, through pipes and files,
// compared with the frame pass run in this process; its command line, the
// sizes it refuses, a cut input and a reader that goes away.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "tests/filter/filter_test_support.h"
#include "framepass/frame_modes.h"

namespace xvf {
namespace {

using namespace filter_test;

// Every mode, both formats (RGB24 at an odd width), by frame and by fields,
// windows wider, narrower and within the 4:3 band: byte for byte the pass.
TEST(XvfAspectBinary, PipeEqualsFramePassInEveryMode) {
  struct Window {
    int32_t cw, ch;
  };
  for (const Stream& s : {Stream{720, 576, 0}, Stream{333, 250, 1}})
    for (int32_t mode = 0; mode < 5; ++mode)
      for (int32_t fields = 0; fields < 2; ++fields)
        for (Window win : {Window{1024, 576}, Window{600, 600}, Window{768, 576}, Window{800, 480}}) {
          const std::string input = Frames(s, 3);
          std::vector<std::string> extra;
          if (fields) extra.push_back("--fields");
          const ProgramRun run = RunTool(Args(s, mode, win.cw, win.ch, extra), input);
          const std::string where = "format " + std::to_string(s.format) + " mode " + std::to_string(mode) +
                                    " fields " + std::to_string(fields) + " window " + std::to_string(win.cw) +
                                    "x" + std::to_string(win.ch);
          ASSERT_EQ(0, run.exitCode) << where << ": " << run.err;
          // The end-of-run line alone: "3 frames, X fps, mode M, window CWxCH".
          EXPECT_EQ(0u, run.err.find("3 frames, ")) << where << ": " << run.err;
          const std::string tail = std::string(" fps, mode ") + AspectModeName(mode) + ", window " +
                                   std::to_string(win.cw) + "x" + std::to_string(win.ch) + "\n";
          EXPECT_EQ(run.err.size() - tail.size(), run.err.find(tail)) << where << ": " << run.err;
          ASSERT_EQ(input.size(), run.out.size()) << where;
          EXPECT_TRUE(run.out == Reference(input, s, mode, fields, win.cw, win.ch)) << where;
        }
}

// Panorama keeps its table from frame to frame; a new run starts afresh.
TEST(XvfAspectBinary, ManyFramesInOrderAndStandardStreamsByDash) {
  const Stream s{720, 576, 0};
  const std::string input = Frames(s, 8);
  const std::string expected = Reference(input, s, 3, 0, 1280, 544);
  const ProgramRun plain = RunTool(Args(s, 3, 1280, 544), input);
  ASSERT_EQ(0, plain.exitCode) << plain.err;
  EXPECT_TRUE(plain.out == expected);
  const ProgramRun dashed = RunTool(Args(s, 3, 1280, 544, {"-i", "-", "-o", "-", "--quiet"}), input);
  ASSERT_EQ(0, dashed.exitCode) << dashed.err;
  EXPECT_TRUE(dashed.out == expected);
  EXPECT_EQ("", dashed.err);
}

TEST(XvfAspectBinary, FilesInAndOut) {
  const Stream s{360, 288, 1};
  const std::string input = Frames(s, 2);
  const std::string in = ::testing::TempDir() + "xvf_in.raw", out = ::testing::TempDir() + "xvf_out.raw";
  WriteFile(in, input);
  std::remove(out.c_str());
  std::vector<std::string> named = Args(s, 2, 1024, 576, {"-i", in, "-o", out});
  named[7] = "fit-height";
  ProgramRun run = RunTool(named, "");
  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("", run.out);
  EXPECT_TRUE(ReadFile(out) == Reference(input, s, 2, 0, 1024, 576));

  // The same file for both would be truncated before it is read.
  run = RunTool(Args(s, 2, 1024, 576, {"-i", in, "-o", in}), "");
  EXPECT_EQ(2, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find("same file")) << run.err;
  EXPECT_TRUE(ReadFile(in) == input);

  // A missing input creates no output.
  const std::string never = ::testing::TempDir() + "xvf_never.raw";
  std::remove(never.c_str());
  run = RunTool(Args(s, 2, 1024, 576, {"-i", in + ".missing", "-o", never}), "");
  EXPECT_EQ(1, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find("cannot open")) << run.err;
  EXPECT_FALSE(Exists(never));
  std::remove(in.c_str());
  std::remove(out.c_str());
}

TEST(XvfAspectBinary, TruncatedStreamWritesEveryCompleteFrame) {
  const Stream s{720, 576, 0};
  const std::string whole = Frames(s, 3);
  const std::string expected = Reference(whole, s, 1, 0, 1024, 576);
  ProgramRun run = RunTool(Args(s, 1, 1024, 576), whole + std::string(1234, '\x55'));
  EXPECT_EQ(1, run.exitCode);
  EXPECT_TRUE(run.out == expected) << run.out.size() << " bytes written";
  EXPECT_NE(std::string::npos, run.err.find("1234 bytes left over")) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("3 complete frames written")) << run.err;

  run = RunTool(Args(s, 1, 1024, 576), whole.substr(0, 100));
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("", run.out);
  EXPECT_NE(std::string::npos, run.err.find("100 bytes left over")) << run.err;

#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer reserves terabytes of address space
  // No frame memory before the first byte: a declared 2 GiB frame, no input,
  // within 300 MB of address space.
  run = RunProgram({"sh", "-c", "ulimit -v 300000; exec " + kBinary +
                                    " -s 65534x16384 -w 1024x576 -m 1 -q < /dev/null > /dev/null"});
  EXPECT_EQ("xvf-aspect: no frames in the input\n", run.err);
#endif
}

TEST(XvfAspectBinary, BadCommandLinesExitTwoWithOneLine) {
  const Stream s{720, 576, 0};
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--bogus"}, Args(s, 1, 1024, 576, {"--format", "nv12"}),
        std::vector<std::string>{"--size", "720x576", "--window", "1024x576", "--mode", "sideways"},
        std::vector<std::string>{"--size", "720x576", "--window", "1024x576"}, Args(s, 1, 1024, 576, {"-o"})}) {
    const ProgramRun run = RunTool(args, Frames(s, 1));
    EXPECT_EQ(2, run.exitCode) << args[0];
    EXPECT_EQ("", run.out);
    EXPECT_EQ(0u, run.err.find("xvf-aspect: ")) << run.err;
    const std::string tail = "(try xvf-aspect --help)\n";  // one line, not the whole usage
    EXPECT_EQ(run.err.size() - tail.size(), run.err.find(tail)) << run.err;
    EXPECT_EQ(1, std::count(run.err.begin(), run.err.end(), '\n')) << run.err;
  }
  const ProgramRun help = RunTool({"--help"}, "");
  EXPECT_EQ(0, help.exitCode);
  EXPECT_EQ(0u, help.out.find("usage: xvf-aspect"));
  EXPECT_EQ("", help.err);
  const ProgramRun version = RunTool({"--version"}, "");
  EXPECT_EQ(0, version.exitCode);
  EXPECT_EQ(0u, version.out.find("xvf-aspect 1."));
}

TEST(XvfAspectBinary, SizesThePassCannotTakeExitTwo) {
  struct Case {
    Stream s;
    const char* message;
  };
  for (const Case& c : {Case{{721, 576, 0}, "even width"}, Case{{70000, 2, 1}, "below 65536"},
                        Case{{2, 65536, 0}, "below 65536"}, Case{{40000, 40000, 1}, "2 GiB"}}) {
    const ProgramRun run = RunTool(Args(c.s, 1, 1024, 576), "abc");
    EXPECT_EQ(2, run.exitCode) << c.message;
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find("cannot take")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
  }
  // An odd width is fine in RGB24.
  const Stream odd{721, 5, 1};
  const std::string input = Frames(odd, 2);
  const ProgramRun run = RunTool(Args(odd, 4, 1024, 576), input);
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_TRUE(run.out == Reference(input, odd, 4, 0, 1024, 576));
}

TEST(XvfAspectBinary, ReaderGoingAwayEndsWithOneLine) {
  const Stream s{720, 576, 0};
  const ProgramRun run = RunTool(Args(s, 2, 1024, 576, {"-q"}), Frames(s, 4), /*closeOutput=*/true);
  EXPECT_EQ(0, run.signal) << "killed by signal " << run.signal;
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("xvf-aspect: output closed after 0 frames\n", run.err);
}

// ffmpeg's bgr24 is the host's RGB24 with the rows the other way round.
TEST(XvfAspectBinary, Bgr24IsTopDownRgb24) {
  const Stream s{333, 250, 1};
  const size_t row = static_cast<size_t>(s.w) * 3;
  auto flip = [&](const std::string& frames) {
    std::string out;
    for (const std::string& frame : Split(frames, row * s.h))
      for (int32_t y = s.h - 1; y >= 0; --y) out += frame.substr(y * row, row);
    return out;
  };
  const std::string bottomUp = Frames(s, 2);
  std::vector<std::string> args = Args(s, 4, 1024, 576, {"-q"});
  args[3] = "bgr24";
  const ProgramRun run = RunTool(args, flip(bottomUp));
  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_TRUE(run.out == flip(Reference(bottomUp, s, 4, 0, 1024, 576)));
  EXPECT_FALSE(run.out == Reference(bottomUp, s, 4, 0, 1024, 576));
}

}  // namespace
}  // namespace xvf
