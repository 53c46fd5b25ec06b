#!/usr/bin/env bash
# Exits 0 when this machine can run 32-bit Windows programs under Wine, else
# prints why not and exits 1. Wine's 32-bit loader is a 32-bit Linux program:
# a kernel built without 32-bit support refuses it ("Exec format error"), and
# then no test of the viewer can run here, however the build went.
set -uo pipefail
loader=/usr/lib/wine/wine
if [ ! -x "$loader" ]; then
  echo "wine32-runs: $loader is missing (the wine32:i386 package)" >&2
  exit 1
fi
if ! timeout 30 "$loader" --version >/dev/null 2>&1; then
  echo "wine32-runs: this machine cannot run $loader, a 32-bit Linux program (Exec format error: the kernel has no 32-bit support)" >&2
  exit 1
fi
exit 0
