#!/usr/bin/env bash
# The demo's first 30 s captured at 320x180, 30 fps, without a display, and
# checked from the video and its sound: both streams and their lengths,
# black at 0.5 s, a white figure in the centre at 12 s, red only at 23 s, the
# green flash, the drone rising, the snow over it, then silence and the
# first 880 Hz beeps of the countdown.
#   capture_opening.sh <build dir>
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/capture_lib.sh"
build=$1
dir=$(make_run_dir "$build")
cd "$dir"
status=0
env -u DISPLAY -u SDL_VIDEODRIVER ./honeyfold --gl4d-capture=opening.mp4 --gl4d-size=320x180 --gl4d-fps=30 \
  --gl4d-stop=30 >stdout 2>stderr || status=$?
[ "$status" -eq 0 ] || fail "capture status $status: $(tail -n 5 stderr)"
grep -q "opening.mp4: 900 frames at 30 fps (30.000 s), sound 30.000 s" stderr || fail "summary: $(tail -n 1 stderr)"

# Streams.
[ "$(stream_field opening.mp4 v:0 codec_name,width,height,nb_read_frames)" = "h264,320,180,900" ] ||
  fail "video stream: $(stream_field opening.mp4 v:0 codec_name,width,height,nb_read_frames)"
[ "$(stream_field opening.mp4 a:0 codec_name)" = aac ] || fail "no AAC sound stream"
sound_len=$(stream_field opening.mp4 a:0 duration)
is "$sound_len > 29.966 && $sound_len < 30.034" || fail "sound lasts $sound_len s, not 30 s within a frame"
echo "ok: 900 frames of 320x180 H.264 and $sound_len s of AAC"

# Pictures ("R G B" means; whole frame 320x180, the centre, a corner).
read -r r g b < <(frame_mean opening.mp4 0.5 0 0 320 180)
is "$r < 3 && $g < 3 && $b < 3" || fail "not black at 0.5 s: $r $g $b"
read -r r g b < <(frame_mean opening.mp4 12 130 60 190 120)
read -r cr cg cb < <(frame_mean opening.mp4 12 0 0 40 30)
is "$r > 60 && $r - $g < 8 && $g - $r < 8 && $g - $b < 8 && $b - $g < 8" || fail "no white figure in the centre at 12 s: $r $g $b"
is "$cr < 8 && $cg < 8 && $cb < 8" || fail "the corner is not dark at 12 s: $cr $cg $cb"
read -r r g b < <(frame_mean opening.mp4 23 0 0 320 180)
is "$r > 25 && $g < 4 && $b < 4" || fail "not red only at 23 s: $r $g $b"
read -r r g b < <(frame_mean opening.mp4 25.5 0 0 320 180)
is "$g < 5" || fail "green before the flash at 25.5 s: $r $g $b"
read -r r g b < <(frame_mean opening.mp4 25.72 0 0 320 180)  # frame 772, near the end of the fade into green
is "$g > 60 && $r < 15 && $b < 5" || fail "no green flash at 25.73 s: $r $g $b"
echo "ok: black, a white figure, red, the green flash"

# Sound.
sound_wav opening.mp4 opening.wav
level() { sound_rms opening.wav "$@"; }
d1=$(level 1 0.5) d5=$(level 5 0.5) d10=$(level 10 0.5) d14=$(level 14 0.5)
is "$d1 < $d5 && $d5 < $d10 && $d10 < $d14 && $d14 > 4 * $d1 && $d14 > 0.2" || fail "the drone does not rise: $d1 $d5 $d10 $d14"
s14=$(level 14 0.5 highpass 6000) s21=$(level 21 0.5 highpass 6000) s24=$(level 24.5 0.5 highpass 6000)
is "$s14 < $s21 && $s21 < $s24 && $s24 > 20 * $s14 && $s24 > 0.1" || fail "no snow growing over the drone: $s14 $s21 $s24"
quiet=$(level 25.95 0.2)
is "$quiet < 0.001" || fail "the drone and the snow have not stopped by 25.95 s: $quiet"
before=$(level 26.1 0.12) beep=$(level 26.3 0.15) gap=$(level 26.8 0.3) beep2=$(level 27.3 0.15)
is "$before < 0.01 && $beep > 0.5 && $gap < 0.01 && $beep2 > 0.5" ||
  fail "the countdown's first beeps are not at 26.3 and 27.3 s: $before $beep $gap $beep2"
freq=$(sox opening.wav -n remix 1 trim 26.3 0.15 stat 2>&1 | awk '/^Rough +frequency/ { print $3 }')
is "$freq > 870 && $freq < 890" || fail "the beep is at $freq Hz, not 880 Hz"
echo "ok: the drone rises ($d1 to $d14), the snow grows ($s14 to $s24), silence, beeps at $freq Hz"
rm -rf "$dir"
