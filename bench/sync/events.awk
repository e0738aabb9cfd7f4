# The events of one recording, picture and sound, for av_offset.sh: awk -f events.awk FRAMES PACKETS SOUND
#   FRAMES   one line a frame: its time (s), then 16x9 Y, U and V levels
#   PACKETS  one line a packet of the sound, in order: its time (s) and its sample frames
#   SOUND    one line a sample frame: left and right
# Prints "name time" lines, times in the recording's seconds, and "env ms level low time" lines for each millisecond
# of the sound: its RMS level (0 to 1), the level below about 150 Hz (where the module is and the beeps are not) and
# the time of its first sample.
function mean(a, b, s, i) { s = 0; for (i = a; i <= b; i++) s += $i; return s / (b - a + 1) }
FNR == 1 { file++ }
file == 1 {
  t[nf] = $1; y[nf] = mean(2, 145); u[nf] = mean(146, 289); v[nf] = mean(290, 433)
  nf++; next
}
file == 2 { pt[np] = $1; ps[np++] = samples; samples += $2; next }
{
  if (k == 0) {  # a millisecond starts: its time from its packet's
    for (; p + 1 < np && ps[p + 1] <= n; p++);
    tm[ms] = pt[p] + (n - ps[p]) / 48000
  }
  n++
  l = ($1 + $2) / 65536; s += $1 * $1 + $2 * $2
  a1 += 0.0192 * (l - a1); a2 += 0.0192 * (a1 - a2); a3 += 0.0192 * (a2 - a3); a4 += 0.0192 * (a3 - a4)
  w += a4 * a4  # four poles at 150 Hz: the beeps leave a thousandth
  if (++k < 48) next
  lv[ms] = sqrt(s / 96) / 32768; lo[ms] = sqrt(w / 48); printf "env %d %.5f %.5f %.6f\n", ms, lv[ms], lo[ms], tm[ms]; ms++; s = w = k = 0
}
function after(from, level, m) {  # the first millisecond from that one above that level
  for (m = from; m < ms && !(lv[m] > level); m++);
  return m
}
END {
  # Sound: the drone, the silence after the snow (0.3 s or more), the countdown's first eight beeps.
  m = after(0, 0.01); print "sound", tm[m]
  for (m += 5000; m < ms; m++) { for (q = m; q < m + 300 && lv[q] < 0.001; q++); if (q == m + 300) break }
  print "silence", tm[m]
  for (j = 1; j <= 8; j++) { m = after(m, 0.3); print "beep" j, tm[m]; m += 600 }

  # Picture: red (the dissolve, 21.04 s), then green (its fade from 25.54 s), then black (the trace, 25.76 s).
  for (i = 1; i < nf && !(v[i] > 140); i++); print "red", t[i]
  for (; i < nf && !(v[i] < 124 && u[i] < 124); i++); print "green", t[i]
  for (; i < nf && !(y[i] < 20); i++); print "black", t[i]; black = t[i]
  # The cut from bee7 to bee6 at 137.26 s, 111.5 s after the black (past 111.3 s): the picture turns red.
  for (; i < nf && !(t[i] > black + 111.3 && v[i] > 165); i++); print "cut", t[i]
}
