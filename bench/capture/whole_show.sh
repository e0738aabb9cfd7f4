#!/usr/bin/env bash
# Wall time of a whole-show capture against the 148.46 s the show lasts, and
# how it splits: the same frames as stills alone (rendering, the sound in
# lock-step, no read-back or encoding) against the capture (read-back,
# ffmpeg, the sound track), in wall and in CPU time (which holds up better on
# a shared machine).
#   bench/capture/whole_show.sh [build dir] [WxH] [fps]   (default build/ 640x360 30)
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
build=${1:-$top/build} size=${2:-640x360} fps=${3:-30}
show=148.46
run=$(mktemp -d "${TMPDIR:-/tmp}/capture-bench-XXXXXX")
trap 'rm -rf "$run"' EXIT
cp "$build/honeyfold" "$build/music.zip" "$build/shaders.zip" "$run/"
cd "$run"
# Wall seconds of a command; its CPU seconds (user + system, ffmpeg's too) in the file cpu.
seconds() {
  local a b
  a=$(date +%s.%N)
  /usr/bin/time -f "%U %S" -o cpu "$@" >/dev/null 2>log || { tail -n 3 log >&2; exit 1; }
  b=$(date +%s.%N)
  awk -v a="$a" -v b="$b" 'BEGIN { printf "%.1f", b - a }'
}
cpu() { awk '{ printf "%.1f", $1 + $2 }' cpu; }
capture=$(seconds ./honeyfold --gl4d-capture=show.mp4 --gl4d-size="$size" --gl4d-fps="$fps") captureCpu=$(cpu)
frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 show.mp4)
sound=$(ffprobe -v error -select_streams a:0 -show_entries stream=duration -of csv=p=0 show.mp4)
last=$(awk -v f="$frames" -v r="$fps" 'BEGIN { printf "%.3f", (f - 1) / r }')
stills=$(seconds ./honeyfold --gl4d-stills="$last" --gl4d-size="$size" --gl4d-fps="$fps") stillsCpu=$(cpu)
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'), load $(cut -d' ' -f1-3 /proc/loadavg)"
echo "whole show at $size, $fps fps: $frames frames, sound $sound s"
awk -v c="$capture" -v s="$stills" -v f="$frames" -v show="$show" -v cc="$captureCpu" -v sc="$stillsCpu" 'BEGIN {
  printf "capture: %.1f s wall for %.2f s of show: %.2f x real time, %.1f fps; %.1f s CPU (ffmpeg too)\n", c, show, show / c, f / c, cc
  printf "stills alone (same frames, no encoding): %.1f s, %.1f fps, %.1f s CPU; capture overhead %.1f s (%.1f ms a frame), %.1f s CPU\n", s, f / s, sc, c - s, 1000 * (c - s) / f, cc - sc }'
