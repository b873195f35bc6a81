#!/bin/sh
# Fails when the executable imports a DLL that a bare Windows system lacks,
# such as a compiler run-time left out of the static link.
# Usage: check-imports.sh OBJDUMP EXE
set -eu
objdump=$1
exe=$2

allowed="kernel32.dll user32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll comctl32.dll comdlg32.dll
advapi32.dll shlwapi.dll msvcrt.dll"

imports=$("$objdump" -p "$exe" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'A-Z' 'a-z' | tr -d '\r')
if [ -z "$imports" ]; then
    echo "no imports found in $exe" >&2
    exit 1
fi

status=0
for dll in $imports; do
    case " $(echo $allowed) " in
        *" $dll "*) echo "imports $dll" ;;
        *) echo "imports $dll, which is not a system DLL" >&2; status=1 ;;
    esac
done
exit $status
