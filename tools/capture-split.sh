#!/usr/bin/env bash
# capture-split.sh: renders the show to a video in segments that run at the
# same time, on this machine or on several, and joins them into one video.
#
#   tools/capture-split.sh [-j JOBS] [--sshlogin LOGINS] [--segments N]
#                          [--capture PROGRAM] [demo-capture options] [OUTPUT]
#
# Every segment is `demo-capture --segment K/N` with the same options: the
# K-th of N equal runs of the frames, which GNU parallel runs JOBS at a time
# here (-j, default: the number of processors) or on the machines that
# --sshlogin names (GNU parallel's list, e.g. "4/render1,4/render2,:" where
# ":" is this machine). Those machines need the same build and the same
# show folder: the program is started there under the same path, in this
# folder (taken relative to the home folder when it lies below it). The
# segments' videos are then joined by `demo-capture --join`, with ffmpeg's
# concat demuxer, without encoding the pictures again, and with the music
# put in once for the whole range. OUTPUT is show.mp4 unless given.
#
# The segments' frames are exactly the frames one demo-capture run would
# draw, so the joined video has its frame count and duration.
#
# Exit status: 0 when the video was made, 1 when a segment or the join
# failed, 2 for a wrong command line.
set -uo pipefail

program=capture-split.sh
usage() {
  cat <<EOF
usage: $program [-j JOBS] [--sshlogin LOGINS] [--segments N] [--capture PROGRAM]
                [--fps N] [--from TIME] [--to TIME] [--script FILE] [OUTPUT]
Renders the show with demo-capture in N segments at once (GNU parallel), on
this machine (-j, default: one job per processor) or on the machines that
--sshlogin names (same build and show folder there), and joins them into
OUTPUT (default show.mp4) with the music.
  -j, --jobs JOBS     segments at once on this machine
  --sshlogin LOGINS   GNU parallel's list of machines, e.g. 4/render1,4/render2,:
  --segments N        how many segments (default: JOBS, or 8 with --sshlogin)
  --capture PROGRAM   the demo-capture to run (default: the one beside this
                      script, else build/demo-capture, else on PATH)
The other options go to every demo-capture run as they are.
EOF
}
fail() {
  echo "$program: $*" >&2
  exit 1
}
wrong() {
  echo "$program: $*" >&2
  usage >&2
  exit 2
}

here=$(cd "$(dirname "$0")" && pwd)
capture=
jobs=
logins=
segments=
pass=()
output=
while (($#)); do
  case $1 in
    -h | --help) usage; exit 0 ;;
    -j | --jobs) (($# >= 2)) || wrong "$1 needs a value"; jobs=$2; shift 2 ;;
    -j*) jobs=${1#-j}; shift ;;
    --jobs=*) jobs=${1#*=}; shift ;;
    --sshlogin | -S) (($# >= 2)) || wrong "$1 needs a value"; logins=$2; shift 2 ;;
    --sshlogin=*) logins=${1#*=}; shift ;;
    --segments) (($# >= 2)) || wrong "$1 needs a value"; segments=$2; shift 2 ;;
    --segments=*) segments=${1#*=}; shift ;;
    --capture) (($# >= 2)) || wrong "$1 needs a value"; capture=$2; shift 2 ;;
    --capture=*) capture=${1#*=}; shift ;;
    --fps | --from | --to | --script)
      (($# >= 2)) || wrong "$1 needs a value"
      pass+=("$1" "$2")
      shift 2
      ;;
    --fps=* | --from=* | --to=* | --script=*) pass+=("$1"); shift ;;
    --frames* | --segment* | --join* | --benchmark)
      wrong "${1%%=*} is not for a split capture: it always makes one video" ;;
    -*) wrong "unknown option $1" ;;
    *)
      [[ -z $output ]] || wrong "only one OUTPUT may be given"
      output=$1
      shift
      ;;
  esac
done
output=${output:-show.mp4}

whole_number() { [[ $1 =~ ^[1-9][0-9]{0,3}$ ]]; }
if [[ -n $jobs ]]; then
  whole_number "$jobs" || wrong "-j must be a whole number from 1 to 9999, not \"$jobs\""
fi
if [[ -n $segments ]]; then
  whole_number "$segments" || wrong "--segments must be a whole number from 1 to 9999, not \"$segments\""
elif [[ -n $logins ]]; then
  segments=8
else
  segments=${jobs:-$(nproc)}
fi

command -v parallel > /dev/null ||
  fail "GNU parallel is missing (sudo apt-get install parallel, or tools/setup.sh)"
if [[ -z $capture ]]; then
  for candidate in "$here/demo-capture" "$here/../build/demo-capture"; do
    [[ -x $candidate ]] && { capture=$candidate; break; }
  done
  [[ -n $capture ]] || capture=$(command -v demo-capture) ||
    fail "cannot find demo-capture: build it, or name it with --capture"
fi
# The other machines start it under the same path.
[[ $capture == /* ]] || capture=$PWD/$capture

# The segments lie beside each other in this folder, under names of this
# run, so that GNU parallel can bring them back from the other machines.
stem=.capture-split-$$
list=$stem.ffconcat
cleanup() { rm -f "$stem"-*.mp4 "$list"; }
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

places=(-j "${jobs:-$(nproc)}")
if [[ -n $logins ]]; then
  # Each segment comes back here and is removed there; a segment made here
  # stays where it is.
  places=(--sshlogin "$logins" --workdir . --return "$stem-{}.mp4" --cleanup)
  [[ -n $jobs ]] && places+=(-j "$jobs")
fi

echo "$program: $segments segments of the capture, by GNU parallel" >&2
parallel --halt now,fail=1 --quote "${places[@]}" \
  "$capture" "${pass[@]}" --segment "{}/$segments" "$stem-{}.mp4" ::: $(seq 1 "$segments") ||
  fail "a segment failed (its messages are above); nothing was joined"

{
  echo "ffconcat version 1.0"
  for ((k = 1; k <= segments; k++)); do
    [[ -s $stem-$k.mp4 ]] || fail "segment $k did not come back"
    echo "file '$stem-$k.mp4'"
  done
} > "$list"
"$capture" "${pass[@]}" --join "$list" "$output" || fail "the segments could not be joined"
