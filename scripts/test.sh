#!/usr/bin/env bash
# Installs what is missing, builds everything and runs every test under Wine.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
build=$root/build
export SVCGATE_WINEPREFIX=$build/wineprefix
# One wineserver for the whole run keeps each test program's start short. The
# prefix is made first; its server must be gone before a persistent one starts.
"$root/scripts/wine-run.sh" cmd /c exit
WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -w
WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -p
trap 'WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
