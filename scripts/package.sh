#!/usr/bin/env bash
# Makes the Windows Installer packages of this version from both builds, brought up
# to date first (what is missing installed first): build/svcgate-<version>-x86.msi
# with the 32-bit module, build64/svcgate-<version>-x64.msi with both.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
unset SVCGATE_WINEPREFIX
export SVCGATE_TARGETS=installer_package
(build_bitness 32 >/dev/null && bitness_package)
(build_bitness 64 -DSVCGATE_WIN32_BUILD="$root/build" >/dev/null && bitness_package)
