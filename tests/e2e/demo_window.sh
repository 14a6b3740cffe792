#!/usr/bin/env bash
# End-to-end run of the show in a real window under Xvfb: answer the startup
# question with Return (No, a window), wait for the "Demo" window, check its
# size and that it shows drawn frames, hold Escape, and expect the program to
# end with status 0.
set -u
demo=$1
repo=$2
probe=$3
work=$(mktemp -d)
xvfb_pid=
demo_pid=
cleanup() {
  [[ -n $demo_pid ]] && kill "$demo_pid" 2>/dev/null
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT

Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3> "$work/display" 2>/dev/null &
xvfb_pid=$!
for _ in $(seq 50); do [[ -s $work/display ]] && break; sleep 0.1; done
[[ -s $work/display ]] || { echo "Xvfb did not start"; exit 1; }
export DISPLAY=:$(cat "$work/display")
unset WAYLAND_DISPLAY

# Finds the id of the shown top-level window whose name is $1.
find_window() {
  local id
  for id in $(xwininfo -root -tree 2>/dev/null | awk -v name="\"$1\":" '$2 == name { print $1 }'); do
    if xwininfo -id "$id" 2>/dev/null | grep -q "Map State: IsViewable"; then
      echo "$id"
      return
    fi
  done
}
wait_for_window() {
  local id=
  for _ in $(seq 100); do
    id=$(find_window "$1")
    [[ -n $id ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

cd "$repo"
"$demo" > "$work/out" 2>&1 &
demo_pid=$!

question=$(wait_for_window Fullscreen) || { echo "no startup question"; cat "$work/out"; exit 1; }
xdotool windowfocus --sync "$question" 2>/dev/null || xdotool windowfocus "$question"
sleep 0.2
xdotool key Return

show=$(wait_for_window Demo) || { echo "no show window"; cat "$work/out"; exit 1; }
xdotool windowfocus "$show"

read -r width height _ < <("$probe" "$show")
if [[ $width != 800 || $height != 600 ]]; then
  echo "the window is ${width}x${height}, expected 800x600"
  exit 1
fi
# The loading picture fades in: some frame must show more than black.
drawn=
for _ in $(seq 100); do
  read -r _ _ brightness < <("$probe" "$show")
  if [[ ${brightness%.*} -ge 8 ]]; then drawn=yes; break; fi
  sleep 0.1
done
[[ -n $drawn ]] || { echo "no drawn frame was shown"; cat "$work/out"; exit 1; }
xdotool keydown Escape
for _ in $(seq 100); do
  kill -0 "$demo_pid" 2>/dev/null || break
  sleep 0.1
done
xdotool keyup Escape
if kill -0 "$demo_pid" 2>/dev/null; then
  echo "the show did not stop on Escape"
  exit 1
fi
wait "$demo_pid"
status=$?
demo_pid=
if [[ $status != 0 ]]; then
  echo "exit status $status"
  cat "$work/out"
  exit 1
fi
echo "the show opened its window and stopped on Escape"
