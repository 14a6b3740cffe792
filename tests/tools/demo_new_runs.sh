#!/usr/bin/env bash
# demo-new writes a show that demo-check passes without a warning and that
# plays at once (a few frames of it through the capture), says how to get
# there in words the shell reads back whatever the folder's name holds, and
# leaves a folder that already holds a show alone.
#   demo_new_runs.sh DEMO_NEW DEMO_CHECK DEMO_CAPTURE
set -u
demo_new=$1
checker=$2
capture=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

"$demo_new" "$work/show" > /dev/null || { echo "FAIL: demo-new exits with $?"; exit 1; }
cd "$work/show" || exit 1
"$checker" --strict > "$work/out" 2> "$work/err" || fail "demo-check --strict exits with $?: $(cat "$work/err")"
[[ -s $work/out || -s $work/err ]] && fail "demo-check says something about the new show: $(cat "$work/out" "$work/err")"
"$capture" --fps 4 --to '#0.2' --frames "$work/frames" 2> "$work/err" || fail "the capture of the new show fails: $(cat "$work/err")"
[[ -f $work/frames/frame-000000.png ]] || fail "the capture wrote no frame"

# A name with a space, a quote and a dollar sign; the Windows build quotes for
# cmd.exe, where a dollar sign is plain (COMMANDS_FOR_CMD: bash reads it back
# here in its stead).
odd="$work/my show's"
[[ -z ${COMMANDS_FOR_CMD:-} ]] && odd+=' $HOME'

"$demo_new" "$odd" > "$work/said" || fail "demo-new exits with $? for a folder with a space and a quote"
said=$(sed -n 2p "$work/said")
( eval "${said%% && *}" && [[ $PWD == "$odd" ]] ) 2> /dev/null ||
  fail "the printed command does not go to the new show: $said"

echo "mine" > "$work/show/data/script.txt"
"$demo_new" "$work/show" > /dev/null 2> "$work/err" && fail "demo-new writes over a show"
[[ $(cat "$work/show/data/script.txt") == mine ]] || fail "demo-new changed a show that was there"
grep -q "already exists" "$work/err" || fail "demo-new does not say why it refuses: $(cat "$work/err")"
[[ -e $work/show/data.partial ]] && fail "demo-new left data.partial behind"
[[ $status == 0 ]] && echo "a new show, checked and played"
exit $status
