#!/usr/bin/env bash
# What a viewer sees against what they hear, measured from outside the demo:
#   bench/sync/av_offset.sh <build dir> [demo option...]
# The demo plays live, full screen on an X server of its own (SYNC_SIZE, default 320x180, rendered at that size),
# into a PulseAudio null sink. One ffmpeg takes the screen (x11grab, SYNC_FPS, default 60) and the sink's monitor (5 ms
# fragments), both stamped by the same wall clock, from before the demo starts. An offline capture of the show at
# the same size and rate is the reference: there frame n is show time n / SYNC_FPS s and sample i is i / 48000 s. The same
# detectors run on both; an event's offset is its live time minus its reference time, and a pair's offset is its
# sound event's offset minus its picture event's (positive: the sound is late). Figures, no verdict.
size=${SYNC_SIZE:-320x180}
fps=${SYNC_FPS:-60}
HONEYFOLD_SCREEN=$size . "$(dirname "$0")/../../tests/e2e/lib.sh" "$1"
here=$top/bench/sync
command -v ffmpeg >/dev/null || skip "no ffmpeg"
# The frames as 16x9 YUV 4:4:4 into frames.yuv, their times (s) in times.txt
frames=(-map 0:v -vf "scale=16:9:flags=area,format=yuv444p,showinfo" -fps_mode passthrough -f rawvideo frames.yuv)
times() { sed -n "s/.*Parsed_$1.* pts_time:\([0-9.e+-]*\) .*/\1/p" frames.log; }
# events <frame times> <sound packets> <sound>
events() { awk -f "$here/events.awk" <(od -An -v -tu1 -w432 frames.yuv | paste -d' ' "$1" -) "$2" <(od -An -v -td2 -w4 "$3"); }

# SYNC_REFERENCE=FILE: the reference's events kept in FILE, and taken from it when it is there.
if [ -s "${SYNC_REFERENCE:-}" ]; then cp "$SYNC_REFERENCE" ref.events; else
  offline --gl4d-capture=ref.mp4 --gl4d-size="$size" --gl4d-fps="$fps" || fail "no reference: $(tail -n 3 stderr)"
  ffmpeg -nostdin -hide_banner -y -i ref.mp4 "${frames[@]}" -map 0:a -f s16le -ac 2 -ar 48000 ref.raw 2>frames.log
  times showinfo | awk -v fps="$fps" '{ printf "%.6f\n", (NR - 1) / fps }' >ref.times
  events ref.times <(echo 0 0) ref.raw >ref.events
  [ -z "${SYNC_REFERENCE:-}" ] || cp ref.events "$SYNC_REFERENCE"
fi

sound_server
epoch=$(date +%s)  # both inputs' times from this second: six digits keep the millisecond
ffmpeg -nostdin -hide_banner -y -copyts -itsoffset -"$epoch" -thread_queue_size 4096 -f x11grab -framerate "$fps" \
  -video_size "$size" -i "$DISPLAY" -itsoffset -"$epoch" -thread_queue_size 4096 -f pulse -fragment_size 960 \
  -sample_rate 48000 -channels 2 -i hf.monitor "${frames[@]}" -map 1:a -af ashowinfo -f s16le live.raw 2>frames.log &
rec=$!
until [ -s live.raw ]; do kill -0 $rec 2>/dev/null || fail "no recorder: $(tail -n 3 frames.log)"; sleep 0.1; done
start ./honeyfold --gl4d-size="$size" --gl4d-stats "${@:2}"
t0=$SECONDS
# SYNC_STALL=T: the sink suspended for a second T s after the demo starts: the stream stalls, the recorder too.
[ -z "${SYNC_STALL:-}" ] || { sleep "$SYNC_STALL" && pactl suspend-sink hf 1 && sleep 1 && pactl suspend-sink hf 0; }
while [ $((SECONDS - t0)) -lt 151 ]; do alive; sleep 1; done  # past the cut at 137.26 s and the show's end
key q && finish 0 && sleep 0.5 && kill -INT $rec && { wait $rec || true; }
times showinfo >times.txt
sed -n 's/.*Parsed_ashowinfo.* pts_time:\([0-9.e+-]*\) .*nb_samples:\([0-9]*\) .*/\1 \2/p' frames.log >packets.txt
events times.txt packets.txt live.raw >live.events
echo "machine: $(nproc) cores, $(uptime | sed 's/.*load/load/'), rendered at $size, taken at $fps fps, demo options: ${*:2}"
awk -f "$here/pairs.awk" ref.events live.events
grep -hE "^gl4d |^ *[0-9]+  [a-z]|^gl4d: " stdout stderr || true
