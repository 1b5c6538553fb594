#!/bin/sh
# Every world type of the game's scripts generates without a script error, the
# same seed gives the same world, and another seed a different one.
# usage: check_world_types.sh PREVIEW_PROGRAM WORK_FOLDER
set -u
preview=$1
work=$2
mkdir -p "$work"
failed=0
for kind in islands highlands volcanic canyons peaks meadows game main_menu; do
  for run in a b; do
    if ! "$preview" "$kind" 4711 "$work/$kind-$run.png" >"$work/$kind-$run.log" 2>&1; then
      echo "FAIL: $kind (seed 4711) did not generate:"; cat "$work/$kind-$run.log"; failed=1; continue 2
    fi
    if grep -q "Error in" "$work/$kind-$run.log"; then
      echo "FAIL: $kind reported a script error:"; cat "$work/$kind-$run.log"; failed=1; continue 2
    fi
  done
  cmp -s "$work/$kind-a.png" "$work/$kind-b.png" || { echo "FAIL: $kind differs between two runs of one seed"; failed=1; }
  "$preview" "$kind" 4712 "$work/$kind-c.png" >"$work/$kind-c.log" 2>&1
  cmp -s "$work/$kind-a.png" "$work/$kind-c.png" && { echo "FAIL: $kind is the same for seeds 4711 and 4712"; failed=1; }
  echo "ok: $kind: $(tail -n 1 "$work/$kind-a.log")"
done
exit $failed
