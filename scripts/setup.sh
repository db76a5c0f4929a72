#!/usr/bin/env bash
# Installs everything the build and the tests need, from Debian's packages only.
# Safe to run again: it does nothing when everything is already there.
set -euo pipefail

packages=(wine wine32:i386 wine64 g++-mingw-w64-i686-posix mingw-w64-i686-dev
          g++-mingw-w64-x86-64-posix mingw-w64-x86-64-dev googletest cmake make xvfb xauth locales clang-format fp-utils openssl
          socat wixl msitools osslsigncode)

missing() {
    dpkg --print-foreign-architectures | grep -qx i386 || return 0
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || return 0
    done
    return 1
}

sudo_if_needed() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }

if missing; then
    export DEBIAN_FRONTEND=noninteractive
    sudo_if_needed dpkg --add-architecture i386
    # A mirror in the middle of a sync can fail one index (seen: the i386 security
    # index); apt then keeps the rest, and the install below decides.
    sudo_if_needed apt-get update -qq || true
    install() { sudo_if_needed apt-get install -y -qq --no-install-recommends "$@" "${packages[@]}" >/dev/null; }
    # Without the i386 half of an index, the amd64 and i386 copies of one library
    # get different candidates; taking both from the release itself makes them match.
    . /etc/os-release
    install || install -t "$VERSION_CODENAME"
fi

if ! locale -a 2>/dev/null | grep -qix 'ru_RU.utf8'; then
    sudo_if_needed sed -i 's/^# *ru_RU.UTF-8 UTF-8/ru_RU.UTF-8 UTF-8/' /etc/locale.gen
    grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen || echo 'ru_RU.UTF-8 UTF-8' | sudo_if_needed tee -a /etc/locale.gen >/dev/null
    sudo_if_needed locale-gen >/dev/null
fi
