#!/usr/bin/env bash
# Runs demo-check on one case folder and compares its output and exit status
# with what the case expects.
#   case/args          the checker's arguments, one per line; the word SCRIPT
#                      stands for the case's script.txt (default: SCRIPT). The
#                      checker runs in the case's folder.
#   case/expected.out  the exact standard output
#   case/expected.err  the exact standard error (not compared when missing)
#   case/expected.rc   the exit status (default 0)
set -u
checker=$1
case_dir=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

args=()
if [[ -f $case_dir/args ]]; then
  while IFS= read -r word || [[ -n $word ]]; do
    [[ $word == SCRIPT ]] && word=script.txt
    args+=("$word")
  done < "$case_dir/args"
else
  args=(script.txt)
fi

expected_rc=0
[[ -f $case_dir/expected.rc ]] && expected_rc=$(cat "$case_dir/expected.rc")

( cd "$case_dir" && "$checker" "${args[@]}" ) > "$work/out" 2> "$work/err"
rc=$?
status=0
if [[ $rc != "$expected_rc" ]]; then
  echo "exit status $rc, expected $expected_rc"
  status=1
fi
if ! diff -u "$case_dir/expected.out" "$work/out"; then
  status=1
fi
if [[ -f $case_dir/expected.err ]] && ! diff -u "$case_dir/expected.err" "$work/err"; then
  status=1
fi
if [[ $status != 0 ]]; then
  echo "--- stderr ---"
  cat "$work/err"
fi
exit $status
