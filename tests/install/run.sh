#!/usr/bin/env bash
# `make test-install`: the launcher and the install/uninstall round trip.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
status=0
"$here/launcher.sh" || status=1
"$here/manifest.sh" || status=1
exit $status
