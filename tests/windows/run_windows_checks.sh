#!/usr/bin/env bash
# The Windows release, cross-built and checked under Wine on this machine
# against the Linux build in build/ (CI runs it after ./test.sh):
#
#   - tools/build-windows.sh --tests makes dist/show-windows.zip and the
#     logic tests, which ctest runs under Wine;
#   - from the unpacked zip, with Wine drawing on Xvfb through Mesa:
#     - demo-check.exe prints what the Linux build prints for each of the
#       checker's cases (tests/cli/cases), line ends aside;
#     - demo-capture.exe --frames draws the frames that the Linux build
#       draws, by the golden-frame tolerance, and matches the golden
#       references where there are some. The times are ones where the noise
#       layer is not showing: its offsets come from the C library's rand(),
#       whose sequence differs between Windows and glibc;
#     - demo-capture.exe refuses a video without ffmpeg.exe on PATH, saying
#       what to do; with a stand-in ffmpeg.exe on PATH, every frame reaches
#       it through the pipe, with the arguments intact, and the video is put
#       in place;
#     - demo.exe plays end to end (tests/e2e/demo_window.sh): the question,
#       the 800 x 600 "Demo" window with drawn frames, Escape, and a copy of
#       the show that ends by itself.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD

tools/install-packages.sh wine wine64 xvfb xauth xdotool x11-utils unzip
tools/setup.sh
tools/build-windows.sh --tests
(cd build-windows && ctest --output-on-failure -j"$(nproc)")

work=$(mktemp -d)
xvfb_pid=
cleanup() {
  [[ -n $xvfb_pid ]] && kill "$xvfb_pid" 2> /dev/null
  rm -rf "$work"
}
trap cleanup EXIT
source tests/e2e/xvfb_helpers.sh

unzip -q dist/show-windows.zip -d "$work"
show=$work/show-windows
probe=$repo/build/tests/png-probe
failures=0
fail() {
  echo "FAIL: $*"
  failures=$((failures + 1))
}

# $work/NAME runs NAME.exe of the release under Wine, as a program of this
# machine would run. The checker's stands with its text-mode output turned
# to LF line ends, its exit status kept.
mkdir -p "$work/bin"
for program in demo demo-capture; do
  printf '#!/bin/sh\nexec "%s" "%s" "$@"\n' "$repo/tests/windows/wine.sh" "$show/$program.exe" \
    > "$work/bin/$program"
done
printf '#!/usr/bin/env bash\nset -o pipefail\n"%s" "%s" "$@" | tr -d "\\r"\n' \
  "$repo/tests/windows/wine.sh" "$show/demo-check.exe" > "$work/bin/demo-check"
chmod +x "$work"/bin/*

checked=0
for case_dir in "$repo"/tests/cli/cases/*/; do
  checked=$((checked + 1))
  bash tests/cli/run_check_case.sh "$work/bin/demo-check" "${case_dir%/}" ||
    fail "demo-check.exe on $(basename "$case_dir")"
done
echo "demo-check.exe: $checked checker cases run"

# Wine's programs draw on the display that its first program found, so the
# runs above end before Xvfb starts, and those on it before it goes.
tests/windows/wine.sh --wait
start_xvfb || exit 1

# Frame i of a capture at 60 fps is drawn floor(i * 1000 / 60) ms in; the
# first one at or after 960 ms is the golden-frame tests' frame.
frame=0
while ((frame * 1000 / 60 < 960)); do frame=$((frame + 1)); done
frame_file=$(printf 'frame-%06d.png' "$frame")

# $1: show time in ms; $2: the golden reference there, if any. Both builds
# start 960 ms earlier, as the golden-frame tests do.
compare_frames_at() {
  local time=$1 golden=${2:-} from=$(($1 - 960)) to=$(($1 + 20))
  (cd "$show" && "$work/bin/demo-capture" --from "=$from" --to "=$to" --frames "$work/windows-$time") \
    > "$work/capture.out" 2>&1 || { cat "$work/capture.out"; fail "demo-capture.exe at $time ms"; return; }
  build/demo-capture --from "=$from" --to "=$to" --frames "$work/linux-$time" > "$work/capture.out" 2>&1 ||
    { cat "$work/capture.out"; fail "demo-capture at $time ms"; return; }
  echo -n "at $time ms, Windows against Linux: "
  "$probe" same "$work/windows-$time/$frame_file" "$work/linux-$time/$frame_file" ||
    fail "the Windows frame at $time ms differs from the Linux one"
  if [[ -n $golden ]]; then
    echo -n "at $time ms, Windows against tests/golden/$golden.png: "
    "$probe" golden "$work/windows-$time/$frame_file" "tests/golden/$golden.png" ||
      fail "the Windows frame at $time ms does not match tests/golden/$golden.png"
  fi
}
compare_frames_at 2880 title
compare_frames_at 11520 pebble
compare_frames_at 51000
compare_frames_at 66240 breakdown
compare_frames_at 120000 end

# Without ffmpeg.exe: no video, a message that says what to do.
status=0
(cd "$show" && "$work/bin/demo-capture" --to =200 "$work/refused.mp4") > "$work/capture.out" 2>&1 ||
  status=$?
if [[ $status != 1 ]] || ! grep -q "put the folder that holds ffmpeg.exe on PATH" "$work/capture.out"; then
  cat "$work/capture.out"
  fail "demo-capture.exe without ffmpeg.exe: status $status, expected 1 and a message"
fi
[[ -e $work/refused.mp4 ]] && fail "demo-capture.exe without ffmpeg.exe wrote a video"

# With the stand-in: 5 frames of 800 x 600 RGB, into a folder with a space.
stand_in=$repo/build-windows/tests/windows/stand-in
mkdir -p "$work/my videos"
(cd "$show" && WINEPATH="Z:${stand_in//\//\\}" "$work/bin/demo-capture" --fps 10 --to =500 \
  "$work/my videos/take.mp4") > "$work/capture.out" 2>&1 ||
  { cat "$work/capture.out"; fail "demo-capture.exe with a stand-in ffmpeg.exe"; }
video="$work/my videos/take.mp4"
if ! grep -qx "bytes $((5 * 800 * 600 * 3))" "$video" 2> /dev/null ||
  ! grep -qx "file:$work/my videos/take.partial.mp4" "$video"; then
  cat "$video" 2> /dev/null
  fail "the stand-in ffmpeg.exe did not get the 5 frames and the output's name"
fi
[[ -e $work/my\ videos/take.partial.mp4 ]] && fail "the partial video was left behind"

tests/windows/wine.sh --wait
kill "$xvfb_pid"
xvfb_pid=

bash tests/e2e/demo_window.sh "$work/bin/demo" "$show" "$repo/build/tests/x11-probe" ||
  fail "demo.exe end to end"

if ((failures)); then
  echo "Windows checks: $failures failed"
  exit 1
fi
echo "Windows checks: all passed"
