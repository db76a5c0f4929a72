# Sourced by the tests of the installer package, run as `TEST PACKAGE BUILD
# [BUILD32]` in the build's prefix: the package and, for each of its modules,
# where it lies in the installation folder, the signed module the package carries
# (in the folder beside it that make-package.sh leaves) and the registry view it
# is registered in.
set -euo pipefail
package=$(realpath "$1")
build=$2
build32=${3:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/host-session.sh"
progid='Software\Classes\OrtaEq.SvcGateServiceTerminal'
class='Software\Classes\CLSID\{5B7E2C91-3D4A-4F08-9E61-A27C0D94B3F5}'
if [ -n "$build32" ]; then
    modules=(". ${package%.msi}/64 64" "x86 ${package%.msi}/32 32")
else
    modules=(". ${package%.msi}/32 32")
fi

# For a test that runs programs of each module's bitness.
require_each_bitness() { [ -z "$build32" ] || require_32bit_programs; }

# msi_table NAME: the package's table, rows only.
msi_table() { msiinfo export "$package" "$1" | tr -d '\r' | tail -n +4; }

# extract_package DIR: the package's files extracted into DIR; prints the
# installation folder, where the outermost module lies.
extract_package() {
    (cd "$1" && msiextract "$package" >/dev/null)
    find "$1" -name svcgate.dll -printf '%d %h\n' | sort -n | head -1 | cut -d' ' -f2-
}
