#!/usr/bin/env bash
# `make dist`: the Windows download and the source archive, in build/dist:
#   tavelin-<version>-win32.zip  tavelin.exe, the Explorer handlers
#                                tavelin-explorer-x64.dll and -x86.dll,
#                                README.txt, LICENSE.txt (CR LF)
#   tavelin-<version>.tar.gz     the sources of HEAD (git archive)
#   SHA256SUMS
# The version is the file VERSION. The program file goes in as it was built
# (TAVELIN_EXE, default build/win32/tavelin.exe), and so do the DLLs
# (TAVELIN_DLL64, TAVELIN_DLL32); nothing is added to them.
# Every file in the zip carries HEAD's commit time, so the same commit and
# program give the same zip.
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$here"
version=$(tr -d ' \t\r\n' <VERSION)
[ -n "$version" ] || { echo "dist: VERSION is empty" >&2; exit 1; }
exe=${TAVELIN_EXE:-build/win32/tavelin.exe}
dll64=${TAVELIN_DLL64:-build/win64/tavelin-explorer-x64.dll}
dll32=${TAVELIN_DLL32:-build/win32/tavelin-explorer-x86.dll}
for file in "$exe" "$dll64" "$dll32"; do
  [ -f "$file" ] || { echo "dist: $file is missing; build it first" >&2; exit 1; }
done
out=build/dist
zip_name=tavelin-$version-win32.zip
tar_name=tavelin-$version.tar.gz
stamp=$(git log -1 --format=%ct HEAD)

mkdir -p "$out"
stage=$(mktemp -d "$out/.stage.XXXXXX")
trap 'rm -rf "$stage"' EXIT
crlf() { sed -e 's/\r$//' -e 's/$/\r/' "$@"; }
cp "$exe" "$stage/tavelin.exe"
cp "$dll64" "$stage/tavelin-explorer-x64.dll"
cp "$dll32" "$stage/tavelin-explorer-x86.dll"
sed "s/@VERSION@/$version/" packaging/windows/README.txt | crlf >"$stage/README.txt"
crlf LICENSE >"$stage/LICENSE.txt"
chmod 0644 "$stage"/*
touch -d "@$stamp" "$stage"/*
rm -f "$out/$zip_name"
(cd "$stage" && TZ=UTC zip -q -X -D "../$zip_name" tavelin.exe tavelin-explorer-x64.dll tavelin-explorer-x86.dll \
  README.txt LICENSE.txt)

git archive --format=tar.gz --prefix="tavelin-$version/" -o "$out/$tar_name" HEAD
(cd "$out" && sha256sum "$zip_name" "$tar_name" >SHA256SUMS)

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "dist: note: the source archive is HEAD ($(git rev-parse --short HEAD)); uncommitted changes are not in it" >&2
fi
echo "dist: $out/$zip_name, $out/$tar_name, $out/SHA256SUMS"
