#!/usr/bin/env bash
# Registers the module and the equipment manager stand-in in the test prefix,
# runs the host script through the platform's script host and compares what it
# printed with what a host must see.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
run=$here/../../scripts/wine-run.sh
windows_path() { echo "Z:${1//\//\\}"; }

modules=("$build/svcgate.dll" "$build/tools/eqmanager/eqmanager.dll")
unregister() {
    for module in "${modules[@]}"; do "$run" regsvr32 /u /s "$(windows_path "$module")" || true; done
}
trap unregister EXIT
for module in "${modules[@]}"; do "$run" regsvr32 /s "$(windows_path "$module")"; done

# The script host writes to a pipe in the OEM code page.
actual=$("$run" cscript //nologo "$(windows_path "$here/HostScript.vbs")" | iconv -f cp866 -t utf-8 | tr -d '\r')
if ! diff -u "$here/HostScript.expected" <(printf '%s\n' "$actual"); then
    echo "the host script saw something else"
    exit 1
fi
echo "1 passed, 0 failed"
