# The pairs of av_offset.sh: awk -f pairs.awk REFERENCE LIVE (the events of events.awk). Each event's offset is its
# live time minus its reference time; a pair's is its sound event's offset minus its picture event's, in ms.
FNR == 1 { f++ }
$1 == "env" { low[f, $2] = $4; tm[f, $2] = $5; n[f] = $2 + 1; next }
{ at[f, $1] = $2 }
# where(w, guess): the offset (s) of the module's sound around show time w, from the 3 s of its low band around it
# matched against the reference's within 0.5 s of the guess.
function where(w, guess, r0, l0, i, lag, best, bestLag, c, rr, ll, rm, lm, hi, mid) {
  r0 = int(w * 1000) - 1500
  for (hi = n[2] - 1; l0 < hi;) { mid = int((l0 + hi) / 2); if (tm[2, mid] < w + guess - 1.5) l0 = mid + 1; else hi = mid }
  for (i = 0; i < 3000; i++) rm += low[1, r0 + i] / 3000
  best = -2
  for (lag = -500; lag <= 500; lag++) {
    c = rr = ll = lm = 0
    for (i = 0; i < 3000; i++) lm += low[2, l0 + lag + i] / 3000
    for (i = 0; i < 3000; i++) {
      c += (low[1, r0 + i] - rm) * (low[2, l0 + lag + i] - lm)
      rr += (low[1, r0 + i] - rm) ^ 2; ll += (low[2, l0 + lag + i] - lm) ^ 2
    }
    if (rr > 0 && ll > 0 && c / sqrt(rr * ll) > best) { best = c / sqrt(rr * ll); bestLag = lag }
  }
  return tm[2, l0 + bestLag + 1500] - w
}
function off(e) { return at[2, e] - at[1, e] }
function pair(name, sound, picture, d) {
  d = 1000 * (sound - picture); printf "  %-34s %8.1f\n", name, d
  all += d; all2 += d * d; count++
}
END {
  at[1, "module"] = 42.26; at[2, "module"] = 42.26 + where(42.26, off("beep1"))  # the module's first 0.75 s and before
  print "pair (sound minus picture, ms; positive: the sound is late)"
  pair("rise to green / silence", off("silence"), off("green"))
  pair("cut to black / first beep", off("beep1"), off("black"))
  for (j = 2; j <= 8; j++) pair("black's clock / beep " j, off("beep" j), off("black"))
  pair("spiral (black's clock) / module", off("module"), off("black"))
  pair("cut at 137.26 / module there", where(137.26, off("module")), off("cut"))
  m = all / count; printf "mean %.1f ms, spread (sd) %.1f ms over %d pairs\n", m, sqrt(all2 / count - m * m), count
  printf "module against its start (ms):"
  for (w = 61.76; w < 140; w += 20) printf " %.2f s %+.1f;", w, 1000 * (where(w, off("module")) - off("module"))
  printf " 137.26 s %+.1f\n", 1000 * (where(137.26, off("module")) - off("module"))
  printf "picture: red %.3f, green %.3f, black %.3f, cut %.3f s after the first sound (reference %.3f %.3f %.3f %.3f)\n",
    at[2, "red"] - at[2, "sound"], at[2, "green"] - at[2, "sound"], at[2, "black"] - at[2, "sound"],
    at[2, "cut"] - at[2, "sound"], at[1, "red"], at[1, "green"], at[1, "black"], at[1, "cut"]
}
