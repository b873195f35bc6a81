#!/bin/sh
# Checks what a planted DLL could exploit before the installer's first line
# runs: every DLL it imports must be one the loader takes from System32
# whatever folder the exe lies in (the system's known DLLs), nothing may be
# delay-loaded, and the image must take address randomisation (dynamic base,
# with its relocations kept) and no-execute data.
# Usage: check-startup-hardening.sh OBJDUMP EXE
set -eu
objdump=$1
exe=$2

# Known DLLs on every supported Windows. Not listed on purpose, because the
# loader looks for them beside the exe first: version, uxtheme, dwmapi,
# shfolder, comctl32, winmm, cryptbase, propsys and the like.
known="ntdll.dll kernel32.dll user32.dll gdi32.dll shell32.dll ole32.dll oleaut32.dll advapi32.dll comdlg32.dll
msvcrt.dll shlwapi.dll imm32.dll rpcrt4.dll ws2_32.dll"

headers=$("$objdump" -p "$exe" | tr -d '\r')
status=0
fail() {
    echo "$exe: $*" >&2
    status=1
}

imports=$(printf '%s\n' "$headers" | sed -n 's/^[[:space:]]*DLL Name:[[:space:]]*//p' | tr 'A-Z' 'a-z')
[ -n "$imports" ] || fail "no import table found"
for dll in $imports; do
    case " $(echo $known) " in
        *" $dll "*) echo "imports $dll (a known DLL)" ;;
        *) fail "imports $dll, which the loader would look for beside the exe" ;;
    esac
done

# "Entry d" of the data directories is the delay-import table; "Entry 5" the relocations.
directory_size() {
    printf '%s\n' "$headers" | awk -v entry="$1" '$1 == "Entry" && $2 == entry { print $4; exit }'
}
delay=$(directory_size d)
[ "${delay:-0}" = 00000000 ] || fail "has a delay-import table (size $delay)"
relocations=$(directory_size 5)
[ -n "$relocations" ] && [ "$relocations" != 00000000 ] || fail "has no relocations, so it cannot be moved"

characteristics=$(printf '%s\n' "$headers" | awk '$1 == "DllCharacteristics" { print $2; exit }')
[ -n "$characteristics" ] || fail "no DllCharacteristics found"
value=$((0x${characteristics:-0}))
[ $((value & 0x40)) -ne 0 ] || fail "DllCharacteristics $characteristics lacks DYNAMIC_BASE (0x40)"
[ $((value & 0x100)) -ne 0 ] || fail "DllCharacteristics $characteristics lacks NX_COMPAT (0x100)"
[ "$status" -ne 0 ] || echo "DllCharacteristics $characteristics, relocations $relocations bytes, no delay imports"
exit $status
