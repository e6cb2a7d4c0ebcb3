// The built xvf-aspect program, driven through pipes and files and compared
// with the frame pass run in this process.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "plugin/plugin_state.h"
#include "tests/support/frame_setup.h"
#include "tests/tools/stored_png.h"
#include "tests/tools/tool_runner.h"
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
std::string Reference(const std::string& frames, const Stream& s, int32_t mode, int32_t interlace, int32_t cw,
                      int32_t ch, std::vector<int32_t>* results = nullptr) {
  PluginState state;
  state.Start(StreamFormat{s.w, s.h, 0, s.format, 0}, nullptr);
  const FrameInputs in = test::WindowInputs(mode, cw, ch, interlace);
  const size_t bytes = FrameBytes(s.w, s.h, s.format);
  std::string out;
  std::vector<uint8_t> frame(bytes);
  for (size_t at = 0; at + bytes <= frames.size(); at += bytes) {
    std::copy_n(frames.data() + at, bytes, reinterpret_cast<char*>(frame.data()));
    const int32_t result = state.ProcessFrame(frame.data(), in);
    if (results) results->push_back(result);
    out.append(reinterpret_cast<const char*>(frame.data()), bytes);
  }
  return out;
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
          const ToolRun run = RunTool(kBinary, Args(s, mode, win.cw, win.ch, extra), input);
          const std::string where = "format " + std::to_string(s.format) + " mode " + std::to_string(mode) +
                                    " fields " + std::to_string(fields) + " window " + std::to_string(win.cw) +
                                    "x" + std::to_string(win.ch);
          ASSERT_EQ(0, run.exitCode) << where << ": " << run.err;
          EXPECT_EQ("", run.err) << where;
          ASSERT_EQ(input.size(), run.out.size()) << where;
          EXPECT_TRUE(run.out == Reference(input, s, mode, fields, win.cw, win.ch)) << where;
        }
}

// Panorama keeps its table from frame to frame; a new run starts afresh.
TEST(XvfAspectBinary, ManyFramesInOrderAndStandardStreamsByDash) {
  const Stream s{720, 576, 0};
  const std::string input = Frames(s, 8);
  const std::string expected = Reference(input, s, 3, 0, 1280, 544);
  const ToolRun plain = RunTool(kBinary, Args(s, 3, 1280, 544), input);
  ASSERT_EQ(0, plain.exitCode) << plain.err;
  EXPECT_TRUE(plain.out == expected);
  const ToolRun dashed = RunTool(kBinary, Args(s, 3, 1280, 544, {"-i", "-", "-o", "-", "--quiet"}), input);
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
  ToolRun run = RunTool(kBinary, named, "");
  ASSERT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("", run.out);
  EXPECT_TRUE(ReadFile(out) == Reference(input, s, 2, 0, 1024, 576));

  // The same file for both would be truncated before it is read.
  run = RunTool(kBinary, Args(s, 2, 1024, 576, {"-i", in, "-o", in}), "");
  EXPECT_EQ(2, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find("same file")) << run.err;
  EXPECT_TRUE(ReadFile(in) == input);

  // A missing input creates no output.
  const std::string never = ::testing::TempDir() + "xvf_never.raw";
  std::remove(never.c_str());
  run = RunTool(kBinary, Args(s, 2, 1024, 576, {"-i", in + ".missing", "-o", never}), "");
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
  ToolRun run = RunTool(kBinary, Args(s, 1, 1024, 576), whole + std::string(1234, '\x55'));
  EXPECT_EQ(1, run.exitCode);
  EXPECT_TRUE(run.out == expected) << run.out.size() << " bytes written";
  EXPECT_NE(std::string::npos, run.err.find("1234 bytes left over")) << run.err;
  EXPECT_NE(std::string::npos, run.err.find("3 complete frames written")) << run.err;

  run = RunTool(kBinary, Args(s, 1, 1024, 576), whole.substr(0, 100));
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("", run.out);
  EXPECT_NE(std::string::npos, run.err.find("100 bytes left over")) << run.err;

  run = RunTool(kBinary, Args(s, 1, 1024, 576), "");  // an empty stream is a stream of no frames
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ("", run.out);
}

TEST(XvfAspectBinary, BadCommandLinesExitTwoWithUsage) {
  const Stream s{720, 576, 0};
  for (const std::vector<std::string>& args :
       {std::vector<std::string>{"--bogus"}, Args(s, 1, 1024, 576, {"--format", "nv12"}),
        std::vector<std::string>{"--size", "720x576", "--window", "1024x576", "--mode", "sideways"},
        std::vector<std::string>{"--size", "720x576", "--window", "1024x576"}, Args(s, 1, 1024, 576, {"-o"})}) {
    const ToolRun run = RunTool(kBinary, args, Frames(s, 1));
    EXPECT_EQ(2, run.exitCode) << args[0];
    EXPECT_EQ("", run.out);
    EXPECT_EQ(0u, run.err.find("xvf-aspect: ")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find("\nusage: xvf-aspect --size WxH")) << run.err;
  }
  const ToolRun help = RunTool(kBinary, {"--help"}, "");
  EXPECT_EQ(0, help.exitCode);
  EXPECT_EQ(0u, help.out.find("usage: xvf-aspect"));
  EXPECT_EQ("", help.err);
}

TEST(XvfAspectBinary, SizesThePassCannotTakeExitTwo) {
  struct Case {
    Stream s;
    const char* message;
  };
  for (const Case& c : {Case{{721, 576, 0}, "even width"}, Case{{70000, 2, 1}, "below 65536"},
                        Case{{2, 65536, 0}, "below 65536"}, Case{{40000, 40000, 1}, "2 GiB"}}) {
    const ToolRun run = RunTool(kBinary, Args(c.s, 1, 1024, 576), "abc");
    EXPECT_EQ(2, run.exitCode) << c.message;
    EXPECT_EQ("", run.out);
    EXPECT_NE(std::string::npos, run.err.find("cannot take")) << run.err;
    EXPECT_NE(std::string::npos, run.err.find(c.message)) << run.err;
  }
  // An odd width is fine in RGB24.
  const Stream odd{721, 5, 1};
  const std::string input = Frames(odd, 2);
  const ToolRun run = RunTool(kBinary, Args(odd, 4, 1024, 576), input);
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_TRUE(run.out == Reference(input, odd, 4, 0, 1024, 576));
}

TEST(XvfAspectBinary, ReaderGoingAwayEndsQuietly) {
  const Stream s{720, 576, 0};
  const ToolRun run = RunTool(kBinary, Args(s, 2, 1024, 576), Frames(s, 4), /*closeOutput=*/true);
  EXPECT_EQ(0, run.signal) << "killed by signal " << run.signal;
  EXPECT_EQ(1, run.exitCode);
  EXPECT_EQ("", run.err);
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
  long long frame = -1, result = -1;
  bool haveRects = false;
  std::vector<long long> src, dst;
};

std::vector<GeometryLine> ParseGeometry(const std::string& err) {
  std::vector<GeometryLine> lines;
  std::istringstream in(err);
  for (std::string text; std::getline(in, text);) {
    Json::Value v;
    GeometryLine line;
    if (!Json(text).Parse(&v) || v.kind != Json::Value::kObject || v.keys.size() != 4) {
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
    const ToolRun run = RunTool(kBinary, Args(s, c.mode, c.cw, c.ch, {"--geometry"}), input);
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
          const ToolRun run = RunTool(kBinary, Args(s, mode, win.first, win.second, extra), Frames(s, 1));
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
  ToolRun run = RunTool(kBinary, Args(s, 2, 1024, 576, {"--preview", path}), frames);
  ASSERT_EQ(0, run.exitCode) << run.err;
  StoredPng png = DecodeStoredPng(ReadFile(path));
  ASSERT_TRUE(png.ok) << png.error;
  EXPECT_EQ(1024u, png.width);
  EXPECT_EQ(576u, png.height);
  for (uint32_t y : {0u, 300u, 575u})
    for (uint32_t x : {0u, 127u, 128u, 512u, 895u, 896u, 1023u}) {
      const uint8_t* p = &png.rgb[(y * png.width + x) * 3];
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
  run = RunTool(kBinary, Args(rgb, 0, 50, 30, {"--preview", path}), frame);
  ASSERT_EQ(0, run.exitCode) << run.err;
  png = DecodeStoredPng(ReadFile(path));
  ASSERT_TRUE(png.ok) << png.error;
  ASSERT_EQ(50u, png.width);
  ASSERT_EQ(30u, png.height);
  for (uint32_t y = 0; y < 30; ++y) {
    const uint8_t* p = &png.rgb[(y * 50 + 49) * 3];
    const std::vector<int> got{p[0], p[1], p[2]};
    EXPECT_EQ(y < 10 ? std::vector<int>({30, 20, 10}) : std::vector<int>({3, 2, 1}), got) << "row " << y;
  }
  std::remove(path.c_str());

  // No frame, no preview: said so, and not a success.
  run = RunTool(kBinary, Args(rgb, 0, 50, 30, {"--preview", path}), "");
  EXPECT_EQ(1, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find("no preview")) << run.err;
  EXPECT_FALSE(Exists(path));

  // An unwritable preview stops the run before the frame is written.
  run = RunTool(kBinary, Args(rgb, 0, 50, 30, {"--preview", ::testing::TempDir() + "no/such/dir/p.png"}), frame);
  EXPECT_EQ(1, run.exitCode);
  EXPECT_NE(std::string::npos, run.err.find("cannot write the preview")) << run.err;
  EXPECT_EQ("", run.out);
}

}  // namespace
}  // namespace xvf
