#!/usr/bin/env bash
# The release: release.sh <build dir>, with an X server of its own. The packages as a
# packager checks them, then played from unpacked copies (nothing is
# installed here): starts side by side, paths as the user typed them, a
# per-user directory nobody else can turn against its user.
set -euo pipefail
. "$(dirname "$0")/lib.sh"
for tool in lintian desktop-file-validate appstreamcli; do
  command -v $tool >/dev/null || skip "no $tool (scripts/setup installs it)"
done
id=io.github.honeyfold.Honeyfold
(cd "$build" && cpack -G "DEB;TGZ") >cpack.log 2>&1 || fail "cpack: $(tail -n 5 cpack.log)"
deb=$(ls -t "$build"/packages/honeyfold_*.deb | head -n 1)
version=$(dpkg-deb -f "$deb" Version)
lintian "$deb" >lintian 2>&1 && ! grep -qv "^running with root privileges" lintian || fail "lintian: $(cat lintian)"
dpkg-deb -x "$deb" root && tar -xzf "$build/packages/honeyfold-$version-Linux.tar.gz"
desktop=$(desktop-file-validate root/usr/share/applications/$id.desktop 2>&1) && [ -z "$desktop" ] ||
  fail "the menu entry: $desktop"
appstreamcli validate --no-net root/usr/share/metainfo/$id.metainfo.xml >appstream 2>&1 ||
  fail "the AppStream data: $(cat appstream)"
depends=$(dpkg-deb -f "$deb" Depends) && [[ ", $depends," == *", libgl1,"* ]] || fail "Depends: $depends"
apt-get install --simulate "$deb" >apt 2>&1 && grep -q "^Inst honeyfold " apt || fail "apt: $(tail -n 3 apt)"
game=$dir/root/usr/games/honeyfold
offline_through() { env -u DISPLAY -u SDL_VIDEODRIVER "$@" --gl4d-stills=0.5 --gl4d-size=32x18 --gl4d-fps=10; }
export XDG_CACHE_HOME=$dir/cache
cache=$XDG_CACHE_HOME/honeyfold/$version
# Links at the names an unpacker without names of its own would write to.
(umask 077 && mkdir -p "$cache/audio") && : >victim
for f in music.zip.part shaders.zip.part audio/velvora.mod.part; do ln -s "$dir/victim" "$cache/$f"; done
mkdir elsewhere
for i in 1 2 3 4 5; do
  (cd elsewhere && offline_through "$game" --gl4d-stills-dir=s$i) >out$i 2>&1 &
  pids[i]=$!
done
for i in 1 2 3 4 5; do
  wait ${pids[i]} || fail "start $i of five at once ended with $?: $(tail -n 3 out$i)"
  [ -f elsewhere/s$i/still-000.500.png ] || fail "start $i's still is not in the caller's directory"
done
[ ! -s victim ] || fail "a planted link was followed"
[ "$(ls elsewhere | tr '\n' ' ')" = "s1 s2 s3 s4 s5 " ] || fail "the working directory was written to: $(ls elsewhere)"
copied=$(stat -c %i "$cache/music.zip")
keys=q live 0 env -C elsewhere "$dir/honeyfold-$version-Linux/games/honeyfold"
[ "$(stat -c %i "$cache/music.zip")" = "$copied" ] || fail "the same archives were copied again"
# An older package's archive: a different stored date, an older file.
"$build/honeyfold_mkzip" old.zip "2024-01-01 00:00:00" "$build" audio/velvora.mod >/dev/null
touch -d 2024-01-01 old.zip && cp -p old.zip root/usr/share/games/honeyfold/music.zip
offline_through "$game" >stdout 2>&1 || fail "$(tail -n 3 stdout)"
cmp -s old.zip "$cache/music.zip" && [ "$(date -r "$cache/audio/velvora.mod" +%Y)" = 2024 ] ||
  fail "the older installed archive did not reach the user"
(cd elsewhere && HOME=$dir/home XDG_CACHE_HOME=cache "$game" --gl4d-help >/dev/null 2>&1) || fail "no help"
[ -f "$dir/home/.cache/honeyfold/$version/music.zip" ] || fail "a relative XDG_CACHE_HOME was used"
# refused <message> [VAR=value...]: the launcher ends with 1 and says why.
refused() {
  local s=0
  env -u DISPLAY "${@:2}" "$game" >stdout 2>stderr || s=$?
  [ "$s" -eq 1 ] && grep -q "^honeyfold: $1" stderr || fail "status $s, not 1 with \"$1\": $(cat stderr)"
}
chmod 777 "$cache" && refused "$cache is not a directory of yours alone"
: >file && refused "cannot write to $dir/file/cache/honeyfold" XDG_CACHE_HOME=$dir/file/cache
echo "ok: release"
