#!/bin/sh
# world_preview refuses bad arguments with its usage message and a non-zero
# exit, and a write that fails (a full disk) is reported as a failure.
# usage: check_world_preview_refusals.sh PREVIEW_PROGRAM WORK_FOLDER
set -u
preview=$1
work=$2
mkdir -p "$work"
failed=0
refuse() {  # expected-text, arguments...
  expect=$1
  shift
  if "$preview" "$@" >"$work/out.log" 2>&1; then
    echo "FAIL: world_preview $* succeeded"; failed=1
  elif [ $? -gt 128 ]; then
    echo "FAIL: world_preview $* crashed"; failed=1
  elif ! grep -q "$expect" "$work/out.log"; then
    echo "FAIL: world_preview $* did not say '$expect':"; cat "$work/out.log"; failed=1
  fi
}
refuse "usage:" game -5 "$work/a.png"
refuse "usage:" game " 5" "$work/a.png"
refuse "usage:" game 18446744073709551616 "$work/a.png"
refuse "usage:" game 5 "$work/a.png" gen/main.nut 4294967298
refuse "usage:" game 5 "$work/a.png" gen/main.nut 0
refuse "usage:" bogus_kind 5 "$work/a.png"
refuse "can't write /dev/full" main_menu 5 /dev/full
[ -e "$work/a.png" ] && { echo "FAIL: a refused run wrote its output"; failed=1; }
exit $failed
