# Sourced by the tests of the installer package, run as `TEST PACKAGE BUILD
# [BUILD32]` in the build's prefix: the package and, for each of its modules,
# where it lies in the installation folder, the build it comes from and the
# registry view it is registered in.
set -euo pipefail
package=$(realpath "$1")
build=$2
build32=${3:-}
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../../scripts/host-session.sh"
progid='Software\Classes\OrtaEq.SvcGateServiceTerminal'
class='Software\Classes\CLSID\{5B7E2C91-3D4A-4F08-9E61-A27C0D94B3F5}'
if [ -n "$build32" ]; then
    require_32bit_programs
    modules=(". $build 64" "x86 $build32 32")
else
    modules=(". $build 32")
fi

# msi_table NAME: the package's table, rows only.
msi_table() { msiinfo export "$package" "$1" | tr -d '\r' | tail -n +4; }
