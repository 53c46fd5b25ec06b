#!/usr/bin/env bash
# Checks a built Explorer handlers' DLL without running it, so that the 32-bit
# one is checked on a machine that cannot run 32-bit Wine too: a DLL for the
# expected machine (pei-i386 or pei-x86-64) exporting the four entry points of
# a COM in-process server and nothing else, importing only from DLLs that
# every Windows has (the C and C++ runtimes linked in, none beside it), and no
# message box: a box in a hidden preview host would hang the host.
set -uo pipefail
dll=$1 format=$2
objdump=${OBJDUMP:-objdump}
fail=0
headers=$("$objdump" -p "$dll") || { echo "explorer image: cannot read $dll" >&2; exit 1; }
grep -q "file format $format" <<<"$headers" || { echo "explorer image: not $format" >&2; fail=1; }

dlls=$(grep 'DLL Name:' <<<"$headers" | awk '{print tolower($3)}' | sort -u)
for name in $dlls; do
  case "$name" in
    kernel32.dll|user32.dll|gdi32.dll|advapi32.dll|ole32.dll|msvcrt.dll) ;;
    *) echo "explorer image: imports from $name" >&2; fail=1 ;;
  esac
done
if grep -Eq '[[:space:]]MessageBox[A-Za-z]*$' <<<"$headers"; then
  echo "explorer image: imports a message box" >&2; fail=1
fi
exports=$(awk '/\[Ordinal\/Name Pointer\] Table/{on=1;next} on && /^[ \t]*\[/{print $NF} on && /^$/{on=0}' <<<"$headers" | sort | tr '\n' ' ')
expected="DllCanUnloadNow DllGetClassObject DllRegisterServer DllUnregisterServer "
[ "$exports" = "$expected" ] || { echo "explorer image: exports '$exports'" >&2; fail=1; }

echo "explorer image: $(basename "$dll"), $(stat -c %s "$dll") bytes, imports: $(echo $dlls)"
exit $fail
