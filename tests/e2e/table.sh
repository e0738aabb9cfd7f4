#!/usr/bin/env bash
# The demo against what goes wrong on machines we never see. A row sets up a
# run directory of its own, runs the real executable, and states what must
# come out: the exit status, lines on standard output and error, what is on
# disk afterwards.
#   HONEYFOLD_SCREEN=1920x1080 table.sh <build dir> [row...]   (ctest runs a row a test)
# Rows that play live do it in a small window: their point is not the frame size.
. "$(dirname "$0")/lib.sh"

out_has() { grep -qE -- "$1" stdout || fail "no '$1' on stdout: $(head -n 5 stdout)"; }
err_has() { grep -qE -- "$1" stderr || fail "no '$1' on stderr: $(tail -n 5 stderr)"; }
ran() { status=0; "$@" >stdout 2>stderr || status=$?; }  # the status in $status
status_is() { [ "$status" -eq "$1" ] || fail "status $status, not $1: $(tail -n 3 stderr)"; }
has_root_mounts() { unshare -m true 2>/dev/null || skip "no private mount namespace (unshare -m needs root)"; }
# make_zip <archive> <member>...: from the files under src/ (the build's own packer).
make_zip() { rm -f "$1" && "$build/honeyfold_mkzip" "$1" "2025-01-01 00:00:00" src "${@:2}" >/dev/null; }
small=--gl4d-window=320x180
played() { start ./honeyfold $small "$@"; sleep 2; key q; finish 0; }

row_exports() {
  nm -D --defined-only honeyfold | awk '{ print $3 }' | grep -cxE 'pathOf|filenameOf|mv' | grep -qx 3 ||
    fail "the path helpers are not in the program's dynamic symbols"
}
row_soundtrack() {
  local info field
  info=$(openmpt123 --info "$build/audio/velvora.mod" 2>&1 | sed 's/\.\.*:/:/')
  for field in "Type: mod (ProTracker MOD (M.K.))" "Title: velvora" "Duration: 01:46.750" "Channels: 4"; do
    grep -qF "$field" <<<"$info" || fail "the soundtrack is not $field: $info"
  done
}
row_bad_option() {
  ran env -u DISPLAY ./honeyfold --gl4d-size=0x5; status_is 1; err_has "^gl4d: --gl4d-size takes WIDTHxHEIGHT"
  ran env -u DISPLAY ./honeyfold --gl4d-help; status_is 0; out_has "--gl4d-capture=FILE"
}
row_no_display() {
  ran env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER ./honeyfold; status_is 1
  local n=97  # a display number nobody serves
  while [ -e /tmp/.X$n-lock ] || [ -e /tmp/.X11-unix/X$n ]; do n=$((n + 1)); done
  ran env DISPLAY=:$n SDL_VIDEODRIVER=x11 ./honeyfold; status_is 1
}
row_no_font() {
  has_root_mounts
  ran unshare -m sh -c 'mount -t tmpfs tmpfs /usr/share/fonts/truetype/liberation &&
    exec env -u DISPLAY ./honeyfold --gl4d-stills=0.1'
  status_is 0
  [ "$(grep -c '^TTF_OpenFont: ' stderr)" -eq 2 ] || fail "not one TTF_OpenFont line per text: $(cat stderr)"
}
row_no_archives() {
  rm music.zip shaders.zip
  start ./honeyfold && finish 251
  printf 'file %s not found in the zipfile\n' audio/velvora.mod shaders/{basic3d.vs,perlin.fs,br.fs,tex.fs,spi.fs,mix.fs} \
    shaders/{credits.fs,basic.fs,perlin.vs,basic.vs,fond.fs} | cmp -s - stdout || fail "not-found lines: $(cat stdout)"
  err_has "^Erreur lors du Mix_LoadMUS: "
}
row_empty_shaders_zip() {
  : >shaders.zip
  played && out_has "^file shaders/fond.fs not found in the zipfile$" && err_has "cannot read shader file shaders/basic.vs"
  [ ! -e shaders ] || fail "a shaders directory from nothing"
}
row_cut_music_zip() {
  truncate -s $(($(stat -c %s music.zip) / 2)) music.zip
  start ./honeyfold && finish 251
  out_has "^file audio/velvora.mod not found in the zipfile$" && err_has "^Erreur lors du Mix_LoadMUS: "
}
row_garbage_module() {
  mkdir -p src/audio && head -c 60000 /dev/urandom >src/audio/velvora.mod && make_zip music.zip audio/velvora.mod
  start ./honeyfold && finish 251
  out_has "^ extracting: audio/velvora.mod$" && err_has "^Erreur lors du Mix_LoadMUS: "
}
row_bad_shader() {
  mkdir -p src && cp -r "$top/shaders" src/ && echo "this is not GLSL" >>src/shaders/mix.fs
  make_zip shaders.zip $(cd "$top" && ls shaders/*)
  played && err_has "shaders/mix.fs does not compile" && err_has "error"
}
row_read_only_directory() {
  has_root_mounts
  ran env -u DISPLAY ./honeyfold --gl4d-stills=0.1  # an earlier start's files
  status_is 0
  ran unshare -m sh -c 'mount --bind "$PWD" "$PWD" && mount -o remount,ro,bind "$PWD" && cd "$PWD" &&
    exec env -u DISPLAY ./honeyfold --gl4d-stills=0.5 --gl4d-stills-dir=..'
  status_is 0
  out_has "^error opening audio/velvora.mod$" && out_has "^error opening shaders/fond.fs$"
  [ -f ../still-000.500.png ] || fail "no frame from the earlier start's files"
}
row_full_disk() {
  has_root_mounts
  ran unshare -m sh -c 'mkdir small && mount -t tmpfs -o size=200k tmpfs small && cp *.zip small/ && cd small &&
    env -u DISPLAY ../honeyfold --gl4d-stills=0.1 --gl4d-stills-dir=..; s=$?; ls -A audio shaders >../left 2>&1; exit $s'
  status_is 251
  out_has "^ extracting: audio/velvora.mod$" && out_has "^error in writing extracted file$" && out_has "^ extracting: shaders/fond.fs$"
  ! grep -qE "velvora|\.part" left || fail "a partial file was left: $(cat left)"
}
row_resized_while_playing() {  # playing to a sound server, as on a desktop
  sound_server
  start ./honeyfold --gl4d-window --gl4d-gl-debug
  for size in 1x1 7680x4320 1280x720; do  # X lets a window outgrow its screen
    sleep 1.5 && alive "before a resize to $size"
    xdotool windowsize --sync "$win" ${size/x/ } && xdotool getwindowgeometry "$win" | grep -q "Geometry: $size$" ||
      fail "not resized to $size: $(xdotool getwindowgeometry "$win")"
  done
  sleep 1.5 && key q && finish 0
  err_has "^gl4d: GL debug: 0 errors"
}
row_past_the_end() {
  ran env -u DISPLAY ./honeyfold --gl4d-benchmark --gl4d-size=64x36 --gl4d-fps=5 --gl4d-stop=208.46
  status_is 0
  # Resident now, not peak, within 2 MB: runs grow 0.0 MB, 0.9 under ASan (its quarantine filling); a leak of
  # 7 KB a frame (a 64 x 36 frame is 9 KB) crosses it.
  sed -nE 's/^after the show: 300 frames, 0 GL objects made, resident ([0-9.]+) MB at its end and ([0-9.]+) MB .*/\1 \2/p' stdout >mb
  read -r at_end at_last <mb && is "$at_last < $at_end + 2" || fail "growing after the show: $(grep '^after' stdout)"
}
# Offline runs as asked (the capture's summary said), or refused before their first frame with the reason, nothing
# made. The encoder is found as posix_spawnp finds it: not a directory of its name, PATH unset the system's path.
row_offline_outputs() {
  mkdir a.mp4 bin bin/ffmpeg 2024-01-01T10:00 && : >plain
  local tiny="--gl4d-stop=1 --gl4d-size=32x18 --gl4d-fps=10" long=$(printf %0240d 0)
  while IFS='|' read -r want why vars args; do
    ran env -u DISPLAY $vars ./honeyfold $args; status_is "$want"; [ -n "$why" ] || { err_has " frames at "; continue; }
    err_has "$why"
    ! grep -q ' frames ' stderr && [ -z "$(ls -A a.mp4)" ] && [ ! -e s ] || fail "$args: began or left $(ls -A . a.mp4)"
  done <<EOF
1|cannot write .*a.mp4: a directory stands there||--gl4d-capture=a.mp4 --gl4d-stop=1
1|plain is not a directory||--gl4d-stills=1 --gl4d-stills-dir=plain
1|after the end of the show at 148.460 s||--gl4d-stills=1,200 --gl4d-stills-dir=s
1|there is no directory .*none||--gl4d-benchmark=none/b.json
1|--gl4d-capture takes a value, not "--gl4d-fps=30"||--gl4d-capture --gl4d-fps=30
1|$long.json: the name is too long||--gl4d-benchmark=$long.json $tiny
1|--gl4d-capture needs the ffmpeg program|PATH=$PWD/bin|--gl4d-capture=d.mp4 $tiny
0||-u PATH|--gl4d-capture=b.mp4 --gl4d-stop=24 --gl4d-size=32x18 --gl4d-fps=10 --gl4d-stills=23 --gl4d-stills-dir=one
0|||--gl4d-capture=2024-01-01T10:00/c.mp4 --gl4d-stop=24 --gl4d-size=32x18 --gl4d-fps=10 --gl4d-stills=23 --gl4d-stills-dir=two
EOF
  # Two offline runs a second apart: the same frames and the same sound (the drone's noise, which the red
  # screen at 23 s follows, seeded alike).
  cmp one/still-023.000.png two/still-023.000.png || fail "two stills runs differ"
  [ "$(ffmpeg -v error -i b.mp4 -f s16le - | md5sum)" = "$(ffmpeg -v error -i file:2024-01-01T10:00/c.mp4 -f s16le - | md5sum)" ] ||
    fail "two captures' sound differs"
  tags=$(ffprobe -v error -select_streams v -show_entries stream=color_range,color_space,color_transfer,color_primaries \
    -of csv=p=0 b.mp4)
  [ "$tags" = tv,bt709,bt709,bt709 ] || fail "not tagged BT.709: $tags"
}
# Ctrl-C (INT to the whole process group, as a terminal sends it) or kill: 128 + the signal, the message, nothing at
# the asked path, no working directory, encoder or core file left. STOP: the encoder stopped first (as by SIGTTOU);
# INT,TERM: a second one in the clean-up, ending it (either may come first); ~HUP: ignored from the start (nohup).
row_interrupted() {
  set -m  # a process group for each run
  local sig p left cap="--gl4d-capture=a.mp4 --gl4d-size=64x36 --gl4d-stop=140" bench="--gl4d-benchmark=b.json --gl4d-size=64x36"
  while read -r sigs want stop args; do
    rm -f stderr  # not the last run's frames: a signal before env resets SIGINT would be ignored
    env --default-signal=INT $([[ $sigs != ~* ]] || echo --ignore-signal=HUP) -u DISPLAY ./honeyfold $args >stdout 2>stderr &
    pid=$! && until grep -qs ' frames ' stderr; do alive "before $sigs"; sleep 0.1; done
    for sig in ${sigs//[,~]/ }; do
      case $sig in INT) kill -INT -- -$pid ;; STOP) kill -STOP "$(pgrep -P $pid -x ffmpeg)" ;; *) kill -$sig $pid ;; esac
    done
    finish "$want" && err_has "^gl4d: stopped by SIG$stop after [0-9]+ of [0-9]+ frames"
    left=$(for p in $(pgrep -x ffmpeg || true); do [ "$(readlink /proc/$p/cwd)" != "$PWD" ] || { kill -9 $p; echo $p; }; done)
    [ "$(ls -A | grep -cvxE 'honeyfold|music.zip|shaders.zip|audio|shaders|stdout|stderr|s')" -eq 0 ] && [ -z "$left" ] &&
      { [ ! -e s ] || [ "$(ls s)" = still-000.100.png ]; } || fail "$sigs left $(ls -A . s) ${left:+ffmpeg}"
  done <<EOF
INT 130 INT $cap
TERM 143 TERM $cap
TERM 143 TERM $bench
INT 130 INT --gl4d-stills=0.1,140 --gl4d-stills-dir=s --gl4d-size=64x36
HUP 129 HUP $cap
QUIT 131 QUIT $bench
INT,TERM 130|143 (INT|TERM) $cap
~HUP,STOP,INT 130 INT $cap
EOF
}
# A signal after the last frame, in the program's fade at exit or while the sound is muxed in (by an encoder that
# takes 30 s, past what finish waits: the stop is heeded at once): 143, the message, nothing at the path.
row_stopped_at_the_end() {
  mkdir bin && printf '#!/bin/sh\ncase "$*" in *aac*) : >muxing; sleep 30;; esac\nexec %s "$@"\n' "$(command -v ffmpeg)" >bin/ffmpeg
  chmod +x bin/ffmpeg && for when in " 10/10 frames" muxing; do
    rm -f stderr; env -u DISPLAY PATH=$PWD/bin:$PATH ./honeyfold --gl4d-capture=a.mp4 --gl4d-stop=1 --gl4d-size=32x18 \
      --gl4d-fps=10 >stdout 2>stderr & pid=$!
    until grep -qs "$when" stderr || [ -e "$when" ]; do alive "before the signal at \"$when\""; sleep 0.05; done
    kill -TERM $pid && finish 143 && err_has "^gl4d: stopped by SIGTERM after 10 of 10 frames: nothing is written at a.mp4"
    ! ls -A | grep -E 'a.mp4|gl4d-capture' || fail "left at \"$when\""
  done
}
# A flipped byte in the data of a member of the build's (deflated) archive, over an earlier start's files: the
# member's error, the earlier file as it was, no temporary file, the show played.
row_damaged_member() {
  local at=$(($(grep -obaF shaders/fond.fs shaders.zip | head -n 1 | cut -d: -f1) + 15 + 40)) byte  # no extra field
  ran env -u DISPLAY ./honeyfold --gl4d-stills=0.1 --gl4d-size=32x18 && status_is 0 && cp shaders/fond.fs earlier
  byte=$(od -An -tu1 -j $at -N 1 shaders.zip) && printf "\\$(printf %o $((byte ^ 16)))" |
    dd of=shaders.zip bs=1 seek=$at conv=notrunc 2>/dev/null
  ran env -u DISPLAY ./honeyfold --gl4d-stills=0.1 --gl4d-size=32x18 && status_is 0
  out_has "^ extracting: shaders/fond.fs$" && out_has "^error -[0-9]+ with zipfile in unz(Read|Close)CurrentFile$"
  cmp -s shaders/fond.fs earlier && ! ls shaders | grep part || fail "not as it was"
}
# Root without the rights that pass over files' owners and modes: a still and a benchmark's figures under umask 0777
# written through the descriptors that made them (a file of mode 000 is not opened again); a capture over another
# user's file in a sticky directory refused before its first frame.
row_without_privileges() {
  local plain="setpriv --bounding-set=-dac_override,-dac_read_search,-fowner env -u DISPLAY ./honeyfold" what
  $plain --gl4d-help >/dev/null 2>&1 || skip "no setpriv as root"
  ran env -u DISPLAY ./honeyfold --gl4d-stills=0.1 --gl4d-size=32x18 && status_is 0
  rm music.zip shaders.zip && mkdir -m 1777 sticky && : >sticky/a.mp4 && chown 65534 sticky sticky/a.mp4
  for what in --gl4d-stills=0.1 --gl4d-benchmark=b.json; do  # the earlier start's files, not unpacked under the umask
    ran sh -c "umask 777 && exec $plain $what --gl4d-size=32x18 --gl4d-stop=0.2" && status_is 0
  done
  [ "$(stat -c %a%s still-000.100.png b.json | grep -c '^0[1-9]')" = 2 ] || fail "$(ls -l still-000.100.png b.json)"
  ran $plain --gl4d-capture=sticky/a.mp4 --gl4d-size=32x18 && status_is 1 && err_has "a.mp4: it belongs to another user" &&
    ! grep ' frames ' stderr || fail "the capture began"
}
# The installed launcher, laid out in a copy: from a directory deleted since, 1 and why, nothing played; from one
# whose name ends in a newline, the still there.
row_launcher() {
  local nl=$'nl\n' here=$PWD && export XDG_CACHE_HOME=$PWD/cache
  mkdir -p p/games p/lib/games/honeyfold p/share/games/honeyfold "$nl" gone && mv *.zip p/share/games/honeyfold/
  cp "$build/packaging/honeyfold" p/games/ && cp honeyfold p/lib/games/honeyfold/
  ran sh -c 'cd gone && rmdir ../gone && exec sh "$0/p/games/honeyfold" --gl4d-stills=0.1' "$here" && status_is 1
  err_has "^honeyfold: cannot tell which directory you are in" && [ ! -e cache ] || fail "it played: $(ls -A)"
  ran env -C "$nl" sh "$here/p/games/honeyfold" --gl4d-stills=0.1 --gl4d-size=32x18 --gl4d-stills-dir=s && status_is 0
  [ -f "$nl/s/still-000.100.png" ] || fail "no still in $nl: $(ls -A)"
}
# Full screen on screens of every shape, with no window manager (Xvfb's white root shows what is left uncovered) and
# on weston: the frame as large as it fits, centred, on black, as a still of its show time shows it. The cross-fade
# draws a gradient instead: every frame of the first fade (1 to 10 s) is the same, and so is a still at 5 s, 64 x 36.
row_any_screen() {
  local size w h pw ph x0 y0 mine="" wayland="" error by
  mkdir -p src && cp -r "$top/shaders" src/ && printf '#version 330 core\nin vec2 vsoTexCoord;\nout vec4 fragColor;\n%s\n' \
    'void main() { fragColor = vec4(vsoTexCoord, 0.5, 1.0); }' >src/shaders/mix.fs && make_zip shaders.zip $(cd src && ls shaders/*)
  ran env -u DISPLAY ./honeyfold --gl4d-stills=5 --gl4d-size=64x36 --gl4d-fps=10 && status_is 0
  convert still-005.000.png -resize 16x9! still.png && trap 'kill -9 ${pid:-} $helpers 2>/dev/null || true' EXIT
  for size in 1366x768 1280x1024 640x480 3840x2160 wayland:640x480; do
    w=${size#*:} && h=${w#*x} w=${w%x*}
    if [ "$size" = "$w"x"$h" ]; then kill $mine 2>/dev/null || true; xserver $size -wr && mine=$xserver && start ./honeyfold
    else compositor "$w"x"$h" && wayland=1 && { WAYLAND_DISPLAY=hf SDL_VIDEODRIVER=wayland ./honeyfold >stdout 2>stderr & }
      pid=$!; fi
    helpers="$helpers $mine" by=$((SECONDS + 60))  # a demo whose server went may spin: killed with -9 above
    until { if [ -n "$wayland" ]; then WAYLAND_DISPLAY=hf weston-screenshooter >/dev/null && mv wayland-screenshot-* shot.png
      else import -window root shot.png; fi; } && [ "$(convert shot.png -gravity center -crop 1x1+0+0 \
      -format '%[fx:abs(r-0.5)+abs(g-0.5)+abs(b-0.5)<0.15]' info:)" = 1 ]; do  # the centre grey, not black or behind
      alive "before its first fade" && [ $SECONDS -lt $by ] || fail "$size: no picture"
    done
    [ $((w * 9)) -gt $((h * 16)) ] && pw=$(((h * 32 + 9) / 18)) ph=$h || pw=$w ph=$(((w * 18 + 16) / 32))
    x0=$(((w - pw) / 2)) y0=$(((h - ph) / 2)) && convert shot.png -crop ${pw}x$ph+$x0+$y0 +repage -resize 16x9! seen.png
    error=$({ compare -metric MAE seen.png still.png null: 2>&1 || true; } | tr -d '()' | awk '{ print $2 }')
    is "$(convert shot.png -fill black -draw "rectangle $((x0 - 1)),$((y0 - 1)) $((x0 + pw)),$((y0 + ph))" \
      -colorspace gray -format '%[fx:maxima]' info:) == 0 && $error < 0.02" ||
      fail "$size: not black around ${pw}x$ph+$x0+$y0, or the picture there off the still by $error"
    kill $pid && finish 0
  done
}
row_many_starts() {
  local lane
  mkdir tmp && export TMPDIR=$PWD/tmp
  for lane in 1 2 3 4 5; do  # five directories, ten starts and quits in a row in each
    mkdir "$lane" && cp honeyfold music.zip shaders.zip "$lane/"
    (cd "$lane" && for i in $(seq 10); do
      ./honeyfold $small --gl4d-stop=0.1 >stdout 2>stderr || { echo "status $? at start $i in $lane"; exit 1; }
    done) >"status$lane" &
  done
  wait
  ! grep . status? || fail "$(cat status?)"
  none_left "$PWD"
  [ -z "$(ls -A tmp)" ] || fail "temporary files left: $(ls -A tmp)"
  left=$(for lane in 1 2 3 4 5; do echo $(ls -A $lane); done | sort -u)
  [ "$left" = "audio honeyfold music.zip shaders shaders.zip stderr stdout" ] || fail "left in the directories: $left"
}

rows=${*:2}
[ -n "$rows" ] || rows=$(declare -F | awk '$3 ~ /^row_/ { sub(/^row_/, "", $3); print $3 }')
failed="" skipped=""
for row in $rows; do
  mkdir "$dir/$row" && cp honeyfold music.zip shaders.zip "$dir/$row/"
  # In the background, not in a condition: errexit holds inside; the servers a row starts end with it.
  (cd "$dir/$row" && trap 'kill $helpers 2>/dev/null || true' EXIT && "row_$row") &
  status=0 && wait $! || status=$?
  case $status in 0) echo "ok: $row" ;; 77) skipped="$skipped $row" ;; *) failed="$failed $row" ;; esac
done
[ -z "$failed" ] || fail "rows:$failed"
[ -z "$skipped" ] || skip "rows:$skipped"
