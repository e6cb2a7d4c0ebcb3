#!/usr/bin/env bash
# XVF_Aspect: set up this machine, then build, test, benchmark or fuzz.
#   ./run.sh demo           show the plug-in at work under Wine: out/demo/contact-sheet.png and a table
#   ./run.sh test           build all presets and run every test suite
#   ./run.sh bench          build and run the benchmarks
#   ./run.sh fuzz [SECONDS] run every fuzz target for SECONDS each (default 60)
#   ./run.sh autoeval       score the automatic mode beside ffmpeg's cropdetect (docs/auto-mode.md)
#   ./run.sh build          build all presets, run nothing
#   ./run.sh dist           the release: out/dist/XVF_Aspect-<version>-win32.zip from the tested DLL,
#                           and the Debian package of the filter and the element
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

# Debian packages the project needs, each with a file proving it is there.
packages=(
  "cmake:/usr/bin/cmake"
  "ninja-build:/usr/bin/ninja"
  "g++:/usr/bin/g++"
  "clang:/usr/bin/clang"
  "libclang-rt-dev:clang-runtime:libclang_rt.fuzzer-x86_64.a"
  "googletest:/usr/src/googletest/CMakeLists.txt"
  "libgtest-dev:/usr/include/gtest/gtest.h"
  "libbenchmark-dev:/usr/include/benchmark/benchmark.h"
  "g++-mingw-w64-i686-posix:/usr/bin/i686-w64-mingw32-g++-posix"
  "gcc-mingw-w64-i686-posix:/usr/bin/i686-w64-mingw32-gcc-posix"
  "g++-mingw-w64-i686-win32:/usr/bin/i686-w64-mingw32-g++-win32"
  "gcc-mingw-w64-i686-win32:/usr/bin/i686-w64-mingw32-gcc-win32"
  "g++-mingw-w64-x86-64-posix:/usr/bin/x86_64-w64-mingw32-g++-posix"
  "gcc-mingw-w64-x86-64-posix:/usr/bin/x86_64-w64-mingw32-gcc-posix"
  "g++-mingw-w64-x86-64-win32:/usr/bin/x86_64-w64-mingw32-g++-win32"
  "gcc-mingw-w64-x86-64-win32:/usr/bin/x86_64-w64-mingw32-gcc-win32"
  "wine:/usr/bin/wine"
  "wine32:/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll"
  "wine64:/usr/lib/wine/wine64"
  "xvfb:/usr/bin/Xvfb"
  "xauth:/usr/bin/xauth"
  "zlib1g-dev:/usr/include/zlib.h"
  "libpng-dev:/usr/include/png.h"
  "pkg-config:/usr/bin/pkg-config"
  "libswscale-dev:/usr/include/x86_64-linux-gnu/libswscale/swscale.h"
  "nlohmann-json3-dev:/usr/include/nlohmann/json.hpp"
  "zip:/usr/bin/zip"
  "g++-multilib:/usr/lib/gcc/x86_64-linux-gnu/12/32/libstdc++.a"
  "qemu-user:/usr/bin/qemu-i386"
  "libgstreamer1.0-dev:/usr/include/gstreamer-1.0/gst/check/gstharness.h"
  "libgstreamer-plugins-base1.0-dev:/usr/include/gstreamer-1.0/gst/video/gstvideofilter.h"
  "gstreamer1.0-tools:/usr/bin/gst-launch-1.0"
  "gstreamer1.0-plugins-base:/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstvideotestsrc.so"
  "gstreamer1.0-plugins-good:/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstmatroska.so"
  # What a user's desktop has beside them: the suites must pass with these
  # present (they load only the plug-ins they use), and the README's file
  # pipeline encodes with x264enc from -ugly.
  "gstreamer1.0-plugins-bad:/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstvideoparsersbad.so"
  "gstreamer1.0-plugins-ugly:/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstx264.so"
  "gstreamer1.0-libav:/usr/lib/x86_64-linux-gnu/gstreamer-1.0/libgstlibav.so"
  # The documented ffmpeg pipelines and the automatic mode's scorecard, which
  # python3 runs.
  "ffmpeg:/usr/bin/ffmpeg"
  "python3:/usr/bin/python3"
  # The mpv plug-in: the player, its client API, and Mesa's software renderer
  # for headless runs.
  "mpv:/usr/bin/mpv"
  "libmpv-dev:/usr/include/mpv/client.h"
  "libegl-mesa0:/usr/lib/x86_64-linux-gnu/libEGL_mesa.so.0"
  "libgl1-mesa-dri:/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so"
  # The filter carries a replaced file's ACL and extended attributes.
  "libacl1-dev:/usr/include/sys/acl.h"
  "libattr1-dev:/usr/include/attr/libattr.h"
)

# True when the package's proof is there: a path, or for clang's runtime
# libraries a file that clang itself finds (whatever its version).
package_present() {
  local proof=${1#*:}
  case "$proof" in
    clang-runtime:*)
      command -v clang >/dev/null 2>&1 &&
        [ -e "$(clang -print-file-name="${proof#clang-runtime:}" 2>/dev/null)" ] ;;
    *) [ -e "$proof" ] ;;
  esac
}

setup() {
  local missing=()
  for entry in "${packages[@]}"; do
    package_present "$entry" || missing+=("${entry%%:*}")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "== installing ${#missing[@]} Debian packages with apt-get (a few minutes, once):"
  echo "   ${missing[*]}"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    echo "   (adding the i386 architecture first: Wine's 32-bit part needs it)"
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Wine runs the 32-bit products in a prefix of our own, under a headless X
# server: tests/scripts/with_wine.sh PREFIX COMMAND... (used by every command
# here). The win64 tree's programs run under Wine's 64-bit loader, called by
# its path (Debian's wine wrapper takes the 32-bit one whenever wine32 is
# installed), in a prefix of their own.
wine_prefix="$root/build/wineprefix"
wine64_loader=/usr/lib/wine/wine64
with_wine() {
  tests/scripts/with_wine.sh "$@"
}
with_wine64() {
  WINE=$wine64_loader tests/scripts/with_wine.sh "$@"
}

# Whether this kernel runs i386 programs (some run 64-bit code only: Wine's
# 32-bit loader then fails with "Exec format error"): a tiny static i386
# program, built and run once. XVF_I386=no forces the answer "no", so the
# 64-bit-only path can be tried on any machine. Sets and exports XVF_I386
# (yes or no) for the scripts the tests run.
probe_i386() {
  local why
  if [ "${XVF_I386:-}" = no ]; then
    why="forced by XVF_I386=no"
  else
    mkdir -p build
    XVF_I386=no
    if ! printf 'int main(void) { return 0; }\n' | gcc -m32 -static -x c - -o build/i386-probe >/dev/null 2>&1; then
      why="gcc -m32 could not build the i386 probe"
    elif build/i386-probe 2>/dev/null; then
      XVF_I386=yes
      why="a static i386 program ran"
    else
      why="a static i386 program fails to start"
    fi
  fi
  export XVF_I386
  echo "== this kernel runs 32-bit programs: $XVF_I386 ($why)"
}

# What each tree is, on its build and test lines.
tree_description() {
  case $1 in
    native) echo "x86-64 Linux, optimised" ;;
    native-asan) echo "x86-64 Linux, AddressSanitizer + UBSan" ;;
    native-tsan) echo "ThreadSanitizer: the frame thread against the dialog's, the element against its properties" ;;
    linux32) echo "i686 Linux at the DLL's baseline, under qemu-i386 -cpu pentium3" ;;
    win32) echo "i686 Windows (the DLL and its tests), under Wine" ;;
    win64) echo "x86-64 Windows from the same sources (the DLL and its tests), under wine64" ;;
    fuzz) echo "libFuzzer targets, clang" ;;
  esac
}

# Builds a tree, its whole output in build/<tree>/build.log; prints one line,
# and any compiler or linker warning. A failed build shows its errors and ends
# the script.
configure_and_build() {
  local preset=$1 log="build/$1/build.log" status=0
  mkdir -p "build/$preset"
  printf '== build: %-12s %s\n' "$preset" "$(tree_description "$preset")"
  { [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset"; } >"$log" 2>&1 || status=$?
  [ $status -eq 0 ] && { cmake --build --preset "$preset" -- -k 0 >>"$log" 2>&1 || status=$?; }
  # A statically linked 32-bit test program names getaddrinfo through
  # GoogleTest's stream listener, which the tests never use: glibc's link-time
  # warning about it says nothing about our code.
  grep -E 'warning:' "$log" | grep -v "Using 'getaddrinfo' in statically linked" | sed 's/^/   /' || true
  if [ $status -ne 0 ]; then
    grep -E 'error|Error|FAILED' "$log" | head -n 40 | sed 's/^/   /'
    echo "== build of $preset failed, see $log"
    exit 1
  fi
}

# The run's totals over every suite, for its closing line.
total_passed=0 total_failed=0 total_skipped=0
count_results() {
  total_passed=$((total_passed + $1)) total_failed=$((total_failed + $2)) total_skipped=$((total_skipped + $3))
}

# "N passed, N failed[, N skipped]" from a GoogleTest program's output.
gtest_counts() {
  awk '/^\[  PASSED  \]/ {p += $4} /^\[  FAILED  \] [0-9]+ tests?[.,]/ {f += $4} /^\[  SKIPPED \] [0-9]+ tests?[.,]/ {s += $4}
       END {printf "%d passed, %d failed", p, f; if (s) printf ", %d skipped", s}' "$@"
}

# Adds a "N passed, N failed[, N skipped]" line to the totals.
count_line() {
  local passed failed skipped
  passed=$(sed -n 's/^\([0-9]*\) passed.*/\1/p' <<<"$1")
  failed=$(sed -n 's/.* \([0-9]*\) failed.*/\1/p' <<<"$1")
  skipped=$(sed -n 's/.* \([0-9]*\) skipped.*/\1/p' <<<"$1")
  count_results "${passed:-0}" "${failed:-0}" "${skipped:-0}"
}

# The output sections of a CTest log's tests that did not pass: each from
# its result line to the next test's line.
failed_ctest_output() {
  awk '/^ *Start +[0-9]+: / || /^[0-9]+% tests passed/ {show = 0}
       /^ *[0-9]+\/[0-9]+ Test +#[0-9]+: / {show = $0 !~ /(Passed|Skipped) +[0-9.]+ sec$/}
       show' "$1"
}

# The tests of a CTest log run with --repeat until-pass that failed, then
# passed when run again.
passed_on_second_run() {
  awk '/Test +#[0-9]+: / {name = $0; sub(/.*Test +#[0-9]+: /, "", name); sub(/ .*/, "", name)
                          if ($0 ~ /\*\*\*Failed|\*\*\*Exception|\*\*\*Timeout/) failed[name] = 1
                          else if ($0 ~ / Passed +[0-9.]+ sec$/ && failed[name]) again = again (again ? ", " : "") name}
       END {print again}' "$1"
}

# One line from a CTest log: counts (a test that did not run is skipped, not
# passed) and where the log is; tests that passed only when run again by name;
# when a test failed, the failing tests' own output first, then CTest's list.
report_ctest() {
  local preset=$1 log=$2 status=$3 counts skipped again
  counts=$(sed -n 's/^[0-9]*% tests passed, \([0-9]*\) tests\{0,1\} failed out of \([0-9]*\)$/\1 \2/p' "$log")
  skipped=$(sed -n '/^The following tests did not run:/,/^$/p' "$log" | grep -c ' - ' || true)
  if [ -n "$counts" ]; then
    set -- $counts
    local line="$(($2 - $1 - skipped)) passed, $1 failed"
    [ "$skipped" -gt 0 ] && line+=", $skipped skipped"
    printf '== tests: %-12s %s (log %s)\n' "$preset" "$line" "$log"
    count_line "$line"
  else
    printf '== tests: %-12s no summary (log %s)\n' "$preset" "$log"
    count_results 0 1 0
  fi
  again=$(passed_on_second_run "$log")
  [ -z "$again" ] || echo "   passed only when run again: $again"
  [ "$status" -eq 0 ] && return
  failed_ctest_output "$log"
  # No summary (CTest itself failed): the log's end says why.
  if grep -q '^The following tests' "$log"; then sed -n '/^The following tests/,$p' "$log"; else tail -n 20 "$log"; fi
}

run_ctest() {
  local preset=$1
  local log="build/$preset/ctest.log" status=0
  ctest --preset "$preset" -j "$(nproc)" >"$log" 2>&1 || status=$?
  report_ctest "$preset" "$log" $status
  return $status
}

# Under ThreadSanitizer: the frame thread against the dialog's thread, and
# the element's harness suite (properties set from a second thread while
# buffers stream) once, at the C level, in the environment CTest gives it.
# The preset builds only these.
run_tsan_test() {
  local log=build/native-tsan/test.log status=0 gst_log=build/native-tsan/ctest.log gst_status=0 line
  TSAN_OPTIONS=halt_on_error=1 build/native-tsan/tests/hardening/hardening_concurrency_tests >"$log" 2>&1 || status=$?
  line=$(gtest_counts "$log")
  printf '== tests: %-12s %s (log %s)\n' native-tsan "$line" "$log"
  count_line "$line"
  [ $status -eq 0 ] || tail -n 40 "$log"
  TSAN_OPTIONS=halt_on_error=1 ctest --test-dir build/native-tsan -R '^GstElement\.c$' --output-on-failure \
    >"$gst_log" 2>&1 || gst_status=$?
  report_ctest native-tsan "$gst_log" $gst_status
  [ $status -eq 0 ] && [ $gst_status -eq 0 ]
}

# The 32-bit DLL's own bytes, checked by Linux programs on every machine:
# its PE header, exports and imports, baseline instructions, a reproducible
# link and release (the win32 tree's tests labelled "binary").
run_dll_binary_checks() {
  local log=build/win32/binary-checks.log status=0
  ctest --test-dir build/win32/tests/plugin/binary --output-on-failure >"$log" 2>&1 || status=$?
  report_ctest win32-dll "$log" $status
  return $status
}

# The Windows trees' suites under Wine. Wine's server and prefix are started
# once, so no test waits for them. Wine now and then crashes in its own
# process teardown after a test has passed; such a test runs once more and is
# named on the report. A test that fails twice fails. The win32 tree runs only
# where the kernel runs i386 programs; its binary checks run apart, above.
run_windows_tests() {
  local preset=$1 log=build/$1/ctest.log status=0
  if [ "$preset" = win32 ]; then
    if [ "$XVF_I386" != yes ]; then
      local programs
      programs=$(find build/win32 -name '*_tests.exe' -not -path '*/plugin-win32-threads/*' | wc -l)
      printf '== tests: %-12s skipped: this kernel runs no 32-bit programs (%d test programs not run)\n' win32 "$programs"
      count_results 0 0 "$programs"
      return 0
    fi
    with_wine "$wine_prefix" ctest --preset win32 -LE binary -j 2 --repeat until-pass:2 >"$log" 2>&1 || status=$?
  else
    with_wine64 "$wine_prefix-64" ctest --preset win64 -j 2 --repeat until-pass:2 >"$log" 2>&1 || status=$?
  fi
  report_ctest "$preset" "$log" $status
  return $status
}

# The portable core's tests as 32-bit code at the DLL's baseline (MMX with
# integer SSE, x87 maths) on an emulated Pentium III, which has no SSE2: the
# kernels must take the MMX level and every frame and table stay exact; the
# tests of the levels above it skip.
run_linux32_tests() {
  local log=build/linux32/test.log failed=0 program line
  : >"$log"
  for program in tests/engine/scaler_tests tests/framepass/framepass_tests; do
    XVF_EXPECT_CPU_LEVEL=mmx qemu-i386 -cpu pentium3 "build/linux32/$program" --gtest_brief=1 >>"$log" 2>&1 || failed=1
  done
  line=$(gtest_counts "$log")
  printf '== tests: %-12s %s: levels above the emulated Pentium III (log %s)\n' linux32 "$line" "$log"
  count_line "$line"
  # Each skip is two lines; the failures show.
  [ $failed -eq 0 ] || sed -e '/: Skipped$/,+1d' -e '/^Running main/d' "$log"
  return $failed
}

cmd_build() {
  local preset
  for preset in native native-asan native-tsan linux32 win32 win64 fuzz; do
    configure_and_build "$preset"
  done
}

cmd_test() {
  cmd_build
  local failed=0
  run_ctest native || failed=1
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest native-asan || failed=1
  run_tsan_test || failed=1
  run_linux32_tests || failed=1
  run_dll_binary_checks || failed=1
  run_windows_tests win32 || failed=1
  run_windows_tests win64 || failed=1
  echo "== fuzz: every target briefly"
  cmd_fuzz 10 | grep -v '^== build' || { failed=1; count_results 0 1 0; }
  if [ $failed -ne 0 ]; then
    echo "== SOME TESTS FAILED"
    echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
    return 1
  fi
  echo "== all test suites passed"
  echo "total: $total_passed passed, $total_failed failed, $total_skipped skipped"
}

# Each libFuzzer target fuzzes for SECONDS from its corpus in the repository
# (fuzz/corpus/<name>, kept minimal) with its dictionary fuzz/<name>.dict and
# the libFuzzer flags in fuzz/<name>.options; new inputs go to
# build/fuzz/corpus/<name>, crashes to build/fuzz/crashes/. Then the inputs
# that reach new coverage are merged into the repository corpus (not in the
# test suite's short run, which leaves the repository as it is).
cmd_fuzz() {
  local seconds=${1:-60}
  configure_and_build fuzz
  mkdir -p build/fuzz/crashes
  local merge=1
  [ "${FUNCNAME[1]:-}" = cmd_test ] && merge=0
  local failed=0 target name
  for target in build/fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target" _fuzz)
    local work="build/fuzz/corpus/$name" kept="fuzz/corpus/$name" log="build/fuzz/$name.log"
    mkdir -p "$work" "$kept"
    local options=()
    [ -f "fuzz/$name.dict" ] && options+=("-dict=fuzz/$name.dict")
    [ -f "fuzz/$name.options" ] && mapfile -t -O "${#options[@]}" options < <(grep -v '^#' "fuzz/$name.options" | grep .)
    if ! "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build/fuzz/crashes/$name-" \
        "${options[@]}" "$work" "$kept" >"$log" 2>&1; then
      echo "   $name: FAILED, see $log"
      grep -E 'ERROR|SUMMARY|artifact|\.cpp:[0-9]+:' "$log" | head -n 5 | sed 's/^/     /'
      failed=1
      continue
    fi
    local runs rate edges before added=""
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    rate=$(grep -o 'stat::average_exec_per_sec: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
    edges=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*' || echo "?")
    if [ $merge -eq 1 ]; then
      before=$(find "$kept" -type f | wc -l)
      "$target" -merge=1 "${options[@]}" "$kept" "$work" >"build/fuzz/$name-merge.log" 2>&1 ||
        { echo "   $name: merging into $kept FAILED, see build/fuzz/$name-merge.log"; failed=1; }
      added=" (+$(( $(find "$kept" -type f | wc -l) - before )) merged)"
    fi
    printf '   %-12s %9s executions in %ss, %5s/s, %4s edges, corpus %s inputs%s: no crash\n' "$name" "$runs" \
      "$seconds" "$rate" "$edges" "$(find "$kept" -type f | wc -l)" "$added"
  done
  return $failed
}

cmd_bench() {
  # A tree configured before libswscale was installed has no Swscale cases yet.
  [ -f build/native/build.ninja ] && ! grep -q swscale_bench build/native/build.ninja && cmake --preset native >/dev/null
  configure_and_build native
  if [ "$XVF_I386" = yes ]; then
    [ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null
    echo "== build: win32 frame_pass_timing"
    cmake --build --preset win32 --target frame_pass_timing >/dev/null
  fi
  local level
  for level in $(sed -n 's/^XVF_CPU_LEVEL([A-Za-z0-9]*, *\([a-z0-9]*\),.*/\1/p' platform/cpu_levels.def); do
    echo "== benchmarks at XVF_CPU=$level"
    XVF_CPU=$level build/native/bench/xvf_bench --benchmark_min_time=0.2 "$@"
  done
  # The ratio tables: one run at the best level the machine has, hot and
  # cold, and the 32-bit frame pass timed under Wine against the same timing
  # program built natively, hot and cold. Each frame size and format is timed
  # in its own process of 5 repetitions (the frame pass, memcpy and
  # libswscale within seconds of each other), three times over, and the
  # tables take the fastest, the run no other work slowed
  # (docs/performance.md says how much it can).
  echo "== ratio tables (best CPU level, hot and cold cache, time per frame)"
  local again group runs=()
  for again in 1 2 3; do
    for group in yuy2/720x576 rgb24/720x576 yuy2/1920x1080 rgb24/1920x1080; do
      runs+=("build/native/bench/ratio-run-$again-${group//\//-}.csv")
      build/native/bench/xvf_bench --benchmark_filter="^(FramePass|Swscale|Memcpy)(Cold)?/$group(/|\$)" \
        --benchmark_min_time=0.2 --benchmark_repetitions=5 --benchmark_out="${runs[-1]}" \
        --benchmark_out_format=csv >/dev/null
    done
  done
  # Both timing programs case by case, alternating, three times, the fastest
  # of each counting (the 32-bit one only where this kernel runs it).
  local timings=() temp round
  if [ "$XVF_I386" = yes ]; then
    with_wine "$wine_prefix" bench/alternate_timings.sh || echo "   (a timing did not run)"
  else
    echo "   (the 32-bit frame pass is not timed under Wine: this kernel runs no 32-bit programs)"
  fi
  [ "$XVF_I386" = yes ] && for temp in hot cold; do
    for round in 1 2 3; do
      timings+=(build/win32/bench/frame-pass-timing-$temp-$round.txt
                build/native/bench/frame-pass-timing-$temp-$round.txt)
    done
  done
  awk -F, -f bench/ratios.awk "${runs[@]}" "${timings[@]}"
  echo "== the xvfaspect element per frame beside the frame pass alone"
  build/native/bench/gst_element_bench --benchmark_min_time=0.2
  cmd_autoeval
}

# The automatic mode's scorecard: programmes made by ffmpeg once into
# build/autoeval/ (about 1 GB, kept between runs), decided by xvf-aspect and by
# cropdetect side by side; the table goes to build/autoeval/scorecard.md
# (docs/auto-mode.md holds the last one published).
cmd_autoeval() {
  [ -f build/native/build.ninja ] || cmake --preset native >/dev/null
  echo "== build: native xvf-aspect"
  cmake --build --preset native --target xvf-aspect >/dev/null
  echo "== the automatic mode's scorecard (a few minutes)"
  /usr/bin/python3 tools/autoeval/autoeval.py build/native/filter/xvf-aspect build/autoeval \
    --markdown build/autoeval/scorecard.md "$@"
}

# The plug-in at work: host-standin.exe loads the real XVF_Aspect.dll under
# Wine and shows the test card in each mode and three window shapes; xvf-demo
# measures the circle in what each window shows and writes out/demo/. The
# 32-bit pair where this kernel runs i386 programs, else the same sources
# built for x86-64 under wine64 (the same frames, byte for byte). It has a
# Wine prefix of its own, apart from the tests'.
cmd_demo() {
  local log=build/demo-build.log tree=win32 loader=wine
  if [ "$XVF_I386" != yes ]; then
    tree=win64 loader=$wine64_loader
  fi
  mkdir -p build
  echo "== build: $tree (XVF_Aspect.dll, host-standin.exe) and native (xvf-demo)"
  local preset
  for preset in $tree native; do
    [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >"$log" 2>&1 || { tail -n 30 "$log"; return 1; }
  done
  # A tree configured before xvf-demo existed has no target for it yet.
  grep -q 'xvf-demo' build/native/build.ninja || cmake --preset native >"$log" 2>&1 || { tail -n 30 "$log"; return 1; }
  if ! { cmake --build --preset $tree --target xvf_aspect_dll host-standin &&
         cmake --build --preset native --target xvf-demo; } >"$log" 2>&1; then
    grep -E 'error|Error|FAILED' "$log" | head -n 30
    echo "== build failed, see $log"
    return 1
  fi
  local prefix="$root/build/wineprefix-demo" bits=32
  [ $tree = win64 ] && prefix+=-64 bits=64
  [ -d "$prefix" ] || echo "== preparing a Wine prefix in ${prefix#$root/} (once, about 15 s)"
  mkdir -p "$prefix" out/demo
  if [ $tree = win32 ]; then
    echo "== running the 32-bit host-standin.exe and XVF_Aspect.dll under Wine: 5 modes x 3 windows x YUY2 and RGB24"
  else
    echo "== running the 64-bit host-standin.exe and XVF_Aspect.dll under wine64 (this kernel runs no 32-bit"
    echo "   programs; the same sources as the shipped 32-bit DLL): 5 modes x 3 windows x YUY2 and RGB24"
  fi
  WINE=$loader tests/scripts/with_wine.sh "$prefix" build/native/tools/demo-sheet/xvf-demo \
    --host build/$tree/plugin/host-standin.exe --out out/demo || return 1
  # The README's picture; the same bytes from either DLL.
  cp out/demo/contact-sheet.png docs/contact-sheet.png
  cat <<EOF

The plug-in shown: build/$tree/plugin/XVF_Aspect.dll ($bits-bit), the DLL the $tree tests load.
To install it, make the release with ./run.sh dist (it runs the tests, then
packs the 32-bit DLL, stripped) and follow README.txt in
out/dist/XVF_Aspect-<version>-win32.zip: XVF_Aspect.dll goes into
<Quillvox folder>\\Plugins\\, its settings to Plugins\\XVF_Aspect.ini there
(Instances\\c\\Plugins\\ for a host started with -inst:c), or under
%APPDATA%\\Quillvox\\ when HKLM\\SOFTWARE\\Quillvox has a non-zero StoreInUsersFolder.
EOF
}

# The release: the win32 tree built and its suites run under Wine, then the
# DLL those suites loaded packed as it is (stripped, its symbols beside the
# zip) by the target xvf_release_zip. Where this kernel runs no i386 program,
# the same DLL is vouched for by the suites that can run here: the win64 tree
# from the same sources under wine64, the portable core as 32-bit code under
# qemu-i386, and the checks of the 32-bit DLL's own bytes.
cmd_dist() {
  local trees=(win32 native) failed=0
  [ "$XVF_I386" = yes ] || trees=(win32 win64 linux32 native)
  local preset
  for preset in "${trees[@]}"; do
    configure_and_build "$preset"
  done
  run_dll_binary_checks || failed=1
  if [ "$XVF_I386" = yes ]; then
    run_windows_tests win32 || failed=1
  else
    run_windows_tests win64 || failed=1
    run_linux32_tests || failed=1
  fi
  run_ctest native || failed=1
  if [ $failed -ne 0 ]; then
    echo "== the tests failed: no release made"
    return 1
  fi
  echo "== release"
  if [ "$XVF_I386" != yes ]; then
    echo "   This kernel runs no 32-bit programs: the 32-bit XVF_Aspect.dll packed here was not run on"
    echo "   this machine. Vouching for it: its own bytes (win32-dll: PE header, exports, imports,"
    echo "   baseline instructions, reproducible link), the same sources built for x86-64 under wine64"
    echo "   (win64), and the portable core as 32-bit code on an emulated Pentium III (linux32)."
  fi
  cmake --build --preset win32 --target xvf_release_zip | sed -n 's/^-- /   /p'
  [ "${PIPESTATUS[0]}" -eq 0 ] || return 1
  # The Debian package of the filter and the element, from their install rules.
  # cpack installs through the tree's install script, which writes
  # build/native/install_manifest.txt: the manifest of the user's own
  # cmake --install (what uninstalling removes) is put back as it was.
  local deb manifest=build/native/install_manifest.txt kept=
  if [ -f "$manifest" ]; then
    kept=$(mktemp) && cp -p "$manifest" "$kept" || return 1
  fi
  (cd build/native && cpack -G DEB >cpack.log 2>&1)
  local packed=$?
  if [ -n "$kept" ]; then mv "$kept" "$manifest"; else rm -f "$manifest"; fi
  [ $packed -eq 0 ] || { tail -n 20 build/native/cpack.log; return 1; }
  mkdir -p out/dist
  deb=out/dist/$(basename "$(ls -t build/native/package/*.deb | head -n 1)")
  cp "$(ls -t build/native/package/*.deb | head -n 1)" "$deb"
  echo "   $deb: $(stat -c %s "$deb") bytes ($(dpkg-deb -f "$deb" Depends))"
}

usage() {
  sed -n '2,9p' "$0" | sed 's/^# \{0,1\}//'
}

main() {
  local command=${1:-}
  [ $# -gt 0 ] && shift
  case "$command" in
    demo) setup; probe_i386; cmd_demo ;;
    test) setup; probe_i386; cmd_test ;;
    bench) setup; probe_i386; cmd_bench "$@" ;;
    build) setup; cmd_build ;;
    fuzz) setup; cmd_fuzz "$@" ;;
    autoeval) setup; cmd_autoeval "$@" ;;
    dist) setup; probe_i386; cmd_dist ;;
    ""|help|-h|--help) usage ;;
    *) echo "run.sh: unknown command '$command'" >&2; usage >&2; exit 2 ;;
  esac
}

main "$@"
