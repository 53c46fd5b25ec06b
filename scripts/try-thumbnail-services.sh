#!/usr/bin/env bash
# Tries the thumbnailer with the two thumbnail services of Linux file
# managers, headless: tumbler over its D-Bus interface in a private D-Bus
# session, and GNOME's thumbnail factory in process (tools/thumbnail_services.py),
# both in a private HOME and cache, in both sizes.
#   scripts/try-thumbnail-services.sh [FILE...]
# Without files: the sample, a UTF-8 copy of it, two 16,000-column lines, a
# 1 MB line, a 300 MB file, binary junk, an empty file and one of line ends.
# Needs Debian's tumbler, gir1.2-gnomedesktop-3.0, bubblewrap and python3-gi,
# and build/release/tavelin-render (make). GNOME's factory runs a thumbnailer
# in a sandbox that sees /usr only, so the renderer and its .thumbnailer file
# are put in a folder under /usr/local/lib for the run and removed after it.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
render=${TAVELIN_RENDER:-$here/build/release/tavelin-render}
[ -x "$render" ] || { echo "try-thumbnail-services: build $render first (make)" >&2; exit 2; }

work=$(mktemp -d /tmp/tavelin-thumbnails.XXXXXX)
prefix=$(mktemp -d /usr/local/lib/tavelin-thumbnail-try.XXXXXX)
trap 'rm -rf "$work" "$prefix"' EXIT
chmod 755 "$prefix"
install -D -m 755 "$render" "$prefix/bin/tavelin-render"
install -D -m 644 "$here/packaging/linux/tavelin.thumbnailer" "$prefix/share/thumbnailers/tavelin.thumbnailer"

if [ $# -eq 0 ]; then
  files="$work/files"
  mkdir -p "$files"
  cp "$here/examples/welcome.nfo" "$files/welcome.nfo"
  python3 -c 'import sys; sys.stdout.buffer.write(open(sys.argv[1], "rb").read().decode("cp437").encode("utf-8"))' \
    "$here/examples/welcome.nfo" >"$files/welcome-utf8.nfo"
  python3 -c 'import sys; sys.stdout.buffer.write((b"\xdb\xb2\xb1\xb0 " * 3200 + b"\r\n") * 2)' >"$files/wide.nfo"
  python3 -c 'import sys; sys.stdout.buffer.write(b"\xc4\xcd" * 500000)' >"$files/one-line.nfo"
  for _ in $(seq 1 300); do head -c 1048576 "$here/examples/welcome.nfo"; done >"$files/big.nfo"
  while [ "$(stat -c %s "$files/big.nfo")" -lt 314572800 ]; do cat "$files/big.nfo" "$files/big.nfo" >"$work/b" && mv "$work/b" "$files/big.nfo"; done
  truncate -s 314572800 "$files/big.nfo"
  head -c 20000 /dev/urandom >"$files/junk.nfo"
  : >"$files/empty.nfo"
  printf '\r\n\r\n\n' >"$files/line-ends.nfo"
  set -- "$files"/*.nfo
fi

export HOME="$work/home" XDG_CACHE_HOME="$work/cache" XDG_DATA_HOME="$work/home/.local/share"
export XDG_DATA_DIRS="$prefix/share:/usr/share" PATH="$prefix/bin:$PATH"
mkdir -p "$HOME" "$XDG_CACHE_HOME"
echo "tumbler $(dpkg-query -W -f '${Version}' tumbler), gnome-desktop $(dpkg-query -W -f '${Version}' libgnome-desktop-3-20)"
dbus-run-session -- /usr/bin/python3 "$here/tools/thumbnail_services.py" tumbler "$@"
/usr/bin/python3 "$here/tools/thumbnail_services.py" gnome "$@"
# GIO calls an empty file text/plain; a caller that types files by name
# asks for it as text/x-nfo. The other files are of one type either way.
if [ -n "${files:-}" ]; then
  echo "by name:"
  dbus-run-session -- /usr/bin/python3 "$here/tools/thumbnail_services.py" tumbler --by-name "$files/empty.nfo"
  /usr/bin/python3 "$here/tools/thumbnail_services.py" gnome --by-name "$files/empty.nfo"
fi
