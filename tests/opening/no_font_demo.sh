#!/usr/bin/env bash
# The real demo with its font directory hidden (an empty mount in a private
# mount namespace): huit and the credits write "TTF_OpenFont: ..." and the
# show goes on until q ends it with status 0. Exit 77 (skipped) without the
# rights for a mount namespace.
# Run under xvfb-run with SDL_AUDIODRIVER=dummy: no_font_demo.sh <build dir>
. "$(dirname "$0")/../e2e/lib.sh"
build=$1
unshare -m true 2>/dev/null || { echo "skip: no private mount namespace here"; exit 77; }

dir=$(make_run_dir "$build")
(cd "$dir" && exec unshare -m sh -c \
  'mount -t tmpfs tmpfs /usr/share/fonts/truetype/liberation && exec ./honeyfold' >"$dir/stdout" 2>"$dir/stderr") &
DEMO_PID=$!
wait_window
sleep 12  # into huit's own row
kill -0 "$DEMO_PID" 2>/dev/null || fail "the demo ended without its font; stderr: $(cat "$dir/stderr")"
n=$(grep -c '^TTF_OpenFont: ' "$dir/stderr")
[ "$n" -eq 2 ] || fail "$n TTF_OpenFont lines (expected 2, huit's and the credits'); stderr: $(cat "$dir/stderr")"
press q
wait_exit 20
[ "$DEMO_STATUS" -eq 0 ] || fail "status $DEMO_STATUS after q; stderr: $(cat "$dir/stderr")"
echo "ok: without its font the demo runs on and ends on q with status 0"
rm -rf "$dir"
