// The built xvf-aspect program never overwrites the user's files, neither
// on the way in nor when a run fails.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "tests/filter/filter_test_support.h"

namespace xvf {
namespace {

using namespace filter_test;

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
  // A path naming a descriptor of ours is written through it, appending
  // where the shell appends; the file behind it is never replaced.
  for (const std::string& line : {"-o - >> ", "-o /dev/stdout >> ", "-o /proc/self/fd/1 >> ", "-o /dev/fd/5 5>> ",
                                  "-o /dev/null --geometry=/dev/stderr 2>> "}) {
    WriteFile(out, "keep");
    const ProgramRun run = RunProgram({"sh", "-c", "exec " + kBinary + args + "-q -i " + in + " " + line + out});
    EXPECT_EQ(0, run.exitCode) << line << ": " << run.err;
    const std::string got = ReadFile(out);
    if (line.find("geometry") != std::string::npos) {
      EXPECT_EQ(2u, ParseGeometry(got.substr(4)).size()) << line;
    } else {
      EXPECT_TRUE(got == "keep" + Reference(input, s, 1, 0, 1024, 576)) << line;
    }
    EXPECT_EQ(0u, got.find("keep")) << line;
  }
  WriteFile(out, "keep");
  // Geometry lines for a closed standard error would be lost, and never go
  // into the output; --geometry=FILE takes the lines apart from messages.
  ProgramRun run = RunProgram({"sh", "-c", "exec " + kBinary + args + "--geometry -i " + in + " -o " + out + " 2>&-"});
  EXPECT_EQ(2, run.exitCode);
  EXPECT_EQ("keep", ReadFile(out));
  run = RunTool(Args(s, 1, 1024, 576, {"--geometry=" + json}), input);
  EXPECT_EQ(0, run.exitCode);
  EXPECT_EQ(2u, ParseGeometry(ReadFile(json)).size());
  EXPECT_EQ(0u, run.err.find("2 frames, ")) << run.err;
  // A run that succeeds through a link replaces the link's target with its
  // permission bits; the link stays.
  const std::string link = dir + "xvf_safe_link";
  chmod(out.c_str(), 0640);
  symlink(out.c_str(), link.c_str());
  run = RunTool(Args(s, 1, 1024, 576, {"-i", in, "-o", link}), "");
  struct stat status;
  EXPECT_EQ(0, run.exitCode);
  EXPECT_TRUE(lstat(link.c_str(), &status) == 0 && S_ISLNK(status.st_mode));
  EXPECT_TRUE(stat(out.c_str(), &status) == 0 && (status.st_mode & 07777) == 0640);
  EXPECT_TRUE(ReadFile(out) == Reference(input, s, 1, 0, 1024, 576));
  for (const std::string& path : {in, out, json, link}) std::remove(path.c_str());
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
  const auto Signalled = [&](const std::string& signal) {
    return "mkfifo p && { { head -c 7000 in.y4m; sleep 3; } > p 2>&- & } && { env --default-signal=INT " + w +
           "-i p -o keep.y4m --geometry=keep.json --preview keep.png & x=$!; i=0; while [ $i -lt 100 ] && ! ls -A | "
           "grep -q '^.keep.y4m.*tmp$'; do sleep 0.1; i=$((i+1)); done; stat -c %a:%n .keep.y4m.*; kill -" + signal +
           " $x; wait $x; }";
  };
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
      // Fails after the first frame went out: a write over the size limit,
      // through a link too (which stays a link), a garbage frame header, a
      // full disk; a FIFO has the complete frames streamed.
      {"(ulimit -f 13; exec " + w + "-i in.y4m -o keep.y4m --geometry=keep.json --preview keep.png)", 1,
       "writing keep.y4m: File too large; nothing written"},
      {"ln -s keep.y4m l && (ulimit -f 13; exec " + w + "-i in.y4m -o l --preview keep.png)", 1, "File too large",
       "", "l"},
      {"{ cat in.y4m; echo FRAMES; } | " + w + "-o keep.y4m --geometry=keep.json --preview keep.png", 1,
       "frame 2: no FRAME header"},
      {"ln -s /dev/full d && exec " + w + "-i in.y4m -o keep.y4m --geometry=d --preview keep.png", 1,
       "writing d: No space"},
      {"mkfifo f && { cat f > got & { cat in.y4m; echo FRAMES; } | " + w +
           "-o f --geometry=keep.json; s=$?; wait; wc -c < got; exit $s; }", 1, "12328\nxvf-aspect: frame 2",
       "", "f"},
      // Ended by a signal while waiting for the second frame (standard input
      // of a background job ignores SIGINT until env resets it).
      // The temporary file is private while it is written.
      {Signalled("TERM"), 143, "600:.keep.y4m."},
      {Signalled("INT"), 130, "600:.keep.y4m."},
      // Each output is found replaceable before the first frame, or refused
      // with the reason; one that still cannot be put in place at the end
      // (here a folder made in its stead) takes back those put before it.
      {"exec " + w + "-i in.y4m -o keep.y4m --preview $(head -c 300 /dev/zero | tr '\\0' n)", 1,
       "its name is 300 bytes long; its folder takes up to 255 (File name too long)"},
      {"cp keep.png p.png && { { head -c 7000 in.y4m; sleep 1; tail -c +7001 in.y4m; } | " + w +
           "-o keep.y4m --geometry=keep.json --preview p.png & sleep 0.5; rm p.png; mkdir p.png; wait $!; }", 1,
       "replacing p.png: it is no longer a regular file (Is a directory); no file was replaced", "", "p.png"},
      // A run killed outright left its temporary file: the next run removes
      // it, not those of a live process.
      {"{ sh -c : & p=$!; wait $p; touch .new.y4m.$p-0.tmp .new.y4m.$$-3.tmp && " + w +
           "-i in.y4m -o new.y4m && rm new.y4m && ls -A && rm .new.y4m.$$-3.tmp; }", 0, "-3.tmp\n", "-0.tmp"},
      // Descriptors named by a path: open, and not the input.
      {"exec " + w + "-i in.y4m -o /dev/fd/7", 2, "/dev/fd/7 names descriptor 7, which is not open"},
      {"exec " + w + "-i in.y4m -o /dev/stdout >&-", 2, "standard output is closed"},
      {"cp in.y4m in2 && " + w + "-i in2 -o /proc/self/fd/1 >> in2; s=$?; cmp in.y4m in2 && exit $s", 2,
       "input and output are the same file"},
      {"exec $X --help > /dev/full", 1, ""},
      {"exec $X --version > /dev/full", 1, ""},
      // Containers are named and refused before anything is written; a flat
      // raw frame of 0x47 bytes is no transport stream. With --size the
      // input is raw frames as the user says, whatever it looks like.
      {"printf '\\0\\0\\0\\040ftypisom' > m.mp4 && exec " + w + "-i m.mp4 -o keep.y4m", 2,
       "m.mp4 is an MP4 file; decode it first: ffmpeg -i m.mp4 -f yuv4mpegpipe - | xvf-aspect"},
      {"printf '\\0\\0\\0\\040ftypisom' > m.mp4 && exec " + w + "-s 64x48 -i m.mp4 -o keep.y4m", 1,
       "m.mp4 looks like an MP4 file; read as raw frames as asked (--size)\nxvf-aspect: input ended inside frame 0"},
      {"printf '\\032\\105\\337\\243' | " + w + "-o keep.y4m", 2, "standard input is a Matroska or WebM file"},
      {"printf 'RIFF\\0\\0\\0\\0AVI LIST' | " + w + "-o keep.y4m", 2, "an AVI file"},
      {"{ printf 'G\\0\\0\\020'; head -c 184 /dev/zero; printf 'G'; } | " + w + "-o keep.y4m", 2,
       "standard input is an MPEG transport stream"},
      {"yes 'G~G}' | tr -d '\\n' | head -c 12288 | " + w + "-s 64x48 -o new.y4m && rm new.y4m", 0,
       "standard input looks like an MPEG transport stream; read as raw frames as asked (--size)"},
      {"head -c 6144 /dev/zero | tr '\\0' G | " + w + "-s 64x48 -o new.y4m && rm new.y4m", 0, ""},
  };
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer reserves terabytes of address space
  // A header alone takes no frame memory: two 2 GiB frames within 300 MB.
  cases.push_back({"printf 'YUV4MPEG2 W32766 H32766 C422\\n' | (ulimit -v 300000; exec " + w + "-o keep.y4m)", 1,
                   "no frames in the input"});
  // A scaler without memory has processed nothing: no success, no file.
  cases.push_back({"head -c 134217728 /dev/zero | (ulimit -v 400000; exec $X -s 8192x8192 -w 1024x576 -o keep.y4m)",
                   1, "no memory to scale a 8192x8192 frame"});
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
    EXPECT_EQ(std::string::npos, RunProgram({"ls", "-A", dir}).out.find(".tmp\n")) << c.line;
    struct stat status;
    const std::string kept = (c.kept[0] == '/' ? "" : dir) + c.kept;
    EXPECT_EQ(0, lstat(kept.c_str(), &status)) << c.line << ": " << kept;
  }
  RunProgram({"rm", "-rf", dir});
}

}  // namespace
}  // namespace xvf
