#!/usr/bin/env bash
# make-package.sh OUTPUT VERSION BUILD32 [BUILD64]: the Windows Installer package
# of the builds given, svcgate.dll and help.chm of each: x86 with the 32-bit build
# alone, x64 with both. Each module is signed before it goes in, the package after
# (sign.sh). What the package carries stays beside it, in the folder named as the
# package without ".msi": 32/ and 64/, the signed modules as installed.
set -euo pipefail
output=$(realpath -m "$1")
version=$2
here=$(cd "$(dirname "$0")" && pwd)
source "$here/sign.sh"
# The product's name and address, as the build's project gives them to the module's
# version resource too.
project() { sed -n "s/^CMAKE_PROJECT_$1:STATIC=//p" "$2/CMakeCache.txt"; }
name=$(project DESCRIPTION "$3")
signing_identity "$3/test-signing" "$name" "$(project HOMEPAGE_URL "$3")"
stage=${output%.msi}
rm -rf "$stage"
# stage_build BITS BUILD: the build's module, signed, and its help file.
stage_build() {
    mkdir -p "$stage/$1"
    cp "$2/svcgate.dll" "$2/help.chm" "$stage/$1/"
    sign "$stage/$1/svcgate.dll"
}
stage_build 32 "$3"
arch=x86
if [ $# -gt 3 ]; then
    stage_build 64 "$4"
    arch=x64
fi
(cd "$stage" && wixl --arch "$arch" -D Arch="$arch" -D Version="$version" -D ProductName="$name" -I "$here" \
    -o "$output" "$here/svcgate.wxs")
# What wixl 0.101 cannot say. It writes the root HKMU as 4, which Windows Installer
# does not know; -1 is HKLM for a per-machine installation and HKCU for a per-user
# one. And every package gets a product code of its own: a rebuild of the installed
# version must replace it, not install beside it, so the version it replaces is
# included (512). The attributes are part of the row's key: it is written anew.
code=$(msiinfo export "$output" Upgrade | tr -d '\r' | awk -F'\t' '$7 == "WIX_UPGRADE_DETECTED" { print $1 }')
for query in "UPDATE Registry SET Root = -1 WHERE Root = 4" \
    "DELETE FROM Upgrade WHERE ActionProperty = 'WIX_UPGRADE_DETECTED'" \
    "INSERT INTO Upgrade (UpgradeCode, VersionMax, Attributes, ActionProperty)
     VALUES ('$code', '$version', 513, 'WIX_UPGRADE_DETECTED')"; do
    msibuild "$output" -q "$query"
done
sign "$output"
announce_test_signature "$(basename "$output")"
