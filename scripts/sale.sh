#!/usr/bin/env bash
# The product's main job: a sale through the registered driver, made by the
# platform's script host against the gateway simulator. Installs and builds
# what it needs first.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bash "$root/scripts/build.sh"
build=$root/build
export SVCGATE_WINEPREFIX=$build/wineprefix
run=$root/scripts/wine-run.sh
windows_path() { echo "Z:${1//\//\\}"; }
"$run" cmd /c exit

modules=("$build/svcgate.dll" "$build/tools/eqmanager/eqmanager.dll")
work=$(mktemp -d)
cleanup() {
    exec 3>&- || true
    wait "${simulator:-}" 2>/dev/null || true
    for module in "${modules[@]}"; do "$run" regsvr32 /u /s "$(windows_path "$module")" || true; done
    rm -rf "$work"
}
trap cleanup EXIT
for module in "${modules[@]}"; do "$run" regsvr32 /s "$(windows_path "$module")"; done

# The simulator runs until its standard input closes; it prints a line per request.
port=8181
mkfifo "$work/input"
WINEPREFIX=$SVCGATE_WINEPREFIX WINEARCH=win32 WINEDEBUG=-all LC_ALL=ru_RU.UTF-8 \
    wine "$build/tools/gateway-sim/gateway-sim.exe" --port $port --login dealer \
    --password secret --terminal 77 <"$work/input" >"$work/gateway.log" 2>&1 &
simulator=$!
exec 3>"$work/input"
for _ in $(seq 50); do grep -q "http://" "$work/gateway.log" 2>/dev/null && break; sleep 0.2; done

# The script host writes to a pipe in the OEM code page.
"$run" cscript //nologo "$(windows_path "$root/tools/host-session/Sale.vbs")" \
    "http://127.0.0.1:$port/xmlgate/xml.jsp" | iconv -f cp866 -t utf-8 | tr -d '\r' | tee "$work/transcript"
echo "--- the gateway simulator saw:"
cat "$work/gateway.log"
grep -q "^SALE REGISTERED" "$work/transcript"
