#!/usr/bin/env bash
# Fails when a built program or module imports a DLL that a bare Windows does not have.
set -euo pipefail
allowed='^(kernel32|user32|gdi32|advapi32|ole32|oleaut32|shell32|shlwapi|version|crypt32|msvcrt|psapi|winhttp|httpapi|comctl32|comdlg32|winscard|rpcrt4|ws2_32|hhctrl\.ocx|api-ms-win-.*)\.dll$'
status=0
while IFS= read -r -d '' file; do
    while read -r dll; do
        if ! grep -qiE "$allowed" <<<"$dll"; then
            echo "$file imports $dll"
            status=1
        fi
    done < <(i686-w64-mingw32-objdump -p "$file" | awk '/DLL Name:/ {print $3}')
done < <(find "$1" \( -name '*.exe' -o -name '*.dll' \) -not -path '*/wineprefix*/*' -not -path '*/CMakeFiles/*' -print0)
exit $status
