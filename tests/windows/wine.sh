#!/usr/bin/env bash
# Runs a Windows program under Wine, in a Wine set-up of its own that asks
# no questions: the prefix is SHOW_WINEPREFIX (default build-windows/wine),
# made on first use, with Wine's Mono and Gecko installers turned off and
# its debugging messages silenced. Without a sound device the programs take
# SDL's dummy audio driver, as the show does on Linux without one.
#
#   tests/windows/wine.sh PROGRAM.exe [ARGUMENTS...]
#   tests/windows/wine.sh --wait    waits until the programs have ended and
#                                   Wine's server has stopped
#
# Wine writes text-mode output with CR LF line ends, as Windows does. Its
# programs draw on the X display that the first of them found while its
# server runs: wait for it to stop before another display is used.
set -euo pipefail
repo=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
export WINEPREFIX=${SHOW_WINEPREFIX:-$repo/build-windows/wine}
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=d;mshtml=d"
export SDL_AUDIODRIVER=${SDL_AUDIODRIVER:-dummy}
if [[ ! -f $WINEPREFIX/system.reg ]]; then
  mkdir -p "$WINEPREFIX"
  # One set-up at a time, however many tests start together.
  (
    flock 9
    if [[ ! -f $WINEPREFIX/system.reg ]]; then
      DISPLAY='' wineboot --init > /dev/null 2>&1
      wineserver --wait
    fi
  ) 9> "$WINEPREFIX.lock"
fi
if [[ ${1:-} == --wait ]]; then
  exec wineserver --wait
fi
exec wine "$@"
