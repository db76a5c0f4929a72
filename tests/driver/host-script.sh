#!/usr/bin/env bash
# The driver as a host sees it: registered in the test prefix, created by its
# ProgID by the platform's script host, selling against the gateway simulator.
# What the script printed is compared with what a host must see; then the
# driver is unregistered and can no longer be created, for the machine and for
# the current user alike.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/host-session.sh"
trap end_session EXIT
register_modules
start_simulator 8191

actual=$(run_script "$here/HostScript.vbs" "http://127.0.0.1:8191/xmlgate/xml.jsp")
if ! diff -u "$here/HostScript.expected" <(printf '%s\n' "$actual"); then
    echo "the host script saw something else"
    exit 1
fi

dll=$(windows_path "$build/svcgate.dll")
"$run" regsvr32 /u /s "$dll"
[ "$(run_script "$here/CreateDriver.vbs")" = "not registered" ] || { echo "created after unregistering"; exit 1; }
key='HKCU\Software\Classes\OrtaEq.SvcGateServiceTerminal'
"$run" regsvr32 /s /n /i:user "$dll"
"$run" reg query "$key" >/dev/null || { echo "no per-user registration"; exit 1; }
"$run" regsvr32 /u /s /n /i:user "$dll"
! "$run" reg query "$key" >/dev/null 2>&1 || { echo "the per-user registration stayed"; exit 1; }
echo "1 passed, 0 failed"
