#!/usr/bin/env bash
# The reliability campaign in full: installs and builds as the test command does,
# then runs every campaign program with the counts the figures of docs/reliability.md come from.
# `reliability.sh 64` runs it against the 64-bit module, 32 (or none) the 32-bit one,
# or the 64-bit one where the machine starts no 32-bit program.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
unset SVCGATE_WINEPREFIX
bits=${1:-32}
[ -n "${1:-}" ] || runs_32bit_programs || bits=64
build_bitness "$bits"
persistent_wineserver
bash "$root/tests/campaign/campaign.sh" "$bitness_build" full
