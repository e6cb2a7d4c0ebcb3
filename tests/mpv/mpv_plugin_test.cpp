// The mpv plug-in in a real mpv under Xvfb (Mesa's software renderer),
// driven through mpv's JSON IPC: the window against the frame pass's own
// frames shown by the same mpv, the card's circle, the lines' columns
// (the panorama's table), auto against xvf-aspect --mode auto, the cycle
// key and its OSD text.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <fstream>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>

#include "tools/demo-sheet/circle_measure.h"
#include "tools/demo-sheet/demo_expectations.h"
#include "common/image/png_file.h"
#include "common/process/run_program.h"
#include "tools/test_card.h"

namespace xvf {
namespace {

using nlohmann::json;
const std::string kDir = XVF_MPV_TEST_DIR;
const std::string kPlugin = std::string("--script=") + XVF_MPV_PLUGIN;
constexpr int32_t kW = 720, kH = 576;
const char* const kNames[] = {"fit-window", "fit-width", "fit-height", "panorama", "anamorphic", "auto"};

std::string Read(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void Shell(const std::string& command) { ASSERT_EQ(std::system(command.c_str()), 0) << command; }

// mpv with the GPU output, keepaspect off, its terminal in <dir>/mpv.log.
class Mpv {
 public:
  explicit Mpv(std::vector<std::string> args) {
    int ends[2];
    socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends);
    args.insert(args.begin(), {"mpv", "--no-config", "--vo=gpu", "--gpu-context=x11egl", "--no-border",
                               "--keepaspect=no", "--ao=null", "--input-ipc-client=fd://" + std::to_string(ends[1])});
    if ((pid_ = fork()) == 0) {
      freopen((kDir + "/mpv.log").c_str(), "w", stdout);
      dup2(1, 2);
      fcntl(ends[1], F_SETFD, 0);  // mpv's end, kept across exec
      std::vector<char*> argv;
      for (std::string& a : args) argv.push_back(a.data());
      argv.push_back(nullptr);
      execvp("mpv", argv.data());
      _exit(127);
    }
    close(ends[1]);
    socket_ = ends[0];
  }
  ~Mpv() {
    close(socket_);
    if (pid_ > 0 && kill(pid_, SIGKILL) == 0) waitpid(pid_, nullptr, 0);
  }
  // A command's reply; events on the way are skipped.
  json Command(const json& command) {
    const std::string line = json{{"command", command}, {"request_id", ++id_}}.dump() + "\n";
    if (socket_ < 0 || send(socket_, line.data(), line.size(), MSG_NOSIGNAL) < 0) return nullptr;
    for (;;) {
      for (size_t end; (end = pending_.find('\n')) != std::string::npos;) {
        const json reply = json::parse(pending_.substr(0, end), nullptr, false);
        pending_.erase(0, end + 1);
        if (reply.is_object() && reply.value("request_id", 0) == id_) return reply;
      }
      char buffer[65536];
      pollfd p{socket_, POLLIN, 0};
      const ssize_t got = poll(&p, 1, 20000) == 1 ? recv(socket_, buffer, sizeof buffer, 0) : -1;
      if (got <= 0) return nullptr;
      pending_.append(buffer, static_cast<size_t>(got));
    }
  }
  json Get(const std::string& property) { return Command({"get_property", property})["data"]; }
  // Polls `property` for at most 10 s until `ok` holds of it.
  bool Wait(const std::string& property, const std::function<bool(const json&)>& ok) {
    for (int tries = 0; tries < 200; ++tries, usleep(50000))
      if (ok(Get(property))) return true;
    return false;
  }
  bool Resize(int32_t cw, int32_t ch) {
    Command({"set_property", "geometry", std::to_string(cw) + "x" + std::to_string(ch)});
    return Wait("osd-dimensions", [&](const json& d) { return d.is_object() && d["w"] == cw && d["h"] == ch; });
  }
  Picture Shot(const std::string& name) {
    Command({"screenshot-to-file", kDir + "/" + name + ".png", "window"});
    std::string error;
    return ReadPng(kDir + "/" + name + ".png", &error);
  }
  // Polls mpv's terminal for at most 10 s until it holds `text`.
  bool WaitLog(const std::string& text) {
    for (int tries = 0; tries < 200 && Read(kDir + "/mpv.log").find(text) == std::string::npos; ++tries) usleep(50000);
    return Read(kDir + "/mpv.log").find(text) != std::string::npos;
  }
  std::string Finish() {
    Command({"quit"});
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
    return Read(kDir + "/mpv.log");
  }

 private:
  pid_t pid_ = -1;
  int socket_ = -1, id_ = 0;
  std::string pending_;
};

// Lines the plug-in printed to the terminal holding `text` (the OSD's copy
// on mpv's status line not counted).
int Said(const std::string& log, const std::string& text) {
  std::istringstream lines(log);
  int said = 0;
  for (std::string line; std::getline(lines, line);)
    said += line.starts_with("xvfaspect: ") && line.find(text) != std::string::npos;
  return said;
}

// The 4:3 card (circle touching top and bottom) as one 4:2:0 frame.
std::string CardFile() {
  Picture card(kW, kH);
  card.bgr = MakeTestCardRgb(kW, kH);
  WritePng(kDir + "/card.png", card);
  Shell("ffmpeg -v error -y -i " + kDir + "/card.png -vf setsar=16/15 -pix_fmt yuv420p " + kDir + "/card.y4m");
  return kDir + "/card.y4m";
}

// Along a row, every white line of one picture lies within one frame column
// of a white line of the other: the columns the panorama's table (or a
// mode's rectangles) put them in.
void ExpectSameColumns(const Picture& shot, const Picture& pass, int32_t cw, int32_t ch) {
  const int32_t y = ch * 3 / 10, reach = cw / kW + 1;
  auto white = [&](const Picture& p, int32_t x) { return std::min({p.at(x, y)[0], p.at(x, y)[1], p.at(x, y)[2]}); };
  auto near = [&](const Picture& p, int32_t x) {
    for (int32_t d = std::max(0, x - reach); d <= std::min(cw - 1, x + reach); ++d)
      if (white(p, d) >= 150) return true;
    return false;
  };
  for (int32_t x = 0; x < cw; ++x) {
    EXPECT_TRUE(white(shot, x) < 200 || near(pass, x)) << "a line at window column " << x << " the pass has not";
    EXPECT_TRUE(white(pass, x) < 200 || near(shot, x)) << "no line at window column " << x << " as the pass has";
  }
}

// Every window and framing mode, chosen with the key from fit-window on: the
// window against the frame pass's frame stretched to it by the same mpv, the
// circle where the mode promises a shape, the columns of the lines; the OSD
// (and the terminal) names each mode.
TEST(MpvPlugin, EveryModeInEveryWindowMatchesTheFramePass) {
  struct Window { int32_t cw, ch; } const windows[] = {{1024, 576}, {768, 576}, {480, 720}};
  const std::string card = CardFile();
  std::string passes;  // the frame pass's frames, per window and mode, in one stream
  for (const Window& win : windows)
    for (int32_t mode = 1; mode <= 4; ++mode) {
      Shell(std::string(XVF_ASPECT_BINARY) + " -q -m " + std::to_string(mode) + " -w " + std::to_string(win.cw) +
            "x" + std::to_string(win.ch) + " -i " + card + " -o " + kDir + "/pass.y4m");
      const std::string bytes = Read(kDir + "/pass.y4m");
      passes += passes.empty() ? bytes : bytes.substr(bytes.find("FRAME"));
    }
  std::ofstream(kDir + "/passes.y4m", std::ios::binary) << passes;

  std::vector<Picture> shots;
  Mpv player({kPlugin, "--pause", "--keep-open=yes", card});
  for (const Window& win : windows) {
    ASSERT_TRUE(player.Resize(win.cw, win.ch));
    for (int32_t press = 1; press <= 6; ++press) {  // round to auto and back to fit-window
      player.Command({"keypress", "a"});
      const std::string file = std::string("xvfaspect-") + kNames[press == 5 ? 3 : press % 6] + ".glsl";
      ASSERT_TRUE(player.Wait("glsl-shaders", [&](const json& list) {
        return press == 6 ? list.empty() : list.size() == 1 && list[0].get<std::string>().ends_with(file);
      })) << press;
      EXPECT_EQ(player.Get("script-opts")["xvfaspect-mode"], kNames[press % 6]) << "the option follows the key";
      if (press >= 5) continue;
      // mpv draws OSD text changes on its next turn: the name, then nothing.
      usleep(150000);
      const Picture named = player.Shot("osd");
      player.Command({"show-text", " ", "1"});
      int osd = 0;  // pixels of text over the top left corner
      for (int tries = 0; tries < 40; ++tries, osd = 0) {
        shots.push_back(player.Shot(std::to_string(win.cw) + "-" + kNames[press]));
        for (int32_t y = 0; y < 40; ++y)
          for (int32_t x = 0; x < 200; ++x) osd += std::abs(named.at(x, y)[1] - shots.back().at(x, y)[1]) > 64;
        if (osd > 50) break;
        shots.pop_back();
        usleep(50000);
      }
      ASSERT_GT(osd, 50) << "no OSD text for " << kNames[press];
    }
    EXPECT_EQ(player.Get("keepaspect"), false) << "the user's keepaspect given back";
  }
  const std::string log = player.Finish();
  for (const char* name : kNames) {  // the OSD's text, also printed
    const std::regex said(std::string("xvfaspect: (auto: )?") + name);
    EXPECT_GE(std::distance(std::sregex_iterator(log.begin(), log.end(), said), std::sregex_iterator()), 3) << name;
  }

  Mpv pass({"--pause", "--keep-open=yes", kDir + "/passes.y4m"});
  for (size_t k = 0; k < shots.size(); ++k) {
    const Window win = windows[k / 4];
    const int32_t mode = static_cast<int32_t>(k % 4) + 1;
    SCOPED_TRACE(std::to_string(win.cw) + "x" + std::to_string(win.ch) + " " + kNames[mode]);
    if (k > 0) pass.Command({"frame-step"});
    ASSERT_TRUE(pass.Wait("estimated-frame-number", [&](const json& n) { return n == k; }));
    ASSERT_TRUE(pass.Resize(win.cw, win.ch));
    const Picture expected = pass.Shot("pass-" + std::to_string(k));
    // The frame pass scales 4:2:0 planes with 12-bit integer weights, the
    // shader RGB in floating point: 1-pixel lines and colour edges differ by
    // a rounding or a chroma sample, nothing else (measured: the worst
    // channel's mean 0.13 to 0.59, at most 0.36 % of pixels off by more
    // than 48; a 3 % error in the panorama's ratio gives 1.3 %).
    ASSERT_EQ(shots[k].bgr.size(), expected.bgr.size());
    double sum = 0, far = 0, pixels = double(expected.bgr.size() / 3);
    for (size_t i = 0; i < expected.bgr.size(); i += 3) {
      int worst = 0;
      for (size_t c = i; c < i + 3; ++c) worst = std::max(worst, std::abs(shots[k].bgr[c] - expected.bgr[c]));
      sum += worst;
      far += worst > 48;
    }
    EXPECT_LT(sum / pixels, 1.0);
    EXPECT_LT(far / pixels, 0.005);
    const double ratio = ExpectedCircleRatio(mode, kW, kH, win.cw, win.ch, false);
    if (!std::isnan(ratio)) {
      EXPECT_NEAR(MeasureCircle(shots[k]).ratio, ratio, 0.03 * ratio);
    }
    ExpectSameColumns(shots[k], expected, win.cw, win.ch);
  }
  pass.Finish();
}

// Auto on a letterboxed film cut to the 4:3 card changes as xvf-aspect
// --mode auto does on the same frames, up to the plug-in's sampling (5 a
// second: within 0.6 s); a resize while playing is followed (fit-height's
// circle round).
TEST(MpvPlugin, AutoFollowsTheFilterAndTheWindowWhilePlaying) {
  CardFile();
  const std::string film = kDir + "/film.mkv";
  Shell("ffmpeg -v error -y -loop 1 -t 3 -i " + kDir + "/card.png -loop 1 -t 3 -i " + kDir +
        "/card.png -filter_complex \"[0]scale=720:432,pad=720:576:0:72[a];[a][1]concat,fps=25,setsar=16/15\" "
        "-pix_fmt yuv420p -c:v libx264 -qp 0 -preset ultrafast " + film);
  const ProgramRun filter = RunProgram({"sh", "-c", "ffmpeg -v error -i " + film + " -f yuv4mpegpipe - | " +
                                        XVF_ASPECT_BINARY + " -q -m auto --auto-fallback fit-height "
                                        "-w 1024x576 --geometry -o /dev/null"});
  std::vector<std::pair<std::string, double>> expected, seen;  // each change: mode, seconds
  std::istringstream lines(filter.err);
  for (std::string line, before = "fit-height"; std::getline(lines, line);) {
    const json frame = json::parse(line, nullptr, false);
    if (frame.is_object() && frame["mode"].is_number() && kNames[frame["mode"].get<int>()] != before)
      expected.emplace_back(before = kNames[frame["mode"].get<int>()], frame["frame"].get<double>() / 25);
  }
  ASSERT_EQ(expected.size(), 2u) << filter.err.substr(0, 400);

  Mpv player({kPlugin, "--keep-open=yes", "--geometry=1024x576",
              "--script-opts=xvfaspect-mode=auto,xvfaspect-auto-fallback=fit-height", film});
  ASSERT_TRUE(player.Wait("time-pos", [](const json& t) { return t.is_number() && t > 4.8; }));
  ASSERT_TRUE(player.Resize(480, 720));
  // The window takes its new size before mpv has drawn a frame into it: the
  // circle is measured once a frame shows it (a busy machine takes longer).
  double ratio = 0;
  for (int tries = 0; tries < 30 && std::abs(ratio - 1.0) > 0.03; ++tries) {
    if (tries > 0) usleep(100000);
    ratio = MeasureCircle(player.Shot("auto-resized")).ratio;
  }
  EXPECT_NEAR(ratio, 1.0, 0.03);
  ASSERT_TRUE(player.Wait("eof-reached", [](const json& e) { return e == true; }));
  const std::string log = player.Finish();
  // The session's reports: the first choice (the fallback), then each change.
  const std::regex report("xvfaspect: auto: frame [0-9]+ \\(([0-9]+):([0-9.]+)\\): [^\\n]*, ([a-z-]+)\\n");
  for (auto m = std::sregex_iterator(log.begin(), log.end(), report); m != std::sregex_iterator(); ++m)
    seen.emplace_back((*m)[3], 60 * std::stod((*m)[1]) + std::stod((*m)[2]));
  ASSERT_EQ(seen.size(), expected.size() + 1) << log;
  EXPECT_EQ(seen[0].first, "fit-height");
  EXPECT_LT(seen[0].second, 0.6);
  seen.erase(seen.begin());
  for (size_t i = 0; i < seen.size(); ++i) {
    EXPECT_EQ(seen[i].first, expected[i].first);
    EXPECT_NEAR(seen[i].second, expected[i].second, 0.6) << seen[i].first;
  }
}

// A mode whose shader file mpv cannot take (checked before it is handed
// over) or cannot compile (its error log) is not shown: the picture stays as
// mpv shows it, keepaspect as the user had it, and the terminal says why
// once; the next mode is shown. Values printed back come escaped.
TEST(MpvPlugin, AModeWhoseShaderMpvCannotTakeIsNotShown) {
  const std::string card = CardFile(), plugin = XVF_MPV_PLUGIN, built = plugin.substr(0, plugin.rfind('/'));
  const struct { const char *name, *damage, *why; } cases[] = {  // damage: shell in the plug-in's folder
      {"empty", ": >xvfaspect-panorama.glsl", "is empty"},
      {"garbage", "head -c 3000 /dev/urandom >xvfaspect-panorama.glsl", "is not the shader of panorama"},
      {"folder", "rm xvfaspect-panorama.glsl && mkdir xvfaspect-panorama.glsl", "is not a regular file"},
      {"device", "ln -sf /dev/zero xvfaspect-panorama.glsl", "is not a regular file"},
      {"deleted", "rm xvfaspect-panorama.glsl", "cannot be opened (No such file or directory)"},
      {"broken", "sed -i 's/^float mul_div/flot mul_div/' xvfaspect-panorama.glsl", "mpv could not compile"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string folder = kDir + "/hostile-" + c.name;
    Shell("rm -rf " + folder + " && mkdir " + folder + " && cp " + plugin + " " + built + "/*.glsl " + folder);
    // A 16:9 window: in a 4:3 one the shader's pass is skipped and mpv
    // compiles nothing.
    Mpv player({"--script=" + folder + "/xvfaspect.so", "--keepaspect=yes", "--geometry=1024x576", "--pause",
                "--keep-open=yes", card});
    ASSERT_TRUE(player.Wait("osd-dimensions", [](const json& d) { return d.is_object() && d["w"] > 0; }));
    Shell("cd " + folder + " && " + c.damage);  // after the plug-in found its shaders
    player.Command({"change-list", "script-opts", "append", "xvfaspect-mode=panorama"});
    ASSERT_TRUE(player.WaitLog("could not load the shader of panorama"));
    EXPECT_TRUE(player.Get("glsl-shaders").empty());
    EXPECT_EQ(player.Get("keepaspect"), true);
    player.Command({"keypress", "a"});
    EXPECT_TRUE(player.Wait("glsl-shaders", [](const json& l) { return l.size() == 1 && l[0] != ""; }));
    EXPECT_TRUE(player.Wait("keepaspect", [](const json& k) { return k == false; }));  // set just after the list
    player.Command({"change-list", "script-opts", "append", "xvfaspect-mode=\x1b]0;owned\x07\\\xc2\x9b"});
    EXPECT_TRUE(player.WaitLog("unknown xvfaspect-mode"));
    const std::string log = player.Finish();
    const size_t at = log.find("xvfaspect: could not load the shader of panorama: ");
    ASSERT_NE(at, std::string::npos) << log;
    const std::string line = log.substr(at, log.find('\n', at) - at);
    EXPECT_TRUE(line.find(c.why) != std::string::npos && line.ends_with("; the picture stays as mpv shows it")) << line;
    EXPECT_EQ(log.find("could not load", at + line.size()), std::string::npos) << "said once";
    // A shader that fails to compile was named when it was handed over.
    EXPECT_EQ(log.find("xvfaspect: panorama") == std::string::npos, c.name != std::string("broken")) << log;
    EXPECT_NE(log.find("xvfaspect: unknown xvfaspect-mode '\\x1b]0;owned\\x07\\\\\\xc2\\x9b'\n"), std::string::npos);
  }
}

// A stream declared 16:9 is anamorphic from the first sample, as in the
// filter: the first choice is applied and reported with its time, and
// auto-subtitles is an option here too.
TEST(MpvPlugin, AutoTakesAndReportsTheFirstChoice) {
  CardFile();
  const std::string film = kDir + "/declared.mkv";
  Shell("ffmpeg -v error -y -loop 1 -t 2 -i " + kDir + "/card.png -vf fps=25,setsar=64/45 -pix_fmt yuv420p "
        "-c:v libx264 -qp 0 -preset ultrafast " + film);
  Mpv player({kPlugin, "--keep-open=yes", "--geometry=1024x576",
              "--script-opts=xvfaspect-mode=auto,xvfaspect-auto-subtitles=crop", film});
  EXPECT_TRUE(player.Wait("glsl-shaders", [](const json& list) {
    return list.is_array() && list.size() == 1 && list[0].get<std::string>().ends_with("xvfaspect-anamorphic.glsl");
  }));
  ASSERT_TRUE(player.Wait("eof-reached", [](const json& e) { return e == true; }));
  const std::string log = player.Finish();
  EXPECT_NE(log.find("xvfaspect: auto: frame 0 (0:00.00): declared 16:9, anamorphic"), std::string::npos) << log;
  EXPECT_EQ(log.find("unknown"), std::string::npos) << log;
}

// The options as mpv users set them: ~~/script-opts/xvfaspect.conf, then
// script-opts, the later winning. An unknown key or a refused value is
// warned about once, by name, and the key keeps the value below it.
TEST(MpvPlugin, OptionsComeFromTheConfFileThenScriptOpts) {
  const std::string card = CardFile(), config = kDir + "/config";
  const struct { const char *name, *conf, *scriptOpts, *shown; std::vector<std::string> warnings; } cases[] = {
      {"file", "# the mode at start\nmode=panorama\n", "", "panorama", {}},
      {"script-opts over the file", "mode=panorama\n", "xvfaspect-mode=fit-width", "fit-width", {}},
      {"refused in the file", "mode=sideways\nspeed=2\n", "xvfaspect-colour=red", nullptr,
       {"xvfaspect.conf:1: unknown mode 'sideways'", "xvfaspect.conf:2: unknown option speed",
        "unknown option xvfaspect-colour"}},
      {"refused in script-opts", "mode=panorama\n", "xvfaspect-mode=sideways", "panorama",
       {"unknown xvfaspect-mode 'sideways'"}}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Shell("rm -rf " + config + " && mkdir -p " + config + "/script-opts");
    std::ofstream(config + "/script-opts/xvfaspect.conf") << c.conf;
    Mpv player({kPlugin, "--config=yes", "--config-dir=" + config, std::string("--script-opts=") + c.scriptOpts,
                "--pause", "--keep-open=yes", card});
    if (c.shown != nullptr) {
      const std::string file = std::string("xvfaspect-") + c.shown + ".glsl";
      EXPECT_TRUE(player.Wait("glsl-shaders", [&](const json& l) {
        return l.size() == 1 && l[0].get<std::string>().ends_with(file);
      }));
    }
    for (const std::string& warning : c.warnings) EXPECT_TRUE(player.WaitLog(warning));
    // script-opts read again: nothing warned twice.
    player.Command({"change-list", "script-opts", "append", "xvfaspect-auto-fallback=fit-width"});
    usleep(300000);
    if (c.shown == nullptr) {
      EXPECT_TRUE(player.Get("glsl-shaders").empty());
    }
    const std::string log = player.Finish();
    for (const std::string& warning : c.warnings) EXPECT_EQ(Said(log, warning), 1) << warning;
  }
}

// keepaspect stays the user's: given back when our shader leaves
// glsl-shaders (the user cleared the list), and not left off by the
// plug-in loaded twice (a link in the scripts folder and --script=), whose
// second copy says so once and does nothing.
TEST(MpvPlugin, KeepaspectIsGivenBackWhenTheShaderLeaves) {
  const std::string card = CardFile(), config = kDir + "/twice";
  Shell("rm -rf " + config + " && mkdir -p " + config + "/scripts && ln -s " XVF_MPV_PLUGIN " " + config + "/scripts/");
  const json key = {"keypress", "a"};
  const struct {
    const char* name;
    std::vector<std::string> args;
    std::vector<json> commands;
    const char* said;
  } cases[] = {
      {"list cleared", {}, {{"change-list", "glsl-shaders", "clr", ""}}, "fit-height left glsl-shaders"},
      {"loaded twice", {"--config=yes", "--config-dir=" + config}, {key, key, key, key}, "loaded twice"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> args = c.args;
    args.insert(args.end(), {kPlugin, "--keepaspect=yes", "--script-opts=xvfaspect-mode=fit-height", "--pause",
                             "--keep-open=yes", card});
    Mpv player(args);
    ASSERT_TRUE(player.Wait("glsl-shaders", [](const json& l) { return l.size() == 1; }));
    ASSERT_TRUE(player.Wait("keepaspect", [](const json& k) { return k == false; }));
    for (const json& command : c.commands) player.Command(command);
    EXPECT_TRUE(player.Wait("keepaspect", [](const json& k) { return k == true; }));
    EXPECT_TRUE(player.Get("glsl-shaders").empty());
    const std::string log = player.Finish();
    EXPECT_EQ(Said(log, c.said), 1) << log;
  }
}

// A fixed mode frames the picture by its own shape: a 16:9 picture takes
// anamorphic's framing (its circle stays round), a shape neither 4:3 nor
// 16:9 is left as mpv shows it; each says why, once. Auto frames a 16:9
// picture as anamorphic from its first frame.
TEST(MpvPlugin, ModesFrameThePictureByItsShape) {
  CardFile();
  const std::string k1080p = "scale=1440:1080,pad=1920:1080:240:0,setsar=1";
  const struct { const char *name, *mode; std::string scale; const char *shader, *said; } cases[] = {
      {"1080p", "fit-width", k1080p, "xvfaspect-anamorphic.glsl", "fit-width: 16:9, framed as anamorphic"},
      {"1080p in auto", "auto", k1080p, "xvfaspect-anamorphic.glsl", "frame 0 (0:00.00): declared 16:9, anamorphic"},
      {"anamorphic in auto", "auto", k1080p + ",scale=720:576,setsar=64/45", "xvfaspect-anamorphic.glsl",
       "frame 0 (0:00.00): declared 16:9, anamorphic"},
      {"1.85:1", "fit-width", "scale=740:400,setsar=1", nullptr, "fit-width: 1.85:1, not 4:3: left as is"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = kDir + "/shape.mkv";  // auto samples frames while they play
    Shell("ffmpeg -v error -y -loop 1 -t 2 -i " + kDir + "/card.png -vf fps=25," + c.scale +
          " -pix_fmt yuv420p -c:v libx264 -qp 0 -preset ultrafast " + file);
    Mpv player({kPlugin, "--keepaspect=yes", "--keep-open=yes", "--geometry=1024x576",
                std::string("--script-opts=xvfaspect-mode=") + c.mode, file});
    ASSERT_TRUE(player.WaitLog(c.said));
    if (c.shader != nullptr) {
      EXPECT_TRUE(player.Wait("glsl-shaders", [&](const json& l) {
        return l.size() == 1 && l[0].get<std::string>().ends_with(c.shader);
      }));
      double ratio = 0;
      for (int tries = 0; tries < 30 && std::abs(ratio - 1.0) > 0.03; ++tries) {
        if (tries > 0) usleep(100000);
        ratio = MeasureCircle(player.Shot("shape-" + std::string(c.name))).ratio;
      }
      EXPECT_NEAR(ratio, 1.0, 0.03);
    } else {
      EXPECT_TRUE(player.Wait("glsl-shaders", [](const json& l) { return l.empty(); }));
      EXPECT_EQ(player.Get("keepaspect"), true);
    }
    EXPECT_EQ(Said(player.Finish(), c.said), 1);
  }
}

}  // namespace
}  // namespace xvf
