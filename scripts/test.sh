#!/usr/bin/env bash
# Installs what is missing, then builds and tests both bitnesses of the same
# sources, each under Wine in a prefix of its own bitness: the 32-bit build in
# build/, then the 64-bit one in build64/, which also runs the tests that need
# both modules on one machine. Where the kernel starts no 32-bit program, the
# whole run goes on where they start emulated (scripts/i386/).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
in_32bit_world "$0" "$@"
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
echo "=== 32-bit programs run $SVCGATE_32BIT_WAY"
suite 32 || status=1
suite 64 -DSVCGATE_WIN32_BUILD="$root/build" || status=1
exit $status
