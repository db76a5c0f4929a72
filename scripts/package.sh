#!/usr/bin/env bash
# Makes the Windows Installer packages of this version from both builds, brought up
# to date first (what is missing installed first): build/svcgate-<version>-x86.msi
# with the 32-bit module, build64/svcgate-<version>-x64.msi with both, modules and
# packages signed (package/sign.sh). `package.sh --release` signs with the release's
# own key and fails without it; otherwise a build without that key is signed for
# testing only.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
unset SVCGATE_WINEPREFIX
case ${1:-} in
--release) export SVCGATE_SIGN_RELEASE=1 ;;
"") ;;
*)
    echo "package.sh [--release]" >&2
    exit 2
    ;;
esac
export SVCGATE_TARGETS=installer_package
# package BITS [CMake arguments...]: made afresh, so that it is signed with the key
# the environment names now.
package() {
    use_bitness "$1"
    rm -f "$bitness_build"/svcgate-*.msi
    build_bitness "$@" >/dev/null && bitness_package
}
(package 32)
(package 64 -DSVCGATE_WIN32_BUILD="$root/build")
