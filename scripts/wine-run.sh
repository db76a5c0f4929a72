#!/usr/bin/env bash
# Runs a Windows program under Wine in the project's own prefix of the bitness
# SVCGATE_BITS (32 unless given), with the Russian locale of the cash desks (ANSI
# code page 1251, decimal comma). In a 64-bit prefix a 32-bit program runs too:
# name it by its path (C:\windows\syswow64\cscript.exe for the 32-bit script host).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
source "$here/bitness.sh"
use_bitness "${SVCGATE_BITS:-32}"
export WINEPREFIX=$SVCGATE_WINEPREFIX
export WINEDEBUG=${WINEDEBUG:--all}
export LC_ALL=ru_RU.UTF-8
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [ -f "$WINEPREFIX/system.reg" ] || "$wine_loader" wineboot -i >/dev/null 2>&1
    ) 9>"$WINEPREFIX.lock"
fi
# Wine starts its own services (rpcss, explorer) on demand, and they outlive the
# program under a persistent wineserver. Were they to inherit our standard output,
# whoever reads it (ctest, CI) would wait for them; they get a file instead.
output=$(mktemp)
trap 'rm -f "$output"' EXIT
status=0
"$wine_loader" "$@" >"$output" 2>&1 </dev/null || status=$?
cat "$output"
exit $status
