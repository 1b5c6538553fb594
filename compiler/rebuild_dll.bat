#!/bin/sh
# Builds the game-object module from main.ls and the files it imports.
#
#   rebuild_dll.bat OUTPUT
#
# A line "import a.b" of a source file names a/b.ls beside this script; the
# imported files come first, each once. The sources are C++: the import lines
# are blanked and "#line" marks keep the compiler's messages pointing at the
# original files. The module is written next to OUTPUT and moved into place
# only when the compiler succeeded; the exit status is the compiler's (or 1
# when the classes' layout could not be recorded). The debug information
# lets the game name the source line of a fault in the module, and gives the
# layout of the module's classes, which goes into the module's file.
#
# Environment: $GAMEOBJ_CXXFLAGS extra compiler flags; $CXX the compiler
# (default g++); $GAMEOBJ_BUILD_ID the build number the module reports
# (default: the time in seconds); $GAMEOBJ_ENGINE_DIR the folder holding the
# engine's headers (default: the folder above this script).

out=${1:?usage: rebuild_dll.bat OUTPUT}
src=$(cd "$(dirname "$0")" && pwd -P)
repo=${GAMEOBJ_ENGINE_DIR:-$(dirname "$src")}
build_id=${GAMEOBJ_BUILD_ID:-$(date +%s)}
unit=$(mktemp "${TMPDIR:-/tmp}/gameobj_unit.XXXXXX") || exit 1
members=$(mktemp "${TMPDIR:-/tmp}/gameobj_members.XXXXXX") || exit 1
trap 'rm -f "$unit" "$members" "$out.part"' EXIT

seen=" "

# add_source NAME: appends NAME.ls (relative to $src) after its imports.
add_source() {
    local name file key dep
    name=$1
    file="$src/$name.ls"
    key=$(printf '%s' "$name" | tr 'A-Z' 'a-z')
    case "$seen" in *" $key "*) return 0 ;; esac
    seen="$seen$key "
    [ -f "$file" ] || return 0
    for dep in $(sed -n 's/^import [[:blank:]]*\([^[:space:]]*\).*/\1/p' "$file" | tr '.' '/'); do
        add_source "$dep"
    done
    printf '#line 1 "%s"\n' "$file" >> "$unit"
    sed 's/^import .*//' "$file" >> "$unit"
}

add_source main

# The size of every listed class goes into the module file, so that the game
# can refuse a swap that would give live objects another layout.
printf '#line 1 "%s"\n#include "gameobj_host/module_class_layouts.h"\nGAMEOBJ_RECORD_CLASS_LAYOUTS\n' "$0" >> "$unit"

${CXX:-g++} -x c++ -std=c++20 -O2 -g -fPIC -shared -fno-gnu-unique -fvisibility=hidden \
    -msse4.1 -Wall -Wextra -I"$repo" -I"$repo/squirrel/include" -DGAMEOBJ_BUILD_ID="$build_id" $GAMEOBJ_CXXFLAGS \
    -o "$out.part" "$unit" 2>&1 || exit

# Where each member of each class lies, so that the game also refuses a swap
# that moved members without changing a class's size.
readelf --debug-dump=info "$out.part" | awk -f "$src/class_members.awk" | LC_ALL=C sort > "$members"
if [ ! -s "$members" ] || ! objcopy --add-section .gameobj_members="$members" "$out.part"; then
    echo "rebuild_dll.bat: can't record the layout of the module's classes (readelf, awk and objcopy are needed)"
    exit 1
fi
mv -f "$out.part" "$out"
