#!/usr/bin/env bash
# The same show time gives the same frame in still mode and in capture mode:
# a capture run that also writes stills (the frames it sends to the encoder)
# and a run of stills alone, compared byte for byte for the scenes without
# randomness: noir at 0.5 s, vert alone at 25.74 s (a frame of 50 fps), spi
# at 55 s, and with "full" the credits at 145 s. The capture's own video is
# checked against its stills too (lossy, so by mean colour).
#   capture_stills_match.sh <build dir> [full]
. "$(dirname "$0")/lib.sh"
. "$(dirname "$0")/capture_lib.sh"
build=$1
times=0.5,25.74,55
stop=55.02
[ "${2:-}" = full ] && times=$times,145 && stop=145.02
dir=$(make_run_dir "$build")
cd "$dir"
common=(--gl4d-size=160x90 --gl4d-fps=50 --gl4d-stills="$times")
status=0
env -u DISPLAY -u SDL_VIDEODRIVER ./honeyfold --gl4d-capture=run.mp4 --gl4d-stop=$stop "${common[@]}" \
  --gl4d-stills-dir=captured >stdout 2>stderr || status=$?
[ "$status" -eq 0 ] || fail "capture status $status: $(tail -n 5 stderr)"
env -u DISPLAY -u SDL_VIDEODRIVER ./honeyfold "${common[@]}" --gl4d-stills-dir=alone >stdout 2>stderr || status=$?
[ "$status" -eq 0 ] || fail "stills status $status: $(tail -n 5 stderr)"
[ ! -e alone/run.mp4 ] && [ -z "$(ls -A alone | grep -v '^still-')" ] || fail "stills alone wrote more than stills"

for t in ${times//,/ }; do
  name=$(printf "still-%07.3f.png" "$t")
  [ -f "captured/$name" ] && [ -f "alone/$name" ] || fail "no $name from both runs"
  cmp -s "captured/$name" "alone/$name" || fail "$name differs between the capture and the stills alone"
  read -r sr sg sb < <(frame_mean "alone/$name" 0 0 0 160 90)
  read -r vr vg vb < <(frame_mean run.mp4 "$(awk -v t="$t" 'BEGIN { print t - 0.005 }')" 0 0 160 90)
  is "($sr - $vr)^2 + ($sg - $vg)^2 + ($sb - $vb)^2 < 36" ||
    fail "the video at $t s ($vr $vg $vb) is not the still ($sr $sg $sb)"
  echo "ok: $name is the same in both runs ($sr $sg $sb), and in the video"
done
rm -rf "$dir"
