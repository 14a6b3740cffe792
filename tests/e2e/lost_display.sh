#!/usr/bin/env bash
# End-to-end: the show and the preview each lose their X display (the
# server ends under them) and must end by themselves, saying why, rather
# than hang. The show is caught once its window is up, the preview too.
set -u
demo=$1
preview=$2
repo=$3
source "$(dirname "${BASH_SOURCE[0]}")/xvfb_helpers.sh"

# $1: a name for messages; $2: the window to wait for; the rest: the
# command, run from the repository root.
lose_display_under() {
  local name=$1 window_name=$2
  shift 2
  start_xvfb || exit 1
  (cd "$repo" && exec "$@") > "$work/out" 2>&1 &
  program_pid=$!
  if [[ $name == show ]]; then
    answer_fullscreen no || { cat "$work/out"; exit 1; }
  fi
  wait_for_window "$window_name" 60 > /dev/null || { echo "no $name window"; cat "$work/out"; exit 1; }

  kill "$xvfb_pid"
  wait "$xvfb_pid" 2>/dev/null
  xvfb_pid=
  if ! poll_until 60 process_ended "$program_pid"; then
    echo "the $name hangs after losing its display"
    exit 1
  fi
  wait "$program_pid"
  local status=$?
  program_pid=
  [[ $status == 1 ]] || { echo "the $name ended with status $status, expected 1"; cat "$work/out"; exit 1; }
  grep -q "Lost the connection to the display" "$work/out" ||
    { echo "the $name did not say why it ended"; cat "$work/out"; exit 1; }
}

lose_display_under show Demo "$demo"
lose_display_under preview "Demo preview" "$preview" data/script.txt
echo "the show and the preview end with status 1 when their display goes away"
