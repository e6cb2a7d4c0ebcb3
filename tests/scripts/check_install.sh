#!/bin/sh
# Installs a native tree into a fresh prefix and checks what a user gets
# there: the filter runs, its manual page reads without warnings, and the
# GStreamer element and the mpv plug-in (when the tree has them) are found
# under the prefix.
#   check_install.sh BUILD_DIR WORK_DIR
set -eu
build=$1
prefix=$2/prefix
rm -rf "$prefix"
cmake --install "$build" --prefix "$prefix" >/dev/null
"$prefix/bin/xvf-aspect" --version
page="$prefix/share/man/man1/xvf-aspect.1"
warnings=$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
[ -z "$warnings" ] || { echo "$page: $warnings"; exit 1; }
MANWIDTH=80 man -l "$page" | grep -q 'xvf-aspect - show video with the proportions'
element=$(find "$prefix" -name libgstxvfaspect.so)
if [ -n "$element" ]; then
  GST_PLUGIN_PATH=$(dirname "$element") GST_REGISTRY="$2/registry.bin" gst-inspect-1.0 xvfaspect | grep -q 'MIT/X11'
fi
# The mpv plug-in finds its shaders under the prefix, relative to itself.
plugin=$(find "$prefix" -name xvfaspect.so)
if [ -n "$plugin" ]; then
  mpv --no-config --vo=null --ao=null --frames=1 --script="$plugin" --script-opts=xvfaspect-mode=panorama \
      av://lavfi:testsrc=size=64x48 2>&1 | grep -q 'xvfaspect: panorama'
fi
echo "installed tree in $prefix: ok"
