// Command line of xvf-aspect: accepted forms and every rejection.
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "filter/filter_options.h"

namespace xvf {
namespace {

ParseResult Parse(std::initializer_list<const char*> args) {
  std::vector<const char*> argv{"xvf-aspect"};
  argv.insert(argv.end(), args);
  return ParseFilterOptions(static_cast<int>(argv.size()), argv.data());
}

TEST(FilterOptions, FullCommandLine) {
  const ParseResult r = Parse({"--size", "720x576", "--format", "rgb24", "--window", "1024x600", "--mode", "panorama",
                               "--fields", "-i", "in.raw", "-o", "out.raw", "--geometry", "--preview", "p.png",
                               "--quiet"});
  ASSERT_TRUE(r.ok) << r.error;
  const FilterOptions& o = r.options;
  EXPECT_EQ(720, o.width);
  EXPECT_EQ(576, o.height);
  EXPECT_EQ(PixelFormat::kRgb24, o.format);
  EXPECT_EQ(1024, o.clientWidth);
  EXPECT_EQ(600, o.clientHeight);
  EXPECT_EQ(3, o.aspectMode);
  EXPECT_EQ(1, o.interlace);
  EXPECT_EQ("in.raw", o.inputPath);
  EXPECT_EQ("out.raw", o.outputPath);
  EXPECT_EQ("p.png", o.previewPath);
  EXPECT_TRUE(o.geometry);
  EXPECT_TRUE(o.quiet);
  EXPECT_FALSE(o.help);
}

// --opt=value, short forms, ffmpeg's format names, --geometry=FILE.
TEST(FilterOptions, GnuFormsAndFfmpegNames) {
  ParseResult r = Parse({"-s720x576", "-w", "1024x600", "-m3", "--format=bgr24", "--input=a", "-ob", "--no-fields",
                         "--geometry=g.json", "-q"});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(720, r.options.width);
  EXPECT_EQ(600, r.options.clientHeight);
  EXPECT_EQ(3, r.options.aspectMode);
  EXPECT_EQ(PixelFormat::kRgb24, r.options.format);
  EXPECT_TRUE(r.options.topDown);
  EXPECT_EQ("a", r.options.inputPath);
  EXPECT_EQ("b", r.options.outputPath);
  EXPECT_TRUE(r.options.interlaceGiven);
  EXPECT_EQ(0, r.options.interlace);
  EXPECT_EQ("g.json", r.options.geometryPath);
  EXPECT_TRUE(r.options.geometry && r.options.quiet);
  r = Parse({"--format", "yuyv422", "--window=4x3", "--mode=anamorphic", "--geometry"});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(PixelFormat::kYuy2, r.options.format);
  EXPECT_EQ("", r.options.geometryPath);
  EXPECT_TRUE(r.options.geometry);
  EXPECT_EQ(0, r.options.width);  // a YUV4MPEG2 stream brings its size
  EXPECT_TRUE(Parse({"--version", "--bogus"}).options.version);
}

TEST(FilterOptions, DefaultsAndStandardStreams) {
  ParseResult r = Parse({"--mode", "1", "--window", "4x3", "--size", "2x2"});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(PixelFormat::kYuy2, r.options.format);
  EXPECT_EQ(0, r.options.interlace);
  EXPECT_EQ("", r.options.inputPath);
  EXPECT_EQ("", r.options.outputPath);
  EXPECT_EQ("", r.options.previewPath);
  EXPECT_FALSE(r.options.geometry || r.options.quiet);

  r = Parse({"--size", "2x2", "--window", "4x3", "--mode", "1", "-i", "-", "-o", "-"});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ("-", r.options.inputPath);
  EXPECT_EQ("-", r.options.outputPath);
}

TEST(FilterOptions, ModesByNumberAndName) {
  const char* names[5] = {"fit-window", "fit-width", "fit-height", "panorama", "anamorphic"};
  for (int mode = 0; mode < 5; ++mode) {
    const std::string number = std::to_string(mode);
    EXPECT_EQ(mode, ParseAspectMode(number));
    EXPECT_EQ(mode, ParseAspectMode(names[mode]));
    EXPECT_STREQ(names[mode], AspectModeName(mode));
  }
  for (const char* bad : {"5", "-1", "01", "", "Panorama", "fit_width", "3 ", "panorama2", "auto"})
    EXPECT_EQ(-1, ParseAspectMode(bad)) << "'" << bad << "'";
  // auto is --mode's alone, with its fallback and raw pixel aspect.
  const ParseResult r = Parse({"-w", "4x3", "-m", "auto", "--auto-fallback", "fit-height", "--sar", "64:45"});
  ASSERT_TRUE(r.ok) << r.error;
  EXPECT_EQ(kAutoMode, r.options.aspectMode);
  EXPECT_EQ(2, r.options.autoFallback);
  EXPECT_EQ(64, r.options.sarNum);
  EXPECT_EQ(45, r.options.sarDen);
  EXPECT_EQ(3, Parse({"-w", "4x3", "-m", "auto"}).options.autoFallback);
  EXPECT_TRUE(Parse({"-w", "4x3", "-m", "auto"}).options.autoKeepSubtitles);
  EXPECT_FALSE(Parse({"-w", "4x3", "-m", "auto", "--auto-subtitles", "crop"}).options.autoKeepSubtitles);
}

TEST(FilterOptions, Sizes) {
  int32_t w = 0, h = 0;
  EXPECT_TRUE(ParseSize("720x576", &w, &h));
  EXPECT_EQ(720, w);
  EXPECT_EQ(576, h);
  EXPECT_TRUE(ParseSize("2147483647x1", &w, &h));
  EXPECT_EQ(2147483647, w);
  for (const char* bad : {"", "720", "720x", "x576", "0x576", "720x0", "-720x576", "+720x576", "720x-576",
                          "720X576", " 720x576", "720x576 ", "720x576x2", "2147483648x1", "99999999999x1",
                          "0x1p3x2", "7a0x576", "720x576junk"})
    EXPECT_FALSE(ParseSize(bad, &w, &h)) << "'" << bad << "'";
}

TEST(FilterOptions, HelpWinsOverMissingOptions) {
  const ParseResult r = Parse({"--help"});
  ASSERT_TRUE(r.ok);
  EXPECT_TRUE(r.options.help);
  EXPECT_TRUE(Parse({"--size", "2x2", "-h"}).options.help);
  EXPECT_NE(std::string::npos, std::string(kFilterUsage).find("--preview PNG"));
}

TEST(FilterOptions, HugeWindowsOnlyWithoutPreview) {
  EXPECT_TRUE(Parse({"--size", "2x2", "--window", "2147483647x1", "--mode", "3"}).ok);
  EXPECT_TRUE(Parse({"--size", "2x2", "--window", "16384x16384", "--mode", "3", "--preview", "p.png"}).ok);
}

// Each rejected command line, with a word its message must hold.
TEST(FilterOptions, Rejections) {
  struct Case {
    std::vector<const char*> args;
    const char* message;
  };
  const std::vector<Case> cases = {
      {{"--size", "720x576", "--window", "1024x576"}, "--mode is required"},
      {{"--size", "720x576", "--mode", "1"}, "--window is required"},
      {{}, "--window is required"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "6"}, "bad mode '6'"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "wide"}, "bad mode 'wide'"},
      {{"--size", "720", "--window", "1024x576", "--mode", "1"}, "bad frame size '720'"},
      {{"--size", "720x576", "--window", "0x576", "--mode", "1"}, "bad window size '0x576'"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "--format", "nv12"}, "bad format 'nv12'"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "--format", "RGB24"}, "bad format"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "--frobnicate"}, "unknown option --frobnicate"},
      {{"--fields=1", "--window", "1024x576", "--mode", "1"}, "option --fields takes no value"},
      {{"--bogus=3", "--window", "1024x576", "--mode", "1"}, "unknown option --bogus"},
      {{"--window", "1024x576", "--mode", "1", "--geometry="}, "--geometry= needs a file name"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "-x"}, "unknown option -x"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "extra"}, "unexpected argument 'extra'"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "-"}, "unexpected argument '-'"},
      {{"--size", "720x576", "--window", "1024x576", "--mode"}, "--mode needs a value"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "-i"}, "-i needs a value"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "-o"}, "-o needs a value"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "--preview"}, "--preview needs a value"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "--preview", "-"}, "--preview needs a file"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "-i", ""}, "empty file name for -i"},
      {{"--size", "720x576", "--window", "16385x576", "--mode", "1", "--preview", "p.png"}, "up to 16384x16384"},
      {{"--size", "720x576", "--window", "4x2000000000", "--mode", "1", "--preview", "p.png"}, "up to 16384x16384"},
      {{"--size", "720x576", "--window", "1024x576", "--mode", "1", "-o", ""}, "empty file name for -o"},
      {{"--window", "1024x576", "--mode", "1", "--auto-fallback", "2"}, "--auto-fallback applies to --mode auto"},
      {{"--window", "1024x576", "--mode", "1", "--sar", "1:1"}, "--sar applies to --mode auto"},
      {{"--window", "1024x576", "--mode", "1", "--auto-subtitles", "crop"}, "--auto-subtitles applies to --mode auto"},
      {{"--window", "1024x576", "--mode", "auto", "--auto-subtitles", "hide"}, "bad choice 'hide' for --auto-subtitles"},
      {{"--window", "1024x576", "--mode", "auto", "--auto-fallback", "auto"}, "bad mode 'auto' for --auto-fallback"},
      {{"--window", "1024x576", "--mode", "auto", "--sar", "16/9"}, "bad pixel aspect '16/9'"},
      {{"--window", "1024x576", "--mode", "auto", "--sar", "-1:1"}, "bad pixel aspect"},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"xvf-aspect"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    const ParseResult r = ParseFilterOptions(static_cast<int>(argv.size()), argv.data());
    std::string line;
    for (const char* a : c.args) line += std::string(a) + " ";
    EXPECT_FALSE(r.ok) << line;
    EXPECT_NE(std::string::npos, r.error.find(c.message)) << line << "-> " << r.error;
    EXPECT_EQ(std::string::npos, r.error.find('\n')) << "one line: " << r.error;
  }
}

}  // namespace
}  // namespace xvf
