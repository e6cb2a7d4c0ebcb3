#!/usr/bin/env bash
# Runs a command under a headless X server with a warmed-up Wine server and
# prefix, then stops the server; exits with the command's status.
#   [WINE=LOADER] tests/scripts/with_wine.sh PREFIX COMMAND [ARG...]
# WINE is the loader that prepares the prefix: wine (the 32-bit one where
# wine32 is installed) by default, /usr/lib/wine/wine64 for a 64-bit prefix.
# The prefix is created on first use (about 15 s). Windows are unmanaged: with
# no window manager on Xvfb, every managed window costs 2 s at exit. A crashing
# program fails at once instead of waiting in Wine's crash debugger.
set -u
if [ $# -lt 2 ]; then
  echo "usage: $0 PREFIX COMMAND [ARG...]" >&2
  exit 2
fi
prefix=$1
shift
mkdir -p "$prefix" || exit 1
export WINEPREFIX=$(cd "$prefix" && pwd)
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
export WINE=${WINE:-wine}
exec xvfb-run -a -s "-screen 0 1280x1024x24" bash -c '
  wineserver -p 60
  if [ ! -f "$WINEPREFIX/.xvf-ready" ]; then
    "$WINE" cmd /c exit >/dev/null 2>&1
    "$WINE" reg add "HKCU\\Software\\Wine\\X11 Driver" /v Managed /d N /f >/dev/null 2>&1 &&
    "$WINE" reg add "HKLM\\Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug" /v Debugger /d false /f \
      >/dev/null 2>&1 && touch "$WINEPREFIX/.xvf-ready"
  else
    "$WINE" cmd /c exit >/dev/null 2>&1
  fi
  "$@"
  status=$?
  wineserver -k >/dev/null 2>&1
  exit $status' bash "$@"
