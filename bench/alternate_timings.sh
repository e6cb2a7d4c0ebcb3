#!/usr/bin/env bash
# The frame pass timed case by case, the 32-bit core under Wine and the
# native one alternating, hot and cold, three times; writes
# build/{win32,native}/bench/frame-pass-timing-{hot,cold}-{1,2,3}.txt for
# bench/ratios.awk. Other work on a shared machine comes and goes over
# seconds and slows cold frames most, so both sides of a ratio run within
# seconds of each other. Run from the
# project root inside tests/scripts/with_wine.sh, after building both
# frame_pass_timing programs.
set -u
native=build/native/bench/frame_pass_timing
win32=build/win32/bench/frame_pass_timing.exe
cases=$("$native" --list) || exit 1
status=0
for temp in hot cold; do
  flag=
  [ "$temp" = cold ] && flag=--cold
  for round in 1 2 3; do
    out32=build/win32/bench/frame-pass-timing-$temp-$round.txt
    out64=build/native/bench/frame-pass-timing-$temp-$round.txt
    : >"$out32"
    : >"$out64"
    for name in $cases; do
      filter=${name#FramePass/}
      wine "$win32" $flag "$filter" >>"$out32" 2>/dev/null || status=1
      "$native" $flag "$filter" >>"$out64" || status=1
    done
  done
done
exit $status
