#!/usr/bin/env bash
# mpv's frame time and dropped frames with and without the mpv plug-in:
# 720x576 video (testsrc2, SAR 16:15, 25 frames a second) in each window
# given, without the plug-in (keepaspect on) and in each mode, one mpv run
# each, 3 s of warm-up then 10 s counted, run under Xvfb from the project
# root after building xvfaspect.so (XVF_MPV_PLUGIN=path for another
# build, XVF_MPV_MODES="none panorama" for fewer runs). One line per run
# from bench/mpv_frame_stats.lua: the video's frames played in the 10 s,
# those the output dropped (late) and the decoder skipped, and the mean
# time mpv's render passes took per fresh frame, all of them and the
# plug-in's. Usage: bench/mpv_frame_time.sh [WxH...] (1024x576 1920x1080)
set -u
plugin=${XVF_MPV_PLUGIN:-build/native/mpv/xvfaspect.so}
clip=${TMPDIR:-/tmp}/xvf-mpv-bench-720x576.mkv
[ -f "$clip" ] || ffmpeg -v error -y -f lavfi -i testsrc2=size=720x576:rate=25 -t 20 -vf setsar=16/15 \
  -pix_fmt yuv420p -c:v libx264 -preset ultrafast -qp 10 "$clip" || exit 1
windows=("$@")
[ ${#windows[@]} -gt 0 ] || windows=(1024x576 1920x1080)
for window in "${windows[@]}"; do
  for mode in ${XVF_MPV_MODES:-none fit-window fit-width fit-height panorama anamorphic auto}; do
    args=()
    [ "$mode" = none ] || args=(--script="$plugin" --script-opts-append=xvfaspect-mode=$mode)
    line=$(mpv --no-config --vo=gpu --gpu-context=x11egl --geometry="$window" --no-border --ao=null \
             --loop-file=inf --script="bench/mpv_frame_stats.lua" "${args[@]}" "$clip" 2>&1 |
           sed -n 's/^.*XVFSTATS //p')
    printf '%-9s  %-10s  %s\n' "$window" "$mode" "${line:-no figures (mpv failed)}"
  done
done
