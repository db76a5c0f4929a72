#!/usr/bin/env bash
# The driver over HTTPS, as a production gateway is reached: the simulator behind
# a TLS front whose "localhost" certificate comes from an authority the test
# prefix's machine trusts. A refresh of the catalogue, a sale and its status go
# over TLS, all on one kept-alive connection.
set -euo pipefail
build=$1
here=$(cd "$(dirname "$0")" && pwd)
source "$here/../../scripts/host-session.sh"
source "$here/../../scripts/tls-front.sh"
trap 'end_tls; end_session' EXIT
register_modules
make_authority "$session_work" trusted
trust_authority "$session_work/trusted-ca.pem"
port=$((20000 + RANDOM % 20000))
start_simulator "$port"
start_tls_front $((port + 1)) "$port" "$session_work" trusted

# Without the cache files "Enable" loads the catalogue from the gateway.
rm -f "$SVCGATE_WINEPREFIX"/drive_c/ProgramData/VelmoraSvcGate/{providers.xml,rescodes.sl,settings.sts}
run_script "$here/../../tools/host-session/Sale.vbs" "https://localhost:$((port + 1))/xmlgate/xml.jsp" \
    >"$session_work/transcript"
fail() {
    echo "$1"
    cat "$session_work/transcript" "$session_work/gateway.log"
    exit 1
}
grep -q "^SALE REGISTERED" "$session_work/transcript" || fail "no sale over https"
grep -q "^GetAuthorizationStatus: Правда" "$session_work/transcript" || fail "no status over https"
grep -q " getUIProviders 0 " "$session_work/gateway.log" || fail "no refresh over https"
[ "$(grep -o ' #[0-9]*' "$session_work/gateway.log" | sort -u)" = " #1" ] || fail "more than one connection"
echo "1 passed, 0 failed"
