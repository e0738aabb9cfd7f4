#!/usr/bin/env bash
# Without a usable display the demo ends with status 1.
. "$(dirname "$0")/lib.sh"
build=$1
dir=$(make_run_dir "$build")
cd "$dir"
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy timeout 60 ./honeyfold >stdout 2>stderr || status=$?
[ "$status" -eq 1 ] || fail "status $status without a display (expected 1)"
status=0
env DISPLAY=:97 SDL_VIDEODRIVER=x11 SDL_AUDIODRIVER=dummy timeout 60 ./honeyfold >stdout 2>stderr || status=$?
[ "$status" -eq 1 ] || fail "status $status with an unreachable display (expected 1)"
echo "ok: no display, status 1"
rm -rf "$dir"
