#!/usr/bin/env bash
# shared-data-folder.sh BUILD64 BUILD32, in the 64-bit build's prefix: the 32-bit
# and the 64-bit driver on one machine share the data folder. The cache files
# that one bitness writes when it enables against the gateway are what the other
# then enables from, without asking the gateway for the catalogue again, and
# both show the host the same catalogue.
set -euo pipefail
build=$1
build32=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/host-session.sh"
require_32bit_programs
session_modules=("$build/svcgate.dll" "$build/tests/doubles/eqmanager/eqmanager.dll"
    "$build32/svcgate.dll" "$build32/tests/doubles/eqmanager/eqmanager.dll")
trap end_session EXIT
register_modules
start_simulator 8192
hosts=([64]=cscript [32]='C:\windows\syswow64\cscript.exe')
data=$SVCGATE_WINEPREFIX/drive_c/ProgramData/VelmoraSvcGate

# enable BITS: what the host of that bitness saw, then the operations the gateway answered it.
enable() {
    local before
    before=$(wc -l <"$session_work/gateway.log")
    script_host=${hosts[$1]} run_script "$here/EnableFromCache.vbs" "http://127.0.0.1:8192/xmlgate/xml.jsp"
    # The simulator logs each request before it answers it.
    echo "gateway: $(tail -n +$((before + 1)) "$session_work/gateway.log" | awk '{print $2}' | xargs)"
}

status=0
for writer in 64 32; do
    reader=$((96 - writer))
    rm -f "$data/settings.sts" "$data/rescodes.sl" "$data/providers.xml"
    written=$(enable $writer)
    readback=$(enable $reader)
    # The script host reports a script's error only by stopping short of its last line.
    if ! grep -qx DONE <<<"$written" || ! grep -qx DONE <<<"$readback"; then
        printf 'a host session stopped short:\n%s\n%s\n' "$written" "$readback"
        status=1
    fi
    if ! grep -q "^gateway: .*getUIProviders" <<<"$written" || grep -q "getUIProviders" <<<"$readback"; then
        printf 'the %s-bit driver did not enable from the cache the %s-bit one wrote:\n%s\n%s\n' \
            $reader $writer "$written" "$readback"
        status=1
    fi
    if ! diff -u <(grep -v "^gateway:" <<<"$written") <(grep -v "^gateway:" <<<"$readback"); then
        echo "the $reader-bit driver saw another catalogue than the $writer-bit one"
        status=1
    fi
done
[ $status = 0 ] && echo "1 passed, 0 failed"
exit $status
