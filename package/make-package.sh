#!/usr/bin/env bash
# make-package.sh OUTPUT VERSION BUILD32 [BUILD64]: the Windows Installer package
# of the builds given, svcgate.dll and help.chm of each: x86 with the 32-bit build
# alone, x64 with both.
set -euo pipefail
output=$(realpath -m "$1")
version=$2
here=$(cd "$(dirname "$0")" && pwd)
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
# wixl takes a file's source only as a path relative to where it runs.
ln -s "$(realpath "$3")" "$stage/32"
arch=x86
if [ $# -gt 3 ]; then
    ln -s "$(realpath "$4")" "$stage/64"
    arch=x64
fi
(cd "$stage" && wixl --arch "$arch" -D Arch="$arch" -D Version="$version" -I "$here" \
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
