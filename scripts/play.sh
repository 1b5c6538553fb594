#!/bin/sh
# Builds the optimised configuration and starts the game from the build tree.
set -e
cd "$(dirname "$0")/.."
scripts/install_deps.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release
cmake --build build/release
if [ -x build/release/bin/ember_hollows ]; then
  exec build/release/bin/ember_hollows "$@"
fi
echo "built everything; the game executable does not exist yet"
