#!/usr/bin/env bash
# Runs every libFuzzer target of build/fuzz for a bounded time each, starting
# from the seed corpus in fuzz/corpus/<target> (copied, so the repository's
# seeds stay small). Exits non-zero when any target finds a failure.
set -uo pipefail
seconds=${1:-60}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
status=0
ran=0
for target in "$here"/build/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  work="$here/build/fuzz/corpus/$name"
  mkdir -p "$work"
  seeds="$here/fuzz/corpus/$name"
  [ -d "$seeds" ] && cp -n "$seeds"/* "$work"/ 2>/dev/null
  echo "fuzz: $name for ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
       -artifact_prefix="$here/build/fuzz/$name-" -print_final_stats=0 "$work" \
       >"$here/build/fuzz/$name.log" 2>&1; then
    echo "fuzz: $name FAILED; see build/fuzz/$name.log" >&2
    tail -n 30 "$here/build/fuzz/$name.log" >&2
    status=1
  else
    grep -E '^#[0-9]+.*DONE' "$here/build/fuzz/$name.log" | tail -n 1
  fi
  ran=$((ran + 1))
done
echo "fuzz: $ran targets, $([ $status -eq 0 ] && echo no failures || echo failures found)"
exit $status
