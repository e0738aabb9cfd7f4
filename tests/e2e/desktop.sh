#!/usr/bin/env bash
# The demo on the parts a desktop has: desktop.sh <build dir> <group> [row]
#   heard    a PulseAudio server whose null sink is recorded: the show's first 50 s or so as a listener hears them,
#            full screen on X, ended with q a second into the module (the fade at exit)
#   lost     the sound server killed once the show plays (gone), and started again (back); none at the start (absent)
#   wayland  a native Wayland client of weston: full screen, frames, keys ignored or ending it with 0
. "$(dirname "$0")/lib.sh"

# heard_now <seconds> <condition> [effect...]: waits until the last seconds recorded meet the condition on their level.
# 300 s only bounds a show that never gets there: the sound keeps real time, slow frames only delay the scenes' changes.
heard_now() {
  local n s
  n=$(sum "192000 * $1")
  until s=$(stat -c %s show.raw) && is "$(tail -c $((n + s % 4)) show.raw | head -c "$n" |  # whole frames
    sox -t raw -r 48000 -e signed -b 16 -c 2 - -n "${@:3}" stat 2>&1 | awk '/^RMS +amplitude/ { print $3 }') $2"; do
    alive; [ $SECONDS -lt 300 ] || fail "not $2 by 300 s"; sleep 0.2
  done
}

# background: the share of weston's background in a screenshot taken now (0 to 1)
background() {
  WAYLAND_DISPLAY=hf weston-screenshooter >/dev/null 2>&1 && convert wayland-screenshot-*.png -fuzz 10% -fill black \
    +opaque '#ff00ff' -fill white -opaque '#ff00ff' -format '%[fx:mean]' info: && rm wayland-screenshot-*.png
}

case $2 in
heard)
  sound_server
  parec -d hf.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=50 >show.raw & rec=$! helpers="$helpers $!"
  start ./honeyfold
  geometry=$(xdotool getwindowgeometry "$win") && grep -q "Geometry: 1920x1080" <<<"$geometry" || fail "not full screen: $geometry"
  heard_now 0.4 "> 0.01" && heard_now 0.4 "< 0.001" && heard_now 1 "> 0.03" sinc -300  # drone, first gap, module
  sleep 1 && key q && finish 0 && sleep 0.5 && kill $rec
  grep -q "^ extracting: shaders/fond.fs$" stdout || fail "nothing extracted: $(cat stdout)"
  sox -t raw -r 48000 -e signed -b 16 -c 2 show.raw show.wav
  # Each 10 ms: the drone's start a (the stream's first sound), the first silent 0.3 s after 14 s, ended by the
  # first beep b; the last sound e; the recording's end z.
  read -r a g b e z < <(od -An -v -td2 -w4 show.raw | awk '{ s += $1 * $1 + $2 * $2 } NR % 480 == 0 {
    t = NR / 48000; l = sqrt(s / 960) / 32768; s = 0
    if (l > 0 && a == "") a = t - 0.01
    if (l < 0.001) { if (!q) q = t - 0.01 } else { if (a != "" && t > a + 14 && q && t - q > 0.3 && !b) { g = q; b = t - 0.01 } q = 0 }
    if (l > 0.001) e = t } END { print a, g, b, e, NR / 48000 }')
  [ -n "$b" ] || fail "no gap before the countdown: start $a, end $e"
  d1=$(level "$a + 1" 0.5) d14=$(level "$a + 13.5" 0.5) s14=$(level "$a + 13.5" 0.5 highpass 6000)
  is "$d14 > 4 * $d1 && $d14 > 0.2" || fail "the drone does not rise: $d1 $d14"
  snow=$(level "$g - 1.3" 0.6 highpass 6000)
  is "$snow > 20 * $s14 && $snow > 0.1" || fail "no snow over the drone before the gap: $s14 $snow"
  quiet=$(level "$g + 0.02" "$b - $g - 0.04") beep=$(level "$b + 0.02" 0.15) gap=$(level "$b + 0.35" 0.5) next=$(level "$b + 1.02" 0.15)
  is "$b - $g > 0.4 && $quiet < 0.001 && $beep > 0.5 && $gap < 0.01 && $next > 0.5" ||
    fail "silence, beep, gap, beep a second on: $g-$b $quiet $beep $gap $next"
  freq=$(sox show.wav -n remix 1 trim "$(sum "$b + 0.02")" 0.15 stat 2>&1 | awk '/^Rough +frequency/ { print $3 }')
  is "$freq > 870 && $freq < 890" || fail "the beep is at $freq Hz, not 880 Hz"
  # q a second into the module: a linear fall over a second, then nothing until the recording's end.
  music=$(level "$e - 2.2" 1 sinc -300) before=$(level "$e - 2" 0.8) mid=$(level "$e - 0.7" 0.3) last=$(level "$e - 0.15" 0.15)
  is "$music > 0.03 && $mid < 0.8 * $before && $mid > 0.1 * $before && $last < 0.35 * $before && $z - $e > 0.3" ||
    fail "module, before the fade, half way, the end, after: $music $before $mid $last $e-$z"
  ;;
lost)
  sound_server
  if [ "$3" = absent ]; then kill $pulse && wait $pulse || true; start ./honeyfold && finish 252 && echo "ok: absent" && exit; fi
  start ./honeyfold --gl4d-window=320x180 --gl4d-stats
  until [ -n "$(pactl list short sink-inputs)" ]; do alive; sleep 0.1; done  # the show starts with its stream
  kill -9 $pulse && wait $pulse || true
  [ "$3" = gone ] || sound_server
  sleep 3 && key q && finish 0
  [ "$(grep -c "^gl4d: the sound output is gone; the show goes on without sound$" stderr)" -eq 1 ] || fail "$(cat stderr)"
  grep -qE "^  1  noir > huit +[1-9]" stdout || fail "no frame a second after the server went: $(cat stdout)"
  ;;
wayland)  # on this run's X server: weston's headless backend has no seat, and SDL 2.26 crashes without one
  sound_server
  printf '[shell]\nbackground-color=0xffff00ff\npanel-position=none\n' >weston.ini  # magenta: not the show's
  weston --backend=x11-backend.so --use-pixman --socket=hf --width=640 --height=360 --idle-time=0 --debug -c "$PWD/weston.ini" \
    2>weston.log & helpers="$helpers $!"
  until win=$(xdotool search --name '^Weston Compositor' 2>/dev/null) && [ "$(background)" = 1 ]; do sleep 0.1; done
  WAYLAND_DISPLAY=hf SDL_VIDEODRIVER=wayland ./honeyfold --gl4d-stats >stdout 2>stderr & pid=$!
  until [ "$(background)" = 0 ]; do alive "before filling the screen"; sleep 0.2; done
  for k in a space Escape; do sleep 1 && key $k; done && finish 0  # Escape in the first cross-fade
  grep -q "^gl4d stats: [1-9][0-9]* frames shown" stdout && grep -qE "^  1  noir > huit +[1-9]" stdout || fail "$(cat stdout)"
  [ "$(background)" = 1 ] || fail "the window stays on the screen"
  ;;
*) fail "no group $2" ;;
esac
echo "ok: $2 ${3:-}"
