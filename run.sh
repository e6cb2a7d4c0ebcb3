#!/usr/bin/env bash
# XVF_Aspect: set up this machine, then build, test, benchmark or fuzz.
#   ./run.sh demo          show the plug-in at work under Wine: out/demo/contact-sheet.png and a table
#   ./run.sh test          build all presets and run every test suite
#   ./run.sh bench         build and run the benchmarks
#   ./run.sh fuzz [SECONDS] run every fuzz target for SECONDS each (default 60)
#   ./run.sh build         build all presets, run nothing
set -euo pipefail
cd "$(dirname "$0")"
root=$PWD

# Debian packages the project needs, and one file or command proving each is there.
packages=(
  "cmake:/usr/bin/cmake"
  "ninja-build:/usr/bin/ninja"
  "g++:/usr/bin/g++"
  "clang:/usr/bin/clang"
  "libclang-rt-14-dev:/usr/lib/llvm-14/lib/clang/14.0.6/lib/linux/libclang_rt.fuzzer-x86_64.a"
  "googletest:/usr/src/googletest/CMakeLists.txt"
  "libbenchmark-dev:/usr/include/benchmark/benchmark.h"
  "g++-mingw-w64-i686-posix:/usr/bin/i686-w64-mingw32-g++-posix"
  "gcc-mingw-w64-i686-posix:/usr/bin/i686-w64-mingw32-gcc-posix"
  "wine:/usr/bin/wine"
  "wine32:/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll"
  "xvfb:/usr/bin/Xvfb"
  "xauth:/usr/bin/xauth"
  "zlib1g-dev:/usr/include/zlib.h"
  "pkg-config:/usr/bin/pkg-config"
  "libswscale-dev:/usr/include/x86_64-linux-gnu/libswscale/swscale.h"
)

setup() {
  local missing=()
  for entry in "${packages[@]}"; do
    [ -e "${entry#*:}" ] || missing+=("${entry%%:*}")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "== installing: ${missing[*]}"
  local sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $sudo dpkg --add-architecture i386
  fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}" >/dev/null
}

# Wine runs the 32-bit products in a prefix of our own, under a headless X server.
export WINEPREFIX="$root/build/wineprefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="

configure_and_build() {
  local preset=$1
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -- -k 0 | grep -v -E '^\[[0-9]+/[0-9]+\] |^ninja: no work to do' || true
  cmake --build --preset "$preset" >/dev/null  # fails the script if anything did not build
}

run_ctest() {
  local preset=$1
  echo "== tests: $preset"
  ctest --preset "$preset" -j "$(nproc)" 2>&1 | tail -n 25
  return "${PIPESTATUS[0]}"
}

# The frame thread against the dialog's thread under ThreadSanitizer; the
# preset builds only this test.
run_tsan_test() {
  echo "== tests: native-tsan (ThreadSanitizer)"
  configure_and_build native-tsan
  TSAN_OPTIONS=halt_on_error=1 build/native-tsan/tests/hardening/hardening_concurrency_tests 2>&1 | tail -n 3
  return "${PIPESTATUS[0]}"
}

# Wine's server and prefix are started once, so no test waits for them.
# Xvfb runs no window manager: Wine's own (unmanaged) windows spare every
# window that is shown and destroyed a 2 s wait for the manager.
run_win32_tests() {
  mkdir -p "$WINEPREFIX"
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p 60
    wine cmd /c exit >/dev/null 2>&1 || true
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 || true
    # A crashing test fails at once instead of waiting in the crash debugger.
    wine reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug" /v Debugger /d false /f \
      >/dev/null 2>&1 || true
    # Wine now and then crashes in its own process teardown after a test has
    # passed; such a test runs once more. A test that fails twice fails.
    ctest --preset win32 -j 2 --repeat until-pass:2 2>&1 | tail -n 25
    status=${PIPESTATUS[0]}
    wineserver -k >/dev/null 2>&1 || true
    exit $status'
}

cmd_build() {
  for preset in native native-asan win32 fuzz; do
    echo "== build: $preset"
    configure_and_build "$preset"
  done
}

cmd_test() {
  cmd_build
  local failed=0
  run_ctest native || failed=1
  ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=print_stacktrace=1 run_ctest native-asan || failed=1
  run_tsan_test || failed=1
  echo "== tests: win32 (under Wine)"
  run_win32_tests || failed=1
  echo "== fuzz: every target briefly"
  cmd_fuzz 10 | grep -v '^== build' || failed=1
  if [ $failed -ne 0 ]; then
    echo "== SOME TESTS FAILED"
    return 1
  fi
  echo "== all test suites passed"
}

# Each libFuzzer target fuzzes for SECONDS from its corpus in the repository
# (fuzz/corpus/<name>, kept minimal) with its dictionary fuzz/<name>.dict and
# the libFuzzer flags in fuzz/<name>.options; new inputs go to
# build/fuzz/corpus/<name>, crashes to build/fuzz/crashes/. Then the inputs
# that reach new coverage are merged into the repository corpus (not in the
# test suite's short run, which leaves the repository as it is).
cmd_fuzz() {
  local seconds=${1:-60}
  echo "== build: fuzz"
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
  echo "== build: native, and the win32 frame pass timing"
  # A tree configured before libswscale was installed has no Swscale cases yet.
  [ -f build/native/build.ninja ] && ! grep -q swscale_bench build/native/build.ninja && cmake --preset native >/dev/null
  configure_and_build native
  [ -f build/win32/build.ninja ] || cmake --preset win32 >/dev/null
  cmake --build --preset win32 --target frame_pass_timing >/dev/null
  local level
  for level in c sse2 ssse3 avx2; do
    echo "== benchmarks at XVF_CPU=$level"
    XVF_CPU=$level build/native/bench/xvf_bench --benchmark_min_time=0.2 "$@"
  done
  # The ratio table: one run at the best level the machine has (medians of
  # 5), and the 32-bit frame pass timed under Wine on the same cases.
  echo "== ratio table (best CPU level, hot cache, CPU time per frame)"
  local results=build/native/bench/ratio-run.csv
  build/native/bench/xvf_bench --benchmark_filter='^(FramePass|Swscale|Memcpy)/' --benchmark_min_time=0.2 \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$results" --benchmark_out_format=csv >/dev/null
  mkdir -p "$WINEPREFIX"
  xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p 60
    wine build/win32/bench/frame_pass_timing.exe
    status=$?
    wineserver -k >/dev/null 2>&1 || true
    exit $status' >build/win32/bench/frame-pass-timing.txt 2>/dev/null || echo "   (the win32 timing did not run)"
  awk -F, -f bench/ratios.awk "$results" build/win32/bench/frame-pass-timing.txt
}

# The plug-in at work: host-standin.exe loads the real XVF_Aspect.dll under
# Wine and shows the test card in each mode and three window shapes; xvf-demo
# measures the circle in what each window shows and writes out/demo/.
# Its own Wine prefix lets the X11 driver leave windows unmanaged: with no
# window manager on Xvfb, every managed window costs 2 s at exit.
cmd_demo() {
  local log=build/demo-build.log
  mkdir -p build
  echo "== build: win32 (XVF_Aspect.dll, host-standin.exe) and native (xvf-demo)"
  local preset
  for preset in win32 native; do
    [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >"$log" 2>&1 || { tail -n 30 "$log"; return 1; }
  done
  # A tree configured before zlib was installed has no xvf-demo yet.
  grep -q 'xvf-demo' build/native/build.ninja || cmake --preset native >"$log" 2>&1 || { tail -n 30 "$log"; return 1; }
  if ! { cmake --build --preset win32 --target xvf_aspect_dll host-standin &&
         cmake --build --preset native --target xvf-demo; } >"$log" 2>&1; then
    grep -E 'error|Error|FAILED' "$log" | head -n 30
    echo "== build failed, see $log"
    return 1
  fi
  local prefix="$root/build/wineprefix-demo"
  [ -d "$prefix" ] || echo "== preparing a Wine prefix in build/wineprefix-demo (once, about 15 s)"
  mkdir -p "$prefix" out/demo
  echo "== running host-standin.exe under Wine: 5 modes x 3 windows x YUY2 and RGB24"
  WINEPREFIX="$prefix" xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
    wineserver -p 60
    wine cmd /c exit >/dev/null 2>&1 || true
    wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 || true
    build/native/tools/demo-sheet/xvf-demo --host build/win32/plugin/host-standin.exe --out out/demo
    status=$?
    wineserver -k >/dev/null 2>&1 || true
    exit $status' || return 1
  cat <<EOF

The plug-in: $root/build/win32/plugin/XVF_Aspect.dll
(32-bit Windows, self-contained: nothing else needs copying.)
To install it, copy XVF_Aspect.dll into the Plugins folder of the Quillvox
installation, <Quillvox folder>\\Plugins\\. Its settings are kept beside it in
Plugins\\XVF_Aspect.ini (Instances\\c\\Plugins\\XVF_Aspect.ini for a host started
with -inst:c); when HKLM\\SOFTWARE\\Quillvox has a non-zero StoreInUsersFolder
value (Windows NT family), in %APPDATA%\\Quillvox\\Plugins\\XVF_Aspect.ini instead
(%APPDATA%\\Quillvox\\Instances\\c\\Plugins\\ for an instance).
EOF
}

usage() {
  sed -n '2,7p' "$0" | sed 's/^# \{0,1\}//'
}

main() {
  local command=${1:-}
  [ $# -gt 0 ] && shift
  case "$command" in
    demo) setup; cmd_demo ;;
    test) setup; cmd_test ;;
    bench) setup; cmd_bench "$@" ;;
    build) setup; cmd_build ;;
    fuzz) setup; cmd_fuzz "$@" ;;
    *) usage; [ -z "$command" ] || [ "$command" = help ]; exit $? ;;
  esac
}

main "$@"
