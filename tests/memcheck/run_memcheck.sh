#!/usr/bin/env bash
# Runs the offline capture under Valgrind's memcheck: 120 frames of the
# show, one per second of show time from the start, so every effect, the
# loading screen, the script's events and the video writer are all covered.
# Fails on any memory error or definite leak in the show's own code; the
# leaks and loader quirks of Mesa and glibc are named in memcheck.supp.
#
#   tests/memcheck/run_memcheck.sh
#
# Builds build/ first (as ./test.sh does). Valgrind's full report is kept in
# build/memcheck/report.txt.
set -euo pipefail
cd "$(dirname "$0")/../.."
tools/setup.sh
out=build/memcheck
rm -rf "$out"
mkdir -p "$out"
# llvmpipe draws on the calling thread: Valgrind runs one thread at a time
# anyway, and this keeps the run shorter.
export LP_NUM_THREADS=0
status=0
valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
  --errors-for-leak-kinds=definite --show-leak-kinds=definite \
  --keep-debuginfo=yes --num-callers=40 \
  --suppressions=tests/memcheck/memcheck.supp --log-file="$out/report.txt" \
  build/demo-capture --fps 1 --from =0 --to =120000 "$out/show.mp4" || status=$?
if ((status == 99)); then
  echo "memcheck: errors or definite leaks; see $out/report.txt:" >&2
  grep -E "^==[0-9]+== (ERROR SUMMARY|   definitely lost)" "$out/report.txt" >&2 || true
  exit 1
elif ((status != 0)); then
  echo "memcheck: the capture failed with status $status; see $out/report.txt" >&2
  exit 1
fi
grep -E "ERROR SUMMARY" "$out/report.txt" | sed 's/^==[0-9]*== /memcheck: /'
