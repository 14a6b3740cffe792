#!/usr/bin/env bash
# Installs what is missing, builds, and plays the show from the repository
# root (the show reads data/ from its working directory). Without a display
# it renders the show to show.mp4 instead.
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "run.sh: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the show cannot open its window; rendering it to show.mp4 instead (this takes several minutes)." >&2
  exec ./build/demo-capture show.mp4
fi
exec ./build/demo
