# shellcheck shell=bash
# Helpers for the end-to-end runs of the preview, sourced by them after
# xvfb_helpers.sh: the show's script, and waits on what the window shows,
# the HUD's text read back from its pixels by x11-probe and the brightness
# of the frame. The caller sets `probe` (x11-probe), `work` (the scratch
# folder, with the preview's output in $work/out), `show` (the show's
# folder), `step_deadline` and, once the window is open, `window`.

fail() {
  echo "$1"
  if [[ -n ${window:-} ]]; then
    echo "--- the HUD reads:"
    hud_text
  fi
  echo "--- preview output:"
  cat "$work/out"
  exit 1
}

# $1: the bar from which the first card is held; $2: a last line.
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

# The HUD's lines as the window shows them; error lines start with "! ",
# warnings with "? ".
hud_text() {
  "$probe" "$window" text 2>/dev/null
}
# Succeeds when a line of the HUD matches the extended regular expression $1.
hud_shows() {
  local text
  text=$(hud_text) || return 1
  grep -Eq -- "$1" <<< "$text"
}
hud_lacks() {
  local text
  text=$(hud_text) || return 1
  ! grep -Eq -- "$1" <<< "$text"
}
# Waits until the HUD shows (or, with `wait_hud_lacks`, no longer shows) a
# line matching $1; otherwise fails with the message $2.
wait_hud() {
  poll_until "$step_deadline" hud_shows "$1" || fail "$2"
}
wait_hud_lacks() {
  poll_until "$step_deadline" hud_lacks "$1" || fail "$2"
}

# The mean brightness of the show's frame across the middle of the window,
# below the HUD's lines, where the card is bright.
brightness() {
  local _w _h value
  read -r _w _h value _ < <("$probe" "$window" 0 200 800 200) || return 1
  echo "${value%.*}"
}
brightness_is() {
  local value
  value=$(brightness) || return 1
  [[ -n $value ]] && test "$value" "$1" "$2"
}
# Waits until the brightness satisfies the test `$1 $2` (e.g. -ge 15);
# otherwise fails with the message $3.
wait_brightness() {
  poll_until "$step_deadline" brightness_is "$1" "$2" ||
    fail "$3 (brightness $(brightness), expected $1 $2)"
}
keys() {
  xdotool windowfocus "$window" 2>/dev/null
  xdotool key --delay 50 "$@"
}
