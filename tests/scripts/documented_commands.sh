#!/bin/sh
# Runs every command that README.md, xvf-aspect --help and the manual page
# show, as a user would paste it, on a small recording with sound (in.mkv),
# and checks what it writes: exit 0, and every out.mkv H.264 4:2:0 with the
# sound kept and the window's pixel aspect (64:45). Commands that need a
# display or a capture device (mpv, autovideosink, v4l2src) are left out, and
# so are those that remove an install.
#   documented_commands.sh BUILD_DIR SOURCE_DIR
set -eu
build=$(cd "$1" && pwd)
source=$(cd "$2" && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

# The ~/.local install that README's GST_PLUGIN_PATH line names, in here.
cmake --install "$build" --prefix "$work/home/.local" >/dev/null
export GST_REGISTRY="$work/registry.bin" PATH="$build/filter:$PATH"
ffmpeg -v error -nostdin -f lavfi -i testsrc=size=720x576:rate=25 -f lavfi -i sine=frequency=440 -t 1 \
  -c:v libx264 -preset ultrafast -pix_fmt yuv420p -c:a aac in.mkv

# One command per line: lines ending in | or \ go on on the next line.
join() { awk '{ line = line $0 } /[|\\]$/ { sub(/\\$/, "", line); next } { print line; line = "" }'; }
# README: indented lines naming the filter or GStreamer.
sed -n 's/^    //p' "$source/README.md" | join | grep -E 'xvf-aspect|gst-|GST_PLUGIN_PATH' > readme.txt
# --help: the example lines.
xvf-aspect --help | sed -n '/^  ffmpeg/,/[^\\]$/p' | join > help.txt
# The manual: the .nf blocks of EXAMPLES, unescaped.
sed -n '/^\.SH EXAMPLES/,/^\.SH SEE/p' "$build/filter/xvf-aspect.1" | sed -n '/^\.nf/,/^\.fi/p' | grep -v '^\.' |
  sed 's/\\-/-/g; s/\\e/\\/g' | join > manual.txt

failed=0
for list in readme help manual; do
  count=0
  while IFS= read -r command; do
    count=$((count + 1))
    # Nor the lines that remove an install.
    case $command in *mpv*|*autovideosink*|*v4l2src*|*rm\ *|rmdir*) echo "skipped ($list): $command"; continue ;; esac
    # The build tree and the home folder are this run's.
    command=$(printf '%s\n' "$command" | sed "s|\\\$PWD/build/native|$build|g; s|build/native/|$build/|g; \
      s|\\\$HOME|$work/home|g")
    case $command in
      export*) eval "$command"; echo "ok ($list): $command"; continue ;;
    esac
    rm -f out.mkv panorama.y4m
    if ! sh -c "$command" < /dev/null > log 2>&1; then
      echo "FAILED ($list, exit $?): $command"; tail -n 5 log; failed=1; continue
    fi
    problem=
    if [ -e out.mkv ]; then
      streams=$(ffprobe -v error -show_entries stream=codec_type,codec_name,pix_fmt,sample_aspect_ratio \
        -of compact=p=0:nk=1 out.mkv)
      printf '%s\n' "$streams" | grep -qx 'h264|video|64:45|yuv420p' || problem="video not H.264 4:2:0 at 64:45"
      printf '%s\n' "$streams" | grep -q '|audio' || problem="$problem; no sound"
    fi
    if [ -e panorama.y4m ] && ! head -c 100 panorama.y4m | grep -aq ' A64:45'; then problem="no A64:45"; fi
    if [ -n "$problem" ]; then
      echo "FAILED ($list): $command: $problem: $streams"; failed=1
    else
      echo "ok ($list): $command"
    fi
  done < $list.txt
  [ "$count" -gt 0 ] || { echo "FAILED: no commands found in $list"; failed=1; }
done
exit $failed
