// The built xvf-aspect program never overwrites the user's files, neither
// on the way in nor when a run fails.
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <acl/libacl.h>
#include <sys/acl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
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
  for (const std::string line : {"-o - >> ", "-o /dev/stdout >> ", "-o /proc/self/fd/1 >> ", "-o /dev/fd/5 5>> ",
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

// The text of `path`'s access ACL, "" when it has none that can be read.
std::string AclText(const std::string& path) {
  acl_t acl = acl_get_file(path.c_str(), ACL_TYPE_ACCESS);
  char* text = acl ? acl_to_any_text(acl, nullptr, ',', 0) : nullptr;
  const std::string result = text ? text : "";
  acl_free(text);
  acl_free(acl);
  return result;
}

// A replaced file comes back with its owner and group where the run may give
// them, its mode (set-ID bits only with both), its ACL and its attributes;
// what a run as another user cannot replace is refused before the first
// frame with the reason, and leaves nothing changed. Root makes the files of
// another user (nobody).
TEST(XvfAspectBinary, ReplacedFilesKeepOwnersAndAccess) {
  const passwd* nobody = getpwnam("nobody");
  if (geteuid() != 0 || !nobody) GTEST_SKIP() << "needs root and the user nobody";
  const uid_t user = nobody->pw_uid;
  const gid_t group = nobody->pw_gid;
  const std::string asNobody = "setpriv --reuid=" + std::to_string(user) + " --regid=" + std::to_string(group) +
                               " --clear-groups " + kBinary + " -q -s 64x48 -w 64x48 -m 1 -i in.raw ";
  const std::string asRoot = kBinary + " -q -s 64x48 -w 64x48 -m 1 -i in.raw ";
  const std::string dir = ::testing::TempDir() + "xvf_owners/";
  RunProgram({"rm", "-rf", dir});
  ASSERT_EQ(0, mkdir(dir.c_str(), 0777));
  chmod(dir.c_str(), 0777);
  const Stream s{64, 48, 0};
  WriteFile(dir + "in.raw", Frames(s, 1));
  chmod((dir + "in.raw").c_str(), 0644);
  struct Case {
    const std::string& run;
    uid_t uid;
    gid_t gid;
    mode_t mode;
    uid_t newUid;
    gid_t newGid;
    mode_t newMode;
  };
  for (const Case& c : {Case{asRoot, user, group, 04755, user, group, 04755},
                        Case{asRoot, user, group, 02750, user, group, 02750},
                        Case{asNobody, 0, 0, 04777, user, group, 0777},
                        Case{asNobody, 0, 0, 06666, user, group, 0666}}) {
    const std::string out = dir + "out";
    WriteFile(out, "old");
    ASSERT_EQ(0, chown(out.c_str(), c.uid, c.gid));
    chmod(out.c_str(), c.mode);
    const ProgramRun run = RunProgram({"sh", "-c", "cd " + dir + " && exec " + c.run + "-o out"});
    const std::string what = c.run.substr(0, 8) + " mode " + std::to_string(c.mode);
    EXPECT_EQ(0, run.exitCode) << what << ": " << run.err;
    struct stat status;
    ASSERT_EQ(0, stat(out.c_str(), &status));
    EXPECT_EQ(c.newUid, status.st_uid) << what;
    EXPECT_EQ(c.newGid, status.st_gid) << what;
    EXPECT_EQ(c.newMode, status.st_mode & 07777) << what;
    EXPECT_EQ(6144u, status.st_size) << what;
  }
  // As nobody: a folder that takes no new file, another user's file in a
  // sticky folder; the other outputs (the user's own, a new one) are left
  // as they were. A leftover of another user stays where root's run clears
  // its own.
  const std::string owned = " && chown " + std::to_string(user) + " ";
  RunProgram({"sh", "-c", "cd " + dir + " && mkdir ro sticky && chmod 755 ro && chmod 1777 sticky && "
                          "echo old > ro/f && echo old > sticky/f && chmod 666 ro/f sticky/f && echo old > o.y4m" +
                          owned + "o.y4m && touch .f.999999999-0.tmp" + owned + ".f.999999999-0.tmp"});
  for (const auto& refused :
       {std::pair<std::string, std::string>{"ro/f", "no new file can be made in its folder "},
        {"sticky/f", "it is another user's file in the sticky folder "}}) {
    const ProgramRun run = RunProgram(
        {"sh", "-c", "cd " + dir + " && exec " + asNobody + "-o o.y4m --geometry=g.json --preview " + refused.first});
    EXPECT_EQ(1, run.exitCode) << refused.first;
    EXPECT_NE(std::string::npos, run.err.find("cannot write the preview " + refused.first + ": " + refused.second))
        << run.err;
    EXPECT_EQ("old\n", ReadFile(dir + refused.first));
    EXPECT_EQ("old\n", ReadFile(dir + "o.y4m"));
    EXPECT_FALSE(Exists(dir + "g.json"));
  }
  EXPECT_EQ(0, RunProgram({"sh", "-c", "cd " + dir + " && exec " + asRoot + "-o f"}).exitCode);
  EXPECT_TRUE(Exists(dir + ".f.999999999-0.tmp"));
  // Shared by ACL: one named user may read, the group may not.
  const std::string shared = dir + "shared";
  WriteFile(shared, "old");
  const std::string entries = "u::rw-,u:" + std::string(nobody->pw_name) + ":r--,g::---,m::r--,o::---";
  acl_t acl = acl_from_text(entries.c_str());
  ASSERT_TRUE(acl != nullptr);
  const bool aclTaken = acl_set_file(shared.c_str(), ACL_TYPE_ACCESS, acl) == 0;
  acl_free(acl);
  const bool attributeTaken = setxattr(shared.c_str(), "user.comment", "mine", 4, 0) == 0;
  if (!aclTaken || !attributeTaken) GTEST_SKIP() << "the temporary folder takes no ACL or user attributes";
  const std::string before = AclText(shared);
  const ProgramRun run = RunProgram({"sh", "-c", "cd " + dir + " && exec " + asRoot + "-o shared"});
  EXPECT_EQ(0, run.exitCode) << run.err;
  EXPECT_EQ(before, AclText(shared));
  char comment[16] = {};
  EXPECT_EQ(4, getxattr(shared.c_str(), "user.comment", comment, sizeof comment));
  EXPECT_STREQ("mine", comment);
  EXPECT_EQ(6144u, ReadFile(shared).size());
  // A new file in a folder with a default ACL gets what open(..., 0666) gives.
  const std::string inherits = dir + "inherits/";
  mkdir(inherits.c_str(), 0777);
  const std::string defaults = "u::rwx,u:" + std::string(nobody->pw_name) + ":rw-,g::r-x,m::rwx,o::r--";
  acl = acl_from_text(defaults.c_str());
  EXPECT_EQ(0, acl_set_file(inherits.c_str(), ACL_TYPE_DEFAULT, acl));
  acl_free(acl);
  WriteFile(inherits + "made", "");
  EXPECT_EQ(0, RunProgram({"sh", "-c", "cd " + dir + " && exec " + asRoot + "-o inherits/new"}).exitCode);
  EXPECT_EQ(AclText(inherits + "made"), AclText(inherits + "new"));
  struct stat made, written;
  EXPECT_TRUE(stat((inherits + "made").c_str(), &made) == 0 && stat((inherits + "new").c_str(), &written) == 0);
  EXPECT_EQ(made.st_mode, written.st_mode);
  RunProgram({"rm", "-rf", dir});
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
      {"exec $X -w 64x48 -s \"$(printf '\\033[2J')\"", 2, "bad frame size '\\x1b[2J' for --size"},
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
      {"cp keep.png p.png && { { head -c 7000 in.y4m; while [ -f p.png ]; do sleep 0.1; done; tail -c +7001 in.y4m; }"
           " | " + w + "-o keep.y4m --geometry=keep.json --preview p.png & i=0; until ls -A | grep -q "
           "'^.p.png.*tmp$' || [ $i -ge 100 ]; do sleep 0.1; i=$((i+1)); done; rm p.png; mkdir p.png; wait $!; }", 1,
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
