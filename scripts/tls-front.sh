# Sourced after host-session.sh: HTTPS as a production gateway is reached. A
# certificate authority made for this run (Debian's openssl) signs a server
# certificate for "localhost" (Wine refuses one for the address 127.0.0.1 as a
# name mismatch); trust_authority adds it to the test prefix's machine root store
# through the platform's certificate API, and a TLS front (Debian's socat) puts a
# plain server behind https://localhost:PORT. Call end_tls on exit.
tls_fronts=()
tls_trusted=

# make_authority DIR NAME: DIR/NAME-ca.pem and the "localhost" certificate it
# signed, DIR/NAME-server.pem with its key DIR/NAME-server.key.
make_authority() {
    local dir=$1 name=$2
    openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=svcgate test authority $name" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
        -keyout "$dir/$name-ca.key" -out "$dir/$name-ca.pem" >/dev/null 2>&1
    openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout "$dir/$name-server.key" \
        -out "$dir/$name-server.csr" >/dev/null 2>&1
    printf 'subjectAltName=DNS:localhost\nextendedKeyUsage=serverAuth\nbasicConstraints=CA:FALSE\n' \
        >"$dir/$name-server.ext"
    openssl x509 -req -in "$dir/$name-server.csr" -CA "$dir/$name-ca.pem" -CAkey "$dir/$name-ca.key" \
        -CAcreateserial -days 2 -extfile "$dir/$name-server.ext" -out "$dir/$name-server.pem" >/dev/null 2>&1
}

trust_authority() {
    "$run" "$build/tests/doubles/trust-ca/trust-ca.exe" add "$(windows_path "$1")"
    tls_trusted=$1
}

# start_tls_front PORT BACKEND_PORT DIR NAME: returns once the front takes
# connections. A bare TCP probe: a TLS handshake would open a connection to the
# backend too.
start_tls_front() {
    socat "OPENSSL-LISTEN:$1,bind=127.0.0.1,reuseaddr,fork,verify=0,cert=$3/$4-server.pem,key=$3/$4-server.key" \
        "TCP:127.0.0.1:$2,nodelay" 2>/dev/null &
    tls_fronts+=($!)
    for _ in $(seq 50); do
        (exec 5<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return
        sleep 0.1
    done
    echo "the TLS front on port $1 did not start" >&2
    return 1
}

end_tls() {
    for pid in "${tls_fronts[@]}"; do kill "$pid" 2>/dev/null || true; done
    [ -z "$tls_trusted" ] || "$run" "$build/tests/doubles/trust-ca/trust-ca.exe" remove "$(windows_path "$tls_trusted")" || true
}
