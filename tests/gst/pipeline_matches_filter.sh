#!/usr/bin/env bash
# One real pipeline per format: videotestsrc frames through xvfaspect, byte
# for byte against xvf-aspect on the same frames; and caps the element does
# not take fail without videoconvert.
#   pipeline_matches_filter.sh XVF_ASPECT WORK_FOLDER   (GST_PLUGIN_PATH_1_0 set)
set -euo pipefail
filter=$1 work=$2
mkdir -p "$work"
source="videotestsrc num-buffers=4 pattern=ball background-color=0xff608040"
# caps format : xvf-aspect format : mode : interlace-mode : fields
for run in YUY2:yuy2:fit-width:interleaved:--fields BGR:bgr24:panorama:progressive:--no-fields; do
  IFS=: read -r format raw mode interlace fields <<<"$run"
  caps="video/x-raw,format=$format,width=720,height=576,framerate=25/1,interlace-mode=$interlace"
  gst-launch-1.0 -q $source ! "$caps" ! filesink location="$work/in.raw"
  gst-launch-1.0 -q $source ! "$caps" ! xvfaspect mode=$mode window=1024x576 ! filesink location="$work/out.raw"
  "$filter" -q --size 720x576 --format "$raw" --window 1024x576 --mode "$mode" "$fields" \
    -i "$work/in.raw" -o "$work/filter.raw"
  cmp "$work/out.raw" "$work/filter.raw"
  if cmp -s "$work/in.raw" "$work/out.raw"; then echo "$format: the element left the frames alone"; exit 1; fi
done
# A source free to choose its pixel aspect keeps its own (1/1); only the
# element's output carries the window's stretch.
gst-launch-1.0 -v $source ! video/x-raw,format=BGR,width=720,height=576 ! xvfaspect window=1024x576 ! fakesink \
  >"$work/caps.txt" 2>&1
grep -q 'videotestsrc0.GstPad:src: caps = .*pixel-aspect-ratio=(fraction)1/1' "$work/caps.txt"
grep -q 'xvfaspect0.GstPad:src: caps = .*pixel-aspect-ratio=(fraction)64/45' "$work/caps.txt"
# Empty buffers (in the last run's caps) go on untouched in every mode; the
# pipeline runs to its end.
for mode in fit-window fit-width fit-height panorama anamorphic auto; do
  timeout 10 gst-launch-1.0 -q fakesrc sizetype=empty num-buffers=3 ! "$caps" ! xvfaspect mode=$mode ! fakesink
done
# Caps the element refuses: a format it does not take fails at linking, a
# YUY2 width it cannot take when the stream starts. (A sink prerolling on the
# EOS that follows the error now and then keeps gst-launch-1.0 waiting: the
# sink does not preroll, and the run gets 10 s.)
for caps in format=I420 format=YUY2,width=719; do
  if timeout 10 gst-launch-1.0 videotestsrc num-buffers=1 ! "video/x-raw,$caps" ! xvfaspect ! fakesink async=false >"$work/refused.txt" 2>&1; then
    echo "$caps went through"; exit 1
  fi
done
grep -q "not-negotiated" "$work/refused.txt"
