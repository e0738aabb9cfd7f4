# What the whole-binary scripts share: a run directory of their own holding
# the demo and its archives, the demo started offline or live (in the window
# xvfb-run gives), real key presses and window moves, and checks.
set -u
build=$1
top=$(cd "$(dirname "$0")/../.." && pwd)
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
fail() { echo "FAIL: $*" >&2; exit 1; }
is() { awk "BEGIN { exit !($1) }"; }
dir=$(mktemp -d "${TMPDIR:-/tmp}/honeyfold-e2e-XXXXXX")
trap 'cd /; rm -rf "$dir"' EXIT
cp "$build/honeyfold" "$build/music.zip" "$build/shaders.zip" "$dir/"
cd "$dir"
offline() { env -u DISPLAY -u SDL_VIDEODRIVER ./honeyfold "$@" >stdout 2>stderr; }

# start <command...>: in the background, until its window shows (pid, win).
start() {
  "$@" >stdout 2>stderr &
  pid=$! win=""
  local i
  for i in $(seq 600); do
    win=$(xdotool search --name '^honeyfold$' 2>/dev/null | head -n 1)
    [ -n "$win" ] || ! kill -0 $pid 2>/dev/null && break
    sleep 0.1
  done
}
alive() { kill -0 $pid 2>/dev/null || fail "the demo ended ${1:-early}: $(tail -n 3 stderr)"; }
key() {
  alive "before the key $1"
  xdotool windowfocus --sync "$win" 2>/dev/null
  xdotool key --window "$win" "$1"
}
# finish <status> [seconds]: waits for the end (elapsed: how long it took).
finish() {
  local i t0 status
  t0=$(date +%s.%N)
  for i in $(seq $((${2:-20} * 10))); do kill -0 $pid 2>/dev/null || break; sleep 0.1; done
  kill -9 $pid 2>/dev/null && fail "still running after ${2:-20} s"
  wait $pid
  status=$?
  elapsed=$(awk -v a="$t0" -v b="$(date +%s.%N)" 'BEGIN { print b - a }')
  [ "$status" -eq "$1" ] || fail "status $status, not $1: $(tail -n 3 stderr)"
}
# live <status> <command...>: plays, presses the keys in $keys a second apart.
live() {
  start "${@:2}"
  for k in $keys; do sleep 1 && key "$k"; done
  geometry=$([ -n "$win" ] && xdotool getwindowgeometry "$win" 2>/dev/null)
  finish "$1"
}
