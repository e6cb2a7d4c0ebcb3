#include "mpv/aspect_plugin.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numeric>

#include "mpv/escaped_text.h"
#include "mpv/picture_shape.h"
#include "mpv/plugin_mode.h"

namespace xvf {
namespace {

// Frames sampled per second of video in auto, declared to the session as
// the stream's rate: its hold of one second is then this many samples, and
// its frames are the samples: frame N of a report is the one at N/5 s.
constexpr int kSamplesPerSecond = 5;

enum Observed : uint64_t { kScriptOpts = 1, kVideoParams, kPause, kSpeed, kShaders };

// The options, by their keys in xvfaspect.conf (xvfaspect-<key> in
// script-opts), and the values each takes.
const OptionKey kOptionKeys[] = {
    {"mode", [](const std::string& v) { return ParseFrameMode(v) >= 0; }},
    {"auto-fallback", [](const std::string& v) { return ParseAspectMode(v) >= 0; }},
    {"auto-subtitles", [](const std::string& v) {
       bool keep;
       return ParseAutoSubtitles(v, &keep);
     }},
};

// An automatic choice on the OSD, short enough for one line in a 1024-pixel
// window: the mode and the reason's first words ("letterbox 16:9"); the
// terminal has the whole report.
std::string OsdLine(const AutoModeStep& step) {
  const std::string& reason = step.decision.reason;
  const size_t cut = std::min({reason.find(","), reason.find(" with "), reason.find(" from ")});
  return std::string("auto: ") + FrameModeName(step.mode) + (reason.empty() ? "" : " (" + reason.substr(0, cut) + ")");
}

const mpv_node* Field(const mpv_node& map, const char* key) {
  if (map.format != MPV_FORMAT_NODE_MAP) return nullptr;
  for (int i = 0; i < map.u.list->num; ++i)
    if (std::strcmp(map.u.list->keys[i], key) == 0) return &map.u.list->values[i];
  return nullptr;
}

int64_t Whole(const mpv_node& map, const char* key) {
  const mpv_node* n = Field(map, key);
  return n != nullptr && n->format == MPV_FORMAT_INT64 ? n->u.int64 : 0;
}

}  // namespace

AspectPlugin::AspectPlugin(mpv_handle* mpv, const std::string& shaderFolder)
    : mpv_(mpv),
      framing_(mpv, shaderFolder),
      options_("xvfaspect", {std::begin(kOptionKeys), std::end(kOptionKeys)}),
      sampler_(mpv) {
  options_.ReadFile(ScriptOptionsFile(mpv_, "xvfaspect"), [this](const std::string& w) { Say(w, true); });
  mpv_observe_property(mpv_, kScriptOpts, "script-opts", MPV_FORMAT_NODE);
  mpv_observe_property(mpv_, kShaders, "glsl-shaders", MPV_FORMAT_NONE);
  mpv_observe_property(mpv_, kVideoParams, "video-params", MPV_FORMAT_NODE);
  mpv_observe_property(mpv_, kPause, "pause", MPV_FORMAT_FLAG);
  mpv_observe_property(mpv_, kSpeed, "speed", MPV_FORMAT_DOUBLE);
  // A builtin section: the user's input.conf can rebind "a" or the binding.
  const std::string client = mpv_client_name(mpv_), binding = "a script-binding " + client + "/cycle";
  const char* define[] = {"define-section", client.c_str(), binding.c_str(), "default", nullptr};
  const char* enable[] = {"enable-section", client.c_str(), nullptr};
  mpv_command(mpv_, define);
  mpv_command(mpv_, enable);
  // A shader that fails in mpv after it was handed over says so at this level.
  mpv_request_log_messages(mpv_, "error");
}

double AspectPlugin::Now() const {
  double seconds = -1.0;
  mpv_get_property(mpv_, "time-pos", MPV_FORMAT_DOUBLE, &seconds);
  return seconds;
}

void AspectPlugin::Say(const std::string& text, bool osd, const std::string& briefly) {
  const std::string line = "xvfaspect: " + EscapedText(text);
  const char* print[] = {"print-text", line.c_str(), nullptr};
  mpv_command(mpv_, print);
  if (!osd) return;
  const std::string shown = briefly.empty() ? line : "xvfaspect: " + EscapedText(briefly);
  // Before the video shows, mpv would print OSD text on the terminal too:
  // it waits for the picture.
  if (width_ == 0) {
    waitingOsd_ = shown;
    return;
  }
  const char* show[] = {"show-text", shown.c_str(), nullptr};  // for the user's osd-duration
  mpv_command(mpv_, show);
}

void AspectPlugin::Frame(int32_t aspectMode, const std::string& said, const std::string& briefly) {
  // A mode whose shader mpv cannot take is not named: the picture stays as
  // mpv shows it, and the user hears why.
  std::string problem = framing_.Problem(aspectMode);
  if (problem.empty()) {
    Say(said, true, briefly);  // before the shader changes: the new frame comes with its name
    if (framing_.Apply(aspectMode)) return;
    problem = "mpv refused the shader list";
  }
  framing_.Apply(kFitToWindow);
  LeftAsShown(aspectMode, problem);
}

void AspectPlugin::LeftAsShown(int32_t aspectMode, const std::string& problem) {
  Say(std::string(mode_ == kAutoMode ? "auto: " : "") + "could not load the shader of " + FrameModeName(aspectMode) +
          ": " + problem + "; the picture stays as mpv shows it",
      true);
}

void AspectPlugin::OnLog(const mpv_event_log_message& message) {
  const int32_t shown = framing_.shownMode();
  std::string why;
  if (shown == 0 || !logWatch_.Fails(message, framing_.ShownShader(), shown, &why)) return;
  framing_.Apply(kFitToWindow);
  LeftAsShown(shown, why);
}

void AspectPlugin::Select(int32_t mode) {
  mode_ = mode;
  autoMode_.reset();
  if (mode != kAutoMode) {
    std::string why;
    fixedFraming_ = ModeForPicture(mode, width_, height_, stream_.pixelAspectNum, stream_.pixelAspectDen, &why);
    Frame(fixedFraming_, why.empty() ? FrameModeName(mode) : std::string(FrameModeName(mode)) + ": " + why);
    return;
  }
  autoMode_ = std::make_unique<AutoModeSession>(fallback_, keepSubtitles_);
  autoMode_->SetStream(stream_);
  lastSampleTime_ = -1.0;
  nextSample_ = std::chrono::steady_clock::now();
  framed_ = autoMode_->mode();
  Frame(framed_, std::string("auto: ") + FrameModeName(framed_));
}

void AspectPlugin::OnOptions(const mpv_node& opts) {
  // Every value read is one its key takes; "" is the key's default.
  const OptionValues values = options_.Values(opts, [this](const std::string& w) { Say(w, true); });
  const std::string& fallback = values.at("auto-fallback");
  if (fallback != fallbackOption_) {
    fallbackOption_ = fallback;
    fallback_ = fallback.empty() ? kPanorama : ParseAspectMode(fallback);
    if (mode_ == kAutoMode) Select(kAutoMode);
  }
  const std::string& subtitles = values.at("auto-subtitles");
  if (subtitles != subtitlesOption_) {
    subtitlesOption_ = subtitles;
    keepSubtitles_ = true;
    if (!subtitles.empty()) ParseAutoSubtitles(subtitles, &keepSubtitles_);
    if (mode_ == kAutoMode) Select(kAutoMode);
  }
  const std::string& mode = values.at("mode");
  if (mode == modeOption_) return;
  modeOption_ = mode;
  Select(mode.empty() ? kFitToWindow : ParseFrameMode(mode));
}

void AspectPlugin::OnShaders() {
  const int32_t left = framing_.TakenOut();
  if (left != kFitToWindow)
    Say(std::string("the shader of ") + FrameModeName(left) +
            " left glsl-shaders: keepaspect given back, the picture as mpv shows it",
        true);
}

void AspectPlugin::OnVideoParams(const mpv_node& params) {
  const int64_t w = Whole(params, "w"), h = Whole(params, "h");
  const int64_t dw = Whole(params, "dw"), dh = Whole(params, "dh");
  if (w <= 0 || h <= 0 || dw <= 0 || dh <= 0 || w >= 65536 || h >= 65536) {
    width_ = height_ = 0;
    return;
  }
  if (w == width_ && h == height_ && dw * h * stream_.pixelAspectDen == dh * w * stream_.pixelAspectNum) return;
  width_ = static_cast<int32_t>(w);
  height_ = static_cast<int32_t>(h);
  if (!waitingOsd_.empty()) {
    const char* show[] = {"show-text", waitingOsd_.c_str(), nullptr};
    mpv_command(mpv_, show);
    waitingOsd_.clear();
  }
  // The pixel aspect mpv shows the frame with: dw*h : dh*w, reduced.
  const int64_t num = dw * h, den = dh * w, g = std::gcd(num, den);
  stream_.pixelAspectNum = num / g;
  stream_.pixelAspectDen = den / g;
  stream_.rateNum = kSamplesPerSecond;
  stream_.rateDen = 1;
  if (autoMode_) autoMode_->SetStream(stream_);
  // A fixed mode frames the new picture by its shape, said only when that changes.
  std::string why;
  if (mode_ != kAutoMode &&
      ModeForPicture(mode_, width_, height_, stream_.pixelAspectNum, stream_.pixelAspectDen, &why) != fixedFraming_)
    Select(mode_);
}

void AspectPlugin::OnMessage(const mpv_event_client_message& message) {
  // key-binding, name, state ("d-", "u-", "p-", "r-"...), key, text
  if (message.num_args < 3 || std::strcmp(message.args[0], "key-binding") != 0 ||
      std::strcmp(message.args[1], "cycle") != 0)
    return;
  if (message.args[2][0] != 'd' && message.args[2][0] != 'p') return;
  // The option follows the key, so that setting it to the mode it held
  // before the key was pressed still switches.
  const int32_t next = NextPluginMode(mode_);
  modeOption_ = FrameModeName(next);
  const std::string option = "xvfaspect-mode=" + modeOption_;
  const char* follow[] = {"change-list", "script-opts", "append", option.c_str(), nullptr};
  mpv_command(mpv_, follow);
  Select(next);
}

void AspectPlugin::Sample() {
  // A sample per 1/5 s of video, so the detector's hold is a second of
  // video at any playback speed, as in the filter.
  nextSample_ += std::chrono::duration_cast<std::chrono::steady_clock::duration>(
      std::chrono::duration<double>(1.0 / (kSamplesPerSecond * speed_)));
  const auto now = std::chrono::steady_clock::now();
  if (nextSample_ < now) nextSample_ = now;  // a late turn does not bunch samples up
  const double time = Now();
  if (paused_ || time < 0.0 || time == lastSampleTime_) return;  // the same frame again
  FrameRows frame;
  if (!sampler_.Take(width_, height_, &frame)) return;
  lastSampleTime_ = time;
  const AutoModeStep step = autoMode_->Feed(frame, std::llround(time * kSamplesPerSecond));
  if (step.mode == framed_) {
    if (!step.report.empty()) Say("auto: " + step.report, true, OsdLine(step));
    return;
  }
  // A change is reported with its frame once the new shader is taken.
  framed_ = step.mode;
  Frame(framed_, "auto: " + (step.report.empty() ? std::string(FrameModeName(framed_)) : step.report), OsdLine(step));
}

void AspectPlugin::Run() {
  for (;;) {
    double wait = 1e9;
    if (autoMode_ && width_ > 0) {
      wait = std::chrono::duration<double>(nextSample_ - std::chrono::steady_clock::now()).count();
      if (wait <= 0.0) {
        Sample();
        continue;
      }
    }
    const mpv_event* event = mpv_wait_event(mpv_, wait);
    switch (event->event_id) {
      case MPV_EVENT_SHUTDOWN:
        return;
      case MPV_EVENT_LOG_MESSAGE:
        OnLog(*static_cast<const mpv_event_log_message*>(event->data));
        break;
      case MPV_EVENT_CLIENT_MESSAGE:
        OnMessage(*static_cast<const mpv_event_client_message*>(event->data));
        break;
      case MPV_EVENT_PROPERTY_CHANGE: {
        const auto* change = static_cast<const mpv_event_property*>(event->data);
        if (change->format == MPV_FORMAT_NODE && event->reply_userdata == kScriptOpts)
          OnOptions(*static_cast<const mpv_node*>(change->data));
        else if (event->reply_userdata == kShaders)
          OnShaders();
        else if (change->format == MPV_FORMAT_NODE && event->reply_userdata == kVideoParams)
          OnVideoParams(*static_cast<const mpv_node*>(change->data));
        else if (change->format == MPV_FORMAT_FLAG && event->reply_userdata == kPause)
          paused_ = *static_cast<const int*>(change->data) != 0;
        else if (change->format == MPV_FORMAT_DOUBLE && event->reply_userdata == kSpeed)
          speed_ = std::clamp(*static_cast<const double*>(change->data), 0.01, 100.0);
        else if (event->reply_userdata == kVideoParams)
          width_ = height_ = 0;  // no video
        break;
      }
      default:
        break;
    }
  }
}

}  // namespace xvf
