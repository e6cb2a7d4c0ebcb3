// The mpv plug-in in a real mpv under Xvfb (Mesa's software renderer): the
// window's screenshots against the frame pass's own frames stretched to the
// same window by the same mpv, the card's circle, the panorama's columns
// against the frame pass's table, auto against xvf-aspect --mode auto, the
// cycle key and its OSD text.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "engine/scale_map.h"
#include "framepass/aspect_geometry.h"
#include "framepass/panorama_table.h"
#include "tests/mpv/mpv_session.h"
#include "tools/demo-sheet/circle_measure.h"
#include "tools/demo-sheet/demo_expectations.h"
#include "tools/image/png_file.h"
#include "tools/process/run_program.h"
#include "tools/test_card.h"

namespace xvf {
namespace {

const std::string kDir = XVF_MPV_TEST_DIR;
const std::string kPlugin = std::string("--script=") + XVF_MPV_PLUGIN;
constexpr int32_t kW = 720, kH = 576;

struct Window {
  int32_t cw, ch;
};
const Window kWindows[] = {{1024, 576}, {768, 576}, {480, 720}};
const char* const kNames[] = {"fit-window", "fit-width", "fit-height", "panorama", "anamorphic", "auto"};

void Shell(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

// The card (4:3, circle touching top and bottom) as `name`.y4m, one frame.
std::string CardFile() {
  Picture card(kW, kH);
  card.bgr = MakeTestCardRgb(kW, kH);
  WritePng(kDir + "/card.png", card);
  Shell("ffmpeg -v error -y -i " + kDir + "/card.png -vf setsar=16/15 -pix_fmt yuv420p " + kDir + "/card.y4m");
  return kDir + "/card.y4m";
}

// Mean absolute difference per channel, and the share of pixels off by more
// than 48 in some channel.
void Compare(const Picture& a, const Picture& b, double* mean, double* far) {
  ASSERT_EQ(a.width, b.width);
  ASSERT_EQ(a.height, b.height);
  long long sum = 0, off = 0;
  for (size_t i = 0; i < a.bgr.size(); i += 3) {
    int worst = 0;
    for (int c = 0; c < 3; ++c) {
      const int d = std::abs(a.bgr[i + c] - b.bgr[i + c]);
      sum += d;
      worst = std::max(worst, d);
    }
    off += worst > 48;
  }
  *mean = double(sum) / double(a.bgr.size());
  *far = double(off) / double(a.bgr.size() / 3);
}

// Panorama: every white line the window shows lies within one frame column
// of where the table puts it, and every line the table puts is shown.
void CheckPanoramaColumns(const Picture& shot, const Picture& card, Window win) {
  std::vector<ScaleMapEntry> table(kW);
  BuildPanoramaTable(kW, PanoramaRatio(win.cw, win.ch), 4, table.data());
  std::vector<double> source(kW);
  for (int32_t x = 0, p = 0; x < kW; ++x) {
    const int32_t i = p + table[x].advance / 4;
    source[x] = i + table[x].weight[0] / 4096.0;
    p = table[x].secondOffset != 0 ? i + 1 : i;
  }
  const int32_t y = win.ch * 3 / 10, row = y * kH / win.ch;
  std::vector<int> shown(win.cw), expected(win.cw);
  for (int32_t X = 0; X < win.cw; ++X) {
    const uint8_t* s = shot.at(X, y);
    shown[X] = std::min({s[0], s[1], s[2]});
    const double at = source[std::min<int32_t>(kW - 1, (2 * X + 1) * kW / (2 * win.cw))];
    const int32_t i = static_cast<int32_t>(at), j = std::min(i + 1, kW - 1);
    expected[X] = static_cast<int>(*std::min_element(card.at(i, row), card.at(i, row) + 3) * (1 - (at - i)) +
                                   *std::min_element(card.at(j, row), card.at(j, row) + 3) * (at - i));
  }
  const int32_t reach = win.cw / kW + 1;  // one frame column, in window pixels
  auto near = [&](const std::vector<int>& v, int32_t X, int level) {
    for (int32_t d = -reach; d <= reach; ++d)
      if (X + d >= 0 && X + d < win.cw && v[X + d] >= level) return true;
    return false;
  };
  for (int32_t X = 0; X < win.cw; ++X) {
    EXPECT_TRUE(shown[X] < 200 || near(expected, X, 150)) << "shown line at window column " << X;
    EXPECT_TRUE(expected[X] < 230 || near(shown, X, 150)) << "missing line at window column " << X;
  }
}

// For every window and framing mode, chosen with the key from fit-window on:
// the window against the frame pass's frame, the circle where the mode
// promises a shape, the panorama's columns. The OSD names each mode.
TEST(MpvPlugin, EveryModeInEveryWindowMatchesTheFramePass) {
  const std::string card = CardFile();
  // The frame pass's frames, one per window and mode, in one stream.
  std::string frames;
  for (const Window& win : kWindows)
    for (int32_t mode = 1; mode <= 4; ++mode) {
      const std::string out = kDir + "/pass.y4m";
      Shell(std::string(XVF_ASPECT_BINARY) + " -q --mode " + std::to_string(mode) + " --window " +
          std::to_string(win.cw) + "x" + std::to_string(win.ch) + " -i " + card + " -o " + out);
      std::ifstream in(out, std::ios::binary);
      const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
      frames += frames.empty() ? bytes : bytes.substr(bytes.find("FRAME"));
    }
  std::ofstream(kDir + "/passes.y4m", std::ios::binary) << frames;

  std::vector<Picture> shots;
  MpvSession player(kDir, {kPlugin, "--pause", "--keep-open=yes", "--term-osd=force", "--geometry=1024x576", card});
  std::vector<Picture> reference;
  for (const Window& win : kWindows) {
    ASSERT_TRUE(player.Resize(win.cw, win.ch));
    for (int32_t mode = 1; mode <= 5; ++mode) {
      player.Command({"keypress", "a"});
      const std::string name = kNames[mode % 5 == 0 ? 0 : mode];  // the fifth press is auto, a sixth fit-window
      const bool shader = mode != 5;
      ASSERT_TRUE(player.WaitFor("glsl-shaders", [&](const nlohmann::json& list) {
        return shader ? list.size() == 1 && list[0].get<std::string>().ends_with("xvfaspect-" + name + ".glsl")
                      : list.size() <= 1;
      })) << name;
      if (mode == 5) {
        player.Command({"keypress", "a"});  // back to fit-window
        ASSERT_TRUE(player.WaitFor("glsl-shaders", [](const nlohmann::json& list) { return list.empty(); }));
        EXPECT_EQ(player.Get("keepaspect"), false) << "the user's keepaspect given back";
        continue;
      }
      player.Command({"show-text", " ", "1"});  // the OSD off the picture
      usleep(20000);
      shots.push_back(player.Screenshot(std::to_string(win.cw) + "-" + name));
    }
  }
  const std::string log = player.Finish();
  for (const char* name : kNames) {  // printed, and shown by the terminal's OSD
    const std::regex said(std::string("xvfaspect: (auto: )?") + name);
    EXPECT_GE(std::distance(std::sregex_iterator(log.begin(), log.end(), said), std::sregex_iterator()), 2) << name;
  }

  MpvSession pass(kDir, {"--pause", "--keep-open=yes", "--geometry=1024x576", kDir + "/passes.y4m"});
  std::string error;
  Picture cardShown = ReadPng(kDir + "/card.png", &error);
  for (size_t k = 0; k < shots.size(); ++k) {
    const Window win = kWindows[k / 4];
    const int32_t mode = static_cast<int32_t>(k % 4) + 1;
    SCOPED_TRACE(std::to_string(win.cw) + "x" + std::to_string(win.ch) + " " + kNames[mode]);
    if (k > 0) pass.Command({"frame-step"});
    ASSERT_TRUE(pass.WaitFor("estimated-frame-number", [&](const nlohmann::json& n) { return n == k; }));
    ASSERT_TRUE(pass.Resize(win.cw, win.ch));
    const Picture expected = pass.Screenshot("pass-" + std::to_string(k));
    double mean = 0, far = 0;
    Compare(shots[k], expected, &mean, &far);
    EXPECT_LT(mean, 2.0);
    EXPECT_LT(far, 0.005);
    const CircleMeasure circle = MeasureCircle(shots[k]);
    const double ratio = ExpectedCircleRatio(mode, kW, kH, win.cw, win.ch, false);
    if (!std::isnan(ratio)) {
      ASSERT_TRUE(circle.found);
      EXPECT_NEAR(circle.ratio, ratio, 0.03 * ratio);
    }
    if (mode == 3 && !IsFourThirdsWindow(win.cw, win.ch)) CheckPanoramaColumns(shots[k], cardShown, win);
    std::printf("%dx%d %-10s mean %.3f, off by >48: %.4f%%, circle %.3f (expected %.3f)\n", win.cw, win.ch,
                kNames[mode], mean, 100 * far, circle.ratio, ratio);
  }
  pass.Finish();
}

// Auto on a letterboxed film cut to the 4:3 card switches as xvf-aspect
// --mode auto does on the same frames, up to the plug-in's sampling (5 a
// second, so changes within 0.6 s); the window resized while playing is
// followed (fit-height's circle stays round).
TEST(MpvPlugin, AutoFollowsTheFilterAndTheWindowWhilePlaying) {
  CardFile();
  const std::string film = kDir + "/film.mkv";
  Shell("ffmpeg -v error -y -loop 1 -t 3 -i " + kDir + "/card.png -loop 1 -t 3 -i " + kDir +
        "/card.png -filter_complex \"[0]scale=720:405,pad=720:576:0:85[a];[a][1]concat,fps=25,setsar=16/15\" "
        "-pix_fmt yuv420p -c:v libx264 -qp 0 -preset ultrafast " + film);
  const ProgramRun filter = RunProgram({"sh", "-c", "ffmpeg -v error -i " + film + " -f yuv4mpegpipe - | " +
                                        XVF_ASPECT_BINARY + " -q --mode auto --auto-fallback fit-height "
                                        "--window 1024x576 --geometry -o /dev/null"});
  std::vector<std::pair<std::string, double>> expected;  // each change: mode, seconds
  std::string before = "fit-height";
  std::istringstream lines(filter.err);
  for (std::string line; std::getline(lines, line);) {
    const nlohmann::json frame = nlohmann::json::parse(line, nullptr, false);
    if (!frame.is_object() || !frame["mode"].is_number()) continue;
    const std::string mode = kNames[frame["mode"].get<int>()];
    if (mode != before) expected.emplace_back(mode, frame["frame"].get<double>() / 25.0);
    before = mode;
  }
  ASSERT_EQ(expected.size(), 2u) << filter.err.substr(0, 400);

  MpvSession player(kDir, {kPlugin, "--keep-open=yes", "--geometry=1024x576",
                           "--script-opts=xvfaspect-mode=auto,xvfaspect-auto-fallback=fit-height", film});
  ASSERT_TRUE(player.WaitFor("time-pos", [](const nlohmann::json& t) { return t.is_number() && t > 4.8; }));
  ASSERT_TRUE(player.Resize(480, 720));
  const CircleMeasure circle = MeasureCircle(player.Screenshot("auto-resized"));
  EXPECT_NEAR(circle.ratio, 1.0, 0.03);
  ASSERT_TRUE(player.WaitFor("eof-reached", [](const nlohmann::json& e) { return e == true; }));
  const std::string log = player.Finish();
  const std::regex change("xvfaspect: auto: ([a-z-]+) \\([^)]*\\) at ([0-9.]+) s");
  std::vector<std::pair<std::string, double>> seen;
  for (auto m = std::sregex_iterator(log.begin(), log.end(), change); m != std::sregex_iterator(); ++m)
    seen.emplace_back((*m)[1], std::stod((*m)[2]));
  ASSERT_EQ(seen.size(), expected.size()) << log;
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].first, expected[i].first);
    EXPECT_NEAR(seen[i].second, expected[i].second, 0.6) << seen[i].first;
  }
}

}  // namespace
}  // namespace xvf
