# shellcheck shell=bash
# Helpers for the end-to-end scripts, sourced by them: a private Xvfb
# display, polling with a deadline, and finding windows on the display
# (there is no window manager: windows are found in the tree of the root).
# The caller sets `work` to its scratch folder and kills $xvfb_pid when done.

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
# side by side never share one, and points DISPLAY at it.
start_xvfb() {
  rm -f "$work/display"
  Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2>/dev/null &
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
