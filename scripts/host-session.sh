# Shared by the main job and the tests of a host session: registers the driver
# and the equipment manager stand-in in the project's prefix (or installs the
# driver's package), starts the gateway simulator, and undoes all on exit. Source
# it with $build set to the build of the bitness SVCGATE_BITS (32 unless given).
session_scripts=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
run=$session_scripts/wine-run.sh
export SVCGATE_WINEPREFIX=${SVCGATE_WINEPREFIX:-$build/wineprefix}
source "$session_scripts/bitness.sh"
use_bitness "${SVCGATE_BITS:-32}"
# The prefix's own script host; in a 64-bit prefix the 32-bit one is
# C:\windows\syswow64\cscript.exe.
script_host=cscript
windows_path() { echo "Z:${1//\//\\}"; }
session_modules=("$build/svcgate.dll" "$build/tests/doubles/eqmanager/eqmanager.dll")
session_work=$(mktemp -d)

end_session() {
    exec 3>&- || true
    wait "${session_simulator:-}" 2>/dev/null || true
    for module in "${session_modules[@]}"; do
        "$run" regsvr32 /u /s "$(windows_path "$module")" || true
    done
    [ -z "${session_package:-}" ] || "$run" msiexec /x "$session_package" /qn || true
    rm -rf "$session_work"
}

register_modules() {
    for module in "${session_modules[@]}"; do "$run" regsvr32 /s "$(windows_path "$module")"; done
}

# install_package PACKAGE: installed silently for the machine, as a shop's fleet
# installs it.
install_package() {
    session_package=$(windows_path "$1")
    "$run" msiexec /i "$session_package" /qn
}

# start_simulator PORT [switches...]: runs until its standard input closes and
# logs a line per request into $session_work/gateway.log.
start_simulator() {
    local port=$1
    shift
    # A new simulator numbers from 1 and holds nothing: what earlier runs left of
    # terminal 77's payments in the prefix would number past it.
    rm -f "$SVCGATE_WINEPREFIX/drive_c/ProgramData/VelmoraSvcGate/pending-77.txt"
    mkfifo "$session_work/input"
    WINEPREFIX=$SVCGATE_WINEPREFIX WINEDEBUG=-all LC_ALL=ru_RU.UTF-8 \
        "$wine_loader" "$build/tools/gateway-sim/gateway-sim.exe" --port "$port" --login dealer \
        --password secret --terminal 77 "$@" <"$session_work/input" >"$session_work/gateway.log" 2>&1 &
    session_simulator=$!
    exec 3>"$session_work/input"
    for _ in $(seq 50); do
        grep -q "http://" "$session_work/gateway.log" 2>/dev/null && return
        sleep 0.2
    done
    echo "the gateway simulator did not start" >&2
    return 1
}

# run_script FILE [arguments...]: the script host's output, in UTF-8 (it writes
# the OEM code page to a pipe).
run_script() {
    local script=$1
    shift
    "$run" "$script_host" //nologo "$(windows_path "$script")" "$@" | iconv -f cp866 -t utf-8 | tr -d '\r'
}
