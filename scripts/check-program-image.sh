#!/usr/bin/env bash
# Checks the built program file: a 32-bit Windows GUI executable for i386,
# importing only from kernel32, user32, gdi32, advapi32, comdlg32 and comctl32
# (the status bar by ordinal 6), and no larger than 48 KB, resources included;
# then reads its manifest and version back (check-program-resources.py).
set -uo pipefail
exe=$1
objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
fail=0
check() { if ! eval "$2"; then echo "program image: $1" >&2; fail=1; fi; }

headers=$("$objdump" -p "$exe") || { echo "program image: cannot read $exe" >&2; exit 1; }
check "not PE32 i386" "grep -q 'file format pei-i386' <<<\"\$headers\""
check "not a GUI program" "grep -Eq 'Subsystem[[:space:]]+00000002' <<<\"\$headers\""

dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
for dll in $dlls; do
  case "$dll" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|comdlg32.dll|comctl32.dll) ;;
    *) echo "program image: imports from $dll" >&2; fail=1 ;;
  esac
done
comctl=$(awk '/DLL Name: comctl32.dll/{on=1;next} /DLL Name:/{on=0} on' <<<"$headers")
check "CreateStatusWindowA is not imported by ordinal 6" "grep -Eq '80000006[[:space:]]+6' <<<\"\$comctl\""
check "comctl32 is imported by name" "! grep -q 'CreateStatusWindow' <<<\"\$comctl\""

size=$(stat -c %s "$exe")
check "$size bytes, more than 48 KB" "[ $size -le 49152 ]"
here=$(dirname "${BASH_SOURCE[0]}")
python3 "$here/check-program-resources.py" "$exe" "$here/../VERSION" || fail=1

echo "program image: $(basename "$exe"), $size bytes, imports: $(echo $dlls)"
exit $fail
