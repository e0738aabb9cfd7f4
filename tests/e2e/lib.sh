# What the whole-binary scripts share: a run directory of their own holding
# the demo and its archives, an X server of their own, the demo started
# offline or live, real key presses and window moves, and checks.
set -euo pipefail
build=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
fail() { echo "FAIL: $*" >&2; exit 1; }
# skip <reason>: a check that cannot run here (status 77: ctest's skipped); under CI, where all can, a failure.
skip() { echo "SKIP: $*"; [ "${CI:-}" != true ] || fail "skipped under CI: $*"; exit 77; }
is() { awk "BEGIN { exit !($1) }"; }
sum() { awk "BEGIN { print $* }"; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/honeyfold-e2e-XXXXXX")
helpers=""  # servers a run starts (sound, compositor, recorder): ended with it
trap 'cd /; kill ${xserver:-} $helpers 2>/dev/null || true; rm -rf "$dir"' EXIT
# xserver <WxH> [Xvfb option...]: an X server of this run's own on the first display from 200 whose lock file it
# takes (atomically: runs side by side never share one), answering before anything starts; DISPLAY is it.
xserver() {
  local n
  for n in $(seq 200 299); do  # no reset: a server between clients refuses them
    Xvfb :$n -screen 0 "${1}x24" -nolisten tcp -noreset "${@:2}" 2>"$dir/xvfb.log" & xserver=$!
    until [ "$(cat /tmp/.X$n-lock 2>/dev/null | tr -d ' ')" = $xserver ] && DISPLAY=:$n xdpyinfo >/dev/null 2>&1; do
      kill -0 $xserver 2>/dev/null && sleep 0.1 || continue 2  # ended: the number was taken
    done
    break
  done
  export DISPLAY=:$n
}
[ -z "${HONEYFOLD_SCREEN:-}" ] || xserver "$HONEYFOLD_SCREEN"  # from ctest; else the caller's display
cp "$build/honeyfold" "$build/music.zip" "$build/shaders.zip" "$dir/"
cd "$dir"
# sound_server: a PulseAudio server of this run's own (again on a second call), its sockets and state in the current
# directory, no session bus, no autospawn, a null sink "hf" the output the demo plays to through SDL's own driver for
# it; answering before anything starts. As root it warns and runs.
sound_server() {
  command -v pulseaudio >/dev/null && command -v pactl >/dev/null || skip "no pulseaudio (scripts/setup installs it)"
  export XDG_RUNTIME_DIR=$PWD/run PULSE_RUNTIME_PATH=$PWD/run/pulse PULSE_SERVER=unix:$PWD/run/pulse/native \
    PULSE_CLIENTCONFIG=$PWD/client.conf SDL_AUDIODRIVER=pulseaudio
  mkdir -p -m 700 run && echo "autospawn = no" >client.conf
  HOME=$PWD env -u DISPLAY -u DBUS_SESSION_BUS_ADDRESS pulseaudio -n --daemonize=no --exit-idle-time=-1 \
    --use-pid-file=no --disable-shm=yes -L "module-null-sink sink_name=hf rate=48000" \
    -L "module-native-protocol-unix auth-anonymous=1" 2>>pulse.log &
  pulse=$! helpers="$helpers $!"
  local i
  for i in $(seq 200); do
    pactl info >/dev/null 2>&1 && return
    kill -0 $pulse 2>/dev/null && sleep 0.1 || break
  done
  skip "no sound server: $(tail -n 3 pulse.log)"
}
# background: the share of weston's background in a screenshot taken now (0 to 1; its pointer is drawn too)
background() {
  WAYLAND_DISPLAY=hf weston-screenshooter >/dev/null 2>&1 && convert wayland-screenshot-*.png -fuzz 10% -fill black \
    +opaque '#ff00ff' -fill white -opaque '#ff00ff' -format '%[fx:mean]' info: && rm wayland-screenshot-*.png
}
# compositor <WxH>: weston as a desktop's session, nested in this run's X server (its headless backend has no seat,
# and SDL 2.26 crashes starting on a compositor without one), its socket hf in this run's runtime directory, magenta
# behind, answering before anything starts; screen is its X window.
compositor() {
  command -v weston-screenshooter >/dev/null || skip "no weston (scripts/setup installs it)"
  export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$PWD/run} && mkdir -p -m 700 "$XDG_RUNTIME_DIR"
  printf '[shell]\nbackground-color=0xffff00ff\npanel-position=none\n' >weston.ini
  weston --backend=x11-backend.so --use-pixman --socket=hf --width=${1%x*} --height=${1#*x} --idle-time=0 --debug \
    -c "$PWD/weston.ini" 2>weston.log & helpers="$helpers $!"
  local by=$((SECONDS + 30))
  until screen=$(xdotool search --classname "^weston" 2>/dev/null | head -n 1) && is "$(background) > 0.99"; do
    kill -0 $! 2>/dev/null && [ $SECONDS -lt $by ] || skip "no compositor: $(tail -n 3 weston.log)"; sleep 0.2
  done
}
# none_left <dir>: no demo running from there.
none_left() {
  local p
  for p in $(pgrep -x honeyfold || true); do [[ "$(readlink "/proc/$p/cwd")" != "$1"* ]] || fail "left running: $p"; done
}
# level <from> <length> [effect...]: the RMS amplitude (0 to 1) of show.wav over that stretch (seconds, or sums).
level() { sox show.wav -n trim "$(sum "$1")" "$(sum "$2")" "${@:3}" stat 2>&1 | awk '/^RMS +amplitude/ { print $3 }'; }
# apart <png> <png> <per cent>: the largest channel's mean difference in levels, and the per cent of pixels where
# it passes that share of the range.
apart() {
  convert "$1" "$2" -compose difference -composite -fx 'max(r,max(g,b))' -colorspace gray d.png
  echo "$(convert d.png -format '%[fx:255*mean]' info:) $(convert d.png -threshold "$3%" -format '%[fx:100*mean]' info:)"
}
offline() { env -u DISPLAY -u SDL_VIDEODRIVER ./honeyfold "$@" >stdout 2>stderr; }

# start <command...>: in the background, until its window shows (pid, win) or it ends.
start() {
  "$@" >stdout 2>stderr &
  pid=$! win=""
  local i
  for i in $(seq 600); do
    win=$(xdotool search --name '^honeyfold$' 2>/dev/null | head -n 1 || true)
    [ -n "$win" ] || ! kill -0 $pid 2>/dev/null && return
    sleep 0.1
  done
  fail "no window in 60 s"
}
alive() { kill -0 $pid 2>/dev/null || fail "the demo ended ${1:-early}: $(tail -n 3 stderr)"; }
key() { alive "before the key $1"; xdotool windowfocus --sync "$win" && xdotool key --window "$win" "$1" || fail "no key $1"; }
# finish <status>: waits for the end, its status that one (or one of 130|143). 20 s only bounds a demo that never
# ends: ending takes a second's fade, a few seconds in a loaded sanitizer build.
finish() {
  local i status=0
  for i in $(seq 200); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -9 $pid 2>/dev/null && fail "still running after 20 s"
  wait $pid || status=$?
  [[ $status =~ ^($1)$ ]] || fail "status $status, not $1: $(tail -n 3 stderr)"
}
# live <status> <command...>: plays, presses the keys in $keys a second apart (geometry: before the last).
live() {
  start "${@:2}"
  for k in $keys; do sleep 1; geometry=$(xdotool getwindowgeometry "$win") || fail "no window for $k"; key "$k"; done
  finish "$1"
}
