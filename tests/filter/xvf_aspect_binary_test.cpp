// The built xvf-aspect program, driven through pipes and files and compared
// with the frame pass run in this process.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "framepass/plugin_state.h"
#include "tests/support/frame_setup.h"
#include "tools/image/png_file.h"
#include "tools/process/run_program.h"
#include "tools/options/tool_options.h"
#include "filter/y4m_header.h"
#include "tools/test_card.h"

namespace xvf {
namespace {

const std::string kBinary = XVF_ASPECT_BINARY;

struct Stream {
  int32_t w, h, format;
};

// `count` different frames: the test card, each frame shifted in brightness.
std::string Frames(const Stream& s, int count) {
  const std::vector<uint8_t> card = RgbToFrame(MakeTestCardRgb(s.w, s.h), s.w, s.h, s.format);
  std::string out;
  for (int k = 0; k < count; ++k)
    for (size_t i = 0; i < card.size(); ++i)
      out.push_back(static_cast<char>(i % 7 == 0 ? card[i] ^ (k * 0x15) : card[i]));
  return out;
}

// The frame pass in process, frame after frame on one state, as Process runs it.
// `modes`, when given, holds each frame's mode in place of `mode`.
std::string Reference(const std::string& frames, const Stream& s, int32_t mode, int32_t interlace, int32_t cw,
                      int32_t ch, std::vector<int32_t>* results = nullptr, const std::vector<long long>& modes = {}) {
  PluginState state;
  state.Start(StreamFormat{s.w, s.h, 0, s.format, 0}, nullptr);
  FrameInputs in = test::WindowInputs(mode, cw, ch, interlace);
  const size_t bytes = FrameBytes(s.w, s.h, s.format);
  std::string out;
  std::vector<uint8_t> frame(bytes);
  for (size_t at = 0; at + bytes <= frames.size(); at += bytes) {
    std::copy_n(frames.data() + at, bytes, reinterpret_cast<char*>(frame.data()));
    if (!modes.empty()) in.aspectMode = static_cast<int32_t>(modes.at(at / bytes));
    const int32_t result = state.ProcessFrame(frame.data(), in);
    if (results) results->push_back(result);
    out.append(reinterpret_cast<const char*>(frame.data()), bytes);
  }
  return out;
}

ProgramRun RunTool(std::vector<std::string> args, const std::string& input, bool closeOutput = false) {
  args.insert(args.begin(), kBinary);
  return RunProgram(args, input, closeOutput);
}

std::vector<std::string> Args(const Stream& s, int32_t mode, int32_t cw, int32_t ch,
                              std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"--size", std::to_string(s.w) + "x" + std::to_string(s.h), "--format",
                                   s.format == 0 ? "yuy2" : "rgb24", "--window",
                                   std::to_string(cw) + "x" + std::to_string(ch), "--mode", std::to_string(mode)};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) { return std::ifstream(path).good(); }

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

// A small reader for the geometry lines: objects, arrays, integers, null.
class Json {
 public:
  explicit Json(const std::string& text) : text_(text) {}
  struct Value {
    enum Kind { kNull, kNumber, kArray, kObject } kind = kNull;
    long long number = 0;
    std::vector<Value> items;
    std::vector<std::string> keys;  // objects: keys[i] names items[i]
    const Value* Get(const std::string& key) const {
      for (size_t i = 0; i < keys.size(); ++i)
        if (keys[i] == key) return &items[i];
      return nullptr;
    }
  };
  bool Parse(Value* v) { return ParseValue(v) && at_ == text_.size(); }

 private:
  bool Eat(char c) {
    if (at_ < text_.size() && text_[at_] == c) return ++at_, true;
    return false;
  }
  bool ParseValue(Value* v) {
    if (text_.compare(at_, 4, "null") == 0) return at_ += 4, v->kind = Value::kNull, true;
    if (Eat('[')) {
      v->kind = Value::kArray;
      if (Eat(']')) return true;
      do {
        v->items.emplace_back();
        if (!ParseValue(&v->items.back())) return false;
      } while (Eat(','));
      return Eat(']');
    }
    if (Eat('{')) {
      v->kind = Value::kObject;
      if (Eat('}')) return true;
      do {
        if (!Eat('"')) return false;
        const size_t end = text_.find('"', at_);
        if (end == std::string::npos) return false;
        v->keys.push_back(text_.substr(at_, end - at_));
        at_ = end + 1;
        if (!Eat(':')) return false;
        v->items.emplace_back();
        if (!ParseValue(&v->items.back())) return false;
      } while (Eat(','));
      return Eat('}');
    }
    const size_t start = at_;
    Eat('-');
    while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
    if (at_ == start || (at_ == start + 1 && text_[start] == '-')) return false;
    v->kind = Value::kNumber;
    v->number = std::stoll(text_.substr(start, at_ - start));
    return true;
  }
  const std::string& text_;
  size_t at_ = 0;
};

struct GeometryLine {
  long long frame = -1, mode = -1, result = -1;
  bool haveRects = false;
  std::vector<long long> src, dst;
};

std::vector<GeometryLine> ParseGeometry(const std::string& err) {
  std::vector<GeometryLine> lines;
  std::istringstream in(err);
  for (std::string text; std::getline(in, text);) {
    Json::Value v;
    GeometryLine line;
    if (!Json(text).Parse(&v) || v.kind != Json::Value::kObject || v.keys.size() != 5) {
      ADD_FAILURE() << "not a geometry object: " << text;
      continue;
    }
    const Json::Value *frame = v.Get("frame"), *result = v.Get("result"), *src = v.Get("src"), *dst = v.Get("dst");
    if (!frame || !result || !src || !dst || frame->kind != Json::Value::kNumber ||
        result->kind != Json::Value::kNumber || src->kind != dst->kind) {
      ADD_FAILURE() << "bad fields: " << text;
      continue;
    }
    line.frame = frame->number;
    line.result = result->number;
    if (const Json::Value* mode = v.Get("mode")) line.mode = mode->number;
    line.haveRects = src->kind == Json::Value::kArray;
    for (const Json::Value* r : {src, dst}) {
      if (!line.haveRects) continue;
      EXPECT_EQ(4u, r->items.size()) << text;
      for (const Json::Value& n : r->items) (r == src ? line.src : line.dst).push_back(n.number);
    }
    lines.push_back(line);
  }
  return lines;
}

TEST(XvfAspectBinary, GeometryLinesMatchTheDocumentedExamples) {
  const Stream s{720, 576, 0};
  const std::string input = Frames(s, 3);
  struct Case {
    int32_t mode, cw, ch, result;
    std::vector<long long> src, dst;  // empty: null
  };
  const std::vector<Case> cases = {
      {1, 1024, 576, 1, {0, 72, 720, 504}, {0, 0, 720, 576}},
      {2, 1024, 576, 1, {0, 0, 720, 576}, {90, 0, 630, 576}},
      {4, 1024, 576, 1, {0, 0, 720, 576}, {0, 0, 720, 576}},
      {1, 800, 480, 1, {0, 57, 720, 518}, {0, 0, 720, 576}},
      {4, 800, 480, 1, {0, 0, 720, 576}, {0, 18, 720, 557}},
      {2, 600, 600, 1, {90, 0, 630, 576}, {0, 0, 720, 576}},
      {3, 1024, 576, 1, {0, 0, 720, 576}, {0, 0, 720, 576}},
      {1, 768, 576, 0, {0, 0, 720, 576}, {0, 0, 720, 576}},  // within the 4:3 band: computed, then left alone
      {4, 640, 480, 1, {0, 0, 720, 576}, {0, 72, 720, 504}},
      {0, 1024, 576, 0, {}, {}},  // mode 0 stops before any rectangle
  };
  for (const Case& c : cases) {
    const ProgramRun run = RunTool(Args(s, c.mode, c.cw, c.ch, {"--geometry"}), input);
    ASSERT_EQ(0, run.exitCode) << run.err;
    std::vector<int32_t> results;
    EXPECT_TRUE(run.out == Reference(input, s, c.mode, 0, c.cw, c.ch, &results));
    const std::vector<GeometryLine> lines = ParseGeometry(run.err);
    ASSERT_EQ(3u, lines.size()) << run.err;
    for (size_t i = 0; i < lines.size(); ++i) {
      EXPECT_EQ(static_cast<long long>(i), lines[i].frame);
      EXPECT_EQ(c.result, lines[i].result) << run.err;
      EXPECT_EQ(results[i], lines[i].result);
      EXPECT_EQ(!c.src.empty(), lines[i].haveRects) << run.err;
      EXPECT_EQ(c.src, lines[i].src) << "mode " << c.mode << " window " << c.cw << "x" << c.ch;
      EXPECT_EQ(c.dst, lines[i].dst) << "mode " << c.mode << " window " << c.cw << "x" << c.ch;
    }
  }
}

// The reported destination is where the picture went: every other row and
// column of the written frame is black, and none inside it is.
TEST(XvfAspectBinary, GeometryAgreesWithTheBlackBands) {
  for (const Stream& s : {Stream{720, 576, 0}, Stream{333, 250, 1}})
    for (int32_t mode : {1, 2, 4})
      for (int32_t fields = 0; fields < 2; ++fields)
        for (auto win : {std::pair<int32_t, int32_t>{600, 600}, {1024, 576}, {800, 480}, {480, 800}}) {
          std::vector<std::string> extra = {"--geometry"};
          if (fields) extra.push_back("--fields");
          const ProgramRun run = RunTool(Args(s, mode, win.first, win.second, extra), Frames(s, 1));
          ASSERT_EQ(0, run.exitCode) << run.err;
          const std::vector<GeometryLine> lines = ParseGeometry(run.err);
          ASSERT_EQ(1u, lines.size());
          ASSERT_TRUE(lines[0].haveRects);
          long long top = std::max(0LL, lines[0].dst[1]), bottom = std::min<long long>(s.h, lines[0].dst[3]);
          if (fields) top &= ~1LL, bottom &= ~1LL;
          const long long left = std::max(0LL, lines[0].dst[0]), right = std::min<long long>(s.w, lines[0].dst[2]);
          const std::vector<uint8_t> rgb =
              FrameToRgb(reinterpret_cast<const uint8_t*>(run.out.data()), s.w, s.h, s.format);
          auto black = [&](int32_t x, int32_t y) {
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * s.w + x) * 3];
            return p[0] == 0 && p[1] == 0 && p[2] == 0;
          };
          int wrong = 0;
          for (int32_t y = 0; y < s.h; ++y)
            for (int32_t x = 0; x < s.w; ++x) {
              const bool inside = y >= top && y < bottom && x >= left && x < right;
              // Inside, the card's grey and bars are never pure black.
              if (inside == black(x, y)) ++wrong;
            }
          EXPECT_EQ(0, wrong) << "format " << s.format << " mode " << mode << " fields " << fields << " window "
                              << win.first << "x" << win.second << ": " << run.err;
        }
}

TEST(XvfAspectBinary, PreviewShowsTheFirstFrameStretchedToTheWindow) {
  const std::string path = ::testing::TempDir() + "xvf_preview.png";
  // YUY2, uniform grey 200 then grey 50; fit-height at 1024x576 puts the
  // picture in columns 90..629 of 720, so 128..895 of 1024 on screen.
  const Stream s{720, 576, 0};
  std::string frames;
  for (uint8_t luma : {200, 50})
    for (int32_t i = 0; i < s.w * s.h / 2; ++i) frames += std::string{char(luma), char(128), char(luma), char(128)};
  std::remove(path.c_str());
  ProgramRun run = RunTool(Args(s, 2, 1024, 576, {"--preview", path}), frames);
  ASSERT_EQ(0, run.exitCode) << run.err;
  std::string error;
  Picture png = ReadPng(path, &error);
  ASSERT_FALSE(png.empty()) << error;
  EXPECT_EQ(1024, png.width);
  EXPECT_EQ(576, png.height);
  EXPECT_LT(ReadFile(path).size(), 20000u);  // compressed
  for (int32_t y : {0, 300, 575})
    for (int32_t x : {0, 127, 128, 512, 895, 896, 1023}) {
      const uint8_t* p = png.at(x, y);
      const int expected = x >= 128 && x < 896 ? 200 : 0;
      EXPECT_EQ(expected, p[0]) << x << "," << y;
      EXPECT_EQ(expected, p[1]) << x << "," << y;
      EXPECT_EQ(expected, p[2]) << x << "," << y;
    }

  // RGB24 rows are bottom-up: the last row in memory is the top of the
  // picture. Channels come out R, G, B; the frame is stretched to 50x30.
  const Stream rgb{4, 3, 1};
  std::string frame;
  for (int32_t row = 0; row < 3; ++row)
    for (int32_t x = 0; x < 4; ++x) frame += row == 2 ? std::string{10, 20, 30} : std::string{1, 2, 3};
  run = RunTool(Args(rgb, 0, 50, 30, {"--preview", path}), frame);
  ASSERT_EQ(0, run.exitCode) << run.err;
  png = ReadPng(path, &error);
  ASSERT_FALSE(png.empty()) << error;
  ASSERT_EQ(50, png.width);
  ASSERT_EQ(30, png.height);
  for (int32_t y = 0; y < 30; ++y) {
    const uint8_t* p = png.at(49, y);
    const std::vector<int> got{p[2], p[1], p[0]};
    EXPECT_EQ(y < 10 ? std::vector<int>({30, 20, 10}) : std::vector<int>({3, 2, 1}), got) << "row " << y;
  }
  std::remove(path.c_str());


  // An unwritable preview stops the run before the frame is written.
  run = RunTool(Args(rgb, 0, 50, 30, {"--preview", ::testing::TempDir() + "no/such/dir/p.png"}), frame);
  EXPECT_EQ(1, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find("cannot write the preview")) << run.err;
  EXPECT_EQ("", run.out);
}

// YUV4MPEG2 frames from YUY2 frames: C422 repacked; C420 chroma from every
// other row of the source (any chroma will do); Cmono the luma alone.
std::string ToPlanes(const std::string& yuy2, const Stream& s, const std::string& chroma) {
  std::string y, u, v;
  for (int32_t row = 0; row < s.h; ++row)
    for (int32_t x = 0; x < s.w; x += 2) {
      const char* p = &yuy2[(static_cast<size_t>(row) * s.w + x) * 2];
      y += std::string{p[0], p[2]};
      if (chroma == "422" || (chroma != "mono" && row % 2 == 0)) u += p[1], v += p[3];
    }
  return y + (chroma == "mono" ? "" : u + v);
}

// The documented 4:2:0 rule, from planes: rows take chroma row y/2 (by
// fields: 2(y/4) + y%2); back down each chroma row is the rounded-up mean
// of the two rows it stands for.
std::string Up420(const std::string& planes, const Stream& s, bool fields) {
  const size_t cw = s.w / 2, luma = static_cast<size_t>(s.w) * s.h, chroma = cw * ((s.h + 1) / 2);
  std::string yuy2;
  for (int32_t y = 0; y < s.h; ++y) {
    const size_t c = fields ? 2 * (y / 4) + y % 2 : y / 2;
    for (size_t x = 0; x < cw; ++x)
      yuy2 += std::string{planes[y * s.w + 2 * x], planes[luma + c * cw + x], planes[y * s.w + 2 * x + 1],
                          planes[luma + chroma + c * cw + x]};
  }
  return yuy2;
}

std::string Down420(const std::string& yuy2, const Stream& s, bool fields) {
  const size_t cw = s.w / 2;
  std::string y, u, v;
  for (size_t i = 0; i < yuy2.size(); i += 2) y += yuy2[i];
  for (int32_t c = 0; c < (s.h + 1) / 2; ++c) {
    const int32_t a = fields ? 4 * (c / 2) + c % 2 : 2 * c, b = fields ? a + 2 : std::min(a + 1, s.h - 1);
    for (size_t x = 0; x < cw; ++x)
      for (int k : {1, 3}) {
        const int mean = (uint8_t(yuy2[(a * cw + x) * 4 + k]) + uint8_t(yuy2[(b * cw + x) * 4 + k]) + 1) >> 1;
        (k == 1 ? u : v) += static_cast<char>(mean);
      }
  }
  return y + u + v;
}

std::string Y4mStream(const std::string& header, const std::vector<std::string>& frames) {
  std::string out = header + "\n";
  for (const std::string& frame : frames) out += "FRAME\n" + frame;
  return out;
}

std::vector<std::string> Split(const std::string& bytes, size_t size) {
  std::vector<std::string> parts;
  for (size_t at = 0; at + size <= bytes.size(); at += size) parts.push_back(bytes.substr(at, size));
  return parts;
}

std::vector<std::string> Window(int32_t mode, int32_t cw, int32_t ch, std::vector<std::string> extra = {}) {
  std::vector<std::string> args = {"--window", std::to_string(cw) + "x" + std::to_string(ch), "--mode",
                                   std::to_string(mode), "-q"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

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
      const std::vector<std::string> yuy2 = Split(Frames(c.s, 2), FrameBytes(c.s.w, c.s.h, 0));
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

// No run may overwrite its own input or mix its streams: two roles on one
// file are refused before anything is written, also through redirections.
TEST(XvfAspectBinary, NothingOfTheUsersLost) {
  const Stream s{64, 48, 0};
  const std::string input = Frames(s, 2);
  const std::string dir = ::testing::TempDir();
  const std::string in = dir + "xvf_safe_in.raw", out = dir + "xvf_safe_out.raw", json = dir + "xvf_safe.json";
  WriteFile(in, input);
  WriteFile(out, "keep");
  for (const std::vector<std::string>& extra :
       {std::vector<std::string>{"-i", in, "--preview", in}, {"-i", in, "-o", out, "--preview", out},
        {"-i", in, "-o", out, "--geometry=" + out}, {"-i", in, "-o", out, "--geometry=" + in}}) {
    const ProgramRun run = RunTool(Args(s, 1, 1024, 576, extra), "");
    EXPECT_EQ(2, run.exitCode) << extra.back();
    EXPECT_NE(std::string::npos, run.err.find("are the same file")) << run.err;
    EXPECT_TRUE(ReadFile(in) == input);
    EXPECT_EQ("keep", ReadFile(out));
  }
  // A refused run leaves no file behind that it created.
  const ProgramRun refused = RunTool(Window(1, 1024, 576, {"-o", json, "--geometry=" + json + ".g"}), "YUV4MPEG2 W64");
  EXPECT_EQ(2, refused.exitCode);
  EXPECT_FALSE(Exists(json) || Exists(json + ".g"));
  const std::string args = " --size 64x48 --window 1024x576 --mode 1 ";
  for (const std::string& line : {" < " + in + " >> " + in, " -i " + in + " >> " + in}) {
    const ProgramRun run = RunProgram({"sh", "-c", "exec " + kBinary + args + line});
    EXPECT_EQ(2, run.exitCode) << line << ": " << run.err;
    EXPECT_TRUE(ReadFile(in) == input) << line;
  }
  // With standard error closed, messages and geometry lines go nowhere, not
  // into the output; --geometry=FILE takes the lines apart from messages.
  ProgramRun run = RunProgram({"sh", "-c", "exec " + kBinary + args + "--geometry -i " + in + " -o " + out + " 2>&-"});
  EXPECT_EQ(0, run.exitCode);
  EXPECT_TRUE(ReadFile(out) == Reference(input, s, 1, 0, 1024, 576));
  run = RunTool(Args(s, 1, 1024, 576, {"--geometry=" + json}), input);
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(2u, ParseGeometry(ReadFile(json)).size());
  EXPECT_EQ(0u, run.err.find("2 frames, ")) << run.err;
  for (const std::string& path : {in, out, json}) std::remove(path.c_str());
}

// What a failing run leaves of the user's files, and that no failure exits
// 0. Each line runs in a fresh folder holding in.y4m (two frames), cut.y4m
// (cut inside its first frame) and the user's keep.y4m, keep.json and
// keep.png; every one must come through unchanged and new.y4m must not be
// left behind. X is the filter in mode 1; the exit status is the line's.
TEST(XvfAspectBinary, FailuresKeepWhatTheRunDidNotMake) {
  const Stream s{64, 48, 0};
  const std::string planes = ToPlanes(Frames(s, 1), s, "422");
  const std::vector<std::pair<std::string, std::string>> users = {
      {"in.y4m", Y4mStream("YUV4MPEG2 W64 H48 C422", {planes, planes})},
      {"cut.y4m", Y4mStream("YUV4MPEG2 W64 H48 C422", {planes.substr(0, 100)})},
      {"keep.y4m", std::string(50000, 'v')}, {"keep.json", "{\"mine\":1}\n"}, {"keep.png", std::string(900, 'p')}};
  struct Case {
    std::string line;
    int exitCode;
    const char* says;                 // in standard output or error
    const char* lacks = "\n{\"frame\":0";  // geometry lines where they do not belong
    const char* kept = ".";           // still there afterwards (links not followed)
    bool closeOutput = false;
  };
  const std::string w = "$X -w 64x48 ";
  std::vector<Case> cases = {
      {"ln -s /proc/self/fd/1 s && exec " + w + "-i in.y4m -o new.y4m --preview s", 1, "preview s: Broken pipe", "",
       "s", true},
      {"ln -s /dev/full s && exec " + w + "-i in.y4m -o new.y4m --preview s", 1, "preview s: No space", "", "s"},
      {"head -c 614400 /dev/urandom > r && ulimit -f 200 && exec $X -s 640x480 -w 640x480 -i r -o keep.y4m "
       "--preview keep.png", 1, "preview keep.png: File too large"},
      {"exec " + w + "-i cut.y4m -o keep.y4m --geometry=keep.json", 1, "inside frame 0"},
      {"printf 'YUV4MPEG2 W63 H48\\n' | " + w + "-o keep.y4m --geometry=keep.json --preview keep.png", 2, "even width"},
      {w + "-i in.y4m -o /dev/null --geometry=/dev/null && mkfifo g && { " + w +
           "-i in.y4m -o /dev/null --geometry=g & timeout 10 cat g; wait $!; }", 0, "{\"frame\":1,", ""},
      {"exec " + w + "-i in.y4m -o /dev/null --geometry=/dev/stderr", 0, "{\"frame\":1,", ""},
      {"exec " + w + "-i in.y4m -o /dev/null --geometry=/dev/full", 1, "writing /dev/full: No space", "", "/dev/full"},
      {"exec " + w + "-i in.y4m -o /dev/full", 1, "writing /dev/full: No space"},
      {"cp in.y4m in2 && " + w + "--geometry < in2 2>> in2; s=$?; cat in2; exit $s", 2, "input and geometry lines"},
      {w + "--geometry < in.y4m > out 2>&1; s=$?; cat out; exit $s", 2, "output and geometry lines", "FRAME"},
      {"exec " + w + "-i in.y4m >&-", 2, "standard output is closed"},
      {"exec " + w + "-o new.y4m <&-", 2, "standard input is closed"},
      {"exec " + w + "-o keep.y4m --preview keep.png < /dev/null", 1, "xvf-aspect: no frames in the input\n"},
      {"printf 'YUV4MPEG2 W64 H48\\n' | " + w + "-o keep.y4m --geometry=keep.json", 1, "no frames in the input"},
      {"printf 'YUV4MPEG2 W64 H48 C422\\r\\n' | " + w, 2, "colour space C422\\r is not"},
      {"printf 'YUV4MPEG2 W64 H48\\000 C422\\n' | " + w, 2, "bad size parameter H48\\x00"},
      {"exec " + w + "-i . -o new.y4m", 1, "reading .: Is a directory"},
      {"exec " + w + "-i in.y4m -o new.y4m --geometry=no/g.json", 1, "geometry file no/g.json: No such file"},
  };
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer reserves terabytes of address space
  // A header alone takes no frame memory: two 2 GiB frames within 300 MB.
  cases.push_back({"printf 'YUV4MPEG2 W32766 H32766 C422\\n' | (ulimit -v 300000; exec " + w + "-o keep.y4m)", 1,
                   "no frames in the input"});
#endif
  const std::string dir = ::testing::TempDir() + "xvf_failures/";
  for (const Case& c : cases) {
    RunProgram({"rm", "-rf", dir});
    RunProgram({"mkdir", dir});
    for (const auto& file : users) WriteFile(dir + file.first, file.second);
    const ProgramRun run =
        RunProgram({"sh", "-c", "cd " + dir + " && X='" + kBinary + " -q -m 1' && " + c.line}, "", c.closeOutput);
    const std::string said = run.out + run.err;
    EXPECT_EQ(c.exitCode, run.exitCode) << c.line << ": " << said;
    EXPECT_NE(std::string::npos, said.find(c.says)) << c.line << ": " << said;
    if (*c.lacks) {
      EXPECT_EQ(std::string::npos, said.find(c.lacks)) << c.line << ": " << said;
    }
    for (const auto& file : users) EXPECT_TRUE(ReadFile(dir + file.first) == file.second) << c.line << ": " << file.first;
    EXPECT_FALSE(Exists(dir + "new.y4m")) << c.line;
    struct stat status;
    const std::string kept = (c.kept[0] == '/' ? "" : dir) + c.kept;
    EXPECT_EQ(0, lstat(kept.c_str(), &status)) << c.line << ": " << kept;
  }
  RunProgram({"rm", "-rf", dir});
}

// Auto mode's scenes, as luma (limited range, black 16) over a 4:3 frame.
enum Scene { kCard, kWide, kWide149, kSubtitles, kLogo, kNoise, kFade, kFadeCard, kDarkWide, kDarkCard, kGrey };

std::string SceneFrame(Scene scene, const Stream& s, const std::vector<uint8_t>& card, int k) {
  const int32_t w = s.w, h = s.h;
  const int32_t rows = scene == kCard || scene == kFadeCard || scene == kDarkCard ? h : scene == kWide149 ? h * 6 / 7 : h * 3 / 4;
  const int32_t top = (h - rows) / 2, below = top + rows;
  std::vector<uint8_t> grey(static_cast<size_t>(w) * h * 3);
  std::string yuy2;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x) {
      const uint8_t* c = &card[(static_cast<size_t>((y - top) * h / rows) * w + x) * 3];
      int v = 16;
      if (y >= top && y < below) v = 16 + ((25 * c[0] + 129 * c[1] + 66 * c[2] + 128) >> 8);
      else if (scene == kSubtitles && y > below + 6 && y < below + 26 && x > w / 5 && x < w * 4 / 5 && x / 2 % 3) v = 235;
      else if (scene == kNoise) v = 10 + (x * 7 + y * 13 + k * 5) % 13;
      if (scene == kLogo && y > 6 && y < top + 10 && x > w * 8 / 10 && x < w * 9 / 10) v = 200;  // into the picture
      if (scene == kGrey) v = 120 + (x * 7 + y * 13 + k * 5) % 9;
      if (scene == kFade || scene == kFadeCard) v = 16 + (v - 16) * std::max(0, std::abs(k - 30) - 10) / 20;  // black for k 20..40
      if (scene == kDarkWide || scene == kDarkCard) v = 16 + (v - 16) / 10;
      if (scene == kDarkCard && (y < h * 3 / 20 || y >= h * 17 / 20)) v = 16;
      if (scene == kDarkCard && y >= h * 2 / 5 && y < h * 3 / 5 && x >= w * 2 / 5 && x < w * 3 / 5) v = 200;  // a moon
      yuy2 += {static_cast<char>(v), '\x80'};
      std::fill_n(&grey[(static_cast<size_t>(y) * w + x) * 3], 3, static_cast<uint8_t>((v - 16) * 255 / 219));
    }
  if (s.format == 0) return yuy2;
  const std::vector<uint8_t> frame = RgbToFrame(grey, w, h, 1);
  return std::string(frame.begin(), frame.end());
}

// Each frame's mode from the geometry, its changes on standard error, and
// the frames byte for byte the pass in that mode.
TEST(XvfAspectBinary, AutoModeChoosesPerProgramme) {
  struct Change {
    long long mode, first, last;  // the frame of the change lies in first..last
  };
  struct Case {
    const char* name;
    int32_t format;
    std::string y4m;  // header parameters; empty: raw frames
    std::vector<std::string> extra;
    std::vector<std::pair<Scene, int>> scenes;
    long long initial;
    std::vector<Change> changes;
    int32_t w = 360, h = 288;
  };
  const Change kWideAfterOneSecond{1, 24, 25};
  const std::vector<Case> cases = {
      {"4:3 card", 0, "", {}, {{kCard, 40}}, 3, {}},
      {"16:9 letterbox", 0, "", {}, {{kWide, 40}}, 3, {kWideAfterOneSecond}},
      {"14:9 letterbox", 0, "", {}, {{kWide149, 40}}, 3, {kWideAfterOneSecond}},
      {"subtitles in the lower band", 0, "", {}, {{kSubtitles, 40}}, 3, {kWideAfterOneSecond}},
      {"logo in the upper band", 0, "", {}, {{kLogo, 40}}, 3, {kWideAfterOneSecond}},
      {"noise in the bands", 0, "", {}, {{kNoise, 40}}, 3, {kWideAfterOneSecond}},
      {"fade to black and back", 0, "", {}, {{kWide, 30}, {kFade, 61}, {kWide, 20}}, 3, {kWideAfterOneSecond}},
      {"black between 4:3 programmes", 0, "", {}, {{kCard, 20}, {kFadeCard, 61}, {kCard, 10}}, 3, {}},
      {"dark scene in a film", 0, "", {}, {{kWide, 30}, {kDarkWide, 40}, {kWide, 10}}, 3, {kWideAfterOneSecond}},
      {"grey screen in a film", 0, "", {}, {{kWide, 30}, {kGrey, 40}, {kWide, 10}}, 3, {kWideAfterOneSecond}},
      {"dark 4:3 scene", 0, "", {}, {{kCard, 20}, {kDarkCard, 40}, {kCard, 10}}, 3, {}},
      {"cut to 4:3", 0, "", {}, {{kWide, 30}, {kCard, 45}}, 3, {kWideAfterOneSecond, {3, 30, 30 + 37}}},
      {"bgr letterbox", 1, "", {}, {{kWide, 30}}, 3, {kWideAfterOneSecond}},
      {"fallback", 0, "", {"--auto-fallback", "fit-height"}, {{kCard, 10}}, 2, {}},
      {"declared 16:9", 0, "A64:45", {}, {{kCard, 30}}, 4, {}},
      {"SD 16:9 over its 704 active pixels", 0, "A16:11", {}, {{kCard, 3}}, 4, {}, 720, 576},
      {"declared 4:3 at 10 fps", 0, "A16:15 F10:1", {}, {{kWide, 20}}, 3, {{1, 9, 10}}},
      {"raw 16:9 by --sar", 0, "", {"--sar", "64:45"}, {{kCard, 10}}, 4, {}},
      {"14:9 in square pixels", 0, "", {"--sar", "1:1"}, {{kWide149, 40}}, 3, {}},
  };
  const std::string geometryFile = ::testing::TempDir() + "xvf_auto.json";
  for (const Case& c : cases) {
    const Stream s{c.w, c.h, c.format};
    const std::vector<uint8_t> card = MakeTestCardRgb(s.w, s.h);
    std::string raw, y4m;
    for (const auto& [scene, count] : c.scenes)
      for (int k = 0; k < count; ++k) {
        raw += SceneFrame(scene, s, card, k);
        if (!c.y4m.empty()) y4m += "FRAME\n" + ToPlanes(raw.substr(raw.size() - FrameBytes(s.w, s.h, 0)), s, "422");
      }
    std::vector<std::string> args = {"--window", "1024x576", "--mode", "auto", "--geometry=" + geometryFile};
    if (c.y4m.empty()) args = Args(s, 0, 1024, 576, {"--geometry=" + geometryFile}), args[7] = "auto";
    args.insert(args.end(), c.extra.begin(), c.extra.end());
    const std::string header =
        "YUV4MPEG2 W" + std::to_string(c.w) + " H" + std::to_string(c.h) + " C422 " + c.y4m + "\n";
    const ProgramRun run = RunTool(args, c.y4m.empty() ? raw : header + y4m);
    ASSERT_EQ(0, run.exitCode) << c.name << ": " << run.err;

    std::vector<long long> modes;
    for (const GeometryLine& line : ParseGeometry(ReadFile(geometryFile))) modes.push_back(line.mode);
    ASSERT_EQ(raw.size() / FrameBytes(s.w, s.h, s.format), modes.size()) << c.name;
    EXPECT_EQ(c.initial, modes[0]) << c.name;
    std::string said;
    size_t next = 0;
    for (size_t i = 1; i < modes.size(); ++i) {
      if (modes[i] == modes[i - 1]) continue;
      said += "frame " + std::to_string(i) + ": ";
      const bool expected = next < c.changes.size() && modes[i] == c.changes[next].mode &&
                            static_cast<long long>(i) >= c.changes[next].first &&
                            static_cast<long long>(i) <= c.changes[next].last;
      EXPECT_TRUE(expected) << c.name << ": frame " << i << " changes to mode " << modes[i];
      ++next;
    }
    EXPECT_EQ(c.changes.size(), next) << c.name;
    // One line per change, then the end line with their count.
    const std::string counted = " fps, mode auto (" + std::to_string(next) + (next == 1 ? " change)" : " changes)");
    EXPECT_NE(std::string::npos, run.err.find(counted)) << c.name << ": " << run.err;
    std::string lines;
    for (size_t at = 0; (at = run.err.find("frame ", at)) != std::string::npos; at = run.err.find('\n', at))
      lines += run.err.substr(at, run.err.find(": ", at) + 2 - at);
    EXPECT_EQ(said, lines) << c.name << ": " << run.err;

    const std::string expected = Reference(raw, s, 0, 0, 1024, 576, nullptr, modes);
    if (c.y4m.empty()) {
      EXPECT_TRUE(run.out == expected) << c.name;
    } else {
      std::string planes;
      for (const std::string& frame : Split(expected, FrameBytes(s.w, s.h, 0))) planes += "FRAME\n" + ToPlanes(frame, s, "422");
      EXPECT_TRUE(run.out.substr(run.out.find('\n') + 1) == planes) << c.name;
    }
  }
  std::remove(geometryFile.c_str());
}

}  // namespace
}  // namespace xvf
