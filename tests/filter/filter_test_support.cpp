// What the tests of the built xvf-aspect program share (see the header).
#include "tests/filter/filter_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "framepass/plugin_state.h"
#include "tests/support/frame_setup.h"
#include "tools/test_card.h"

namespace xvf {
namespace filter_test {

std::string Frames(const Stream& s, int count) {
  const std::vector<uint8_t> card = RgbToFrame(MakeTestCardRgb(s.w, s.h), s.w, s.h, PixelFormatOf(s.format));
  std::string out;
  for (int k = 0; k < count; ++k)
    for (size_t i = 0; i < card.size(); ++i)
      out.push_back(static_cast<char>(i % 7 == 0 ? card[i] ^ (k * 0x15) : card[i]));
  return out;
}

std::string Reference(const std::string& frames, const Stream& s, int32_t mode, int32_t interlace, int32_t cw,
                      int32_t ch, std::vector<int32_t>* results, const std::vector<long long>& modes) {
  PluginState state;
  state.Start(StreamFormat{s.w, s.h, 0, s.format, 0}, nullptr);
  FrameInputs in = test::WindowInputs(mode, cw, ch, interlace);
  const size_t bytes = FrameBytes(PixelFormatOf(s.format), s.w, s.h);
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

ProgramRun RunTool(std::vector<std::string> args, const std::string& input, bool closeOutput) {
  args.insert(args.begin(), kBinary);
  return RunProgram(args, input, closeOutput);
}

std::vector<std::string> Args(const Stream& s, int32_t mode, int32_t cw, int32_t ch, std::vector<std::string> extra) {
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

std::vector<GeometryLine> ParseGeometry(const std::string& err) {
  std::vector<GeometryLine> lines;
  std::istringstream in(err);
  for (std::string text; std::getline(in, text);) {
    const nlohmann::json v = nlohmann::json::parse(text, nullptr, /*allow_exceptions=*/false);
    if (!v.is_object() || v.size() != 5) {
      ADD_FAILURE() << "not a geometry object: " << text;
      continue;
    }
    auto integer = [&](const char* key) { return v.contains(key) && v.at(key).is_number_integer(); };
    if (!integer("frame") || !integer("result") || (v.contains("mode") && !integer("mode")) || !v.contains("src") ||
        !v.contains("dst") || v.at("src").type() != v.at("dst").type()) {
      ADD_FAILURE() << "bad fields: " << text;
      continue;
    }
    GeometryLine line;
    line.frame = v.at("frame").get<long long>();
    line.result = v.at("result").get<long long>();
    if (v.contains("mode")) line.mode = v.at("mode").get<long long>();
    line.haveRects = v.at("src").is_array();
    // A rectangle is four integers.
    auto rect = [&](const char* key, std::vector<long long>* numbers) {
      EXPECT_EQ(4u, v.at(key).size()) << text;
      for (const nlohmann::json& n : v.at(key)) {
        if (!n.is_number_integer()) return false;
        numbers->push_back(n.get<long long>());
      }
      return true;
    };
    if (line.haveRects && !(rect("src", &line.src) && rect("dst", &line.dst))) {
      ADD_FAILURE() << "bad rectangle: " << text;
      continue;
    }
    lines.push_back(line);
  }
  return lines;
}

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

std::vector<std::string> Window(int32_t mode, int32_t cw, int32_t ch, std::vector<std::string> extra) {
  std::vector<std::string> args = {"--window", std::to_string(cw) + "x" + std::to_string(ch), "--mode",
                                   std::to_string(mode), "-q"};
  args.insert(args.end(), extra.begin(), extra.end());
  return args;
}

}  // namespace filter_test
}  // namespace xvf
