#!/usr/bin/env bash
# check-imports.sh BUILD BITS: fails when a program or module built in BUILD is
# not of the build's bitness, or imports a DLL that a bare Windows does not have.
set -euo pipefail
allowed='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|shell32|shlwapi|version|crypt32|msvcrt|psapi|winhttp|httpapi|comctl32|comdlg32|winscard|wintrust|rpcrt4|ws2_32|hhctrl\.ocx|api-ms-win-.*)\.dll$'
case $2 in
32) format=pei-i386 ;;
64) format=pei-x86-64 ;;
*) echo "the bitness is 32 or 64, not '$2'" >&2; exit 2 ;;
esac
status=0 checked=0
while IFS= read -r -d '' file; do
    # The 64-bit objdump reads both formats; a file it cannot read fails the check.
    headers=$(x86_64-w64-mingw32-objdump -p "$file")
    if ! grep -q "file format $format\$" <<<"$headers"; then
        echo "$file is not $format"
        status=1
    fi
    for dll in $(awk '/DLL Name:/ {print $3}' <<<"$headers"); do
        if ! grep -qiE "$allowed" <<<"$dll"; then
            echo "$file imports $dll"
            status=1
        fi
    done
    checked=$((checked + 1))
# A package's signed copies of the modules (svcgate-<version>-<arch>/) include the
# 32-bit one in a 64-bit build; each module is checked in its own build.
done < <(find "$1" \( -name '*.exe' -o -name '*.dll' \) -not -path '*/wineprefix*/*' -not -path '*/CMakeFiles/*' \
    -not -path "$1/svcgate-*/*" -print0)
echo "$checked programs and modules of $format checked"
[ "$checked" -gt 0 ] && exit $status || exit 1
