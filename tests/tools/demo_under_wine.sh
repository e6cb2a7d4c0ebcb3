#!/bin/sh
# xvf-demo over a win32 host-standin.exe and plug-in, under Xvfb and Wine,
# for the panorama mode in two windows: exit 0 when the circles come out as
# the mode promises; 77 (skipped) when the Windows build or Wine is missing.
# Where the kernel runs no i386 program (XVF_I386=no, as ./run.sh finds out;
# unset, Wine's 32-bit loader is tried), the win64 pair runs under Wine's
# 64-bit loader instead.
#   demo_under_wine.sh XVF-DEMO HOST-STANDIN.EXE HOST-STANDIN-64.EXE WINEPREFIX OUTDIR
demo=$1 host=$2 host64=$3 prefix=$4 out=$5
loader=wine
if [ -z "${XVF_I386:-}" ]; then
  XVF_I386=no
  wine --version >/dev/null 2>&1 && XVF_I386=yes
fi
if [ "$XVF_I386" = no ]; then
  host=$host64 loader=/usr/lib/wine/wine64 prefix=$prefix-64
fi
if [ ! -f "$host" ]; then
  echo "skipped: no $host (build its Windows tree first)"
  exit 77
fi
if ! command -v "$loader" >/dev/null 2>&1 || ! command -v xvfb-run >/dev/null 2>&1; then
  echo "skipped: $loader or xvfb-run is not installed"
  exit 77
fi
mkdir -p "$out" || exit 1
WINE=$loader exec "$(dirname "$0")/../../tests/scripts/with_wine.sh" "$prefix" \
  "$demo" --host "$host" --out "$out" --modes panorama --windows 1024x576,480x720 --formats yuy2 --instance t
