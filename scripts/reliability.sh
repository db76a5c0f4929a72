#!/usr/bin/env bash
# The reliability campaign in full: installs and builds as the test command does,
# then runs every campaign program with the counts the README's figures come from.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
build=$root/build
export SVCGATE_WINEPREFIX=$build/wineprefix
"$root/scripts/wine-run.sh" cmd /c exit
WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -w
WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -p
trap 'WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
bash "$root/tests/reliability/campaign.sh" "$build" full
