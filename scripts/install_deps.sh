#!/bin/sh
# Installs the Debian packages the build, the game and the tests need.
# Skips apt entirely when everything is already there.
set -e
PKGS="build-essential cmake ninja-build pkg-config libgtest-dev libgmock-dev libbenchmark-dev \
libsdl2-dev libopenal-dev libepoxy-dev libstb-dev libgl1-mesa-dri libegl-mesa0 mesa-utils \
fonts-dejavu-core xvfb xauth clang libclang-rt-14-dev libvorbis-dev lua5.4 dpkg-dev file python3"
missing=""
for p in $PKGS; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y $missing
fi
