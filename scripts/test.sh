#!/usr/bin/env bash
# Installs what is missing, then builds and tests both bitnesses of the same
# sources, each under Wine in a prefix of its own bitness: the 32-bit build in
# build/, then the 64-bit one in build64/, which also runs the tests that need
# both modules on one machine. Every test of a build runs in both, where the
# machine's kernel starts 32-bit programs at all.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
unset SVCGATE_WINEPREFIX

# suite BITS [CMake arguments...]. Called where a failure is counted, so `set -e`
# does not hold inside: a step that fails ends the suite by itself, lest the tests
# of an older build run.
suite() (
    build_bitness "$@" || exit 1
    # The virtual display has no window manager: Wine draws the windows' frames itself.
    "$root/scripts/wine-run.sh" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null || exit 1
    persistent_wineserver || exit 1
    echo "=== the $1-bit suite"
    # Every program gets the one virtual display: Wine's desktop process, started by
    # whichever program comes first, serves all later windows only if it had a display.
    xvfb-run -a -s "-screen 0 1280x1024x24" ctest --test-dir "$bitness_build" --output-on-failure -j "$(nproc)"
)

status=0
if runs_32bit_programs; then
    suite 32 || status=1
else
    # The 64-bit build packages the 32-bit module beside its own.
    build_bitness 32 || status=1
    echo "=== the 32-bit suite is NOT run: this machine's kernel does not start 32-bit programs"
fi
suite 64 -DSVCGATE_WIN32_BUILD="$root/build" || status=1
exit $status
