#!/usr/bin/env bash
# End-to-end runs of the show in a real window under Xvfb, on a screen of
# the show's own size, where full screen is granted. The first answers the
# startup question with Return, which must mean No: a window whose cursor
# stays visible over it. It checks the "Demo" window's size and that it
# shows drawn frames, holds Escape and expects status 0. The second answers
# Yes (so the two answers differ on this screen: the cursor goes) and plays
# a copy of the script that ends at bar 2; the show must end by itself
# with status 0. Then, at the question, SIGINT and SIGTERM must end the show
# with 130 and 143, and a SIGKILL must not leave the box behind either.
set -u
demo=$1
repo=$2
probe=$3
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_helpers.sh"
start_xvfb || exit 1

# Starts the show in folder $1, answers the startup question with $2 (yes
# or no) and sets `show` to the id of the show's window.
start_show() {
  (cd "$1" && exec "$demo") > "$work/out" 2>&1 &
  program_pid=$!
  answer_fullscreen "$2" || return 1
  show=$(wait_for_window Demo 60) || { echo "no show window" >&2; return 1; }
}

# Waits up to $1 seconds for the show to end; then its status. The
# deadlines are meant for a loaded machine, where loading alone can take
# many times its usual few seconds.
wait_for_exit() {
  poll_until "$1" process_ended "$program_pid" || return 124
  wait "$program_pid"
  local status=$?
  program_pid=
  return $status
}

brightness_of() {
  local _w _h value
  read -r _w _h value < <("$probe" "$1")
  echo "${value%.*}"
}

# Moves the pointer over the show's window, so that the show sees it there,
# and succeeds when the cursor there is hidden.
cursor_hidden() {
  xdotool mousemove --window "$show" $((300 + RANDOM % 200)) 300
  [[ $("$probe" "$show" cursor) == hidden ]]
}

# First run: the shipped show, ended by holding Escape.
start_show "$repo" no || { cat "$work/out"; exit 1; }
xdotool windowfocus "$show"

read -r width height _ < <("$probe" "$show")
if [[ $width != 800 || $height != 600 ]]; then
  echo "the window is ${width}x${height}, expected 800x600"
  exit 1
fi
# The loading picture fades in, and then the show plays: both draw frames
# that are more than black.
drawn=
for _ in $(seq 100); do
  if (( $(brightness_of "$show") >= 8 )); then drawn=yes; break; fi
  sleep 0.1
done
[[ -n $drawn ]] || { echo "no loading frame was shown"; cat "$work/out"; exit 1; }
sleep 5
playing=
for _ in $(seq 20); do
  if (( $(brightness_of "$show") >= 8 )); then playing=yes; break; fi
  sleep 0.1
done
[[ -n $playing ]] || { echo "the show showed only black frames"; cat "$work/out"; exit 1; }
# Full screen would hide the cursor as soon as the playing show sees the
# pointer (the second run waits for that).
if poll_until 5 cursor_hidden; then
  echo "Return at the startup question gave full screen, not the default No"
  exit 1
fi

xdotool keydown Escape
wait_for_exit 60
status=$?
xdotool keyup Escape
if [[ $status == 124 ]]; then echo "the show did not stop on Escape"; exit 1; fi
if [[ $status != 0 ]]; then echo "exit status $status"; cat "$work/out"; exit 1; fi

# Second run: Yes, and a copy of the show that ends at bar 2 ends by itself.
short=$work/short
mkdir -p "$short/data"
for part in png music 3ds; do ln -s "$repo/data/$part" "$short/data/$part"; done
sed 's/^End .*/End #2.0/' "$repo/data/script.txt" > "$short/data/script.txt"
start_show "$short" yes || { cat "$work/out"; exit 1; }
xdotool windowfocus "$show"
poll_until 60 cursor_hidden ||
  { echo "Yes at the startup question did not give full screen (the cursor stayed)"; exit 1; }
wait_for_exit 120
status=$?
if [[ $status == 124 ]]; then echo "the short show did not end by itself"; exit 1; fi
if [[ $status != 0 ]]; then echo "exit status $status"; cat "$work/out"; exit 1; fi

# Signals at the question: SDL's box is a process of its own; it must go
# with the show. (QUESTION_IN_PROGRAM: a box that is the program's own, as
# under Wine.)
signals=(INT TERM KILL)
[[ -n ${QUESTION_IN_PROGRAM:-} ]] && signals=()
for signal in "${signals[@]}"; do
  (cd "$short" && exec "$demo") > "$work/out" 2>&1 &
  program_pid=$!
  wait_for_window Fullscreen 60 > /dev/null || { echo "no startup question"; cat "$work/out"; exit 1; }
  box_processes=$(ps -o pid= --ppid "$program_pid")
  kill -"$signal" "$program_pid"
  wait_for_exit 10
  status=$?
  case $signal in INT) expected=130 ;; TERM) expected=143 ;; KILL) expected=137 ;; esac
  if [[ $status != "$expected" ]]; then
    echo "SIG$signal at the startup question: exit status $status, expected $expected"; cat "$work/out"; exit 1
  fi
  for box in $box_processes; do
    poll_until 10 process_ended "$box" || { echo "SIG$signal at the startup question left the box's process"; exit 1; }
  done
  poll_until 10 test -z "$(find_window Fullscreen)" ||
    { echo "SIG$signal at the startup question left the box on the screen"; exit 1; }
done
echo "Return gave a window and Yes full screen; the show played, stopped on Escape, and a short copy ended by itself; signals at the question ended the show and its box"
