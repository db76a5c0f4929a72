# Sourced: `use_bitness 32` or `use_bitness 64` picks one of the two builds of
# the same sources, each tested in a Wine prefix of its own bitness. It sets
# $bitness_build, $bitness_toolchain and $wine_loader, and exports SVCGATE_BITS,
# WINEARCH and SVCGATE_WINEPREFIX (unless one is given) for the Wine programs
# started after.
svcgate_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)

use_bitness() {
    case $1 in
    32) bitness_build=$svcgate_root/build bitness_toolchain=$svcgate_root/cmake/mingw-i686.cmake ;;
    64) bitness_build=$svcgate_root/build64 bitness_toolchain=$svcgate_root/cmake/mingw-x86_64.cmake ;;
    *)
        echo "the bitness is 32 or 64, not '$1'" >&2
        return 1
        ;;
    esac
    # Debian's `wine` is the 32-bit loader: in a 64-bit prefix it would start the
    # 32-bit system programs (cscript, regsvr32) of syswow64.
    [ "$1" = 64 ] && wine_loader=/usr/lib/wine/wine64 || wine_loader=wine
    export SVCGATE_BITS=$1 WINEARCH=win$1
    export SVCGATE_WINEPREFIX=${SVCGATE_WINEPREFIX:-$bitness_build/wineprefix}
}

# A kernel built without 32-bit support (seen on cloud machines) refuses to start
# the 32-bit Wine loader, and with it every 32-bit Windows program, even in a
# 64-bit prefix.
runs_32bit_programs() { /usr/lib/wine/wine --version >/dev/null 2>&1; }

# in_32bit_world "$0" "$@", first thing in a script that runs 32-bit programs:
# returns where they start, natively or (in a run of the script again) emulated
# by scripts/i386/; SVCGATE_32BIT_WAY then says which. What is missing is
# installed first, while the machine's package manager can still be reached.
in_32bit_world() {
    if runs_32bit_programs; then
        export SVCGATE_32BIT_WAY=${SVCGATE_32BIT_WAY:-native}
        return
    fi
    bash "$svcgate_root/scripts/setup.sh"
    runs_32bit_programs && return
    source "$svcgate_root/scripts/i386/emulation.sh"
    exec_emulated "$@"
}

# For a test that needs a 32-bit program: one that cannot start is a failure.
require_32bit_programs() {
    runs_32bit_programs && return
    echo "32-bit programs do not start: run the tests through scripts/test.sh"
    exit 1
}

# build_bitness BITS [CMake arguments...]: use_bitness, then the build brought up
# to date (what is missing installed first).
build_bitness() {
    use_bitness "$1" && bash "$svcgate_root/scripts/build.sh" "$@"
}

# The installer package of the build in use, once its target installer_package
# is built (a 64-bit build's needs the 32-bit build beside it).
bitness_package() {
    local version arch=x86
    version=$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$bitness_build/CMakeCache.txt")
    [ "$SVCGATE_BITS" = 64 ] && arch=x64
    echo "$bitness_build/svcgate-$version-$arch.msi"
}

# One wineserver for a whole run keeps each program's start short; it is stopped
# when the calling shell exits. The prefix is made first, and its server must be
# gone before the persistent one starts.
persistent_wineserver() {
    "$svcgate_root/scripts/wine-run.sh" cmd /c exit || return 1
    WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -w
    WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -p || return 1
    trap 'WINEPREFIX=$SVCGATE_WINEPREFIX wineserver -k 2>/dev/null || true' EXIT
}
