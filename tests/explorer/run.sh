#!/usr/bin/env bash
# Runs the Explorer handler tests of one architecture under Wine:
#   run.sh win32|win64 TEST_EXE DLL [gtest options]
# The pictures to compare with come from tavelin-render (the release build,
# made when missing) through make_cases.py, into the test's build folder.
# A second pass runs the pane's test at 192 DPI: Wine takes a process's DPI
# from the prefix's LogPixels when the process starts.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
arch=$1 exe=$2 dll=$3
shift 3
render=${TAVELIN_RENDER:-$here/build/release/tavelin-render}
if [ ! -x "$render" ]; then
  (cd "$here" && cmake --preset release >/dev/null && cmake --build --preset release >/dev/null)
fi
cases=$(dirname "$exe")/explorer-cases
python3 "$here/tests/explorer/make_cases.py" "$render" "$here/examples" "$cases"
export TAVELIN_WINEARCH=$arch TAVELIN_EXPLORER_DLL=$dll TAVELIN_EXPLORER_CASES=$cases
wine=$here/scripts/wine-run.sh
status=0
"$wine" "$exe" "$@" || status=$?
dpi='HKCU\Control Panel\Desktop'
# The prefix's own LogPixels, if it has one, comes back afterwards.
before=$("$wine" reg query "$dpi" /v LogPixels 2>/dev/null | tr -d '\r' | awk '$1 == "LogPixels" {print $3}') || true
if [ -n "$before" ]; then
  trap '"$wine" reg add "$dpi" /v LogPixels /t REG_DWORD /d "$before" /f >/dev/null 2>&1' EXIT
else
  trap '"$wine" reg delete "$dpi" /v LogPixels /f >/dev/null 2>&1' EXIT
fi
"$wine" reg add "$dpi" /v LogPixels /t REG_DWORD /d 192 /f >/dev/null 2>&1
TAVELIN_EXPLORER_DPI=192 "$wine" "$exe" --gtest_filter='*AtTwiceTheDpi*' || status=$?
exit $status
