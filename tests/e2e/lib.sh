# Helpers for whole-binary tests: a run directory of its own, the real
# executable under the X server that xvfb-run provides, real key presses.
set -u

fail() { echo "FAIL: $*" >&2; exit 1; }

# make_run_dir <build dir>: a fresh directory holding what the demo needs.
make_run_dir() {
  local build=$1 dir
  dir=$(mktemp -d "${TMPDIR:-/tmp}/honeyfold-e2e-XXXXXX")
  cp "$build/honeyfold" "$dir/"
  for f in shaders.zip music.zip; do [ -f "$build/$f" ] && cp "$build/$f" "$dir/"; done
  [ -d "$build/shaders" ] && cp -r "$build/shaders" "$dir/"
  [ -d "$build/audio" ] && cp -r "$build/audio" "$dir/"
  echo "$dir"
}

# start_demo <run dir>: starts it in the background; sets DEMO_PID.
start_demo() {
  (cd "$1" && exec ./honeyfold >"$1/stdout" 2>"$1/stderr") &
  DEMO_PID=$!
}

# wait_window: waits (up to 60 s) for the demo's window; sets DEMO_WINDOW.
wait_window() {
  local i
  for i in $(seq 1 600); do
    DEMO_WINDOW=$(xdotool search --name '^honeyfold$' 2>/dev/null | head -n 1)
    [ -n "$DEMO_WINDOW" ] && return 0
    kill -0 "$DEMO_PID" 2>/dev/null || fail "the demo ended before its window showed"
    sleep 0.1
  done
  fail "no window after 60 s"
}

# press <key name>: a real key press into the demo's window.
press() {
  xdotool windowfocus --sync "$DEMO_WINDOW" 2>/dev/null || true
  xdotool key --window "$DEMO_WINDOW" "$1"
}

# wait_exit <seconds>: waits for the demo to end; sets DEMO_STATUS.
wait_exit() {
  local i
  for i in $(seq 1 $(($1 * 10))); do
    if ! kill -0 "$DEMO_PID" 2>/dev/null; then
      wait "$DEMO_PID"
      DEMO_STATUS=$?
      return 0
    fi
    sleep 0.1
  done
  kill -9 "$DEMO_PID" 2>/dev/null
  fail "still running after $1 s"
}

now() { date +%s.%N; }
