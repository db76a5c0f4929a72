#!/usr/bin/env bash
# The reliability campaign in full: installs and builds as the test command does,
# then runs every campaign program with the counts the figures of docs/reliability.md come from.
# `reliability.sh 64` runs it against the 64-bit module, `reliability.sh 32` the
# 32-bit one, and no bitness both in turn.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
in_32bit_world "$0" "$@"
unset SVCGATE_WINEPREFIX
[ $# -gt 0 ] || set -- 32 64
status=0
for bits in "$@"; do
    (
        # The 64-bit run sells at a desk of each bitness where the 32-bit build is there.
        build32=
        [ "$bits" = 64 ] && [ -f "$root/build/tests/campaign/payment-faults/payment-faults.exe" ] &&
            build32=$root/build
        build_bitness "$bits" ${build32:+-DSVCGATE_WIN32_BUILD="$build32"}
        persistent_wineserver
        echo "=== the $bits-bit module"
        bash "$root/tests/campaign/campaign.sh" "$bitness_build" full $build32
    ) || status=1
done
exit $status
