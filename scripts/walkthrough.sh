#!/bin/bash
# Plays the game through as a new player would, headless, and keeps the
# screenshots with one captioned contact sheet of them:
#
#   scripts/walkthrough.sh BUILD_DIR OUT_DIR
#
# Every menu screen, each kind of world entered, each spell cast, a death
# and a try again, a goal met, a save and a load, at 1280 x 720 with high
# graphics and at 640 x 360 with low graphics. Writes OUT_DIR/<size>/*.png
# and OUT_DIR/walkthrough_sheet.png; exits non-zero when a run failed or
# a screenshot is missing.
#
# The input is a recording written here, by update number, with clicks at
# the places the menus lay their buttons out (menu rows are laid out for a
# 720-line window and scaled with it; the spell grid keeps a minimum cell
# size). Worlds are chosen with the universe map's Ctrl+1..6 (the first
# world of each kind), so the walk does not depend on the universe drawn.
set -u
BUILD_DIR=${1:?usage: walkthrough.sh BUILD_DIR OUT_DIR}
OUT_DIR=${2:?usage: walkthrough.sh BUILD_DIR OUT_DIR}
BIN=$(cd "$BUILD_DIR/bin" && pwd) || exit 2
FONT=/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
mkdir -p "$OUT_DIR"
OUT_DIR=$(cd "$OUT_DIR" && pwd)

# Key codes of the recording (Windows virtual keys).
K_TAB=9 K_RETURN=13 K_CTRL=17 K_ESC=27 K_F1=112 K_F12=123

# ---- the recording ----
# Written per window size: W H are the size; S the menus' scale.
rec=""
shots=()     # update numbers
captions=()  # one per shot
u=0          # the update the next step happens at

px() { awk -v v="$1" -v s="$S" 'BEGIN { printf "%d", v * s + 0.5 }'; }
line() { rec+="$1"$'\n'; }
move() { line "e $u 5 0 0 $1 $2"; }
# click X Y in design pixels (720 lines), left button unless given.
click() {
  local x y b=${3:-1}
  x=$(px "$1") y=$(px "$2")
  line "e $u 5 0 0 $x $y"
  line "e $((u + 1)) 3 $b 0 $x $y"
  line "e $((u + 2)) 4 $b 0 $x $y"
  u=$((u + 3))
}
key() {
  line "e $u 1 $1 0 0 0"
  line "e $((u + 1)) 2 $1 0 0 0"
  u=$((u + 2))
}
hold() { line "e $u 1 $1 0 0 0"; }
release() { line "e $u 2 $1 0 0 0"; }
wait_for() { u=$((u + $1)); }
shot() {
  shots+=("$u")
  captions+=("$1")
  u=$((u + 1))
}

# Menu rows: a column whose rows start at `top` of the height, each `row`
# high with `gap` between (design pixels); row_y TOP ROW GAP INDEX.
row_y() { awk -v t="$1" -v r="$2" -v g="$3" -v i="$4" 'BEGIN { printf "%.1f", t * 720 + i * (r + g) + r / 2 }'; }
main_row() { row_y 0.33 50 12 "$1"; }
pause_row() { row_y 0.26 50 12 "$1"; }
cheat_row() { row_y 0.26 40 8 "$1"; }
slot_row() { row_y 0.24 40 7 "$1"; }

# Centre of spell grid cell k while the grid is open, in window pixels.
grid_cell() {
  awk -v k="$1" -v w="$W" -v h="$H" 'BEGIN {
    s = h / 720; cell = 76 * s; if (cell < 40) cell = 40; gap = cell / 8
    gw = 7 * (cell + gap) - gap; gh = 2 * (cell + gap) - gap
    x0 = (w - gw) / 2; y0 = (h - gh) / 2
    printf "%d %d", x0 + (k % 7) * (cell + gap) + cell / 2, y0 + int(k / 7) * (cell + gap) + cell / 2 }'
}

cheat() {  # opens the developers' menu, clicks row $1, and goes back to play
  hold $K_CTRL; key $K_F12; release $K_CTRL
  wait_for 5
  click 640 "$(cheat_row "$1")"
  wait_for 3
}
cheat_back() { click 640 "$(cheat_row 7)"; wait_for 5; }

# The spells in their cells once every spell is known: the first seven are
# the starting ones, the rest come in the order of their kinds.
SPELLS=(Fireball Hill Pit Spring Lightning Healing "Use portal" "Water globe" Fault House Meteor Volcano Sink Thunderstorm)

write_recording() {
  rec="" shots=() captions=() u=20
  shot "Main menu"
  move "$(px 640)" "$(px "$(main_row 0)")"; wait_for 2
  shot "Main menu: a button under the mouse"
  click 640 "$(main_row 3)"; wait_for 5; shot "Options"; key $K_ESC; wait_for 3
  click 640 "$(main_row 4)"; wait_for 5
  move "$(px 783)" "$(px 162)"; wait_for 3; shot "Controls: a key box under the mouse (no capture)"
  click 783 162; wait_for 2; shot "Controls: clicked, waiting for a key"
  key 87; wait_for 2; key $K_ESC; wait_for 3
  click 640 "$(main_row 5)"; wait_for 5; shot "Credits"; key $K_ESC; wait_for 3
  click 640 "$(main_row 0)"; wait_for 5; shot "New game note"
  click 640 529; wait_for 10; shot "Universe map"
  # Ember Fields first: what hurt players there.
  hold $K_CTRL; key 51; release $K_CTRL; wait_for 5; shot "World card (Ember Fields)"
  click 640 452; wait_for 30; shot "Ember Fields: arrival"
  wait_for 140; shot "Ember Fields: 8 s in"
  hold $K_TAB; wait_for 3; shot "World map (Tab)"; release $K_TAB; wait_for 2
  key $K_F1; wait_for 2; shot "F1 help"; key $K_F1; wait_for 2
  hold $K_CTRL; key $K_F12; release $K_CTRL; wait_for 5; shot "Cheat menu"
  click 640 "$(cheat_row 2)"; wait_for 2; click 640 "$(cheat_row 1)"; wait_for 2; cheat_back
  # Each spell: chosen on the grid for the left button, then cast.
  local k xy
  for k in $(seq 0 13); do
    xy=$(grid_cell "$k")
    hold $K_CTRL; wait_for 2
    line "e $u 5 0 0 $xy"; wait_for 2
    if [ "$k" = 0 ]; then shot "Spell grid with a tooltip"; fi
    line "e $u 3 1 0 $xy"; line "e $((u + 1)) 4 1 0 $xy"; wait_for 3
    release $K_CTRL; wait_for 2
    local c=$((W / 2)) m=$((H / 2))
    line "e $u 3 1 0 $c $m"; line "e $((u + 1)) 4 1 0 $c $m"; wait_for 12
    shot "Cast: ${SPELLS[$k]}"
    wait_for 10
  done
  cheat 4; cheat_back
  cheat 5; cheat_back; wait_for 3; shot "Hit from the right: arc and flash"
  cheat 5; wait_for 5; shot "Death screen"
  click 640 "$(row_y 0.5 50 12 0)"; wait_for 30; shot "Tried again: the world's start"
  cheat 6; cheat_back; wait_for 10; shot "Goal met"
  wait_for 100; shot "Goal panel: cleared"
  key $K_ESC; wait_for 5; shot "Paused"
  click 640 "$(pause_row 1)"; wait_for 5; shot "Save slots"
  click 640 "$(slot_row 0)"; wait_for 5
  click 640 "$(pause_row 2)"; wait_for 5
  click 640 "$(slot_row 0)"; wait_for 40; shot "Loaded: back in the saved world"
  key $K_ESC; wait_for 5
  click 640 "$(pause_row 5)"; wait_for 40; shot "Universe map: the cleared world"
  local kinds=("" Islands Highlands "" Canyons Peaks Meadows) n
  for n in 1 2 4 5 6; do
    hold $K_CTRL; key $((48 + n)); release $K_CTRL; wait_for 5
    click 640 452; wait_for 30; shot "${kinds[$n]}"
    key $K_ESC; wait_for 5
    click 640 "$(pause_row 5)"; wait_for 40
  done
  click 640 668; wait_for 20; shot "Back at the main menu"
}

# ---- the runs ----
failed=0
sheet_args=()
for run in "1280 720 -720 -gfx-high" "640 360 -360 -gfx-low"; do
  set -- $run
  W=$1 H=$2 size_flag=$3 quality=$4
  S=$(awk -v h="$H" 'BEGIN { print h / 720 }')
  write_recording
  dir="$OUT_DIR/${W}x${H}"
  rm -rf "$dir" && mkdir -p "$dir"
  home=$(mktemp -d)
  { printf '# Ember Hollows input recording\nversion Ember Hollows 0.17 DEMO\nseed 42\n'; printf '%s' "$rec"; } \
    > "$dir/walkthrough.rec"
  # The game takes at most 32 -shot-at: the same recording plays once per
  # 32 screenshots, each pass stopping after its last one.
  rm -rf "$BIN/shots"
  for ((first = 0; first < ${#shots[@]}; first += 32)); do
    shot_flags=()
    last=$first
    for ((i = first; i < first + 32 && i < ${#shots[@]}; i++)); do shot_flags+=(-shot-at "${shots[$i]}"); last=$i; done
    stop=$((shots[last] + 2))
    echo "walkthrough: ${W}x${H} ($quality), screenshots $first to $last of ${#shots[@]}, $stop updates"
    rm -rf "$home" && mkdir -p "$home"
    (cd "$BIN" && XDG_CONFIG_HOME="$home/config" XDG_DATA_HOME="$home/data" HOME="$home" \
      ALSOFT_DRIVERS=null SDL_VIDEODRIVER=${SDL_VIDEODRIVER:-offscreen} \
      ./ember_hollows "$size_flag" "$quality" -seed 42 -replay "$dir/walkthrough.rec" "${shot_flags[@]}" \
      -quit-after "$stop") >> "$dir/log.txt" 2>&1 || { echo "walkthrough: the game failed, see $dir/log.txt"; failed=1; }
  done
  rm -rf "$home"
  for i in "${!shots[@]}"; do
    name=$(printf '%02d' "$i")
    src=$(ls "$BIN"/shots/*_at"${shots[$i]}".png 2>/dev/null | head -1)
    if [ -z "$src" ]; then
      echo "walkthrough: no screenshot for '${captions[$i]}' (update ${shots[$i]})"
      failed=1
      continue
    fi
    mv "$src" "$dir/$name.png"
    sheet_args+=("$dir/$name.png" "${W}x${H} $name ${captions[$i]}")
  done
done

"$BIN/contact_sheet" "$OUT_DIR/walkthrough_sheet.png" 6 320 "$FONT" "${sheet_args[@]}" || failed=1
echo "walkthrough: sheet in $OUT_DIR/walkthrough_sheet.png"
exit $failed
