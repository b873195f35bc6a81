#!/bin/sh
# Checks the built executable's PE headers: a 32-bit Windows GUI program with
# ASLR and DEP enabled, importing only DLLs that a bare Windows system has
# (a compiler run-time left out of the static link would fail here).
# Usage: check-pe.sh OBJDUMP EXE
set -eu
objdump=$1
exe=$2

allowed="ntdll.dll kernel32.dll user32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll comctl32.dll comdlg32.dll
advapi32.dll shlwapi.dll msvcrt.dll"

headers=$("$objdump" -p "$exe")
status=0
fail() {
    echo "$exe: $1" >&2
    status=1
}

echo "$headers" | grep -Eq '^Magic[[:space:]]+010b' || fail "not a 32-bit (PE32) image"
echo "$headers" | grep -Eq '^Subsystem[[:space:]]+00000002' || fail "not a Windows GUI program"
echo "$headers" | grep -Eq '^[[:space:]]+DYNAMIC_BASE$' || fail "no DYNAMIC_BASE (ASLR)"
echo "$headers" | grep -Eq '^[[:space:]]+NX_COMPAT$' || fail "no NX_COMPAT (DEP)"

imports=$(echo "$headers" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'A-Z' 'a-z' | tr -d '\r')
[ -n "$imports" ] || fail "no imports found"
for dll in $imports; do
    case " $(echo $allowed) " in
        *" $dll "*) echo "imports $dll" ;;
        *) fail "imports $dll, which is not a system DLL" ;;
    esac
done
exit $status
