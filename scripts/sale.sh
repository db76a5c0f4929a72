#!/usr/bin/env bash
# The product's main job: a sale through the registered driver, made by the
# platform's script host against the gateway simulator. Installs and builds
# what it needs first. `sale.sh 64` sells through the 64-bit module under the
# 64-bit script host, `sale.sh 32` (or no bitness) through the 32-bit one.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
source "$root/scripts/bitness.sh"
unset SVCGATE_WINEPREFIX
build_bitness "${1:-32}"
build=$bitness_build
source "$root/scripts/host-session.sh"
"$run" cmd /c exit
trap end_session EXIT
register_modules
start_simulator 8181

run_script "$root/tools/host-session/Sale.vbs" "http://127.0.0.1:8181/xmlgate/xml.jsp" |
    tee "$session_work/transcript"
echo "--- the gateway simulator saw:"
cat "$session_work/gateway.log"
grep -q "^SALE REGISTERED" "$session_work/transcript"
