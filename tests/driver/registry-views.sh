#!/usr/bin/env bash
# registry-views.sh BUILD64 BUILD32, in the 64-bit build's prefix: both modules
# installed at once, as on a 64-bit cash desk. Each registration writes the
# class into the registry view of its module's bitness under the same CLSID and
# ProgID, the script host of each bitness creates the driver by that ProgID from
# its own module, and removing either module leaves the other one working.
set -euo pipefail
build=$1
build32=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/host-session.sh"
require_32bit_programs
session_modules=("$build/svcgate.dll" "$build32/svcgate.dll")
trap end_session EXIT
module64=$(windows_path "$build/svcgate.dll")
module32=$(windows_path "$build32/svcgate.dll")
hosts=([64]=cscript [32]='C:\windows\syswow64\cscript.exe')
class='HKLM\Software\Classes\CLSID\{5B7E2C91-3D4A-4F08-9E61-A27C0D94B3F5}\InprocServer32'
progid='HKLM\Software\Classes\OrtaEq.SvcGateServiceTerminal'

# For each bitness: the file its registry view names and what its script host made of the ProgID.
seen() {
    local bits module
    for bits in 64 32; do
        module=$("$run" reg query "$class" /ve /reg:$bits 2>/dev/null | iconv -f cp866 -t utf-8 |
            sed -n 's/.*REG_SZ *//p' | tr -d '\r') || true
        echo "$bits: ${module:-none}, $(script_host=${hosts[$bits]} run_script "$here/CreateDriver.vbs")"
    done
}

status=0
expect() {
    local actual
    actual=$(seen)
    if [ "$actual" != "$2" ]; then
        printf 'after %s, expected:\n%s\nseen:\n%s\n' "$1" "$2" "$actual"
        status=1
    fi
}

register() { "$run" regsvr32 /s "$@"; }
unregister() { "$run" regsvr32 /u /s "$1"; }

register "$module64"
register "$module32"
expect "both registrations" "64: $module64, created
32: $module32, created"
unregister "$module32"
expect "the 32-bit module's unregistration" "64: $module64, created
32: none, not registered"
register "$module32"
unregister "$module64"
expect "the 64-bit module's unregistration" "64: none, not registered
32: $module32, created"
unregister "$module32"
expect "both unregistrations" "64: none, not registered
32: none, not registered"
if "$run" reg query "$progid" >/dev/null 2>&1; then
    echo "the ProgID stayed after both modules were removed"
    status=1
fi
[ $status = 0 ] && echo "1 passed, 0 failed"
exit $status
