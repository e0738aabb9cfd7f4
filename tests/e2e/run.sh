#!/usr/bin/env bash
# The real executable's features: run.sh <build dir> <group>
#   show   the whole show captured small: its pictures row by row, its sound in step with them
#   bench  the whole show timed with the GL debug context: the figures, no GL error
. "$(dirname "$0")/lib.sh"

# colours <png> <x> <y> <w> <h>: the means, then the maxima, of R, G and B
# (0 to 255) over a rectangle, rows from the top; no still or no reading fails.
colours() {
  local f='%[fx:int(255*mean.r+.5)] %[fx:int(255*mean.g+.5)] %[fx:int(255*mean.b+.5)]' v
  v=$(convert "$1" -crop "$4x$5+$2+$3" +repage -format "$f ${f//mean/maxima}" info:) &&
    [[ $v =~ ^[0-9]+( [0-9]+){5}$ ]] || fail "no colours from $1: $v"
  echo "$v"
}

# comma <command...>: under de_DE.UTF-8 (made here where the system has none).
comma() {
  [ -d "$dir/locales/de_DE.UTF-8" ] || { mkdir -p "$dir/locales" && localedef -i de_DE -f UTF-8 "$dir/locales/de_DE.UTF-8" 2>/dev/null; } ||
    skip "no de_DE.UTF-8 locale (localedef failed)"
  LOCPATH=$dir/locales LC_ALL=de_DE.UTF-8 "$@"  # a program: the shell's own locale stays
}
decode=scale=in_color_matrix=bt709:in_range=tv:out_range=pc:flags=accurate_rnd+full_chroma_int
frame_at() { awk -v t="$1" 'BEGIN { printf "%d", t * 30 + 0.5 }'; }  # the frame at show time t, 30 fps

case $2 in
bench)  # under a decimal-comma locale: the layer's numbers and the scripts' stay the C locale's
  comma env -u DISPLAY -u SDL_VIDEODRIVER ./honeyfold --gl4d-benchmark=bench.json --gl4d-size=160x90 --gl4d-fps=15 \
    --gl4d-gl-debug >stdout 2>stderr || fail "$(tail -n 3 stderr)"
  grep -q "^gl4d: GL debug: 0 errors" stderr || fail "GL errors: $(grep '^gl4d: GL' stderr)"
  [ "$(grep -cE '^ +[0-9]+  [a-z0-9 >]+ +[0-9]+ ' stdout)" -eq 29 ] || fail "not 29 rows: $(cat stdout)"
  grep -q '^start-up: .*first frame done at' stdout && grep -q '^memory: peak resident' stdout || fail "$(cat stdout)"
  [ "$(grep -c '"row": ' bench.json)" -eq 29 ] && [ "$(grep -c '^    \[' bench.json)" -eq 2227 ] ||
    fail "bench.json lacks rows or frames"
  grep -q '"build_type": "[A-Za-z]*", .*"debug_context": true' <(tr -d '\n' <bench.json) || fail "what made the figures"
  comma "$top/scripts/frame-plot" -o plot.png bench.json >/dev/null && head -c 4 plot.png | grep -q PNG || fail "no plot"
  comma "$top/scripts/contact-sheet" -o sheet.png -n 2 -c 2 -s 32x18 -r 2 -b "$build" >/dev/null &&
    [[ "$(identify -format %wx%h sheet.png)" == 88x* ]] || fail "no contact sheet"
  ;;
show)
  # The opening captured with its sound at 30 fps (so that a frame falls in
  # the figure's last 40 ms) to the countdown's start, the rest of the show
  # in stills at 10 fps. What a listener hears of it is desktop.sh's (heard).
  offline --gl4d-capture=show.mp4 --gl4d-stop=31 --gl4d-size=96x54 --gl4d-fps=30 --gl4d-stills=0.5,12,23,25.74,30 \
    --gl4d-stills-dir=stills || fail "capture: $(tail -n 3 stderr)"
  grep -q "show.mp4: 930 frames at 30 fps (31.000 s), sound 31.000 s" stderr || fail "$(tail -n 1 stderr)"
  frames=$(ffprobe -v error -count_frames -select_streams v:0 -show_entries stream=nb_read_frames -of csv=p=0 show.mp4)
  [ "$frames" = 930 ] || fail "the video holds $frames frames, not 930"
  offline --gl4d-size=96x54 --gl4d-fps=10 --gl4d-stills=55,65,90,94.5,110,120,146 --gl4d-stills-dir=stills ||
    fail "stills: $(tail -n 3 stderr)"
  # time, region (x y w h of 96 x 54), what it shows (r g b means, R G B maxima)
  while read -r t x y w h want; do
    c=$(colours "stills/$("$top/scripts/still-name" "$t")" "$x" "$y" "$w" "$h")
    read -r r g b R G B <<<"$c"
    awk -v r="$r" -v g="$g" -v b="$b" -v R="$R" -v G="$G" -v B="$B" "BEGIN { exit !($want) }" ||
      fail "at $t s the frame is ($r $g $b, at most $R $G $B) where $want"
  done <<'EOF'
0.5   0 0 96 54    R + G + B == 0
12    40 20 16 14  r > 20 && r == g && g == b
12    0 0 10 10    R < 12
23    0 0 96 54    R > 60 && G + B == 0
25.74 0 0 96 54    r < g / 10 && g > 60 && b < 3
30    0 0 96 54    g > 10 && r + b < g / 2
55    0 0 96 54    r + g + b > 150
65    0 30 96 24   b > r + 10
90    0 0 96 54    r + g + b > 450
94.5  0 0 96 54    r + g + b < 250
110   0 0 96 54    r + g + b > 450
120   0 40 96 14   r > b + 15
146   0 0 96 54    r + g + b < 120 && R > 200 && R == G && G == B
EOF
  # The video's frames against the stills of the same show times, read as BT.709 (as tagged): 2 levels at most.
  for t in 23 25.74 30; do
    ffmpeg -v error -nostdin -y -i show.mp4 -frames:v 1 -vf "select=eq(n\,$(frame_at "$t")),$decode" frame.png
    read -r r g b _ <<<"$(colours frame.png 0 0 96 54)"
    read -r R G B _ <<<"$(colours "stills/$("$top/scripts/still-name" "$t")" 0 0 96 54)"
    is "($r - $R) ^ 2 <= 4 && ($g - $G) ^ 2 <= 4 && ($b - $B) ^ 2 <= 4" || fail "at $t s the video is $r $g $b, the still $R $G $B"
  done
  # The sound in step with the pictures: silence under the green screen, the first beep with the trace.
  ffmpeg -v error -nostdin -y -i show.mp4 -vn -ac 2 -ar 48000 show.wav || fail "no sound track"
  quiet=$(level 25.95 0.2) beep=$(level 26.3 0.15) low=$(level 29 1.5 sinc -300)
  is "$quiet < 0.001 && $beep > 0.5 && $low < 0.01" || fail "silence, beep, no module yet: $quiet $beep $low"
  ;;
*) fail "no group $2" ;;
esac
echo "ok: $2"
