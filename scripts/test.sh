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
# The virtual display has no window manager: Wine draws the windows' frames itself.
"$root/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null
WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -w
WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -p
trap 'WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
# Every program gets the one virtual display: Wine's desktop process, started by
# whichever program comes first, serves all later windows only if it had a display.
xvfb-run -a ctest --test-dir "$build" --output-on-failure -j "$(nproc)"
