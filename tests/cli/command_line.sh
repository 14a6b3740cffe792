#!/usr/bin/env bash
# demo-check as a command-line tool: --help and --version answer on
# standard output with status 0, and a hangup, an interrupt or a
# termination signal stops a long --play at once with 129, 130 or 143.
#   command_line.sh DEMO_CHECK
set -u
checker=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
status=0
fail() {
  echo "FAIL: $*"
  status=1
}

"$checker" --help > "$work/out" 2> "$work/err" || fail "--help exits with $?"
head -n 1 "$work/out" | grep -q '^usage: demo-check' || fail "--help prints no usage on standard output"
[[ -s $work/err ]] && fail "--help writes to standard error"
"$checker" --version > "$work/out" || fail "--version exits with $?"
grep -Eq '^demo-check [0-9]+\.[0-9]+' "$work/out" || fail "--version prints: $(cat "$work/out")"

# Four billion frames: only a signal ends this run.
printf '#0.0 Set scene.0.RUN\n' > "$work/script.txt"
for signal in HUP INT TERM; do
  "$checker" --play 1 4000000000 "$work/script.txt" > "$work/play" 2>&1 &
  pid=$!
  # Its first line comes after it has set up its signal handlers; a signal
  # before then would find an ignored one (as a background job's SIGINT is).
  for _ in $(seq 100); do [[ -s $work/play ]] && break; sleep 0.1; done
  kill -s "$signal" "$pid"
  # A clean stop is quick; a hang is a failure, not a stuck test.
  for _ in $(seq 50); do kill -0 "$pid" 2> /dev/null || break; sleep 0.1; done
  if kill -0 "$pid" 2> /dev/null; then
    kill -s KILL "$pid"
    fail "SIG$signal did not stop demo-check"
    continue
  fi
  wait "$pid"
  rc=$?
  expected=$((128 + $(kill -l "$signal")))
  [[ $rc == "$expected" ]] || fail "SIG$signal: exit status $rc, expected $expected"
done
exit $status
