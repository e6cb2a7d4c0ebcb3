#!/usr/bin/env bash
# XVF_Aspect: set up this machine, then build, test, benchmark or fuzz.
#   ./run.sh demo           show the plug-in at work under Wine: out/demo/contact-sheet.png and a table
#   ./run.sh test           build all presets and run every test suite
#   ./run.sh bench          build and run the benchmarks
#   ./run.sh fuzz [SECONDS] run every fuzz target for SECONDS each (default 60)
#   ./run.sh build          build all presets, run nothing
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
  "wine:/usr/bin/wine"
  "wine32:/usr/lib/i386-linux-gnu/wine/i386-windows/kernel32.dll"
  "xvfb:/usr/bin/Xvfb"
  "xauth:/usr/bin/xauth"
  "zlib1g-dev:/usr/include/zlib.h"
  "pkg-config:/usr/bin/pkg-config"
  "libswscale-dev:/usr/include/x86_64-linux-gnu/libswscale/swscale.h"
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
# server: tools/with_wine.sh PREFIX COMMAND... (used by every command here).
wine_prefix="$root/build/wineprefix"
with_wine() {
  tools/with_wine.sh "$@"
}

configure_and_build() {
  local preset=$1
  [ -f "build/$preset/build.ninja" ] || cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -- -k 0 | grep -v -E '^\[[0-9]+/[0-9]+\] |^ninja: no work to do' || true
  cmake --build --preset "$preset" >/dev/null  # fails the script if anything did not build
}

# The summary of a CTest log; when a test failed, every line but the passes,
# so each failing test's own output shows.
report_ctest() {
  local log=$1 status=$2
  if [ "$status" -eq 0 ]; then
    grep -E 'tests passed|tests failed|Total Test time' "$log" || tail -n 3 "$log"
  else
    grep -v -E '^ *[0-9]+/[0-9]+ Test +#[0-9]+: .*Passed' "$log"
  fi
}

run_ctest() {
  local preset=$1
  local log="build/$preset/ctest.log" status=0
  echo "== tests: $preset"
  ctest --preset "$preset" -j "$(nproc)" >"$log" 2>&1 || status=$?
  report_ctest "$log" $status
  return $status
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
# Wine now and then crashes in its own process teardown after a test has
# passed; such a test runs once more. A test that fails twice fails.
run_win32_tests() {
  local log=build/win32/ctest.log status=0
  echo "== tests: win32 (under Wine)"
  with_wine "$wine_prefix" ctest --preset win32 -j 2 --repeat until-pass:2 >"$log" 2>&1 || status=$?
  report_ctest "$log" $status
  return $status
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
  run_win32_tests || failed=1
  echo "== fuzz: every target briefly"
  cmd_fuzz 10 | grep -v '^== build' || failed=1
  if [ $failed -ne 0 ]; then
    echo "== SOME TESTS FAILED"
    return 1
  fi
  echo "== all test suites passed"
}

# Each libFuzzer target runs from its seed corpus for a bounded time; new
# inputs go to build/fuzz/corpus/<target>, crashes to build/fuzz/crashes/.
cmd_fuzz() {
  local seconds=${1:-60}
  echo "== build: fuzz"
  configure_and_build fuzz
  mkdir -p build/fuzz/crashes
  local failed=0 target name
  for target in build/fuzz/fuzz/*_fuzz; do
    [ -x "$target" ] || continue
    name=$(basename "$target" _fuzz)
    mkdir -p "build/fuzz/corpus/$name"
    local seeds=()
    [ -d "fuzz/corpus/$name" ] && seeds=("fuzz/corpus/$name")
    local dict=()
    [ -f "fuzz/$name.dict" ] && dict=("-dict=fuzz/$name.dict")
    local log="build/fuzz/$name.log"
    if "$target" -max_total_time="$seconds" -print_final_stats=1 -artifact_prefix="build/fuzz/crashes/$name-" \
        "${dict[@]}" "build/fuzz/corpus/$name" "${seeds[@]}" >"$log" 2>&1; then
      local runs cov
      runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo "?")
      cov=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | grep -o '[0-9]*' || echo "?")
      printf '   %-12s %8s executions in %ss, coverage %s edges: no crash\n' "$name" "$runs" "$seconds" "$cov"
    else
      echo "   $name: FAILED, see $log"
      grep -E 'ERROR|SUMMARY|artifact' "$log" | head -n 5 | sed 's/^/     /'
      failed=1
    fi
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
  # The ratio tables: one run at the best level the machine has (medians of
  # 5), hot and cold, and the 32-bit frame pass timed under Wine on the hot
  # cases.
  echo "== ratio tables (best CPU level, hot and cold cache, CPU time per frame)"
  local results=build/native/bench/ratio-run.csv
  build/native/bench/xvf_bench --benchmark_filter='^(FramePass|Swscale|Memcpy)(Cold)?/' --benchmark_min_time=0.2 \
    --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
    --benchmark_out="$results" --benchmark_out_format=csv >/dev/null
  with_wine "$wine_prefix" wine build/win32/bench/frame_pass_timing.exe \
    >build/win32/bench/frame-pass-timing.txt 2>/dev/null || echo "   (the win32 timing did not run)"
  awk -F, -f bench/ratios.awk "$results" build/win32/bench/frame-pass-timing.txt
}

# The plug-in at work: host-standin.exe loads the real XVF_Aspect.dll under
# Wine and shows the test card in each mode and three window shapes; xvf-demo
# measures the circle in what each window shows and writes out/demo/.
# It has a Wine prefix of its own, apart from the tests'.
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
  with_wine "$prefix" build/native/tools/demo-sheet/xvf-demo --host build/win32/plugin/host-standin.exe \
    --out out/demo || return 1
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
    ""|help|-h|--help) usage ;;
    *) echo "run.sh: unknown command '$command'" >&2; usage >&2; exit 2 ;;
  esac
}

main "$@"
