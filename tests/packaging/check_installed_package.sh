#!/bin/sh
# The Debian package holds a game that runs where it is unpacked: cpack builds
# it, dpkg -x unpacks it into a temporary root, and the installed executable,
# started headless with empty XDG folders, takes a screenshot, copies the
# module sources to the player's folder, exits 0 and writes nothing into the
# install folders.
# usage: check_installed_package.sh BUILD_FOLDER WORK_FOLDER
set -u
build=$1
work=$2
rm -rf "$work"
mkdir -p "$work/package" "$work/root" "$work/config" "$work/data" "$work/cache"
failed=0
fail() { echo "FAIL: $*"; failed=1; }

if ! (cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1); then
  cat "$work/cpack.log"
  echo "FAIL: cpack -G DEB"
  exit 1
fi
deb=$(ls "$work"/package/ember-hollows_*_amd64.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { ls "$work/package"; echo "FAIL: no ember-hollows_<version>_amd64.deb"; exit 1; }
dpkg-deb -f "$deb" Depends | grep -q "libsdl2" || fail "the dependencies were not computed from the binaries"
dpkg-deb -f "$deb" Recommends | grep -q "g++" || fail "the compiler is not recommended"
dpkg -x "$deb" "$work/root" || { echo "FAIL: dpkg -x"; exit 1; }

usr="$work/root/usr"
for f in games/ember_hollows lib/games/ember-hollows/gameobj.dll share/ember-hollows/gen/main.nut \
    share/ember-hollows/compiler/main.ls share/ember-hollows/compiler/README.md \
    share/ember-hollows/engine/gameobj_host/gameobj_interface.h \
    share/applications/org.emberhollows.EmberHollows.desktop \
    share/metainfo/org.emberhollows.EmberHollows.metainfo.xml share/man/man6/ember_hollows.6.gz \
    share/icons/hicolor/16x16/apps/org.emberhollows.EmberHollows.png \
    share/icons/hicolor/256x256/apps/org.emberhollows.EmberHollows.png; do
  [ -s "$usr/$f" ] || fail "the package has no /usr/$f"
done

# Every file of the install folders with its size and time, to compare after.
listing() { (cd "$work/root" && find . -printf '%p %s %T@\n' | sort); }
listing >"$work/before.txt"
(cd "$work/data" && SDL_VIDEODRIVER=offscreen ALSOFT_DRIVERS=null HOME="$work/data" \
    XDG_CONFIG_HOME="$work/config" XDG_DATA_HOME="$work/data" XDG_CACHE_HOME="$work/cache" \
    "$usr/games/ember_hollows" -360 -seed 3 -shot-at 4 -quit-after 5 >"$work/run.log" 2>&1)
code=$?
[ $code -eq 0 ] || fail "the installed game exited with $code"
grep -q "app path: '$usr/share/ember-hollows/'" "$work/run.log" || fail "the data folder was not found beside the executable's folder"
ls "$work"/data/EmberHollows/shots/*_at4.png >/dev/null 2>&1 || fail "no screenshot in the player's data folder"
for f in main.ls rebuild_dll.bat README.md objects/player.ls; do
  [ -s "$work/data/EmberHollows/module/$f" ] || fail "the module source $f was not copied to the player's folder"
done
ls -R "$work/cache/EmberHollows" 2>/dev/null | grep -q "\.cache$" || fail "no shader cache in \$XDG_CACHE_HOME"
listing >"$work/after.txt"
cmp -s "$work/before.txt" "$work/after.txt" || { diff "$work/before.txt" "$work/after.txt" | head; fail "the game wrote into its install folders"; }
[ $failed -eq 0 ] || { echo "--- game output:"; tail -n 40 "$work/run.log"; }
exit $failed
