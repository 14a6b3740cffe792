# shellcheck shell=bash
# The end-to-end scripts' shared set-up and helpers, sourced by them: a
# scratch folder, a private Xvfb display, polling with a deadline, and
# finding windows on the display (there is no window manager: windows are
# found in the tree of the root).
#
# Sourcing this file makes the scratch folder $work; at exit the program
# whose id is in $program_pid is stopped, then Xvfb, and $work is removed.

work=$(mktemp -d)
xvfb_pid=
program_pid=
end_run() {
  stop_program "$program_pid"
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap end_run EXIT

# Runs the command `$2 ...` every tenth of a second until it succeeds or $1
# seconds have passed; succeeds when the command did.
poll_until() {
  local deadline=$((SECONDS + $1))
  shift
  until "$@"; do
    (( SECONDS < deadline )) || return 1
    sleep 0.1
  done
}

# Starts Xvfb on a display number it picks itself, so that end-to-end runs
# side by side never share one, and points DISPLAY at it. The screen is
# 800 x 600, the show's own mode, so that the show's full screen is granted
# there and its startup question's two answers differ.
start_xvfb() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 800x600x24 -nolisten tcp 3> "$work/display" 2>/dev/null &
  xvfb_pid=$!
  poll_until 60 test -s "$work/display" || { echo "Xvfb did not start"; return 1; }
  export DISPLAY=:$(cat "$work/display")
  unset WAYLAND_DISPLAY
}

# Prints the id of the shown top-level window named $1 (spaces allowed),
# nothing when there is none.
find_window() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null |
              awk -v name="\"$1\":" 'substr($0, index($0, $2), length(name)) == name { print $1 }'); do
    if xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then
      echo "$id"
      return
    fi
  done
}

# Waits up to $2 seconds for the window named $1 and prints its id.
wait_for_window() {
  local deadline=$((SECONDS + $2)) id
  while :; do
    id=$(find_window "$1")
    [[ -n $id ]] && { echo "$id"; return 0; }
    (( SECONDS < deadline )) || return 1
    sleep 0.1
  done
}

# Succeeds once the process with id $1 has ended.
process_ended() {
  ! kill -0 "$1" 2>/dev/null
}

# Ends the program with id $1, if it still runs: asks it to quit, and kills
# it when it has not ended within a few seconds. Called before Xvfb is
# stopped, so that the program ends as asked rather than by losing its
# display (tests/e2e/lost_display.sh checks that case).
stop_program() {
  [[ -n $1 ]] || return 0
  kill "$1" 2>/dev/null || return 0
  poll_until 5 process_ended "$1" || kill -KILL "$1" 2>/dev/null
}

# Answers the show's startup question: "no" with Return, which must take
# the default answer, or "yes" with a click on the Yes button, the left of
# the two buttons that SDL's box centres in its lower part; or, where
# QUESTION_YES_KEYS names keys that reach Yes (Windows' box, which lays its
# buttons out otherwise), with those keys.
answer_fullscreen() {
  local question width height
  question=$(wait_for_window Fullscreen 60) || { echo "the show asked no startup question"; return 1; }
  xdotool windowfocus --sync "$question" 2>/dev/null || xdotool windowfocus "$question"
  sleep 0.2
  if [[ $1 == yes && -n ${QUESTION_YES_KEYS:-} ]]; then
    # shellcheck disable=SC2086
    xdotool key $QUESTION_YES_KEYS
  elif [[ $1 == yes ]]; then
    read -r width height < <(xwininfo -id "$question" | awk '/Width:/ { w = $2 } /Height:/ { h = $2 } END { print w, h }')
    xdotool mousemove --window "$question" $((width / 4)) $((height * 3 / 4)) click 1
  else
    xdotool key Return
  fi
}
