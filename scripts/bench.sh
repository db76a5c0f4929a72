#!/usr/bin/env bash
# Installs what is missing, builds and runs every benchmark program of bench/
# under Wine, for each bitness in the prefix of its own: `bench.sh` runs the
# 32-bit build and then the 64-bit one, `bench.sh 64` one of them. A TLS front
# with a certificate the prefix trusts for the run serves the HTTPS figures.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
in_32bit_world "$0" "$@"
unset SVCGATE_WINEPREFIX
[ $# -gt 0 ] || set -- 32 64
for bits in "$@"; do
    (
        build_bitness "$bits"
        build=$bitness_build
        source "$root/scripts/host-session.sh"
        source "$root/scripts/tls-front.sh"
        trap 'end_tls; rm -rf "$session_work"' EXIT
        make_authority "$session_work" bench
        trust_authority "$session_work/bench-ca.pem"
        export SVCGATE_TLS_BACKEND=$((20000 + RANDOM % 20000))
        export SVCGATE_TLS_FRONT=$((SVCGATE_TLS_BACKEND + 1))
        start_tls_front "$SVCGATE_TLS_FRONT" "$SVCGATE_TLS_BACKEND" "$session_work" bench
        echo "=== the $bits-bit build"
        # Emulated figures say nothing of a cash desk's: the ratios still hold.
        [ "$bits" = 32 ] && echo "32-bit programs run $SVCGATE_32BIT_WAY"
        for program in "$bitness_build"/bench/*.exe; do
            "$root/scripts/wine-run.sh" "$program"
        done
    )
done
