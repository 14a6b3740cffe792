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
#   tests/windows/wine.sh --serve   keeps Wine's server running between
#                                   programs until --stop ends it
#   tests/windows/wine.sh --stop    ends the programs and the server, at once
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
case ${1:-} in
  --wait | --stop)
    # Without a prefix there is nothing to wait for or stop.
    [[ -f $WINEPREFIX/system.reg ]] || exit 0
    if [[ $1 == --stop ]]; then wineserver --kill 2> /dev/null || true; fi
    exec wineserver --wait ;;
esac
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
if [[ ${1:-} == --serve ]]; then
  # The server otherwise ends a few seconds after its last program, and a
  # program starting just then can meet it on its way out; many short
  # programs in a row (the tests under ctest) keep one server instead.
  # The services Wine starts with its first program keep that program's
  # output open as long as the server runs: start them here, on nothing,
  # so that no later program's output stays open (ctest waits for it).
  wineserver --persistent < /dev/null > /dev/null 2>&1
  exec wine cmd.exe /c exit < /dev/null > /dev/null 2>&1
fi
exec wine "$@"
