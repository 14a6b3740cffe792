#!/usr/bin/env bash
# End-to-end run of the preview's timeline strip in a real window under
# Xvfb: T shows the strip; a click on it moves the show time to where it was
# clicked, and dragging along it while paused moves the time and the picture
# with the pointer; hidden, it takes no clicks. The show time is read back
# from the HUD, as the user reads it, and the picture from the window's
# pixels. The script names a picture that is missing: the HUD says so from
# the start, as does standard error.
#
# The script is eight bars long (to its End) with a card from bar 4 and
# five parameters, so that the strip's axis, from x = 192 to 8 pixels short
# of the 800-pixel window's right edge, in the strip's bottom 104 rows (a
# ruler of 14, the loudness's 24 and six lanes of 11, the pattern's
# included: preview/TimelineStrip.h), holds 25.6 ms a pixel: bar 2 lies at
# x = 342 and bar 6 at x = 642.
set -u
preview=$1
repo=$2
probe=$3
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_helpers.sh"
source "$(dirname "${BASH_SOURCE[0]}")/preview_helpers.sh"

startup_deadline=120
step_deadline=60
strip_top=$((600 - 104))

start_xvfb || exit 1
show=$work/show
mkdir -p "$show/data"
for part in png music 3ds; do ln -s "$repo/data/$part" "$show/data/$part"; done
write_script 4 $'End #8.0\nLoadImage extra gone.png'

# Pointer actions at (x, y) in the window.
pointer() {
  xdotool windowfocus "$window" 2>/dev/null
  xdotool mousemove --window "$window" "$1" "$2" "${@:3}"
}

(cd "$show" && exec "$preview" data/script.txt) > "$work/out" 2>&1 &
program_pid=$!
window=$(wait_for_window "Demo preview" "$startup_deadline") || fail "no preview window"
poll_until "$startup_deadline" hud_shows '^#[0-9]+\.[0-9]  [0-9]+ ms  [0-9]+ fps' ||
  fail "the preview did not show its HUD"
wait_hud "^! data/script.txt:19: error: cannot read the picture 'extra'" "the missing picture is not on screen"
grep -q "^data/script.txt:19: error: cannot read the picture 'extra'" "$work/out" ||
  fail "the missing picture was not reported on standard error"
keys space Home t
wait_hud '^#0\.0  0 ms .* paused$' "Space and Home did not pause at the start"

# A click on the strip's ruler, at bar 2: the show goes there (to the
# first frame at or after it at 60 frames a second, 3850 ms) and stays
# paused; the frame is dark, as before bar 4.
pointer 342 $((strip_top + 5)) click 1
wait_hud '^#2\.0  3850 ms .* paused$' "a click on the strip at bar 2 did not go there"
wait_brightness -le 5 "bar 2 is not dark"

# Dragged along the scene lanes to bar 6, still paused: the time follows the
# pointer and the card shows.
pointer 342 $((strip_top + 40)) mousedown 1
pointer 500 $((strip_top + 40))
pointer 642 $((strip_top + 40)) mouseup 1
wait_hud '^#6\.0  11533 ms .* paused$' "dragging along the strip to bar 6 did not go there"
wait_brightness -ge 15 "scrubbing to bar 6 while paused did not show the card"

# T hides the strip: a click where it was seeks no more. The loop key
# after it marks the bar the show stands at once the click has been taken.
keys t
pointer 342 $((strip_top + 5)) click 1
keys l
wait_hud '^loop from #6\.0$' "a click where the hidden strip was moved the show"
echo "a click and a drag on the timeline strip moved the show time to the pointer, and the picture with it"
