#!/usr/bin/env bash
# Whole runs of demo-capture on the shipped show, one case per call:
#   repeat  two captures of the same 30 frames give identical PNG files
#   golden  the frame at a golden frame's time is the same, byte for byte,
#           in captures started at different times, and matches the
#           reference; the frame before does not
#   bar8    a capture from #8.0 at 50 fps draws the frames where demo-check
#           --play 20 plays them: the flash it reports lands on the frame
#           drawn at that time, not on the frame before
#   video   short videos: frame count, rate, duration and sound (or none)
#           as ffprobe reads them
#   segments  a stretch at 30 fps captured whole and in three segments
#           gives the same PNG files, byte for byte; the last segment says
#           it stops at --to
#   split   tools/capture-split.sh -j 2 gives the single run's frame count,
#           duration and sound, and its frames within the golden tolerance;
#           SIGTERM and Ctrl-C stop it at once, and an OUTPUT that is a
#           folder is refused before drawing
#   ssh     the same with --sshlogin on two machines made here (sshd for
#           users of their own, root only, else it skips with 77), the show
#           sent to them, their homes clean after, another build refused,
#           and one machine lost during a run (ssh_speed: not a test, the
#           speed with 1, 2 and 3 machines)
#   join    --join refuses a list that does not give every segment once, in
#           order, at the join's rate, a list that is no file, and a stop,
#           each keeping the earlier video
#   errors  failures exit non-zero and say why on stderr
#   signals SIGTERM and a terminal's Ctrl-C stop a capture within a frame or
#           so, also while it replays the show before its first frame,
#           keeping frames written and an earlier video; the partial file
#           of a killed capture goes with the next capture; a second
#           capture into a folder that one is writing frames to is refused
#
#   capture_case.sh CASE DEMO_CAPTURE DEMO_CHECK PNG_PROBE REPOSITORY SPLIT
set -u
case_name=$1
capture=$2
checker=$3
probe=$4
repo=$5
split=${6:-}
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
  # The reference "swarm" is the show at 38416 ms, a time of the 60 fps grid
  # (frames at floor(n * 1000 / 60) ms), just after the flash on the beat at
  # 38400: in a capture from 38400 it is frame 1, in one from 37000 frame
  # 85. The swarm reflects the frames before, and the noise moves every
  # frame.
  run_capture --from '=38400' --to '=38417' --frames "$work/near" || { show_stderr; fail "capture from 38400"; return; }
  run_capture --from '=37000' --to '=38417' --frames "$work/far" || { show_stderr; fail "capture from 37000"; return; }
  cmp -s "$(frame_file "$work/near" 1)" "$(frame_file "$work/far" 85)" ||
    fail "the frame at 38416 ms differs between captures from 38400 and from 37000"
  "$probe" golden "$(frame_file "$work/near" 1)" tests/golden/swarm.png || fail "the frame at 38416 ms does not match tests/golden/swarm.png"
  "$probe" golden "$(frame_file "$work/near" 0)" tests/golden/swarm.png > /dev/null &&
    fail "the frame before matches the reference as well: the comparison tells nothing"
}

case_bar8() {
  # The timeline as the checker plays it, 20 ms a frame, as a capture at 50
  # fps does: #8.0 is 15360 ms, the card changes there, and the first flash
  # ("*") follows.
  "$checker" --play 20 1000 data/script.txt > "$work/timeline" || { fail "demo-check failed"; return; }
  grep -qx '15360 scene.3.lng.0 1' "$work/timeline" || fail "demo-check does not select card 1 at 15360 ms"
  local flash
  flash=$(awk '$2 == "event" && $3 == "*" && $1 >= 15360 { print $1; exit }' "$work/timeline")
  [[ -n $flash ]] || { fail "demo-check reports no flash after 15360 ms"; return; }

  run_capture --fps 50 --from '#8.0' --to "=$((flash + 40))" --frames "$work/f" || { show_stderr; fail "capture"; return; }
  local at=$(((flash - 15360) / 20))
  (( at >= 1 && 15360 + at * 20 == flash )) || { fail "no frame is drawn at the flash ($flash ms)"; return; }
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

case_segments() {
  # Bars 19 and 20 with the swarm, which reflects the frame before, and a
  # flash on every beat; the segments start part-way through both. The
  # frame after the last is at 38700, past --to.
  local range=(--fps 30 --from '=38000' --to '=38690')
  run_capture "${range[@]}" --frames "$work/whole" || { show_stderr; fail "whole capture"; return; }
  local k
  for k in 1 2 3; do
    run_capture "${range[@]}" --segment "$k/3" --frames "$work/part$k" || { show_stderr; fail "segment $k"; return; }
  done
  grep -q "=38466 to =38690 at 30 fps" "$work/err" || { show_stderr; fail "the last segment does not say it stops at --to"; }
  local count file number differing=0
  count=$(find "$work/whole" -name 'frame-*.png' | wc -l)
  [[ $count == 21 ]] || fail "$count frames in the whole, expected 21"
  for file in "$work"/whole/*.png; do
    number=$(basename "$file")
    local matches=("$work"/part*/"$number")
    [[ ${#matches[@]} == 1 && -f ${matches[0]} ]] || { fail "$number is not in exactly one segment"; continue; }
    cmp -s "$file" "${matches[0]}" || { echo "differs: $number"; ((differing++)); }
  done
  [[ $(find "$work"/part* -name 'frame-*.png' | wc -l) == "$count" ]] || fail "the segments hold other frames than the whole"
  [[ $differing == 0 ]] || fail "$differing of $count frames differ between the whole and its segments"
}

# Checks that the video $2 has the video $1's frame count, duration and
# sound, and its pictures decoded within the golden frames' tolerance.
expect_same_video() {
  local stream single=$1 joined=$2 name
  name=$(basename "$joined")
  for stream in v:0 a:0; do
    probe_stream "$single" "$stream" > "$work/single-$stream"
    probe_stream "$joined" "$stream" > "$work/joined-$stream"
    cmp -s "$work/single-$stream" "$work/joined-$stream" ||
      fail "$name: stream $stream differs: $(paste -d ' ' "$work/single-$stream" "$work/joined-$stream" | tr '\n' ' ')"
  done
  # The music once for the whole range, as the single run has it.
  [[ $(ffmpeg -v error -i "$single" -map 0:a -f md5 -) == $(ffmpeg -v error -i "$joined" -map 0:a -f md5 -) ]] ||
    fail "$name: the sound is not the single run's"
  rm -rf "$work/single" "$work/joined"
  mkdir "$work/single" "$work/joined"
  ffmpeg -v error -i "$single" "$work/single/%03d.png" && ffmpeg -v error -i "$joined" "$work/joined/%03d.png" ||
    { fail "$name: cannot decode the videos"; return; }
  local file far=0
  for file in "$work"/single/*.png; do
    "$probe" golden "$work/joined/$(basename "$file")" "$file" > "$work/probe" || { cat "$work/probe"; ((far++)); }
  done
  [[ $far == 0 ]] || fail "$name: $far decoded frames are not within the tolerance of the single run's"
}

case_split() {
  command -v ffprobe > /dev/null || { fail "ffprobe is missing (sudo apt-get install ffmpeg)"; return; }
  command -v parallel > /dev/null || { fail "GNU parallel is missing (sudo apt-get install parallel)"; return; }
  # 25 frames: segments of 12 and 13.
  local range=(--fps 12 --from '#16.0' --to '=32800')
  run_capture "${range[@]}" "$work/single.mp4" || { show_stderr; fail "single capture"; return; }
  "$split" -j 2 --capture "$capture" "${range[@]}" "$work/joined.mp4" > "$work/out" 2> "$work/err" ||
    { show_stderr; fail "capture-split.sh"; return; }
  ls -A | grep -q '^\.capture-split' && fail "capture-split.sh left its segments behind"
  expect_same_video "$work/single.mp4" "$work/joined.mp4"
  [[ $(value_of nb_read_frames "$work/joined-v:0") == 25 ]] || fail "the joined video does not have 25 frames"

  # An OUTPUT that is a folder, named after --, is refused before anything
  # is drawn.
  mkdir "$work/-folder.mp4"
  "$split" --capture "$capture" "${range[@]}" -- "$work/-folder.mp4" > "$work/out" 2> "$work/err"
  expect_failure 1 "is a folder"
  grep -q "segments of the capture" "$work/err" && fail "capture-split.sh drew segments for an OUTPUT that is a folder"

  # SIGTERM, and Ctrl-C at a terminal (SIGINT to the job's process group),
  # stop the segments at once: the earlier video stays, and nothing is left.
  local stop signal status pid
  for stop in "TERM 143" "INT 130"; do
    read -r signal status <<< "$stop"
    echo earlier > "$work/take.mp4"
    set -m
    "$split" -j 2 --capture "$capture" --fps 12 --from '#16.0' --to '#40.0' "$work/take.mp4" 2> "$work/err" &
    job=$!
    set +m
    wait_for_file 60 ".capture-split-*/segment-*.partial-*" || { kill -KILL -- "-$job"; fail "no segment was started"; return; }
    # The segments' demo-capture runs, named in their partial files.
    local segment_pids
    segment_pids=$(compgen -G ".capture-split-*/segment-*.partial-*" | sed 's/.*partial-\([0-9]*\).*/\1/')
    kill "-$signal" -- "-$job"
    expect_stopped 20 "$status" "SIG$signal"
    grep -q "segment failed" "$work/err" && { fail "SIG$signal was reported as a failed segment"; show_stderr; }
    [[ $(cat "$work/take.mp4") == earlier ]] || fail "a stopped split capture replaced the earlier video"
    ls -A | grep -q '^\.capture-split' && fail "a split capture stopped by SIG$signal left its segments"
    for pid in $segment_pids; do
      kill -0 "$pid" 2> /dev/null && fail "a segment's demo-capture runs on after SIG$signal"
    done
  done
}

# The machines of capture-split.sh --sshlogin: two sshd on this machine's
# loopback address, each for a user of its own, sets `program`, the build
# they run, and changes into `show`, a copy of the show that they cannot
# read; exits 77 where they cannot be started.
start_machines() {
  command -v ffprobe > /dev/null || { fail "ffprobe is missing (sudo apt-get install ffmpeg)"; return 1; }
  command -v parallel > /dev/null || { fail "GNU parallel is missing (sudo apt-get install parallel)"; return 1; }
  source "$repo/tests/capture/ssh_hosts.sh"
  machines=$(mktemp -d)
  trap 'stop_ssh_hosts; rm -rf "$work" "$machines"' EXIT
  start_ssh_hosts 2 "$machines"
  case $? in
    0) ;;
    77) exit 77 ;;
    *) fail "cannot start the machines"; return 1 ;;
  esac
  export PARALLEL_SSH="ssh -F $ssh_config"
  program=$machines/bin/demo-capture
  install -D -m 755 "$capture" "$program"
  mkdir "$work/show" && cp -r data "$work/show" && cd "$work/show" || return 1
}

case_ssh() {
  start_machines || return
  # 24 frames in 4 segments of 6: two machines and this one draw them.
  local range=(--fps 12 --from '#16.0' --to '=32720') split_over=(--sshlogin 1/host1,1/host2,1/: --segments 4)

  # Machines that run another build, of the same version, are refused, each
  # named, before anything is drawn; --check passes the same build.
  printf '#!/bin/sh\necho "%s"\n' "$("$program" --version | sed 's/(build [0-9a-f]*)/(build 000000000000)/')" \
    > "$machines/bin/other-build"
  chmod 755 "$machines/bin/other-build"
  "$split" --capture "$program" --remote-capture "$machines/bin/other-build" "${split_over[@]}" "${range[@]}" \
    other.mp4 > "$work/out" 2> "$work/err"
  expect_failure 1 "host1 runs another build"
  grep -q "host2 runs another build" "$work/err" || fail "host2's other build was not named"
  grep -q "segments of the capture" "$work/err" && fail "segments were drawn with another build"
  "$split" --capture "$program" --sshlogin host1,host2 --check 2> "$work/err" || { show_stderr; fail "--check refused the machines"; }

  "$program" "${range[@]}" single.mp4 2> "$work/err" || { show_stderr; fail "single capture"; return; }
  "$split" --capture "$program" "${split_over[@]}" "${range[@]}" whole.mp4 2> "$work/err" ||
    { show_stderr; fail "capture-split.sh on two machines and this one"; return; }
  local machine
  for machine in host1 host2 "this machine"; do
    grep -q "drawn by.* $machine ([12])" "$work/err" || { show_stderr; fail "$machine drew no segment"; }
  done
  expect_same_video single.mp4 whole.mp4
  local k
  for k in 1 2; do
    [[ -z $(ls -A "${host_home[k]}") ]] || fail "host$k's home folder is left holding: $(ls -A "${host_home[k]}")"
  done
  [[ -z $(compgen -G '.capture-split-*') ]] || fail "capture-split.sh left its folder in the show's"

  # host2 lost a second into its segment, which is drawn again elsewhere;
  # the script, the same, lies outside the show's folder this time.
  cp data/script.txt "$work/draft.txt"
  "$split" --capture "$program" "${split_over[@]}" "${range[@]}" --script "$work/draft.txt" lost.mp4 2> "$work/err" &
  job=$!
  local deadline=$((SECONDS + 60))
  until pgrep -U "${ssh_users[2]}" -f "demo-capture .*--segment" > /dev/null; do
    ((SECONDS < deadline)) || { kill "$job"; wait "$job"; show_stderr; fail "host2 drew no segment"; return; }
    sleep 0.1
  done
  sleep 1
  lose_ssh_host 2
  wait "$job" || { show_stderr; fail "capture-split.sh failed when host2 was lost"; return; }
  grep "drawn by" "$work/err" | grep -q host2 && { show_stderr; fail "a segment is said to be drawn by the lost host2"; }
  # The same segments encode to the same bytes; where they do not, the
  # video must still be the single run's.
  cmp -s whole.mp4 lost.mp4 || expect_same_video single.mp4 lost.mp4
  [[ -z $(ls -A "${host_home[1]}") ]] || fail "host1's home folder is left holding: $(ls -A "${host_home[1]}")"
  grep -q "could not remove ~/.capture-split-.* on host2" "$work/err" ||
    { show_stderr; fail "capture-split.sh did not say that its folder on the lost host2 stays"; }
}

# Not a test: capture-split.sh's speed with 1, 2 and 3 machines, all of them
# this one's processors.
case_ssh_speed() {
  start_machines || return
  local range=(--fps 30 --from '#16.0' --to '#20.0') logins count start seconds base=
  for logins in 1/: 1/:,1/host1 1/:,1/host1,1/host2; do
    count=$(tr ',' '\n' <<< "$logins" | wc -l)
    start=$(date +%s.%N)
    "$split" --capture "$program" --sshlogin "$logins" --segments "$count" "${range[@]}" "take$count.mp4" 2> "$work/err" ||
      { show_stderr; fail "capture-split.sh with $logins"; return; }
    seconds=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.1f", e - s }')
    base=${base:-$seconds}
    echo "$count machine(s): $seconds s, $(awk -v b="$base" -v s="$seconds" 'BEGIN { printf "%.2f", b / s }') times as fast as one"
  done
}

case_join() {
  command -v ffprobe > /dev/null || { fail "ffprobe is missing (sudo apt-get install ffmpeg)"; return; }
  # Three segments of 4 frames, without music.
  grep -v '^LoadMusic' data/script.txt > "$work/silent.txt"
  local range=(--script "$work/silent.txt" --from '#16.0' --to '=31720') k
  for k in 1 2 3; do
    run_capture "${range[@]}" --fps 12 --segment "$k/3" "$work/seg$k.mp4" || { show_stderr; fail "segment $k"; return; }
  done
  mkfifo "$work/fifo"
  echo earlier > "$work/earlier"
  # Each list (the videos it names, or a file that is no list), the --fps
  # to join at, and what the refusal says.
  local cases=(
    "seg1 seg2 seg3 gone|12|gone.mp4 does not exist"
    "seg1 seg2 seg2 seg3|12|is listed twice"
    "seg1 seg3 seg2|12|stands where segment 2/3 belongs"
    "seg1 seg2 seg3|10|was captured at 12 fps, and this join is at 10 fps"
    "/dev/zero|12|is not a regular file"
    "$work/fifo|12|is not a regular file"
  )
  local entry names fps message list name
  for entry in "${cases[@]}"; do
    IFS='|' read -r names fps message <<< "$entry"
    list=$names
    if [[ $names != /* ]]; then
      list=$work/list.ffconcat
      { echo "ffconcat version 1.0"; for name in $names; do echo "file '$name.mp4'"; done; } > "$list"
    fi
    cp "$work/earlier" "$work/joined.mp4"
    timeout 60 "$capture" "${range[@]}" --fps "$fps" --join "$list" "$work/joined.mp4" > "$work/out" 2> "$work/err"
    expect_failure 1 "$message"
    cmp -s "$work/earlier" "$work/joined.mp4" || fail "a refused join ($names) replaced the earlier video"
  done

  # The right list joins, and its pictures stay on the frame grid: short
  # segments once slipped to 11.99 fps, which the check after joining
  # refuses.
  { echo "ffconcat version 1.0"; for k in 1 2 3; do echo "file 'seg$k.mp4'"; done; } > "$work/list.ffconcat"
  timeout 60 "$capture" "${range[@]}" --fps 12 --join "$work/list.ffconcat" "$work/joined.mp4" > "$work/out" 2> "$work/err" ||
    { show_stderr; fail "the segments in order were not joined"; }

  # A stop while ffmpeg joins: the signal's status, the earlier video kept.
  mkdir -p "$work/bin"
  printf '#!/bin/sh\nexec sleep 60\n' > "$work/bin/ffmpeg"
  chmod +x "$work/bin/ffmpeg"
  cp "$work/earlier" "$work/joined.mp4"
  PATH="$work/bin:$PATH" start_job "${range[@]}" --fps 12 --join "$work/list.ffconcat" "$work/joined.mp4"
  local deadline=$((SECONDS + 60))
  until compgen -G "$work/joined.partial-*" > /dev/null; do
    (( SECONDS < deadline )) || { kill -KILL "$job"; fail "the join did not start ffmpeg"; return; }
    sleep 0.1
  done
  kill -TERM "$job"
  expect_stopped 30 143 SIGTERM
  cmp -s "$work/earlier" "$work/joined.mp4" || fail "a stopped join replaced the earlier video"
  [[ -n $(compgen -G "$work/joined.partial-*") ]] && fail "a stopped join left its partial file"
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
  # An End that wraps round to 49.7 days in: no frames are planned.
  sed 's/^End .*/End #-1.0/' data/script.txt > "$work/far-end.txt"
  run_capture --script "$work/far-end.txt" --frames "$work/f"
  expect_failure 1 "ends at =4294965376, 49.7 days away, so say where the capture stops with --to"

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
  # Nor has one that leaves a video without its index, as ffmpeg does on a
  # full disk, and exits with 0.
  printf '#!/bin/sh\ncat > /dev/null\nfor last; do :; done\necho "no index" > "${last#file:}"\n' > "$work/bin/ffmpeg"
  PATH="$work/bin:$PATH" run_capture --to '=200' "$work/empty.mp4"
  expect_failure 1 "the video it made is not whole"
  [[ $(cat "$work/empty.mp4") == earlier ]] || fail "a video that is not whole replaced the earlier one"

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
  # A second capture into the same folder is refused while it runs, and
  # removes none of its frames.
  run_capture --from '#16.0' --to '=31000' --frames "$work/f" --overwrite
  expect_failure 1 "another capture is writing its frames into $work/f"
  [[ -e $(frame_file "$work/f" 2) ]] || fail "a refused capture removed the running capture's frames"
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

  # Far into a long show, the capture first replays millions of frames
  # without drawing (a minute or more): a stop is noticed there too.
  sed 's/^End .*/End =2147483000/' data/script.txt > "$work/far.txt"
  start_job --script "$work/far.txt" --from '=2147000000' --to '=2147001000' --frames "$work/far"
  sleep 5
  kill -INT -- "-$job"
  expect_stopped 15 130 SIGINT
}

case "$case_name" in
  repeat | golden | bar8 | video | errors | signals | segments | split | ssh | ssh_speed | join) "case_$case_name" ;;
  *) echo "unknown case $case_name"; exit 2 ;;
esac
exit $status
