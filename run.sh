#!/usr/bin/env bash
# Installs what is missing, builds the show and plays it from the repository
# root (the show reads data/ from its working directory). Without a display
# it renders the show to show.mp4 instead. Only the show and the capture are
# built here; ./test.sh builds and runs the tests.
set -euo pipefail
cd "$(dirname "$0")"

usage="usage: ./run.sh
Installs the Debian packages that are missing (with apt-get), builds the show
(build/demo) and the capture (build/demo-capture) as a Release build in build/,
and plays the show from this folder. Without a display (neither DISPLAY nor
WAYLAND_DISPLAY is set) it renders the show to show.mp4 instead. Safe to run
again: it installs and rebuilds only what is out of date. The tests are built
and run by ./test.sh."
case "${1:-}" in
  "") ;;
  -h | --help)
    echo "$usage"
    exit 0
    ;;
  *)
    echo "$usage" >&2
    exit 2
    ;;
esac

tools/setup.sh --programs

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "run.sh: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the show cannot open its window; rendering it to show.mp4 instead (this takes several minutes)." >&2
  exec ./build/demo-capture show.mp4
fi
exec ./build/demo
