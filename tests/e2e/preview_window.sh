#!/usr/bin/env bash
# End-to-end run of demo-preview in a real window under Xvfb, on a copy of
# the show's data with a script of its own: a title card held from bar 4,
# nothing before. It checks that the window opens without a question, that
# keys seek (bar number and Return, Home) and toggle the HUD, that an edited
# script shows within a second and keeps the show time, that a script with
# errors leaves the last good one playing with the errors on screen, that
# an edited picture shows, and that Escape clears a loop before it quits.
set -u
preview=$1
repo=$2
probe=$3
work=$(mktemp -d)
xvfb_pid=
preview_pid=
cleanup() {
  [[ -n $preview_pid ]] && kill "$preview_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "$1"
  echo "--- preview output:"
  cat "$work/out"
  exit 1
}

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
unset WAYLAND_DISPLAY

find_window() {
  local id
  # The name may hold spaces: matched as the text after the id.
  for id in $(xwininfo -root -tree 2>/dev/null |
              awk -v name="\"$1\":" 'substr($0, index($0, $2), length(name)) == name { print $1 }'); do
    if xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then
      echo "$id"
      return
    fi
  done
}

# The show's pictures are copied, so that one can be changed; the rest is
# linked.
show=$work/show
mkdir -p "$show/data"
cp -r "$repo/data/png" "$show/data/png"
for part in music 3ds; do ln -s "$repo/data/$part" "$show/data/$part"; done

# $1: the bar from which the first card is held.
write_script() {
  cat > "$show/data/script.tmp" <<SCRIPT
Define _IMG_DIR=data/png/
Define _MUSIC_DIR=data/music/
LoadMusic show.ogg 125 4
LoadImage mallow mallow.png
LoadImage noise noise.png repeat
LoadImage pic1 pic1.png
LoadImage pic2 pic2.png
LoadImage pic3 pic3.png
LoadImage pic4 pic4.png
LoadImage pic5 pic5.png
LoadImage pic6 pic6.png
#0.0 Set scene.0.RUN
#0.0 Set scene.3.RUN
#0.0 Set scene.4.RUN
#0.0 Set scene.3.lng.0 99
#$1.0 Set scene.3.lng.0 0
#$1.0 Set scene.3.bool.3 true
$2
SCRIPT
  # Replaced in one step, as editors that save to a new file do.
  mv "$show/data/script.tmp" "$show/data/script.txt"
}

brightness() {
  local _w _h value
  read -r _w _h value < <("$probe" "$window")
  echo "${value%.*}"
}
# Mean red and green of the HUD's corner, as "red green".
corner_colour() {
  local _w _h _b red green _blue
  read -r _w _h _b red green _blue < <("$probe" "$window" 0 0 400 80)
  echo "${red%.*} ${green%.*}"
}
# Waits up to 3 s for the brightness to satisfy the test `$1 $2` (e.g. -ge 40).
wait_brightness() {
  local value
  for _ in $(seq 30); do
    value=$(brightness)
    test "$value" "$1" "$2" && return 0
    sleep 0.1
  done
  echo "brightness $value is not $1 $2" >&2
  return 1
}
keys() {
  xdotool windowfocus "$window" 2>/dev/null
  xdotool key --delay 50 "$@"
}

write_script 4 ""
(cd "$show" && exec "$preview" data/script.txt) > "$work/out" 2>&1 &
preview_pid=$!

window=
for _ in $(seq 150); do
  window=$(find_window "Demo preview")
  [[ -n $window ]] && break
  [[ -n $(find_window Fullscreen) ]] && fail "the preview asked the startup question"
  sleep 0.1
done
[[ -n $window ]] || fail "no preview window"
read -r width height _ < <("$probe" "$window")
[[ $width == 800 && $height == 600 ]] || fail "the window is ${width}x${height}, expected 800x600"

# Paused and back at the start: with the HUD off the frame is dark. Home
# makes this independent of how far the show got while the machine was busy
# starting it.
sleep 1
keys space h Home
sleep 2
wait_brightness -le 5 || fail "bar 0 is not dark"
# Bar 4 by number: the card. Home: dark again. Bar 4 again.
keys 4 Return
wait_brightness -ge 15 || fail "4 Return did not show bar 4"
lit=$(brightness)
keys Home
wait_brightness -le 5 || fail "Home did not go back to the start"
keys 4 Return
wait_brightness -ge 15 || fail "4 Return did not show bar 4 again"

# The HUD darkens and letters its corner.
read -r red_off _ < <(corner_colour)
keys h
sleep 0.5
read -r red_on _ < <(corner_colour)
(( red_on != red_off )) || fail "H did not change the HUD's corner ($red_off)"
keys h

# The card now starts at bar 6: at bar 4 the frame goes dark, without a
# key, within a second and a half.
write_script 6 ""
wait_brightness -le 5 || fail "the edited script did not show"

# A script with errors: the last good one stays, the errors show in red.
write_script 2 "Bogus line"
sleep 1.5
(( $(brightness) <= 5 )) || fail "a script with errors replaced the last good one"
read -r red green < <(corner_colour)
(( red > green + 10 )) || fail "no errors on screen (red $red, green $green)"
grep -q "Syntax error on line 18" "$work/out" || fail "the error was not reported with its line"

# Fixed: the card is there from bar 2, so at bar 4 it shows, the errors go.
write_script 2 ""
wait_brightness -ge 15 || fail "the fixed script did not show"
read -r red green < <(corner_colour)
(( red <= green + 10 )) || fail "the errors stayed on screen"

# The card's picture is edited: the new picture shows.
cp "$show/data/png/noise.png" "$show/data/png/pic1.tmp"
mv "$show/data/png/pic1.tmp" "$show/data/png/pic1.png"
changed=
for _ in $(seq 30); do
  now=$(brightness)
  if (( now > lit + 3 || now < lit - 3 )); then changed=yes; break; fi
  sleep 0.1
done
[[ -n $changed ]] || fail "the edited picture did not show (brightness $now, was $lit)"

# A loop: Escape clears it and the preview stays; the next Escape quits.
keys l l Escape
sleep 1
kill -0 "$preview_pid" 2>/dev/null || fail "Escape with a loop quit the preview"
keys Escape
for _ in $(seq 50); do kill -0 "$preview_pid" 2>/dev/null || break; sleep 0.1; done
kill -0 "$preview_pid" 2>/dev/null && fail "the second Escape did not quit"
wait "$preview_pid"
status=$?
preview_pid=
[[ $status == 0 ]] || fail "exit status $status"
echo "the preview seeked, reloaded the script and a picture, kept a bad script out, and quit on Escape"
