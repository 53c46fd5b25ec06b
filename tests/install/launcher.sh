#!/usr/bin/env bash
# The tavelin launcher, run from an installed layout whose prefix has blanks
# in it, with a stand-in wine and winepath on PATH that record what they are
# given. What would fail:
# - a path with blanks word-split, the Unix path handed to the viewer instead
#   of the Windows one, a relative path given to winepath as it is, or
#   winepath's CR left on the path: the viewer opens no file or the wrong one;
# - the viewer looked for in a fixed folder instead of beside the launcher;
# - WINEPREFIX replaced or invented by the launcher: the user's own Wine
#   prefix (and the viewer's settings in it) would not be used;
# - with no Wine, the shell's own "not found" noise, several lines, or a zero
#   exit status that hides the failure.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail=0
problem() { echo "launcher: $*" >&2; fail=1; }

prefix="$work/opt/my prefix"
mkdir -p "$prefix/bin" "$prefix/share/tavelin" "$work/fake" "$work/My Files"
cp "$here/packaging/linux/tavelin" "$prefix/bin/tavelin"
echo stand-in >"$prefix/share/tavelin/tavelin.exe"
echo text >"$work/My Files/some release.nfo"

# winepath -w: Z: and backslashes, with the CR LF that some Wine versions print.
cat >"$work/fake/winepath" <<'EOF'
#!/bin/sh
printf '%s\n' "$@" >"$RECORD.winepath"
[ "$1" = -w ] || exit 1
printf 'Z:%s\r\n' "$(printf '%s' "$2" | tr / '\\')"
EOF
cat >"$work/fake/wine" <<'EOF'
#!/bin/sh
printf '%s\n' "$@" >"$RECORD.wine"
echo "${WINEPREFIX-<unset>}" >"$RECORD.prefix"
EOF
chmod +x "$work/fake/winepath" "$work/fake/wine" "$prefix/bin/tavelin"
export RECORD="$work/record"
fakepath="$work/fake:$PATH"

expect_file() {  # record-file expected-lines...
  local name=$1; shift
  local got; got=$(cat "$RECORD.$name" 2>/dev/null)
  local want; want=$(printf '%s\n' "$@")
  [ "$got" = "$want" ] || problem "$name was given:"$'\n'"$got"$'\n'"expected:"$'\n'"$want"
}
exe_real=$(readlink -f "$prefix/share/tavelin/tavelin.exe")

# A relative path with blanks, run from its parent folder, WINEPREFIX unset.
rm -f "$RECORD".*
(cd "$work" && env -u WINEPREFIX PATH="$fakepath" "$prefix/bin/tavelin" "My Files/some release.nfo")
status=$?
[ $status -eq 0 ] || problem "exit status $status with a stand-in wine that succeeds"
expect_file winepath -w "$work/My Files/some release.nfo"
windows_path="Z:$(printf '%s' "$work/My Files/some release.nfo" | tr / '\\')"
expect_file wine "$exe_real" "$windows_path"
expect_file prefix "<unset>"

# An absolute path, through a symbolic link to the launcher, the user's prefix set.
ln -s "$prefix/bin/tavelin" "$work/tavelin-link"
rm -f "$RECORD".*
WINEPREFIX="$work/user prefix" PATH="$fakepath" "$work/tavelin-link" "$work/My Files/some release.nfo"
expect_file wine "$exe_real" "$windows_path"
expect_file prefix "$work/user prefix"

# No Wine on PATH at all.
mkdir -p "$work/empty"
out=$(PATH="$work/empty" /bin/sh "$prefix/bin/tavelin" "$work/My Files/some release.nfo" 2>"$work/stderr")
status=$?
lines=$(wc -l <"$work/stderr")
[ $status -ne 0 ] || problem "exit status 0 without Wine"
[ -z "$out" ] || problem "standard output without Wine: $out"
[ "$lines" -eq 1 ] || problem "$lines lines on standard error without Wine, expected 1: $(cat "$work/stderr")"
grep -q 'Wine' "$work/stderr" || problem "the message without Wine does not say so: $(cat "$work/stderr")"

[ $fail -eq 0 ] && echo "launcher: path with blanks converted and passed whole, prefix left alone, one line without Wine"
exit $fail
