#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix.
# Used as CMake's cross-compiling emulator and by `make run`. TAVELIN_WINEARCH=win64
# runs 64-bit programs (the Explorer handlers' 64-bit build) in a prefix of
# their own, build/wineprefix64 unless TAVELIN_WINEPREFIX says otherwise.
# The prefix is created on first use (wineboot, about 20 s) with the crash
# dialog turned off, so a crashing test fails instead of hanging, and with a
# Wine desktop of its own: windows get their frames drawn as on Windows and are
# created and destroyed without waiting for an X window manager that Xvfb lacks.
# With TAVELIN_WINE_DPI=N the prefix is another one, build/wineprefix-Ndpi,
# whose screen has N DPI (the user's LogPixels, as the display settings write
# it), for the tests and figures of a high-resolution screen.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
dpi=${TAVELIN_WINE_DPI:-}
export WINEARCH=${TAVELIN_WINEARCH:-win32}
if [ "$WINEARCH" = win64 ]; then
  export WINEPREFIX=${TAVELIN_WINEPREFIX:-$here/build/wineprefix64${dpi:+-${dpi}dpi}}
  # Debian's wine command prefers the 32-bit loader; a 64-bit prefix wants its own.
  export WINELOADER=/usr/lib/wine/wine64
  wine() { "$WINELOADER" "$@"; }
  wineboot() { "$WINELOADER" wineboot "$@"; }
else
  export WINEPREFIX=${TAVELIN_WINEPREFIX:-$here/build/wineprefix${dpi:+-${dpi}dpi}}
fi
# `wine-run.sh --prefix` names the prefix and runs nothing.
if [ "${1:-}" = "--prefix" ]; then echo "$WINEPREFIX"; exit 0; fi
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml="

if [ ! -f "$WINEPREFIX/.tavelin-ready-desktop" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  exec 9>"$WINEPREFIX.lock"
  flock 9
  if [ ! -f "$WINEPREFIX/.tavelin-ready-desktop" ]; then
    rm -rf "$WINEPREFIX"
    echo "wine-run: creating Wine prefix $WINEPREFIX" >&2
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f >/dev/null 2>&1
    if [ -n "$dpi" ]; then
      wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null 2>&1
    fi
    wineserver -w
    touch "$WINEPREFIX/.tavelin-ready-desktop"
  fi
  flock -u 9
fi

# Wine's own fonts (the fonts-wine package: Marlett for the caption buttons,
# MS Sans Serif, Tahoma) are installed where this Wine build does not look for
# them; the prefix's Fonts folder is where every Wine looks.
fonts=/usr/share/wine/fonts
if [ -e "$fonts/marlett.ttf" ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ] &&
   [ ! -e "$WINEPREFIX/drive_c/windows/Fonts/marlett.ttf" ]; then
  cp -n "$fonts"/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
fi

if [ -z "${DISPLAY:-}" ]; then
  echo "wine-run: no DISPLAY; run through scripts/with-display.sh" >&2
  exit 2
fi
if [ "$WINEARCH" = win64 ]; then exec "$WINELOADER" "$@"; fi
exec wine "$@"
