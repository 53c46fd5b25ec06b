#!/usr/bin/env bash
# `make run`: starts the viewer on a file.
# - On Windows (MSYS2/mingw shells) the program simply starts.
# - With a working X display it starts under Wine and stays until you close it.
# - Without a display it starts on a private virtual display, waits for the
#   window to paint, saves a screenshot to build/run-screenshot.png, prints the
#   path and stops the program.
# On a machine that cannot run 32-bit programs it runs the program's x86-64
# build (build/win64) in 64-bit Wine: the same sources, the same pixels.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
exe="$here/build/win32/tavelin.exe"
case "$(uname -s)" in
  MINGW*|MSYS*|CYGWIN*) ;;
  *) if ! "$here/scripts/wine32-runs.sh" 2>/dev/null; then
       echo "run: this machine cannot run 32-bit programs; running the viewer's x86-64 build" >&2
       (cd "$here" && cmake --preset win64 >/dev/null && cmake --build --preset win64 --target tavelin >/dev/null) || exit 1
       exe="$here/build/win64/tavelin.exe"
       export TAVELIN_WINEARCH=win64
     fi ;;
esac
file=${1:-examples/welcome.nfo}
[ -e "$file" ] || [ -e "$here/$file" ] || { echo "run: no such file: $file" >&2; exit 1; }
[ -e "$file" ] || file="$here/$file"

case "$(uname -s)" in
  MINGW*|MSYS*|CYGWIN*) exec "$exe" "$file" ;;
esac

WINEPREFIX=$("$here/scripts/wine-run.sh" --prefix)
export WINEPREFIX
winfile=$("$here/scripts/wine-run.sh" winepath -w "$file" 2>/dev/null | tr -d '\r') || true
[ -n "${winfile:-}" ] || winfile="$file"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "run: starting Tavelin on $file (close the window to stop)"
  exec "$here/scripts/wine-run.sh" "$exe" "$winfile"
fi

shot="$here/build/run-screenshot.png"
headless() {
  "$here/scripts/wine-run.sh" "$exe" "$winfile" &
  local pid=$!
  local found=
  for _ in $(seq 1 150); do
    # The window shows inside Wine's own desktop window (see wine-run.sh).
    if xwininfo -root -tree 2>/dev/null | grep -q -E '"Tavelin"|Wine desktop'; then found=1; break; fi
    sleep 0.2
  done
  sleep 2.5
  if [ -n "$found" ]; then
    import -window root "$shot" && echo "run: screenshot of the running viewer: $shot"
  else
    import -window root "$shot" 2>/dev/null
    echo "run: the viewer window did not appear; screenshot of the display: $shot" >&2
  fi
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null
  kill "$pid" 2>/dev/null
  wait "$pid" 2>/dev/null
  [ -n "$found" ]
}
export -f headless 2>/dev/null
export here exe winfile shot
"$here/scripts/with-display.sh" bash -c "$(declare -f headless); headless"
