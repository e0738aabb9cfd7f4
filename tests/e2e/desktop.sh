#!/usr/bin/env bash
# The demo on the parts a desktop has: desktop.sh <build dir> <group> [row]
#   heard    a PulseAudio server's null sink recorded: the show's first 45 s or so (to the module: all it plays before)
#            as a listener hears them, full screen on X, ended with q a second into the module (the fade at exit)
#   lost     the sound server stopped once the show plays (gone), killed and started again (back), none at start (absent)
#   wayland  a native Wayland client of weston: full screen, frames, keys ignored or ending it with 0, nothing left
. "$(dirname "$0")/lib.sh"

case $2 in
heard)
  sound_server
  parec -d hf.monitor --raw --format=s16le --rate=48000 --channels=2 --latency-msec=500 >show.raw & rec=$! helpers="$helpers $!"
  start ./honeyfold --gl4d-stats
  geometry=$(xdotool getwindowgeometry "$win") && grep -q "Geometry: 1920x1080" <<<"$geometry" || fail "not full screen: $geometry"
  # Until the last second recorded, 30 s or more in (past the drone, the snow and the first beeps), holds the module:
  # a level below 300 Hz, where the beeps are not. 300 s only bounds a show that never gets there.
  until s=$(stat -c %s show.raw) && [ "$s" -gt 5760000 ] && is "$(tail -c $((192000 + s % 4)) show.raw | head -c 192000 |
    sox -t raw -r 48000 -e signed -b 16 -c 2 - -n sinc -300 stat 2>&1 | awk '/^RMS +amplitude/ { print $3 }') > 0.03"; do
    alive; [ $SECONDS -lt 300 ] || fail "no module by 300 s"; sleep 0.2
  done
  sleep 1 && key q && finish 0 && sleep 1 && kill $rec
  grep -q "^ extracting: shaders/fond.fs$" stdout || fail "nothing extracted: $(cat stdout)"
  sox -t raw -r 48000 -e signed -b 16 -c 2 show.raw show.wav
  # Each 10 ms: the drone's start a (the stream's first sound); the first beep b (a full-scale tone for 0.1 s, after
  # 14 s, after a silence from g of 0.3 s or more: dropouts of a loaded machine's sound are neither); the last sound e;
  # the recording's end z. Times printed are from a.
  read -r a g b e z < <(od -An -v -td2 -w4 show.raw | awk '{ s += $1 * $1 + $2 * $2 } NR % 480 == 0 {
    t = NR / 48000; l = sqrt(s / 960) / 32768; s = 0
    if (l > 0 && a == "") a = t - 0.01
    if (l > 0.001) e = t
    if (n && ++n > 1) { m += l * l; if (n == 10) { if (!b && m / 9 > 0.42) { g = c; b = o } n = 0 } }
    if (l < 0.001) { if (!q) q = t - 0.01 } else { if (a != "" && t > a + 14 && q && t - q > 0.3) { c = q; o = t - 0.01; n = 1; m = 0 } q = 0 }
  } END { print a, g, b, e, NR / 48000 }')
  [ -n "$b" ] || fail "no gap before the countdown: start $a, end $e"
  # The trace's first frame is at 25.76 s of the show's clock, which starts with the first frame, after the sound;
  # live, the server's start and its underruns move the sound against that clock by a second or so. The spiral's
  # first frame, which starts the module, is 16 s later: a frame later still where frames are slow.
  for m in $(LC_ALL=C seq "$b" 0.5 "$e"); do is "$(level "$m" 0.5 sinc -300) > 0.03" && break; done  # the module
  freq=$(sox show.wav -n remix 1 trim "$(sum "$b + 0.02")" 0.15 stat 2>&1 | awk '/^Rough +frequency/ { print $3 }')
  l=(silence 1 0.01 0.1% -1 0.01 0.1%)  # what sounds: dropouts left out
  d0=$(level "$a" 0.2) d1=$(level "$a + 1" 0.5 "${l[@]}") d14=$(level "$a + 13.5" 0.5 "${l[@]}")
  s14=$(level "$a + 13.5" 0.5 "${l[@]}" highpass 6000) snow=$(level "$g - 1.3" 0.6 "${l[@]}" highpass 6000)
  quiet=$(level "$g + 0.02" "$b - $g - 0.04") beep=$(level "$b + 0.02" 0.15 "${l[@]}") gap=$(level "$b + 0.35" 0.5)
  next=$(level "$b + 1.02" 0.15 "${l[@]}") music=$(level "$e - 2.2" 1 "${l[@]}" sinc -300)
  before=$(level "$e - 2" 0.8 "${l[@]}") mid=$(level "$e - 0.7" 0.3 "${l[@]}") last=$(level "$e - 0.15" 0.15 "${l[@]}")
  echo "heard (s from the first sound, at $a s): drone $d0 at once, $d1 at 1, $d14 at 13.5 (above 6 kHz $s14);" \
    "snow $snow at $(sum "$g - $a - 1.3"); silent from $(sum "$g - $a"); beeps from $(sum "$b - $a"), $freq Hz, $beep," \
    "$gap between, $next next; module from $(sum "$m - $a"), $music; fade $before, $mid, $last; $(sum "$z - $e") after"
  grep -E "^  (6|7)  beep|^spi " stdout
  is "$d0 < $d1 / 2 && $d14 > 4 * $d1 && $d14 > 0.2 && $snow > 20 * $s14 && $snow > 0.1" || fail "no drone or snow"
  is "$b - $g > 0.4 && $quiet < 0.001 && $beep > 0.5 && $gap < 0.01 && $next > 0.5 && $freq > 870 && $freq < 890" ||
    fail "no silence then 880 Hz beeps a second apart"
  is "$b - $a > 24 && $b - $a < 30 && $m - $b > 15.5 && $music > 0.03" || fail "the beeps or the module out of time"
  is "$mid < 0.8 * $before && $mid > 0.1 * $before && $last < 0.35 * $before && $z - $e > 0.3" || fail "no fade"
  ;;
lost)
  sound_server
  if [ "$3" = absent ]; then kill $pulse && wait $pulse || true; start ./honeyfold && finish 252 && echo "ok: absent" && exit; fi
  start ./honeyfold --gl4d-window=320x180 --gl4d-stats
  xdotool getwindowgeometry "$win" | grep -q "Geometry: 320x180" || fail "not a 320x180 window"
  until [ -n "$(pactl list short sink-inputs)" ]; do alive; [ $SECONDS -lt 60 ] || fail "no stream"; sleep 0.1; done
  if [ "$3" = gone ]; then kill $pulse; else kill -9 $pulse; fi  # stopped, or crashed and started again
  { wait $pulse || true; } 2>/dev/null
  [ "$3" = gone ] || sound_server
  sleep 3 && key q && finish 0  # in row 1, which starts a second after the sound
  [ "$3" = gone ] || [ -z "$(pactl list short sink-inputs)" ] || fail "a stream on the new server"
  [ "$(grep -c "^gl4d: the sound output is gone; the show goes on without sound$" stderr)" -eq 1 ] || fail "$(cat stderr)"
  grep -qE "^  1  noir > huit +[1-9]" stdout || fail "no frame after the server went: $(cat stdout)"
  ;;
wayland)
  sound_server && compositor 640x360
  # Rendered small and scaled to the window, as a machine without a graphics card plays it.
  WAYLAND_DISPLAY=hf SDL_VIDEODRIVER=wayland ./honeyfold --gl4d-stats --gl4d-size=320x180 --gl4d-max-fps=30 \
    >stdout 2>stderr & pid=$!
  until is "$(background) < 0.01"; do alive "before filling the screen"; sleep 0.2; done
  for k in a space Escape; do  # Escape in the first cross-fade, to the demo through the compositor
    sleep 1 && alive "before the key $k" && xdotool windowfocus --sync "$screen" key "$k" || fail "no key $k"
  done
  finish 0 && none_left "$dir"
  echo "wayland: $(grep "^gl4d stats:" stdout)"
  grep -q "^gl4d stats: [1-9][0-9]* frames shown, rendered at 320x180" stdout &&
    grep -qE "^  1  noir > huit +[1-9]" stdout || fail "$(cat stdout)"
  is "$(background) > 0.99" || fail "the window stays on the screen"
  ;;
*) fail "no group $2" ;;
esac
echo "ok: $2 ${3:-}"
