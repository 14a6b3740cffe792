#!/usr/bin/env bash
# Every program answers --help and --version alike, and a wrong option is
# status 2 (the show ignores other arguments); output that cannot be
# written is status 2. Without a display, the show
# and the preview say so at once and end, the show with 0 and the preview
# with 1, instead of playing where nobody sees them.
#   command_lines.sh BUILD_DIR VERSION [PROGRAM...]
# Given PROGRAMs (the Windows release's, run through wrappers in BUILD_DIR),
# only their options are checked.
set -u
build=$1
version=$2
shift 2
programs=("$@")
[[ $# == 0 ]] && programs=(demo demo-check demo-preview demo-capture demo-new model-info
                            make-pictures make-pebble make-music)
failed=0
fail() { echo "$*"; failed=1; }

for program in "${programs[@]}"; do
  out=$("$build/$program" --version 2> /dev/null)
  [[ $? == 0 && $out =~ ^"$program $version (build "[0-9a-f]{12}")"$ ]] || fail "$program --version gave '$out'"
  out=$("$build/$program" --help 2> /dev/null)
  [[ $? == 0 && $out == usage:* ]] || fail "$program --help does not start with its usage"
  [[ $program == demo ]] && continue
  "$build/$program" --no-such-option > /dev/null 2>&1
  rc=$?
  [[ $rc == 2 ]] || fail "$program --no-such-option ended with $rc, not 2"
done

(($# == 0)) || exit $failed
cd "$(dirname "$0")/../.."
# What cannot be written to standard output (a full disk) is status 2 and a
# message, for every program's answers and for the checker's and
# model-info's results.
runs=("demo-check --play 16 8000 data/script.txt" "model-info data/3ds/pebble.3ds")
for program in "${programs[@]}"; do runs+=("$program --version"); done
for run in "${runs[@]}"; do
  read -r program arguments <<< "$run"
  # shellcheck disable=SC2086
  err=$(SDL_AUDIODRIVER=dummy "$build/$program" $arguments 2>&1 > /dev/full)
  rc=$?
  [[ $rc == 2 && $err == *"cannot write to standard output"* ]] ||
    fail "$run > /dev/full ended with $rc, not 2 with a message: $err"
done
for case in "demo 0" "demo-preview 1"; do
  read -r program expected <<< "$case"
  err=$(env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER SDL_AUDIODRIVER=dummy \
        timeout 30 "$build/$program" 2>&1 > /dev/null)
  rc=$?
  [[ $rc == "$expected" ]] || fail "$program without a display ended with $rc, not $expected"
  [[ $err == *"no display"* ]] || fail "$program without a display did not say so: $err"
done
exit $failed
