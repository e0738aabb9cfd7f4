#!/usr/bin/env bash
# Builds and runs the filter benchmark (1920 x 1080 on the current GL driver).
# Usage: bench/filters/run.sh [--runs N] [--quick]; the build directory is
# $HONEYFOLD_BUILD, build/ by default.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${HONEYFOLD_BUILD:-$root/build}
cmake -S "$root" -B "$build" > /dev/null
make -C "$build" -j2 filters_bench > /dev/null
SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} "$build/bench/filters/filters_bench" "$@"
