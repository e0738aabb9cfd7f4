#!/usr/bin/env bash
# The demo opens its window full screen, draws, ignores other keys, and ends
# with status 0 about a second (the sound's fade) after q or Escape.
# Run under xvfb-run with SDL_AUDIODRIVER=dummy: keys.sh <build dir>
. "$(dirname "$0")/lib.sh"
build=$1

for key in q Escape; do
  dir=$(make_run_dir "$build")
  start_demo "$dir"
  wait_window
  sleep 2
  geometry=$(xdotool getwindowgeometry "$DEMO_WINDOW")
  echo "$geometry" | grep -q "Geometry: 1920x1080" || fail "window is not full screen: $geometry"
  if [ "$key" = q ]; then
    press a
    press space
    sleep 1
    kill -0 "$DEMO_PID" 2>/dev/null || fail "another key ended the demo"
  fi
  before=$(now)
  press "$key"
  wait_exit 20
  after=$(now)
  [ "$DEMO_STATUS" -eq 0 ] || fail "status $DEMO_STATUS after $key; stderr: $(cat "$dir/stderr")"
  awk -v a="$before" -v b="$after" 'BEGIN { exit !(b - a >= 0.9) }' ||
    fail "ended $(awk -v a="$before" -v b="$after" 'BEGIN { print b - a }') s after $key: the exit handler waits for the fade"
  echo "ok: $key ends the demo with status 0"
  rm -rf "$dir"
done
