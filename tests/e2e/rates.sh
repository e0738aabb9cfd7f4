#!/usr/bin/env bash
# The same show at any frame rate: rates.sh <build dir>. A still of each
# scene at a whole second (a frame at every rate), rendered at 24, 25, 30 and
# 144 frames a second, each against the still of the same show time at 60
# (docs/scenes.md, "Time is the show's master").
. "$(dirname "$0")/lib.sh"

# show time, scene, then the most its still may differ from the 60 fps one:
# mean levels (largest channel), per cent of pixels more than 16 levels apart.
# Scenes that are functions of show time: a level; the feedback scenes, their
# own bounds (docs/scenes.md).
rows="15 huit 1 1
22 rouge 1 1
23 rouge 1 1
30 beep 1 1
45 beep>spi 1 1
55 spi 1 1
75 beebegin 1 1
91 bee2 1 1
95 bee3 1 1
109 bee4 1 1
122 bee5 1 1
129 bee6 1 1
135 bee7 1 1
145 credits 1 1"
times=$(echo "$rows" | awk '{ printf "%s%s", (NR > 1 ? "," : ""), $1 }')
for fps in 60 24 25 30 144; do
  offline --gl4d-stills=$times --gl4d-size=64x36 --gl4d-fps=$fps --gl4d-stills-dir=r$fps || fail "$fps fps: $(tail -n 3 stderr)"
done
faults=""
while read -r t scene mean share; do
  f=$(printf 'still-%07.3f.png' "$t")
  for fps in 24 25 30 144; do
    read -r m s < <(apart r60/$f r$fps/$f 6.3)  # 16 levels
    printf '%-9s at %3d s, %3d fps: %5.2f levels, %5.2f %% of pixels apart\n' "$scene" "$t" "$fps" "$m" "$s"
    is "$m <= $mean && $s <= $share" || faults+=" $scene@$t/$fps"
  done
done <<<"$rows"
[ -z "$faults" ] || fail "another picture at another rate:$faults"
