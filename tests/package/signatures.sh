#!/usr/bin/env bash
# signatures.sh PACKAGE BUILD [BUILD32], in the build's prefix: the signatures of
# the package and of the modules as the installer puts them on disk. With the
# authority of the build's test certificate among the machine's trusted roots the
# platform's Authenticode policy (WinVerifyTrust) accepts them; a module with one
# byte changed no longer matches its signature. Wine's policy does not consult the
# certificate chain at all (docs/wine-notes.md), so osslsigncode decides what
# depends on it: the chain ends at the authority, and a machine that trusts only
# the public roots refuses it.
source "$(dirname "$0")/common.sh"
authority=${build32:-$build}/test-signing/authority.pem
trust() { "$run" "$build/tests/doubles/trust-ca/trust-ca.exe" "$1" "$(windows_path "$authority")"; }
session_modules=()
trap 'trust remove || true; end_session' EXIT

mkdir "$session_work/extracted"
extracted=$(extract_package "$session_work/extracted")
files=("$package")
for module in "${modules[@]}"; do
    read -r folder _ _ <<<"$module"
    files+=("$extracted/$folder/svcgate.dll")
done
tampered=$session_work/tampered.dll
cp "${files[1]}" "$tampered"
offset=$(($(stat -c %s "$tampered") / 2))
byte=$(od -An -tu1 -j "$offset" -N1 "$tampered")
printf "\\$(printf %o $((byte ^ 0xFF)))" | dd of="$tampered" bs=1 seek="$offset" conv=notrunc 2>/dev/null

# platform FILE...: the Authenticode policy's result for each file.
platform() {
    local file paths=()
    for file in "$@"; do paths+=("$(windows_path "$file")"); done
    "$run" "$build/tests/verify-signature.exe" "${paths[@]}" | tr -d '\r'
}
# osslsigncode_trusting ROOTS FILE...: what osslsigncode makes of each file on a
# machine whose trusted roots are those of the file ROOTS.
osslsigncode_trusting() {
    local file output
    for file in "${@:2}"; do
        if output=$(osslsigncode verify -CAfile "$1" -in "$file" 2>&1); then
            echo verified
        elif grep -q MISMATCH <<<"$output"; then
            echo "not matching"
        elif grep -q "certificate chain" <<<"$output"; then
            echo untrusted
        else
            echo "$output"
        fi
    done
}

status=0
# expect CASE RESULT CHECKER...: the checker's verdict on each of $files.
expect() {
    local seen expected
    seen=$("${@:3}" "${files[@]}")
    expected=$(printf "$2\\n%.0s" "${files[@]}")
    if [ "$seen" != "$expected" ]; then
        printf '%s: expected\n%s\nseen\n%s\n' "$1" "$expected" "$seen"
        status=1
    fi
}

trust add
expect "trusted" 0x00000000 platform
expect "chained to the authority" verified osslsigncode_trusting "$authority"
expect "untrusted" untrusted osslsigncode_trusting /etc/ssl/certs/ca-certificates.crt
files=("$tampered")
# TRUST_E_BAD_DIGEST
expect "one byte changed" 0x80096010 platform
[ $status = 0 ] && echo "1 passed, 0 failed"
exit $status
