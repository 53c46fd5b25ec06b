#!/usr/bin/env bash
# Runs a command with an X display: the one in DISPLAY when it answers,
# otherwise a private Xvfb started for the command and stopped after it.
set -uo pipefail
if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  exec "$@"
fi
for n in $(seq 90 140); do
  [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  for _ in $(seq 1 50); do
    DISPLAY=":$n" xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
  if DISPLAY=":$n" xdpyinfo >/dev/null 2>&1; then
    export DISPLAY=":$n"
    "$@"
    status=$?
    # Wine's helper processes hold the display; end them before it goes.
    here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
    default=$here/build/wineprefix
    [ "${TAVELIN_WINEARCH:-}" = win64 ] && default=$here/build/wineprefix64
    WINEPREFIX=${TAVELIN_WINEPREFIX:-$default} wineserver -k 2>/dev/null
    for prefix in "$here"/build/wineprefix*-*dpi; do
      [ -d "$prefix" ] && WINEPREFIX=$prefix wineserver -k 2>/dev/null
    done
    kill "$xvfb" 2>/dev/null
    wait "$xvfb" 2>/dev/null
    exit $status
  fi
  kill "$xvfb" 2>/dev/null
done
echo "with-display: could not start Xvfb" >&2
exit 2
