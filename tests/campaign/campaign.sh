#!/usr/bin/env bash
# The reliability campaign: every campaign program beside this script against the
# registered driver and the gateway simulator, then the scan for secrets over
# every folder the driver wrote. "short" is the ordinary suite's version (a few
# hundred cases each); "full" gives the figures of the README. A 64-bit build
# given the 32-bit build beside it as BUILD32 sells at one desk of each bitness.
set -euo pipefail
build=$1
mode=${2:-short}
build32=${3:-}
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/host-session.sh"

source "$here/../../scripts/tls-front.sh"

# A TLS endpoint whose certificate nobody trusts: a "localhost" certificate (the
# name WinHTTP would accept) from an authority the prefix does not know, served
# by Debian's openssl s_server. It must be seen listening first: a refused
# connection would end in the same text.
tls_pid=
end_campaign() {
    [ -n "$tls_pid" ] && kill "$tls_pid" 2>/dev/null || true
    end_tls
    end_session
}
trap end_campaign EXIT
tls_port=$((20000 + RANDOM % 20000))
make_authority "$session_work" stranger
openssl s_server -quiet -www -accept "$tls_port" -cert "$session_work/stranger-server.pem" \
    -key "$session_work/stranger-server.key" >/dev/null 2>&1 &
tls_pid=$!
listening=
for _ in $(seq 50); do
    if openssl s_client -connect "127.0.0.1:$tls_port" -servername localhost </dev/null 2>/dev/null |
        grep -q "subject=CN = localhost"; then
        listening=yes
        break
    fi
    sleep 0.1
done
[ -n "$listening" ] || { echo "the untrusted TLS endpoint is not listening"; exit 1; }
second_host=()
if [ -n "$build32" ]; then
    session_modules+=("$build32/svcgate.dll" "$build32/tests/doubles/eqmanager/eqmanager.dll")
    second_host=(--second-host "$(windows_path "$build32/tests/campaign/payment-faults/payment-faults.exe")")
fi
register_modules

if [ "$mode" = full ]; then
    answers=10000 calls=10000 codes=1000 sales=1000 rounds=200 longrun=2000
else
    answers=300 calls=1000 codes=12 sales=60 rounds=30 longrun=50
fi
campaign() {
    local program=$1
    shift
    echo "=== $program $*"
    "$run" "$build/tests/campaign/$program/$program.exe" "$@"
}
status=0
campaign fuzz-answers --count "$answers" || status=1
campaign fuzz-host --count "$calls" || status=1
campaign gateway-faults --codes "$codes" --tls-port "$tls_port" || status=1
# A killed host is started anew, about a second each under Wine: a full run needs more
# than the default ten minutes.
campaign payment-faults --count "$sales" --seconds 3600 "${second_host[@]}" || status=1
campaign shared-cache --count "$rounds" || status=1
campaign longrun --count "$longrun" || status=1
campaign secrets-scan --folders 'C:\users\Public;C:\ProgramData' || status=1

# The campaign's own checks must break: on a driver that never enables, and on a
# leak made on purpose. Each such run must end in 1, a failure it found.
must_fail() {
    local code=0
    echo "=== $* (must fail)"
    campaign "$@" >"$session_work/must-fail.log" || code=$?
    grep '^FAILED' "$session_work/must-fail.log" | head -3
    if [ "$code" != 1 ]; then
        echo "FAILED: '$*' ended with $code, not 1"
        status=1
    fi
}
must_fail fuzz-host --count 30 --driver-password wrong
must_fail fuzz-answers --count 20 --leak-bytes 262144
must_fail longrun --count 20 --leak-handles 3
exit $status
