#!/usr/bin/env bash
# `make soak` and `make soak-scroll`: the long runs of the real program under
# Wine. soak: seeded random input, STEPS steps (100000) or MINUTES minutes
# (20), fresh seeds unless SEED is given; soak-scroll: the middle-button
# speed scroll through a 100 MB file and a file of ten million lines, ROUNDS
# (10) times there and back. The whole output goes to build/soak.log; the
# summary lines come last. On a machine that cannot run 32-bit programs the
# program's x86-64 build (build/win64) is soaked under 64-bit Wine.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
build=${SOAK_BUILD:-$here/build/win32}
if [ -z "${SOAK_BUILD:-}" ] && ! "$here/scripts/wine32-runs.sh" 2>/dev/null; then
  echo "soak: this machine cannot run 32-bit programs; soaking the viewer's x86-64 build" >&2
  (cd "$here" && cmake --preset win64 >/dev/null && cmake --build --preset win64 >/dev/null) || exit 1
  build=$here/build/win64
  export TAVELIN_WINEARCH=win64
fi
case "${1:-random}" in
  scroll) filter='RandomInputSoak.DISABLED_SpeedScroll' ;;
  *) filter='RandomInputSoak.DISABLED_Random' ;;
esac
export TAVELIN_EXE=$build/tavelin.exe TAVELIN_EXAMPLES=$here/examples
export TAVELIN_SOAK_SEED=${SEED:-} TAVELIN_SOAK_STEPS=${STEPS:-100000}
export TAVELIN_SOAK_MINUTES=${MINUTES:-20} TAVELIN_SOAK_ROUNDS=${ROUNDS:-10}
log=${SOAK_LOG:-$build/soak.log}
"$here/scripts/with-display.sh" "$here/scripts/wine-run.sh" "$build/tavelin_e2e_tests.exe" \
  --gtest_also_run_disabled_tests --gtest_filter="$filter" 2>&1 | grep --line-buffered -av '^fixme:' | tee "$log"
status=${PIPESTATUS[0]}
echo
grep -a '^soak:' "$log"
exit "$status"
