#!/bin/sh
# xvf-demo over the win32 host-standin.exe and plug-in, under Xvfb and Wine,
# for the panorama mode in two windows: exit 0 when the circles come out as
# the mode promises; 77 (skipped) when the win32 build or Wine is missing.
#   demo_under_wine.sh XVF-DEMO HOST-STANDIN.EXE WINEPREFIX OUTDIR
demo=$1 host=$2 prefix=$3 out=$4
if [ ! -f "$host" ]; then
  echo "skipped: no $host (build the win32 tree first)"
  exit 77
fi
if ! command -v wine >/dev/null 2>&1 || ! command -v xvfb-run >/dev/null 2>&1; then
  echo "skipped: wine or xvfb-run is not installed"
  exit 77
fi
mkdir -p "$out" || exit 1
exec "$(dirname "$0")/../../tests/scripts/with_wine.sh" "$prefix" \
  "$demo" --host "$host" --out "$out" --modes panorama --windows 1024x576,480x720 --formats yuy2 --instance t
