#!/usr/bin/env bash
# Every row of the show in ms and copies at 640 x 360 and at 1920 x 1080: the
# whole-show benchmark (--gl4d-benchmark) at both sizes, each row's median
# frame side by side; given a second build, its figures beside the first's,
# the two builds' runs taking turns at each size so that they share the
# machine's load.
#   bench/rows/rows.sh [build dir] [other build dir] [fps at 640x360] [fps at 1920x1080]
# (default build/, none, 30 and 10). The reports stay in the directory that
# HONEYFOLD_ROWS_KEEP names, if set.
set -euo pipefail
top=$(cd "$(dirname "$0")/../.." && pwd)
builds=("${1:-$top/build}")
[ -n "${2:-}" ] && builds+=("$2")
sizes=(640x360 1920x1080) fps=("${3:-30}" "${4:-10}")
run=$(mktemp -d "${TMPDIR:-/tmp}/rows-bench-XXXXXX")
trap 'rm -rf "$run"' EXIT
for b in "${!builds[@]}"; do
  mkdir "$run/$b"
  cp "${builds[$b]}/honeyfold" "${builds[$b]}/music.zip" "${builds[$b]}/shaders.zip" "$run/$b/"
done
loads=""
for s in 0 1; do
  for b in "${!builds[@]}"; do
    (cd "$run/$b" && SDL_AUDIODRIVER=dummy ./honeyfold --gl4d-benchmark="$s.json" --gl4d-size="${sizes[$s]}" \
      --gl4d-fps="${fps[$s]}" >log 2>&1) || { tail -n 3 "$run/$b/log" >&2; exit 1; }
    loads+=" $(cut -d' ' -f1 /proc/loadavg)"
  done
done
[ -n "${HONEYFOLD_ROWS_KEEP:-}" ] && mkdir -p "$HONEYFOLD_ROWS_KEEP" && for b in "${!builds[@]}"; do
  for s in 0 1; do cp "$run/$b/$s.json" "$HONEYFOLD_ROWS_KEEP/build$b-${sizes[$s]}.json"; done
done
echo "machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'); load (1 min) after each run:$loads"
for b in "${!builds[@]}"; do echo "build $((b + 1)): ${builds[$b]}"; done
# Each report's reference pass, then its rows: row, scenes, median ms.
for b in "${!builds[@]}"; do for s in 0 1; do
  awk -v tag="$b $s" '
    /"reference_ms":/ { sub(/.*"reference_ms": */, ""); sub(/,.*/, ""); print tag, "ref", $0 }
    /\{"row":/ {
      row = $0; sub(/.*"row": */, "", row); sub(/,.*/, "", row)
      scenes = $0; sub(/.*"scenes": "/, "", scenes); sub(/".*/, "", scenes); gsub(/ /, "_", scenes)
      ms = $0; sub(/.*"median_ms": */, "", ms); sub(/,.*/, "", ms)
      print tag, row, scenes, ms }' "$run/$b/$s.json"
done; done | awk -v n="${#builds[@]}" -v s0="${sizes[0]}" -v s1="${sizes[1]}" '
  $3 == "ref" { ref[$1, $2] = $4; next }
  { ms[$1, $2, $3] = $5; scenes[$3] = $4; if ($3 + 1 > rows) rows = $3 + 1 }
  function cell(b, s, r) {
    if (ms[b, s, r] == "null" || ms[b, s, r] == "") return sprintf(" %9s %7s", "-", "-")
    return sprintf(" %9.2f %7.1f", ms[b, s, r], ms[b, s, r] / ref[b, s])
  }
  END {
    printf "%-3s %-22s", "row", "scenes"
    for (s = 0; s < 2; ++s) for (b = 0; b < n; ++b) printf " %17s", (s ? s1 : s0) (n > 1 ? " b" b + 1 : "")
    printf "\n%-26s", ""
    for (s = 0; s < 2; ++s) for (b = 0; b < n; ++b) printf " %9s %7s", "ms", "copies"
    printf "\n%-26s", "reference pass"
    for (s = 0; s < 2; ++s) for (b = 0; b < n; ++b) printf " %9.3f %7s", ref[b, s], ""
    printf "\n"
    for (r = 0; r < rows; ++r) {
      name = scenes[r]; gsub(/_/, " ", name)
      printf "%3d %-22s", r, name
      for (s = 0; s < 2; ++s) for (b = 0; b < n; ++b) printf "%s", cell(b, s, r)
      printf "\n"
    }
  }'
