#!/usr/bin/env bash
# Installs what is missing, builds and runs every benchmark program of bench/
# under Wine, for each bitness in the prefix of its own: `bench.sh` runs the
# 32-bit build and then the 64-bit one, `bench.sh 64` one of them.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
unset SVCGATE_WINEPREFIX
[ $# -gt 0 ] || set -- 32 64
for bits in "$@"; do
    (
        build_bitness "$bits"
        echo "=== the $bits-bit build"
        for program in "$bitness_build"/bench/*.exe; do
            "$root/scripts/wine-run.sh" "$program"
        done
    )
done
