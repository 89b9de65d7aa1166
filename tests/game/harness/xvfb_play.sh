#!/usr/bin/env bash
# A play through the game in the real window, run under a virtual X server (xvfb-run) with a
# window manager: the keys go through the X server (XTest, by xdotool) and the pad is SDL's virtual
# joystick inside the harness. The window manager's minimise and full screen on the title, then
# GAME START to a play, moves and shots from keys and the pad (checked), pause by the MENU
# button, RETURN TITLE, QUIT GAME; the program must then end by itself with status 0. Every step
# waits for the state the harness reports per frame, so a slow machine only makes it slower.
# usage: xvfb_play.sh GAME-HARNESS MAKE-DATA OUT-FOLDER
set -euo pipefail
harness=$1 make_data=$2 out=$3
rm -rf "$out"
mkdir -p "$out"
"$make_data" --no-demo "$out/game" > /dev/null
state=$out/state.log pad=$out/pad.txt
: > "$pad"
: > "$state"
openbox > "$out/openbox.out" 2>&1 &
wm=$!
trap 'kill "$wm" 2> /dev/null || true' EXIT
until wmctrl -m > /dev/null 2>&1; do
  kill -0 "$wm" 2> /dev/null || { echo "FAILED: the window manager did not start" >&2; exit 1; }
  sleep 0.05
done
"$harness" --window --renderer soft --folder "$out/game" --pad-control "$pad" --state-log "$state" \
  > "$out/harness.out" 2> "$out/harness.err" &
pid=$!

fail() {
  echo "FAILED: $*" >&2
  echo "last state: $(tail -n 1 "$state" 2>/dev/null)" >&2
  kill "$pid" 2> /dev/null || true
  cat "$out/harness.err" >&2 || true
  exit 1
}

# Whether the last state line ("frame mode kind cursor x y shots", k the kind) meets awk's test.
is() { tail -n 1 "$state" | awk "NF == 7 { k = \$3; ok = ($1) } END { exit !ok }"; }
# Waits until it does.
wait_for() {
  local what=$1 cond=$2 deadline=$((SECONDS + 40))
  while :; do
    is "$cond" && return 0
    kill -0 "$pid" 2> /dev/null || fail "the game ended while waiting for $what"
    [ "$SECONDS" -lt "$deadline" ] || fail "no $what"
    sleep 0.02
  done
}
frame() { tail -n 1 "$state" | awk '{ f = $1 } END { print f + 0 }'; }
# Lets the game see at least n more frames.
frames() {
  local until=$(($(frame) + $1))
  wait_for "frame $until" "\$1 >= $until"
}

# A key held for a few frames and let go for a few, so that the game sees one new press.
key() {
  for k in "$@"; do
    xdotool keydown "$k"
    frames 3
    xdotool keyup "$k"
    frames 3
  done
}
pad() { echo "$*" >> "$pad"; }

# Kinds of the current task: opening, title screen, title menu, character, difficulty, pause menu.
kOpening=1000001e kTitle=1000001f kTitleMenu=10000001 kCharacter=10000006 kDifficulty=10000007
kPause=1000000f

wait_for "opening" "k == \"$kOpening\""
window=$(xdotool search --sync --pid "$pid" | head -n 1)
[ -n "$window" ] || fail "no window"
xdotool windowfocus --sync "$window"

wait_for "title screen" "k == \"$kTitle\""
frames 40   # past the frame loop's settle passes

# What the window manager reads: the old-style title as the caption, and no pings, which the game
# could not answer while a box is up.
LC_ALL=C.UTF-8 xprop -id "$window" WM_NAME | grep -q "動作確認版" || fail "WM_NAME reads $(xprop -id "$window" WM_NAME)"
! xprop -id "$window" WM_PROTOCOLS | grep -q _NET_WM_PING || fail "the window answers pings"
# Minimised, the game stays so (and waits, as without focus) until brought back, at its size. The
# window manager's own full screen is refused: the window keeps its size and its frame.
geometry() { xwininfo -id "$window" | awk '/Width:|Height:/ { printf "%s ", $2 }'; }
size=$(geometry)
xdotool windowminimize --sync "$window"
sleep 1
xprop -id "$window" WM_STATE | grep -q Iconic || fail "the minimised window came back by itself"
wmctrl -i -a "$window"
frames 10
[ "$(geometry)" = "$size" ] || fail "the window came back at $(geometry)instead of $size"
wmctrl -i -r "$window" -b add,fullscreen
sleep 1
! xprop -id "$window" _NET_WM_STATE | grep -q FULLSCREEN || fail "the window manager's full screen was kept"
[ "$(geometry)" = "$size" ] || fail "the window is $(geometry)after the window manager's full screen"
xdotool windowfocus --sync "$window"

key z
wait_for "title menu" "k == \"$kTitleMenu\" && \$4 == 0"
key z
wait_for "character menu" "k == \"$kCharacter\""
key z
wait_for "difficulty menu" "k == \"$kDifficulty\""
key z
wait_for "play start window" "k != \"$kDifficulty\""
key z
# The area card waits for a confirm of its own; the play proper records its input (mode bit 16).
for _ in 1 2 3 4 5 6; do
  is "int(\$2 / 16) % 2 == 1" && break
  frames 30
  key z
done
wait_for "play" "int(\$2 / 16) % 2 == 1"
frames 40

# Play (the player at about 240, 264): the pad's stick and SHOT button (button 0), then the keys.
pad 0x1 0 -32768
wait_for "a move up and shots from the pad" "\$6 >= 0 && \$6 < 150 && \$7 > 0"   # y -1: no player
pad 0x1 32767 0
wait_for "a move right from the pad" "\$5 > 320"
pad 0 0 0
wait_for "the shots gone" "\$7 == 0"
xdotool keydown z keydown Down
wait_for "a move down and shots from the keys" "\$6 > 250 && \$7 > 0"
xdotool keyup Down keyup z

# The pad's MENU button (button 8, raw bit 12) pauses: no more input recording (mode bit 16 off).
pad 0x100 0 0
wait_for "pause menu" "k == \"$kPause\" && int(\$2 / 16) % 2 == 0"
pad 0 0 0
frames 35   # the pause menu takes no confirm in its first 30 frames
for _ in 1 2 3 4; do
  is "\$4 == 0" && break
  key Up
done
wait_for "RETURN TITLE chosen" "k == \"$kPause\" && \$4 == 0"
key z
wait_for "title screen again" "k == \"$kTitle\" && \$2 == 0"
frames 40
key z
wait_for "title menu again" "k == \"$kTitleMenu\""
for _ in 1 2 3 4 5 6 7 8; do
  is "\$4 == 6" && break
  key Down
done
wait_for "QUIT GAME chosen" "k == \"$kTitleMenu\" && \$4 == 6"
xdotool keydown z
frames 3
xdotool keyup z

deadline=$((SECONDS + 30))
while kill -0 "$pid" 2> /dev/null; do
  [ "$SECONDS" -lt "$deadline" ] || fail "the game did not end after QUIT GAME"
  sleep 0.1
done
status=0
wait "$pid" || status=$?
cat "$out/harness.out"
[ "$status" -eq 0 ] || fail "game-harness ended with $status"
grep -q "status 0 " "$out/harness.out" || fail "the game did not end by itself"
if grep -E -q "AddressSanitizer|LeakSanitizer|runtime error" "$out/harness.err"; then fail "sanitizer report"; fi
echo "frames $(frame): title, play, pause, RETURN TITLE and QUIT GAME passed"
