#!/usr/bin/env bash
# capture-split.sh: renders the show to a video in segments that run at the
# same time, on this machine or on several, and joins them into one video.
#
#   tools/capture-split.sh [-j JOBS] [--sshlogin LOGINS] [--segments N]
#                          [--capture PROGRAM] [--remote-capture PATH]
#                          [--retries N] [--check] [demo-capture options] [--] [OUTPUT]
#
# Every segment is `demo-capture --segment K/N` with the same options: the
# K-th of N equal runs of the frames, which GNU parallel runs JOBS at a time
# here (-j, default: the number of processors) or on the machines that
# --sshlogin names (GNU parallel's list, e.g. "4/render1,4/render2,:" where
# ":" is this machine). The segments' videos are then joined by
# `demo-capture --join`, with ffmpeg's concat demuxer, without encoding the
# pictures again, and with the music put in once for the whole range.
# OUTPUT is show.mp4 unless given.
#
# With --sshlogin the show goes along: data/ and the script, packed once
# into an archive that each machine unpacks into a fresh folder in its home
# folder. Every segment, this machine's too, is drawn from that copy, so all
# of them draw the same show even while it is edited here. GNU parallel
# brings each segment back (rsync), and the folders go at the end. Before
# anything is drawn, each machine must answer over ssh, have rsync, and run
# a demo-capture (this one's path, or --remote-capture) whose --version is
# this one's: another build would draw other frames. A segment whose
# machine fails, or is lost, is tried again on another (--retries).
#
# The segments' frames are exactly the frames one demo-capture run would
# draw, so the joined video has its frame count and duration.
#
# Exit status: 0 when the video was made; 1 when a machine was refused, or a
# segment or the join failed, with OUTPUT left as it was; 2 for a wrong
# command line; 130, 143 or 129 when SIGINT, SIGTERM or SIGHUP stopped it,
# which stops the segments and removes them.
set -uo pipefail

program='capture-split.sh'
usage() {
  cat <<EOF
usage: $program [-j JOBS] [--sshlogin LOGINS] [--segments N] [--capture PROGRAM]
                [--remote-capture PATH] [--retries N] [--check]
                [--fps N] [--from TIME] [--to TIME] [--script FILE] [--] [OUTPUT]
Renders the show with demo-capture in N segments at once (GNU parallel), on
this machine (-j, default: one job per processor) or on the machines that
--sshlogin names, and joins them into OUTPUT (default show.mp4) with the music.
  -j, --jobs JOBS     segments at once on this machine (or on each machine)
  --sshlogin LOGINS   GNU parallel's list of machines, e.g. 4/render1,4/render2,:
                      where ":" is this machine and "4/" four at once there
  --segments N        how many segments (default: JOBS, or 8 with --sshlogin)
  --capture PROGRAM   the demo-capture to run here (default: the one beside this
                      script, else build/demo-capture, else on PATH)
  --remote-capture PATH  the demo-capture on the other machines, an absolute
                      path or a name on their PATH (default: PROGRAM's path)
  --retries N         with --sshlogin, a segment that fails is tried again up to
                      N times, on another machine where there is one (default 1)
  --check             with --sshlogin, only check the machines as a run would
The other options go to every demo-capture run as they are; -- ends the options.
Run it in the show's folder. With --sshlogin, data/ and the script are sent to
each machine (nothing else there is read), into a fresh folder in its home
folder that goes at the end. A machine needs ssh without a password, rsync,
and the same build of demo-capture with its libraries and ffmpeg; one that
cannot be reached or runs another build (its --version differs) is refused
before anything is drawn. The ssh command is \$PARALLEL_SSH, else ssh.
Exit status: 0 made, 1 failed (OUTPUT kept), 2 wrong usage, 130/143/129 stopped.
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
remote_capture=
jobs=
logins=
segments=
retries=1
script=
check_only=0
pass=()
output=
have_output=0
options_ended=0
while (($#)); do
  if ((options_ended)) || [[ $1 != -* || $1 == - ]]; then
    ((have_output)) && wrong "only one OUTPUT may be given"
    [[ -n $1 ]] || wrong "OUTPUT is empty"
    output=$1
    have_output=1
    shift
    continue
  fi
  case $1 in
    --) options_ended=1; shift ;;
    -h | --help) usage; exit 0 ;;
    --check) check_only=1; shift ;;
    -j | --jobs | --sshlogin | -S | --segments | --capture | --remote-capture | --retries | \
      --fps | --from | --to | --script)
      (($# >= 2)) || wrong "$1 needs a value"
      case $1 in
        -j | --jobs) jobs=$2 ;;
        --sshlogin | -S) logins=$2 ;;
        --segments) segments=$2 ;;
        --capture) capture=$2 ;;
        --remote-capture) remote_capture=$2 ;;
        --retries) retries=$2 ;;
        --script) script=$2 ;;
        *) pass+=("$1" "$2") ;;
      esac
      shift 2
      ;;
    -j*) jobs=${1#-j}; shift ;;
    --jobs=*) jobs=${1#*=}; shift ;;
    --sshlogin=*) logins=${1#*=}; shift ;;
    --segments=*) segments=${1#*=}; shift ;;
    --capture=*) capture=${1#*=}; shift ;;
    --remote-capture=*) remote_capture=${1#*=}; shift ;;
    --retries=*) retries=${1#*=}; shift ;;
    --script=*) script=${1#*=}; shift ;;
    --fps=* | --from=* | --to=*) pass+=("$1"); shift ;;
    --frames* | --segment* | --join* | --benchmark)
      wrong "${1%%=*} is not for a split capture: it always makes one video" ;;
    *) wrong "unknown option $1" ;;
  esac
done
((have_output)) || output=show.mp4

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
[[ $retries =~ ^[0-9]$ ]] || wrong "--retries must be a whole number from 0 to 9, not \"$retries\""
if [[ -n $remote_capture && $remote_capture != /* && $remote_capture == */* ]]; then
  wrong "--remote-capture takes an absolute path or a program name on the machines' PATH, not \"$remote_capture\""
fi
[[ -n $remote_capture && -z $logins ]] && wrong "--remote-capture is for the machines that --sshlogin names"
((check_only)) && [[ -z $logins ]] && wrong "--check checks the machines that --sshlogin names"

# Refused before anything is drawn, rather than after all of it.
[[ -d $output ]] && fail "$output is a folder: give the video a file name"
[[ -n $script && ! -f $script ]] && fail "cannot read the script $script: there is no such file"

command -v parallel > /dev/null ||
  fail "GNU parallel is missing (sudo apt-get install parallel, or tools/setup.sh)"
if [[ -z $capture ]]; then
  for candidate in "$here/demo-capture" "$here/../build/demo-capture"; do
    [[ -x $candidate ]] && { capture=$candidate; break; }
  done
  [[ -n $capture ]] || capture=$(command -v demo-capture) ||
    fail "cannot find demo-capture: build it, or name it with --capture"
fi
[[ $capture == /* ]] || capture=$PWD/$capture
output_path=$output
[[ $output == /* ]] || output_path=$PWD/$output

# Everything of this run lies in one folder here: the segments, the join
# list and, with --sshlogin, the copy of the show they are drawn from.
work=$(mktemp -d "$PWD/.capture-split-XXXXXX") || fail "cannot make a working folder in $PWD"

# The other machines, as --sshlogin names them, and the ssh command line
# that reaches each (GNU parallel's forms: [N/][SSH-COMMAND ][USER@]HOST[:PORT]).
host_names=()
host_logins=()
if [[ -n $logins ]]; then
  IFS=, read -r -a entries <<< "$logins"
  for entry in "${entries[@]}"; do
    entry=${entry#"${entry%%[! ]*}"}
    entry=${entry%"${entry##*[! ]}"}
    [[ $entry == @*/* ]] && entry=${entry#*/}
    [[ $entry =~ ^[0-9]+/ ]] && entry=${entry#*/}
    [[ -z $entry || $entry == : ]] && continue
    ssh_command=${PARALLEL_SSH:-ssh}
    target=$entry
    if [[ $entry == *" "* ]]; then
      ssh_command=${entry% *}
      target=${entry##* }
    fi
    user=
    port=
    if [[ $target == *@* ]]; then
      user=${target%@*}
      target=${target##*@}
      [[ $user == *:* ]] && wrong "$entry: a password in --sshlogin is not supported: log in with an ssh key"
    fi
    if [[ $target =~ ^([^:]+):([0-9]+)$ ]]; then
      target=${BASH_REMATCH[1]}
      port=${BASH_REMATCH[2]}
    fi
    login="$ssh_command -o BatchMode=yes -o ConnectTimeout=20${port:+ -p $port}${user:+ -l $user} $target"
    for known in "${host_logins[@]}"; do [[ $known == "$login" ]] && continue 2; done
    host_names+=("$entry")
    host_logins+=("$login")
  done
fi

# Runs the shell command $2 on machine $1 over ssh, in its home folder. It
# is run in the background (on_host ... &), where it becomes the ssh
# process, which a signal can stop.
on_host() {
  exec sh -c "exec ${host_logins[$1]} \"\$1\"" on-host "$2"
}

# The folder on the other machines: new for this run, named after this one.
remote_folder=.capture-split-$(hostname)-${work##*-}
staged=()

children=()
cleanup() {
  trap - INT TERM HUP
  local i pids=()
  for i in "${staged[@]}"; do
    on_host "$i" "rm -rf $remote_folder || { sleep 1; rm -rf $remote_folder; }" \
      < /dev/null > /dev/null 2> "$work/clean-$i.err" &
    pids[i]=$!
  done
  for i in "${staged[@]}"; do
    wait "${pids[i]}" ||
      echo "$program: could not remove ~/$remote_folder on ${host_names[i]}: $(tail -n 1 "$work/clean-$i.err"); remove it by hand" >&2
  done
  rm -rf "$work"
}
trap cleanup EXIT
# A command in the foreground would hold a signal back until it ended, so
# every long one runs in the background, and a signal stops it at once.
stop() {
  trap - INT TERM HUP
  ((${#children[@]})) && kill -TERM "${children[@]}" 2> /dev/null
  wait
  echo "$program: stopped by $1; no video was made, and $output is as it was" >&2
  exit "$2"
}
trap 'stop SIGINT 130' INT
trap 'stop SIGTERM 143' TERM
trap 'stop SIGHUP 129' HUP
# Runs a command in the folder $1, in the background, and waits for it.
in_background() {
  (cd "$1" && shift && exec "$@") &
  children+=($!)
  wait $!
}
quote_for_sh() { printf "'%s'" "${1//\'/\'\\\'\'}"; }
# A demo-capture that keeps its caches (Mesa's shaders) in the folder it
# runs in, which goes at the end.
write_runner() {
  printf '#!/bin/sh\nXDG_CACHE_HOME="$(pwd)/.cache"\nexport XDG_CACHE_HOME\nexec %s "$@"\n' \
    "$(quote_for_sh "$1")" > "$2" && chmod +x "$2"
}

show_args=("${pass[@]}")
run_in=$PWD
segment_dir=$work
segment_name=$work/segment-{}.mp4
if [[ -n $logins ]]; then
  # Each machine must run this build before anything is sent or drawn.
  version=$("$capture" --version 2>&1) || fail "cannot run $capture: $version"
  remote_capture=${remote_capture:-$capture}
  check="command -v rsync > /dev/null 2>&1 || exit 97; $(printf %q "$remote_capture") --version"
  pids=()
  for i in "${!host_logins[@]}"; do
    on_host "$i" "$check" < /dev/null > "$work/check-$i.out" 2> "$work/check-$i.err" &
    pids[i]=$!
    children+=($!)
  done
  refused=0
  for i in "${!host_logins[@]}"; do
    wait "${pids[i]}"
    status=$?
    name=${host_names[i]}
    said=$(tail -n 1 "$work/check-$i.err")
    case $status in
      0) [[ $(cat "$work/check-$i.out") == "$version" ]] && continue
         echo "$program: $name runs another build of demo-capture: $remote_capture there says \"$(head -n 1 "$work/check-$i.out")\", this one \"$version\"; install this build there, or name it with --remote-capture" >&2 ;;
      255) echo "$program: cannot log in to $name with ssh: $said" >&2 ;;
      97) echo "$program: $name has no rsync, which brings the segments back (sudo apt-get install rsync there)" >&2 ;;
      *) echo "$program: $name cannot run $remote_capture: $said; copy this build there, or name it with --remote-capture" >&2 ;;
    esac
    refused=$((refused + 1))
  done
  if ((check_only)); then
    ((refused == 0)) || fail "$refused of the ${#host_logins[@]} machines would be refused"
    echo "$program: the ${#host_logins[@]} machines are ready: they answer over ssh, have rsync and run this build" >&2
    exit 0
  fi
  ((refused == 0)) || fail "$refused of the machines refused; nothing was drawn, and $output is as it was"

  # The show: data/ and the script, which may lie elsewhere.
  [[ -d data ]] || fail "there is no data/ folder here: run $program in the show's folder"
  archive=$work/show.tar
  in_background . tar -c -h -f "$archive" data || fail "cannot pack data/ to send it to the machines"
  if [[ -n $script ]]; then
    in_show=$(realpath -s --relative-to=. -- "$script")
    case $in_show in
      data/*) ;;
      ../* | /*)
        in_background . tar -r -h -f "$archive" -C "$(dirname -- "$script")" --transform 's|.*|script.txt|' \
          "./$(basename -- "$script")" || fail "cannot pack the script $script"
        in_show=script.txt
        ;;
      *) in_background . tar -r -h -f "$archive" -- "$in_show" || fail "cannot pack the script $script" ;;
    esac
    show_args+=(--script "$in_show")
  fi
  write_runner "$remote_capture" "$work/run-capture" &&
    tar -r -f "$archive" -C "$work" run-capture || fail "cannot pack the show"

  # This machine draws from a copy as well, in which the machines' folder
  # name leads back to the copy itself.
  run_in=$work/show
  segment_dir=$run_in
  segment_name=segment-{}.mp4
  mkdir "$run_in" && in_background . tar -x -f "$archive" -C "$run_in" && write_runner "$capture" "$run_in/run-capture" &&
    ln -s . "$run_in/$remote_folder" || fail "cannot unpack the show in $work"

  pids=()
  for i in "${!host_logins[@]}"; do
    staged+=("$i")
    on_host "$i" "mkdir $remote_folder && tar -x -f - -C $remote_folder" \
      < "$archive" > /dev/null 2> "$work/send-$i.err" &
    pids[i]=$!
    children+=($!)
  done
  for i in "${!host_logins[@]}"; do
    wait "${pids[i]}" || {
      echo "$program: cannot send the show to ${host_names[i]}: $(tail -n 1 "$work/send-$i.err")" >&2
      refused=$((refused + 1))
    }
  done
  ((refused == 0)) || fail "nothing was drawn, and $output is as it was"
elif [[ -n $script ]]; then
  show_args+=(--script "$script")
fi

# The segments. --line-buffer shows the messages of a try that is made again.
places=(-j "${jobs:-$(nproc)}")
command=("$capture")
if [[ -n $logins ]]; then
  places=(--sshlogin "$logins" --workdir "$remote_folder" --return "segment-{}.mp4" --cleanup
          --retries $((retries + 1)))
  [[ -n $jobs ]] && places+=(-j "$jobs")
  command=(./run-capture)
fi
# Draws the segments numbered in the arguments; pass $1 keeps its log of
# where each ran in $work/joblog-$1.
draw() {
  local log=$work/joblog-$1
  shift
  in_background "$run_in" parallel --halt now,fail=1 --line-buffer --tagstring "segment {}/$segments:" \
    --joblog "$log" --termseq TERM,2000,KILL,25 --quote "${places[@]}" \
    "${command[@]}" "${show_args[@]}" --segment "{}/$segments" "$segment_name" ::: "$@" && return
  # Each failed segment, from its last try, on the machine where it ran.
  awk -F '\t' -v parts="$segments" -v program="$program" '
    NR > 1 && ($7 != 0 || $8 != 0) {
      where = ($2 == ":") ? "this machine" : $2
      why = $8 != 0 ? "signal " $8 : $7 == 255 ? "the connection was lost" : "exit status " $7
      printf "%s: segment %s/%s failed on %s (%s)\n", program, $1, parts, where, why > "/dev/stderr"
    }' "$log"
  fail "a segment failed (its messages are above); nothing was joined, and $output is as it was"
}
# The segments missing here, each with the machine that drew it.
missing() {
  local k
  for ((k = 1; k <= segments; k++)); do
    [[ -s $segment_dir/segment-$k.mp4 ]] ||
      echo "$k $(awk -F '\t' -v k="$k" '$1 == k { print ($2 == ":") ? "this machine" : $2 }' "$work"/joblog-*)"
  done
}

echo "$program: $segments segments of the capture, by GNU parallel" >&2
draw 1 $(seq 1 "$segments")
# A machine lost after it drew a segment, before the segment came back,
# ends its try well; the segment is drawn again.
lost=$(missing)
if [[ -n $lost && -n $logins ]] && ((retries > 0)); then
  while read -r k where; do
    echo "$program: segment $k/$segments did not come back from $where; drawing it again" >&2
  done <<< "$lost"
  draw 2 $(cut -d ' ' -f 1 <<< "$lost")
  lost=$(missing)
fi
if [[ -n $lost ]]; then
  while read -r k where; do
    echo "$program: segment $k/$segments did not come back from $where" >&2
  done <<< "$lost"
  fail "nothing was joined, and $output is as it was"
fi

if [[ -n $logins ]]; then
  # How many segments each machine drew.
  awk -F '\t' -v program="$program" '
    FNR > 1 && $7 == 0 && $8 == 0 { drawn[$1] = $2 }
    END {
      for (k in drawn) {
        if (!(drawn[k] in count)) order[++machines] = drawn[k]
        count[drawn[k]]++
      }
      line = program ": the segments were drawn by"
      for (m = 1; m <= machines; m++) {
        line = line (m == 1 ? " " : m == machines ? " and " : ", ")
        line = line (order[m] == ":" ? "this machine" : order[m]) " (" count[order[m]] ")"
      }
      print line > "/dev/stderr"
    }' "$work"/joblog-*
fi

{
  echo "ffconcat version 1.0"
  for ((k = 1; k <= segments; k++)); do
    echo "file 'segment-$k.mp4'"
  done
} > "$segment_dir/segments.ffconcat"
in_background "$run_in" "$capture" "${show_args[@]}" --join "$segment_dir/segments.ffconcat" -- "$output_path" ||
  fail "the segments could not be joined (the messages are above)"
