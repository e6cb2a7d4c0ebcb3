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
mkdir -p "$prefix" "$out" || exit 1
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
# Unmanaged windows: with no window manager each managed one costs 2 s at exit.
exec xvfb-run -a -s "-screen 0 1280x1024x24" sh -c '
  wineserver -p 60
  wine cmd /c exit >/dev/null 2>&1
  wine reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1
  "$0" --host "$1" --out "$2" --modes panorama --windows 1024x576,480x720 --formats yuy2 --instance t
  status=$?
  wineserver -k >/dev/null 2>&1
  exit $status' "$demo" "$host" "$out"
