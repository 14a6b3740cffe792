#!/usr/bin/env bash
# Installs what is missing, builds, and plays the show from the repository
# root (the show reads data/ from its working directory).
set -euo pipefail
cd "$(dirname "$0")"
tools/setup.sh

if [[ -z ${DISPLAY:-} && -z ${WAYLAND_DISPLAY:-} ]]; then
  echo "run.sh: there is no display (neither DISPLAY nor WAYLAND_DISPLAY is set), so the show cannot open its window." >&2
  exit 1
fi
exec ./build/demo
