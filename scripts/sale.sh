#!/usr/bin/env bash
# The product's main job: a sale through the registered driver, made by the
# platform's script host against the gateway simulator. Installs and builds
# what it needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
build=$root/build
export SVCGATE_WINEPREFIX=$build/wineprefix
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
