# Sourced by make-package.sh: Authenticode signatures (SHA-256, Debian's
# osslsigncode) carrying the product's name and address, made with the release's
# own key where SVCGATE_SIGN_PFX names its PKCS#12 file and SVCGATE_SIGN_PASSWORD
# its password, and otherwise with a test certificate. A release
# (SVCGATE_SIGN_RELEASE=1) refuses to sign without the release key. Where
# SVCGATE_SIGN_TIMESTAMP_URL names a time-stamping authority (RFC 3161), the
# signatures carry its time and so outlive the certificate.

# signing_identity TEST_FOLDER NAME ADDRESS: what `sign` signs with; the test
# certificate and the authority that issued it are made in TEST_FOLDER when they
# are not there or about to expire.
signing_identity() {
    signing_options=(-h sha256 -n "$2" -i "$3")
    if [ -n "${SVCGATE_SIGN_PFX:-}" ]; then
        [ -n "${SVCGATE_SIGN_PASSWORD+set}" ] || {
            echo "SVCGATE_SIGN_PFX is given without SVCGATE_SIGN_PASSWORD" >&2
            return 1
        }
        # The password comes through a pipe, never on a command line others can see.
        signing_options+=(-pkcs12 "$SVCGATE_SIGN_PFX" -readpass -)
        signing_test=
    elif [ "${SVCGATE_SIGN_RELEASE:-}" = 1 ]; then
        echo "A release is signed with its own key: SVCGATE_SIGN_PFX and SVCGATE_SIGN_PASSWORD are not set." >&2
        return 1
    else
        make_test_certificate "$1"
        signing_options+=(-certs "$1/signer.pem" -key "$1/signer.key")
        signing_test=$1
    fi
    if [ -n "${SVCGATE_SIGN_TIMESTAMP_URL:-}" ]; then
        signing_options+=(-ts "$SVCGATE_SIGN_TIMESTAMP_URL")
    else
        echo "No time-stamping authority (SVCGATE_SIGN_TIMESTAMP_URL): the signatures carry no timestamp" \
            "and lapse with the certificate." >&2
    fi
}

# A test authority of its own, as a chain's IT might trust for a trial, and the
# code-signing certificate it issued (with the authority, so that the signature
# carries the whole chain).
make_test_certificate() {
    local folder=$1
    openssl x509 -checkend 86400 -noout -in "$folder/signer.pem" >/dev/null 2>&1 && return
    mkdir -p "$folder"
    openssl req -x509 -newkey rsa:2048 -nodes -days 365 -subj "/O=Velmora/CN=svcgate test signing authority" \
        -addext basicConstraints=critical,CA:TRUE -addext keyUsage=critical,keyCertSign,cRLSign \
        -keyout "$folder/authority.key" -out "$folder/authority.pem" >/dev/null 2>&1
    openssl req -newkey rsa:2048 -nodes -subj "/O=Velmora/CN=Velmora (signed for testing only)" \
        -keyout "$folder/signer.key" -out "$folder/signer.csr" >/dev/null 2>&1
    printf 'basicConstraints=CA:FALSE\nkeyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n' \
        >"$folder/signer.ext"
    openssl x509 -req -in "$folder/signer.csr" -CA "$folder/authority.pem" -CAkey "$folder/authority.key" \
        -CAcreateserial -days 364 -extfile "$folder/signer.ext" -out "$folder/signer.crt" >/dev/null 2>&1
    cat "$folder/signer.crt" "$folder/authority.pem" >"$folder/signer.pem"
}

# sign FILE...: each file signed in its place.
sign() {
    local file
    for file in "$@"; do
        printf %s "${SVCGATE_SIGN_PASSWORD:-}" |
            osslsigncode sign "${signing_options[@]}" -in "$file" -out "$file.signed" >/dev/null
        mv "$file.signed" "$file"
    done
}

# The warning a test-signed package must not leave without.
announce_test_signature() {
    [ -z "$signing_test" ] && return
    cat >&2 <<EOF
***
*** $1 and its modules are signed for TESTING ONLY, with a certificate of the
*** test authority $signing_test/authority.pem made on this machine.
*** Windows trusts them only where that authority is a trusted root. A release is signed with
*** its own key: SVCGATE_SIGN_PFX and SVCGATE_SIGN_PASSWORD (docs/developing.md).
***
EOF
}
