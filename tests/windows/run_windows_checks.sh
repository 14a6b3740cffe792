#!/usr/bin/env bash
# The Windows release, cross-built and checked under Wine on this machine
# against the Linux build in build/ (CI runs it after ./test.sh):
#
#   - tools/build-windows.sh --tests makes dist/show-windows.zip and the
#     logic tests, which ctest runs under Wine;
#   - from the unpacked zip, with Wine drawing on Xvfb through Mesa:
#     - every program answers --help, --version and a wrong option as on
#       Linux (tests/tools/command_lines.sh);
#     - demo-check.exe prints what the Linux build prints for each of the
#       checker's cases (tests/cli/cases), line ends aside, and draws the
#       same timeline picture, also over the picture of an earlier run;
#     - demo-capture.exe --frames draws the frames that the Linux build
#       draws at the golden references' times, and the references, by the
#       golden-frame tolerance;
#     - demo-capture.exe refuses a video without ffmpeg.exe on PATH, saying
#       what to do; with a stand-in ffmpeg.exe on PATH, every frame reaches
#       it through the pipe, with the arguments intact, into a temporary
#       file of the capture's own, and the video, which a stand-in
#       ffprobe.exe reads back through a pipe, replaces an older one,
#       while a dead capture's temporary file is removed; Ctrl-C (SIGINT,
#       which Wine hands on as Ctrl-C) stops a capture with status 130,
#       ends the stand-in and leaves the older video as it was; a second
#       capture into a frames folder that one is writing to is refused;
#     - demo-new.exe writes a show that demo-check.exe passes and
#       demo-capture.exe plays (tests/tools/demo_new_runs.sh);
#     - demo.exe plays end to end (tests/e2e/demo_window.sh): the question,
#       the 800 x 600 "Demo" window with drawn frames, Escape, and a copy of
#       the show that ends by itself.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD

tools/install-packages.sh wine wine64 xvfb xauth xdotool x11-utils unzip
tools/setup.sh
tools/build-windows.sh --tests

# The scratch folder $work, and Xvfb and Wine's programs stopped at the end.
source tests/e2e/xvfb_helpers.sh
trap 'tests/windows/wine.sh --stop; end_run' EXIT

# One Wine server for the many short programs up to the display's start.
tests/windows/wine.sh --serve
(cd build-windows && ctest --output-on-failure -j"$(nproc)")

unzip -q dist/show-windows.zip -d "$work"
show=$work/show-windows
probe=$repo/build/tests/png-probe
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}
# The guide that a new show's script points to is in the release.
[[ -s $show/authoring.md ]] || fail "the release has no authoring.md"

# $work/bin/NAME runs NAME.exe of the release under Wine, as a program of
# this machine would run: its text-mode output, on standard output and
# error, turned to LF line ends, its exit status kept.
programs=(demo demo-new demo-check demo-preview demo-capture model-info)
mkdir -p "$work/bin"
for program in "${programs[@]}"; do
  cat > "$work/bin/$program" << EOF
#!/usr/bin/env bash
err=\$(mktemp)
"$repo/tests/windows/wine.sh" "$show/$program.exe" "\$@" 2> "\$err" | tr -d '\r'
status=\${PIPESTATUS[0]}
tr -d '\r' < "\$err" >&2
rm -f "\$err"
exit \$status
EOF
  chmod +x "$work/bin/$program"
done
# The show as itself, for the end-to-end run, which stops it by its id.
printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$repo/tests/windows/wine.sh" "$show/demo.exe" > "$work/demo"
chmod +x "$work/demo"

version=$(build/demo-check --version | cut -d' ' -f2)
bash tests/tools/command_lines.sh "$work/bin" "$version" "${programs[@]}" ||
  fail "the programs' --help, --version or wrong options"

checked=0
for case_dir in "$repo"/tests/cli/cases/*/; do
  checked=$((checked + 1))
  bash tests/cli/run_check_case.sh "$work/bin/demo-check" "${case_dir%/}" ||
    fail "demo-check.exe on $(basename "$case_dir")"
done
echo "demo-check.exe: $checked checker cases run"

# The shipped show's timeline picture, the music's loudness decoded through
# SDL2_mixer included, is the Linux build's byte for byte; a second run
# replaces the first one's picture (Windows' own rename would refuse).
for run in first second; do
  (cd "$show" && "$work/bin/demo-check" --timeline "$work/windows.svg") > "$work/timeline.out" 2>&1 ||
    { cat "$work/timeline.out"; fail "demo-check.exe --timeline, $run run"; }
done
build/demo-check --timeline "$work/linux.svg" > /dev/null 2>&1 &&
  cmp "$work/windows.svg" "$work/linux.svg" ||
  fail "demo-check.exe --timeline does not draw the Linux build's picture"

# Wine's programs draw on the display that its first program found, so the
# server of the runs above ends before Xvfb starts, and those on it before
# it goes.
tests/windows/wine.sh --stop
start_xvfb || exit 1

# The golden references' frames, each the first frame of a capture from its
# time on the 60 fps grid (the show replayed up to it), by both builds.
compare_golden_frame() {
  local name=$1 time=$2
  (cd "$show" && "$work/bin/demo-capture" --from "=$time" --to "=$((time + 1))" \
    --frames "$work/windows-$name") > "$work/capture.out" 2>&1 ||
    { cat "$work/capture.out"; fail "demo-capture.exe at $time ms"; return; }
  build/demo-capture --from "=$time" --to "=$((time + 1))" --frames "$work/linux-$name" \
    > "$work/capture.out" 2>&1 || { cat "$work/capture.out"; fail "demo-capture at $time ms"; return; }
  local frame=$work/windows-$name/frame-000000.png
  echo -n "$name, Windows against Linux: "
  "$probe" golden "$frame" "$work/linux-$name/frame-000000.png" ||
    fail "the Windows frame at $time ms differs from the Linux one"
  echo -n "$name, Windows against tests/golden/$name.png: "
  "$probe" golden "$frame" "tests/golden/$name.png" ||
    fail "the Windows frame at $time ms does not match tests/golden/$name.png"
}
compare_golden_frame title 2883
compare_golden_frame pebble 11533
compare_golden_frame swarm 38416
compare_golden_frame mirror 49933
compare_golden_frame breakdown 66250
compare_golden_frame end 120000

# Without ffmpeg.exe: no video, a message that says what to do.
status=0
(cd "$show" && "$work/bin/demo-capture" --to =200 "$work/refused.mp4") > "$work/capture.out" 2>&1 ||
  status=$?
if [[ $status != 1 ]] || ! grep -q "put the folder that holds ffmpeg.exe on PATH" "$work/capture.out"; then
  cat "$work/capture.out"
  fail "demo-capture.exe without ffmpeg.exe: status $status, expected 1 and a message"
fi
[[ -e $work/refused.mp4 ]] && fail "demo-capture.exe without ffmpeg.exe wrote a video"

# With the stand-in: 5 frames of 800 x 600 RGB, into a folder with a space,
# over an older video, beside a temporary file that a capture now gone
# left (Wine's process ids are small multiples of 4).
stand_in=$repo/build-windows/tests/windows/stand-in
videos="$work/my videos"
mkdir -p "$videos"
echo "older video" > "$videos/take.mp4"
echo "left by a dead capture" > "$videos/take.partial-999999.mp4"
capture_to_stand_in() {
  (cd "$show" && WINEPATH="Z:${stand_in//\//\\}" "$work/bin/demo-capture" "$@" "$videos/take.mp4")
}
capture_to_stand_in --fps 10 --to =500 > "$work/capture.out" 2>&1 ||
  { cat "$work/capture.out"; fail "demo-capture.exe with a stand-in ffmpeg.exe"; }
if ! grep -qx "bytes $((5 * 800 * 600 * 3))" "$videos/take.mp4" ||
  ! grep -qEx "file:$videos/take\.partial-[0-9]+\.mp4" "$videos/take.mp4"; then
  cat "$videos/take.mp4"
  fail "the stand-in ffmpeg.exe did not get the 5 frames and a temporary file's name, or the video was not replaced"
fi
compgen -G "$videos/take.partial-*" > /dev/null && fail "temporary videos were left behind: $(ls "$videos")"

# Ctrl-C while the stand-in takes frames: the capture stops with 130, the
# stand-in ends and the video of the run above stays.
cp "$videos/take.mp4" "$work/kept.mp4"
capture_to_stand_in --fps 10 --to =120000 > "$work/capture.out" 2>&1 &
capture_pid=$!
capture_started() { compgen -G "$videos/take.partial-*" > /dev/null; }
if poll_until 120 capture_started; then
  sleep 2
  # The processes that Wine runs demo-capture.exe in, found by the
  # scratch folder's unique name.
  pkill -INT -f "$(basename "$work").*demo-capture\.exe" || true
fi
status=0
wait "$capture_pid" || status=$?
if [[ $status != 130 ]] || ! grep -q "stopped by Ctrl-C; no video was made" "$work/capture.out"; then
  cat "$work/capture.out"
  fail "Ctrl-C did not stop demo-capture.exe with status 130 and its message (status $status)"
fi
cmp -s "$videos/take.mp4" "$work/kept.mp4" || fail "the stopped capture changed the older video"
compgen -G "$videos/take.partial-*" > /dev/null && fail "the stopped capture left $(ls "$videos")"

# A second capture into a frames folder that a first one is writing to is
# refused, the lock being the first one's.
(cd "$show" && "$work/bin/demo-capture" --fps 10 --to =120000 --frames "$work/locked") > "$work/first.out" 2>&1 &
capture_pid=$!
frames_started() { [[ -e $work/locked/frame-000001.png ]]; }
if poll_until 120 frames_started; then
  status=0
  (cd "$show" && "$work/bin/demo-capture" --to =200 --frames "$work/locked" --overwrite) > "$work/capture.out" 2>&1 ||
    status=$?
  if [[ $status != 1 ]] || ! grep -q "another capture is writing its frames into" "$work/capture.out"; then
    cat "$work/capture.out"
    fail "a second demo-capture.exe into a folder being written was not refused (status $status)"
  fi
else
  cat "$work/first.out"
  fail "demo-capture.exe wrote no frames"
fi
pkill -INT -f "$(basename "$work").*demo-capture\.exe" || true
wait "$capture_pid" || true

# A new show, checked and played.
COMMANDS_FOR_CMD=1 bash tests/tools/demo_new_runs.sh "$work/bin/demo-new" "$work/bin/demo-check" "$work/bin/demo-capture" ||
  fail "demo-new.exe's show"

tests/windows/wine.sh --wait
kill "$xvfb_pid"
xvfb_pid=

# Windows' question box under Wine stacks Yes above the default No: Shift+Tab
# goes to Yes and Space presses it. The box is the program's own, not a
# process of its own as SDL's on X11, and Wine has no POSIX signals for it.
QUESTION_IN_PROGRAM=1 QUESTION_YES_KEYS="shift+Tab space" bash tests/e2e/demo_window.sh "$work/demo" "$show" "$repo/build/tests/x11-probe" ||
  fail "demo.exe end to end"

if ((failures)); then
  echo "Windows checks: $failures failed"
  exit 1
fi
echo "Windows checks: all passed"
