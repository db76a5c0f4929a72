#!/usr/bin/env bash
# The reliability campaign in full: installs and builds as the test command does,
# then runs every campaign program with the counts the README's figures come from.
# `reliability.sh 64` runs it against the 64-bit module, 32 (or none) the 32-bit one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
unset SVCGATE_WINEPREFIX
build_bitness "${1:-32}"
persistent_wineserver
bash "$root/tests/campaign/campaign.sh" "$bitness_build" full
