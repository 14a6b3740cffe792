#!/usr/bin/env bash
# End-to-end run of demo-preview in a real window under Xvfb, on a copy of
# the show's data with a script of its own: a title card held from bar 4,
# nothing before. It checks that the window opens without a question, that
# keys pause, seek (bar number and Return, Home), toggle the HUD and set and
# clear a loop, that an edited script shows and keeps the show time, that a
# script with errors leaves the last good one playing with the errors on
# screen, that an edited picture shows and a broken one is reported on
# screen and on standard error, and that Escape clears a loop before it
# quits.
#
# Every step waits for what a user would see: the HUD's text, read back
# from the window's pixels, and the brightness of the frame below it. Each
# wait is a poll with a deadline meant for a loaded machine, never a pause
# that assumes how fast the preview is.
set -u
preview=$1
repo=$2
probe=$3
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_helpers.sh"
source "$(dirname "${BASH_SOURCE[0]}")/preview_helpers.sh"

# Seconds to wait for the preview to start (loading included), and for each
# step to show.
startup_deadline=120
step_deadline=60

start_xvfb || exit 1

# The show's pictures are copied, so that one can be changed; the rest is
# linked.
show=$work/show
mkdir -p "$show/data"
cp -r "$repo/data/png" "$show/data/png"
for part in music 3ds; do ln -s "$repo/data/$part" "$show/data/$part"; done

write_script 4 ""
(cd "$show" && exec "$preview" data/script.txt) > "$work/out" 2>&1 &
program_pid=$!

# The window opens at once, with no startup question in front of it.
window=
preview_window_open() {
  [[ -n $(find_window Fullscreen) ]] && fail "the preview asked the startup question"
  kill -0 "$program_pid" 2>/dev/null || fail "the preview ended before its window opened"
  window=$(find_window "Demo preview")
  [[ -n $window ]]
}
poll_until "$startup_deadline" preview_window_open || fail "no preview window"
read -r width height _ < <("$probe" "$window")
[[ $width == 800 && $height == 600 ]] || fail "the window is ${width}x${height}, expected 800x600"

# Once the show is loaded, the preview plays with its HUD on: #bar.beat, the
# show time and the frame rate on the first line.
status_line='^#[0-9]+\.[0-9]  [0-9]+ ms  [0-9]+ fps'
poll_until "$startup_deadline" hud_shows "$status_line" ||
  fail "the preview did not show its HUD after loading"

# Paused, then back at the start: the frame is dark.
keys space
wait_hud "$status_line  paused\$" "Space did not pause"
keys Home
wait_hud '^#0\.0  0 ms .* paused$' "Home did not go to the start"
wait_brightness -le 5 "bar 0 is not dark"

# Bar 4 by number: the card. Home: dark again. Bar 4 again. Seeks land on
# the first frame at or after the time at 60 frames a second: bar 4, 7680
# ms, on the frame at 7683.
keys 4
wait_hud '^go to bar 4_$' "the typed bar number does not show"
keys Return
wait_hud '^#4\.0  7683 ms .* paused$' "4 Return did not go to bar 4"
wait_hud_lacks '^go to bar' "the bar number stayed after Return"
wait_brightness -ge 15 "bar 4 does not show the card"
lit=$(brightness)
keys Home
wait_hud '^#0\.0  0 ms ' "Home did not go back to the start"
wait_brightness -le 5 "Home did not darken the frame"
keys 4 Return
wait_hud '^#4\.0  7683 ms ' "4 Return did not go to bar 4 again"
wait_brightness -ge 15 "bar 4 does not show the card again"

# H hides the HUD and shows it again.
keys h
wait_hud_lacks '^#' "H did not hide the HUD"
keys h
wait_hud "$status_line" "H did not show the HUD again"

# The card now starts at bar 6: at bar 4 the frame goes dark without a key,
# and the show time stays.
write_script 6 ""
wait_brightness -le 5 "the edited script did not show"
hud_shows '^#4\.0  7683 ms .* paused$' || fail "the reload did not keep the show time"

# A script with errors: the last good one stays, the errors show in red
# with their line.
write_script 2 "Bogus line"
wait_hud '^! .* - playing the last good script' "no errors on screen"
wait_hud '^! data/script\.txt:18: error: Syntax error' "the error on screen does not give its line"
# The findings fill the window's upper half: the frame is read below them.
read -r _ _ below _ < <("$probe" "$window" 0 340 800 200)
(( ${below%.*} <= 5 )) || fail "a script with errors replaced the last good one"
grep -q "data/script.txt:18: error: Syntax error" "$work/out" || fail "the error was not reported with its line"

# Fixed: the card is there from bar 2, so at bar 4 it shows, the errors go.
write_script 2 ""
wait_brightness -ge 15 "the fixed script did not show"
wait_hud_lacks '^! ' "the errors stayed on screen"
hud_shows '^#4\.0  7683 ms ' || fail "the fixed script did not keep the show time"

# The card's picture is edited: the new picture shows.
cp "$show/data/png/noise.png" "$show/data/png/pic1.tmp"
mv "$show/data/png/pic1.tmp" "$show/data/png/pic1.png"
picture_changed() {
  local now
  now=$(brightness) || return 1
  (( now > lit + 3 || now < lit - 3 ))
}
poll_until "$step_deadline" picture_changed ||
  fail "the edited picture did not show (brightness $(brightness), was $lit)"

# The picture is overwritten with something that is no picture: the HUD
# and standard error say so, at its line; put right, the line goes.
cp "$show/data/png/pic1.png" "$work/pic1.png"
echo "not a picture" > "$show/data/png/pic1.tmp"
mv "$show/data/png/pic1.tmp" "$show/data/png/pic1.png"
wait_hud "^! data/script.txt:6: error: cannot read the picture 'pic1'" "the broken picture is not on screen"
grep -q "^data/script.txt:6: error: cannot read the picture 'pic1'" "$work/out" ||
  fail "the broken picture was not reported on standard error"
cp "$work/pic1.png" "$show/data/png/pic1.tmp"
mv "$show/data/png/pic1.tmp" "$show/data/png/pic1.png"
wait_hud_lacks "^! data/script.txt:6: error" "the mended picture is still reported"

# A loop over bar 4: Escape clears it and the preview stays; the next
# Escape quits.
keys l
wait_hud '^loop from #4\.0$' "L did not set the loop start"
keys l
wait_hud '^loop #4\.0 - #5\.0$' "the second L did not set the loop end"
keys Escape
wait_hud_lacks '^loop' "Escape did not clear the loop"
kill -0 "$program_pid" 2>/dev/null || fail "Escape with a loop quit the preview"
keys Escape
poll_until "$step_deadline" process_ended "$program_pid" || fail "the second Escape did not quit"
wait "$program_pid"
status=$?
program_pid=
[[ $status == 0 ]] || fail "exit status $status"
echo "the preview paused, seeked, reloaded the script and a picture, kept a bad script out, looped, and quit on Escape"
