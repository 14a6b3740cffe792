#!/usr/bin/env bash
# Whole runs of demo-capture on the shipped show, one case per call:
#   repeat  two captures of the same 30 frames give identical PNG files
#   golden  a capture started where a golden-frame test starts matches its
#           reference at the same frame, and only there
#   bar8    a capture from #8.0 starts at the show time where demo-check
#           --play puts #8.0: the flash it reports lands on the frame drawn
#           at that time, not on the frame before
#   video   short videos: frame count, rate, duration and sound (or none)
#           as ffprobe reads them
#   errors  failures exit non-zero and say why on stderr
#   signals SIGTERM and a terminal's Ctrl-C stop a capture within a frame or
#           so, keeping frames written and an earlier video; the partial
#           file of a killed capture goes with the next capture
#
#   capture_case.sh CASE DEMO_CAPTURE DEMO_CHECK PNG_PROBE REPOSITORY
set -u
case_name=$1
capture=$2
checker=$3
probe=$4
repo=$5
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$repo" || exit 1

status=0
fail() {
  echo "FAIL: $*"
  status=1
}

# Runs the capture with $@, keeping stderr in $work/err; returns its status.
run_capture() {
  "$capture" "$@" > "$work/out" 2> "$work/err"
}

show_stderr() {
  echo "--- stderr ---"
  cat "$work/err"
}

# The index of the first frame at or after `offset` ms into a capture at
# `fps` frames per second: frame i is drawn at floor(i * 1000 / fps).
first_frame_at() {
  local offset=$1 fps=$2 i=0
  while (( i * 1000 / fps < offset )); do ((i++)); done
  echo "$i"
}

frame_file() { printf '%s/frame-%06d.png' "$1" "$2"; }

case_repeat() {
  # From bar 16 the noise flickers every frame, drawn from rand().
  # The second run goes into a folder that holds a longer capture's frames,
  # which --overwrite removes first.
  mkdir -p "$work/b"
  touch "$(frame_file "$work/b" 0)" "$(frame_file "$work/b" 40)"
  run_capture --from '#16.0' --to '=31220' --frames "$work/a" || { show_stderr; fail "capture a"; return; }
  run_capture --from '#16.0' --to '=31220' --frames "$work/b" --overwrite || { show_stderr; fail "capture b"; return; }
  local count run
  for run in a b; do
    count=$(find "$work/$run" -name 'frame-*.png' | wc -l)
    [[ $count == 30 ]] || fail "$run: $count frames, expected 30"
    [[ -f $(frame_file "$work/$run" 29) && ! -e $(frame_file "$work/$run" 30) ]] || fail "$run: frames are not numbered 0 to 29"
  done
  local file differing=0
  for file in "$work"/a/*.png; do
    cmp -s "$file" "$work/b/$(basename "$file")" || ((differing++))
  done
  [[ $differing == 0 ]] || fail "$differing of $count frames differ between two runs"
  cmp -s "$(frame_file "$work/a" 0)" "$(frame_file "$work/a" 1)" && fail "the noise does not move between frames"
}

case_golden() {
  # The reference "swarm" is the window at 38640 ms after starting the show
  # 960 ms earlier and drawing 60 frames per second up to that time.
  local start=37680 shown=38640
  local frame
  frame=$(first_frame_at $((shown - start)) 60)
  run_capture --from "=$start" --to "=$((shown + 20))" --frames "$work/f" || { show_stderr; fail "capture"; return; }
  "$probe" golden "$(frame_file "$work/f" "$frame")" tests/golden/swarm.png || fail "frame $frame does not match tests/golden/swarm.png"
  "$probe" golden "$(frame_file "$work/f" $((frame - 1)))" tests/golden/swarm.png > /dev/null &&
    fail "frame $((frame - 1)) matches the reference as well: the comparison tells nothing"
}

case_bar8() {
  # The timeline as the checker plays it, 16 ms a frame: #8.0 is 15360 ms,
  # the card changes there, and the first flash ("*") follows.
  "$checker" --play 16 1000 data/script.txt > "$work/timeline" || { fail "demo-check failed"; return; }
  grep -qx '15360 scene.3.lng.0 1' "$work/timeline" || fail "demo-check does not select card 1 at 15360 ms"
  local flash
  flash=$(awk '$2 == "event" && $3 == "*" && $1 >= 15360 { print $1; exit }' "$work/timeline")
  [[ -n $flash ]] || { fail "demo-check reports no flash after 15360 ms"; return; }

  run_capture --from '#8.0' --to "=$((flash + 40))" --frames "$work/f" || { show_stderr; fail "capture"; return; }
  local at
  at=$(first_frame_at $((flash - 15360)) 60)
  (( at >= 1 && 15360 + at * 1000 / 60 == flash )) || { fail "no frame is drawn at the flash ($flash ms)"; return; }
  local before during
  before=$("$probe" mean "$(frame_file "$work/f" $((at - 1)))")
  during=$("$probe" mean "$(frame_file "$work/f" "$at")")
  echo "mean brightness before the flash $before, at it $during"
  awk -v b="$before" -v d="$during" 'BEGIN { exit !(d > b + 10) }' ||
    fail "the frame at $flash ms is not the flash that demo-check reports there"
}

# Prints key=value lines of ffprobe for stream $2 of file $1.
probe_stream() {
  ffprobe -v error -select_streams "$2" -count_frames \
    -show_entries stream=codec_name,pix_fmt,width,height,r_frame_rate,nb_read_frames,duration \
    -of default=nw=1 "$1"
}

value_of() { sed -n "s/^$1=//p" "$2" | head -n 1; }

near() { awk -v a="$1" -v b="$2" -v e="$3" 'BEGIN { d = a - b; if (d < 0) d = -d; exit !(d <= e) }'; }

case_video() {
  command -v ffprobe > /dev/null || { fail "ffprobe is missing (sudo apt-get install ffmpeg)"; return; }
  # Two seconds at 12 fps (83, 83, 84 ms a frame) with the show's music.
  # Beside the output lie the partial files of a capture that is gone,
  # which go, and of one that still runs (this script), which stays.
  local gone
  true & gone=$!
  wait "$gone"
  touch "$work/music.partial-$gone.mp4" "$work/music.partial-$$.mp4"
  run_capture --fps 12 --from '#16.0' --to '=32720' "$work/music.mp4" || { show_stderr; fail "capture with music"; return; }
  [[ $(cd "$work" && echo music.partial-*) == "music.partial-$$.mp4" ]] ||
    fail "partial files left: $(cd "$work" && echo music.partial-*), expected only that of a running capture"
  probe_stream "$work/music.mp4" v:0 > "$work/video"
  [[ $(value_of codec_name "$work/video") == h264 ]] || fail "video codec is not h264"
  [[ $(value_of pix_fmt "$work/video") == yuv420p ]] || fail "pixel format is not yuv420p"
  [[ $(value_of width "$work/video")x$(value_of height "$work/video") == 800x600 ]] || fail "size is not 800x600"
  [[ $(value_of r_frame_rate "$work/video") == 12/1 ]] || fail "frame rate is not 12/1"
  [[ $(value_of nb_read_frames "$work/video") == 24 ]] || fail "$(value_of nb_read_frames "$work/video") frames, expected 24"
  near "$(value_of duration "$work/video")" 2.0 0.001 || fail "video lasts $(value_of duration "$work/video") s, expected 2"
  probe_stream "$work/music.mp4" a:0 > "$work/audio"
  [[ $(value_of codec_name "$work/audio") == aac ]] || fail "no AAC sound in a show with music"
  near "$(value_of duration "$work/audio")" 2.0 0.05 || fail "sound lasts $(value_of duration "$work/audio") s, expected 2"

  # The music ends at 132.56 s: sound that runs out is padded with silence
  # to the video's length. The shipped End is earlier, so this copy has none.
  grep -v '^End' data/script.txt > "$work/no-end.txt"
  run_capture --script "$work/no-end.txt" --fps 5 --from '=132000' --to '=133000' "$work/late.mp4" ||
    { show_stderr; fail "capture past the music's end"; return; }
  probe_stream "$work/late.mp4" a:0 > "$work/audio"
  near "$(value_of duration "$work/audio")" 1.0 0.05 || fail "sound past the music's end lasts $(value_of duration "$work/audio") s, expected 1"

  # A show without music gives a video without a sound stream; its folder
  # is made, as a frames folder is.
  grep -v '^LoadMusic' data/script.txt > "$work/silent.txt"
  run_capture --script "$work/silent.txt" --fps 5 --to '=1000' "$work/new/silent.mp4" || { show_stderr; fail "capture without music"; return; }
  probe_stream "$work/new/silent.mp4" v:0 > "$work/video"
  [[ $(value_of nb_read_frames "$work/video") == 5 ]] || fail "silent video: $(value_of nb_read_frames "$work/video") frames, expected 5"
  [[ -z $(ffprobe -v error -select_streams a -show_entries stream=index -of csv=p=0 "$work/new/silent.mp4") ]] ||
    fail "a show without music has a sound stream"

  # Two captures into one output at the same time both succeed, and the
  # output is one whole video.
  local first second
  "$capture" --script "$work/silent.txt" --fps 5 --to '=2000' "$work/same.mp4" 2> "$work/err1" & first=$!
  "$capture" --script "$work/silent.txt" --fps 5 --to '=2000' "$work/same.mp4" 2> "$work/err2" & second=$!
  wait "$first" || { cat "$work/err1"; fail "the first of two captures into one output failed"; }
  wait "$second" || { cat "$work/err2"; fail "the second of two captures into one output failed"; }
  probe_stream "$work/same.mp4" v:0 > "$work/video" 2>&1
  [[ $(value_of nb_read_frames "$work/video") == 10 ]] ||
    { cat "$work/video"; fail "two captures into one output: $(value_of nb_read_frames "$work/video") frames, expected 10"; }
}

# Expects the last capture to have exited with $1 and said $2 on stderr.
expect_failure() {
  local rc=$? expected=$1 text=$2
  if [[ $rc != "$expected" ]]; then
    fail "exit status $rc, expected $expected (looking for: $text)"
    show_stderr
  elif ! grep -qF -- "$text" "$work/err"; then
    fail "stderr does not say: $text"
    show_stderr
  fi
}

case_errors() {
  printf 'Frobnicate\nEnd #1.0\n' > "$work/bad.txt"
  run_capture --script "$work/bad.txt" --frames "$work/f"
  expect_failure 1 "Syntax error on line 1"

  grep -v '^End' data/script.txt > "$work/no-end.txt"
  run_capture --script "$work/no-end.txt" --frames "$work/f"
  expect_failure 1 "has no End, so say where the capture stops with --to"

  run_capture --from '8.0' --frames "$work/f"
  expect_failure 2 '"8.0" is not a time'
  run_capture --to '#70.0' --frames "$work/f"
  expect_failure 1 "is after the script's End"
  run_capture --from '#8.0' --to '#8.0' --frames "$work/f"
  expect_failure 1 "nothing to capture"
  run_capture --fps 0
  expect_failure 2 "--fps must be a whole number"
  [[ -e $work/f ]] && fail "a failed capture made its frames folder"

  # A show that loads only two of the six cards: demo-check's error, and no
  # frame drawn.
  grep -v '^LoadImage pic[3-6]' data/script.txt > "$work/two-cards.txt"
  run_capture --script "$work/two-cards.txt" --frames "$work/f"
  expect_failure 1 "error: the picture effect needs the picture 'pic3', which the script does not load"
  [[ -e $work/f ]] && fail "a refused capture made its frames folder"

  sed 's/pic3\.png/gone.png/' data/script.txt > "$work/no-picture.txt"
  run_capture --script "$work/no-picture.txt" --frames "$work/f"
  expect_failure 1 "data/png/gone.png"

  sed 's/show\.ogg/gone.ogg/' data/script.txt > "$work/no-music.txt"
  run_capture --script "$work/no-music.txt" --to '=100' "$work/x.mp4"
  expect_failure 1 "cannot open the music data/music/gone.ogg"

  PATH=/nonexistent-folder run_capture --to '=100' "$work/x.mp4"
  expect_failure 1 "sudo apt-get install ffmpeg"
  [[ -e $work/x.mp4 ]] && fail "a failed capture wrote its video"

  # ffmpeg refuses H.264 in WebM: the capture fails, and the file that was
  # there is neither replaced nor removed, nor is a partial file left.
  echo earlier > "$work/take.webm"
  run_capture --to '=200' "$work/take.webm"
  expect_failure 1 "ffmpeg failed"
  [[ $(cat "$work/take.webm") == earlier ]] || fail "a failed capture overwrote the earlier video"
  [[ -e $work/take.partial.webm ]] && fail "a failed capture left its partial file"

  # An encoder that stops reading after one frame but exits with 0 has not
  # made the video; nor has one that reads every frame and writes nothing.
  mkdir -p "$work/bin"
  printf '#!/bin/sh\nhead -c 1440000 > /dev/null\nexit 0\n' > "$work/bin/ffmpeg"
  chmod +x "$work/bin/ffmpeg"
  PATH="$work/bin:$PATH" run_capture --to '=200' "$work/short.mp4"
  expect_failure 1 "ffmpeg stopped taking frames"
  [[ -e $work/short.mp4 ]] && fail "a capture that lost frames wrote its video"
  echo earlier > "$work/empty.mp4"
  printf '#!/bin/sh\ntouch "%s/ffmpeg-ran"\ncat > /dev/null\nexit 0\n' "$work" > "$work/bin/ffmpeg"
  PATH="$work/bin:$PATH" run_capture --to '=200' "$work/empty.mp4"
  expect_failure 1 "wrote no video"
  [[ $(cat "$work/empty.mp4") == earlier ]] || fail "an empty video replaced the earlier one"

  # An output that is a folder is refused before anything is drawn or
  # encoded.
  rm -f "$work/ffmpeg-ran"
  mkdir "$work/folder.mp4"
  PATH="$work/bin:$PATH" run_capture --to '=200' "$work/folder.mp4"
  expect_failure 1 "is a folder"
  [[ -e $work/ffmpeg-ran ]] && fail "ffmpeg ran for an output that is a folder"

  # A frames folder that holds an earlier capture's frames is refused, and
  # they stay.
  mkdir "$work/old"
  touch "$(frame_file "$work/old" 0)" "$(frame_file "$work/old" 1)"
  run_capture --to '=200' --frames "$work/old"
  expect_failure 1 "already holds 2 frames"
  [[ -e $(frame_file "$work/old" 1) ]] || fail "a refused capture removed the earlier frames"
}

# Starts the capture with $@ in the background, in a process group of its
# own as a terminal's job is, with stderr in $work/err; sets `job`.
start_job() {
  setsid "$capture" "$@" > "$work/out" 2> "$work/err" &
  job=$!
}

# Waits up to $1 seconds for the job to end and checks that it ended with
# status $2 and said "stopped by $3".
expect_stopped() {
  local deadline=$((SECONDS + $1)) status
  while kill -0 "$job" 2>/dev/null; do
    (( SECONDS < deadline )) || { kill -KILL "$job"; fail "the capture did not stop within $1 s"; return; }
    sleep 0.1
  done
  wait "$job"
  status=$?
  [[ $status == "$2" ]] || { fail "exit status $status after $3, expected $2"; show_stderr; }
  grep -q "stopped by $3" "$work/err" || { fail "the capture did not say it was stopped by $3"; show_stderr; }
}

# Waits up to $1 seconds for the file matching the pattern $2 to exist and
# not be empty.
wait_for_file() {
  local deadline=$((SECONDS + $1)) file
  while :; do
    for file in $2; do [[ -s $file ]] && return 0; done
    (( SECONDS < deadline )) || return 1
    sleep 0.1
  done
}

case_signals() {
  # Frames, stopped with SIGTERM after a few are written: those stay, whole.
  # The stretch would take minutes to capture.
  start_job --from '#16.0' --to '#40.0' --frames "$work/f"
  wait_for_file 120 "$(frame_file "$work/f" 2)" || { kill -KILL "$job"; fail "no frames were written"; return; }
  kill -TERM "$job"
  expect_stopped 30 143 SIGTERM
  local last
  last=$(find "$work/f" -name 'frame-*.png' | sort | tail -n 1)
  "$probe" mean "$last" > /dev/null || fail "the last frame written before the stop, $last, is not a whole picture"

  # A video, stopped by Ctrl-C at a terminal (SIGINT to the job's whole
  # process group) while ffmpeg encodes: the earlier video stays, no
  # partial file is left, and ffmpeg is not blamed.
  echo earlier > "$work/take.mp4"
  start_job --from '#16.0' --to '#40.0' "$work/take.mp4"
  wait_for_file 120 "$work/take.partial-*.mp4" || { kill -KILL "$job"; fail "ffmpeg wrote nothing"; return; }
  kill -INT -- "-$job"
  expect_stopped 30 130 SIGINT
  [[ $(cat "$work/take.mp4") == earlier ]] || fail "a stopped capture replaced the earlier video"
  [[ -n $(compgen -G "$work/take.partial-*") ]] && fail "a stopped capture left its partial file"
  grep -q ffmpeg "$work/err" && { fail "a Ctrl-C was reported as an ffmpeg failure"; show_stderr; }

  # A capture killed outright leaves its partial file; the next capture to
  # the same output removes it.
  start_job --from '#16.0' --to '#40.0' "$work/take.mp4"
  wait_for_file 120 "$work/take.partial-*.mp4" || { kill -KILL "$job"; fail "ffmpeg wrote nothing"; return; }
  kill -KILL "$job"
  wait "$job" 2>/dev/null
  run_capture --fps 5 --from '#16.0' --to '=30920' "$work/take.mp4" || { show_stderr; fail "capture after a killed one"; }
  [[ -n $(compgen -G "$work/take.partial-*") ]] && fail "the killed capture's partial file was not removed"
}

case "$case_name" in
  repeat | golden | bar8 | video | errors | signals) "case_$case_name" ;;
  *) echo "unknown case $case_name"; exit 2 ;;
esac
exit $status
