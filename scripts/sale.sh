#!/usr/bin/env bash
# The product's main job: a sale through the driver as a shop has it, installed
# from its Windows Installer package, made by the platform's script host against
# the gateway simulator. Builds what a sale needs first (the module, its help file
# and package, the simulator, the equipment manager stand-in), installing what is
# missing, and removes the package at the end. `sale.sh 64` installs the x64
# package and sells through the 64-bit module under the 64-bit script host,
# `sale.sh 32` (or no bitness) the x86 package under the 32-bit one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
in_32bit_world "$0" "$@"
unset SVCGATE_WINEPREFIX
bits=${1:-32}
[ "$bits" = 32 ] && echo "32-bit programs run $SVCGATE_32BIT_WAY"
options=()
if [ "$bits" = 64 ]; then
    # The x64 package carries the 32-bit module too.
    (SVCGATE_TARGETS="svcgate help_file" build_bitness 32)
    options=(-DSVCGATE_WIN32_BUILD="$root/build")
fi
SVCGATE_TARGETS="installer_package gateway-sim eqmanager_dll" build_bitness "$bits" "${options[@]}"
build=$bitness_build
source "$root/scripts/host-session.sh"
"$run" cmd /c exit
session_modules=("$build/tests/doubles/eqmanager/eqmanager.dll")
trap end_session EXIT
register_modules
install_package "$(bitness_package)"
start_simulator 8181

run_script "$root/tools/host-session/Sale.vbs" "http://127.0.0.1:8181/xmlgate/xml.jsp" |
    tee "$session_work/transcript"
echo "--- the gateway simulator saw:"
cat "$session_work/gateway.log"
grep -q "^SALE REGISTERED" "$session_work/transcript"
