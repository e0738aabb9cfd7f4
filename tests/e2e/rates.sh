#!/usr/bin/env bash
# The same show at any frame rate: rates.sh <build dir>. Stills at whole
# seconds at 24, 25, 30 and 144 fps against 60 (docs/testing.md, "Rates").
. "$(dirname "$0")/lib.sh"

# show time, scene, rates, then the most its still may differ from the 60 fps
# one: mean levels (largest channel), per cent of pixels over 16 levels apart.
# The dissolve, a new scattering every frame, is compared by its light (an
# undrawn start is black); the scattered "8", bee6 and bee7 get the widest
# bounds. 144 fps stops after the dissolve, 25 and 30 after the trace's sweep.
rows="15 huit 24,25,30,144 3 0.5
22 rouge 24,25,30,144 light 0.6
23 rouge 24,144 light 0.6
30 beep 24,25,30 1.5 0.5
45 beep>spi 24 1.5 0.5
55 spi 24 0.5 0.5
75 beebegin 24 0.5 0.5
95 bee3 24 1.5 0.5
109 bee4 24 1 0.5
122 bee5 24 0.5 0.5
129 bee6 24 6.5 6
135 bee7 24 3 0.5"
for run in 60:135 24:135 30:30 25:30 144:23; do
  fps=${run%:*} last=${run#*:}
  times=$(echo "$rows" | awk -v l="$last" '$1 <= l { printf "%s%s", (n++ ? "," : ""), $1 }')
  offline --gl4d-stills=$times --gl4d-size=64x36 --gl4d-fps=$fps --gl4d-stills-dir=r$fps || fail "$fps fps: $(tail -n 3 stderr)"
done
light() { convert "$1" -format '%[fx:255*mean]' info:; }
faults=""
while read -r t scene rates mean share; do
  f=$(printf 'still-%07.3f.png' "$t")
  for fps in ${rates//,/ }; do
    if [ "$mean" = light ]; then
      a=$(light r60/$f) b=$(light r$fps/$f)
      printf '%-9s at %3d s, %3d fps: light %5.2f against %5.2f\n' "$scene" "$t" "$fps" "$b" "$a"
      is "$b >= (1 - $share) * $a && $b <= $a / (1 - $share)" || faults+=" $scene@$t/$fps"
      continue
    fi
    read -r m s < <(apart r60/$f r$fps/$f 6.3)  # 16 levels
    printf '%-9s at %3d s, %3d fps: %5.2f levels, %5.2f %% of pixels apart\n' "$scene" "$t" "$fps" "$m" "$s"
    is "$m <= $mean && $s <= $share" || faults+=" $scene@$t/$fps"
  done
done <<<"$rows"
[ -z "$faults" ] || fail "another picture at another rate:$faults"
